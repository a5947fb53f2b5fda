#pragma once
// The main window: the current song in its controls, the menus and buttons
// that start every command, start-up and shutdown.

#include "export/basic_generator.h"
#include "shell/app_settings.h"
#include "shell/common_dialog.h"

#include <QMainWindow>
#include <QPointer>

class Browser;
class FileDialogs;
class MediaPlayer;
class MessageBoxes;
class SystemServices;
class PlayerStrip;
class Form2;
class Form3;
class Form7;
class Form8;
struct SendRequest;

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QFrame;

// The operating-system services the window works through.
struct Form1Services {
    FileDialogs &dialogs;
    MessageBoxes &messages;
    SystemServices &system;
    MediaPlayer &player;
    Browser &browser;
    // Where the settings file lives; empty for the usual place.
    QString settingsPath;
};

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(const Form1Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // The start-up sequence, up to showing the window and opening the file
    // named by `arguments` (the command line after the program's own name).
    // False when the program must end at once (another copy is running).
    bool startUp(const QStringList &arguments);

    // Playback.
    void OMP_Play();
    void OMP_Stop();

    // The commands of the buttons and menu items.
    void loadAndConvert();   // Command3, "HMLファイルを開く(&H)"
    void openMidiFile();     // "MIDIファイルを開く"
    void editInNotepad();    // Command4
    void openSong();         // "VTDファイルを開く(&P)"
    void saveSong();         // "VTDファイルの保存(&S)"
    void exportMidi();       // "MIDIシーケンスデータ(*.mid)(&M)"
    void exportOmpList();    // "OMPリスト(&O)"
    void convertToBasic(BasicMachine machine); // "OMP→E500BASIC変換(&E)", "OMP→G800BASIC変換(&G)"
    void openSettings();     // "各種設定(&S)"
    void sendToMachine();    // "ポケコンへ送信(&T)"
    // The send window for `request`, with the current settings; what the
    // user sets there becomes the settings.
    void openSendWindow(const SendRequest &request);
    void showAbout();        // "このソフトについて(&A)"
    // What the settings dialog's OK gives: the settings, and the preferred
    // tone selected for the song.
    void applySettings(const AppSettings &settings);

    // The end of the BASIC commands: the program in the output window under
    // the machine's caption, or the failure message and no window.
    void showBasicResult(BasicMachine machine, const BasicProgramResult &program);

    // The other windows while they are loaded, otherwise null.
    Form3 *outputWindow() const;
    Form7 *settingsDialog() const;
    Form8 *sendWindow() const;
    Form2 *aboutBox() const;

    // The song's tone: list position 0 to 127, or -1 when no entry is
    // selected (nothing chosen, or a text typed into the box).
    int toneIndex() const;
    void setToneIndex(int index);

    const AppSettings &settings() const { return m_settings; }
    AppSettings &settings() { return m_settings; }
    QString temporaryFilePath() const;
    // The H-MML source last read, exactly (every line followed by "\r\n");
    // the hidden Hmml box shows the same text.
    const QString &hmmlSource() const { return m_hmmlSource; }

    // Controls, by their names.
    PlayerStrip *MP1;
    QGroupBox *Frame1, *Frame2, *Frame3;
    QPushButton *Command1, *Command2, *Command3, *Command4;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QLineEdit *Text2, *Text3, *Text4;
    QPlainTextEdit *Text1, *Hmml;
    QComboBox *Combo1;
    QFrame *Line1, *Line2;

    CommonDialog CD1, CD2, CD3, CD4, CD5, CD6;
    CommonDialog CD7, CD8; // opening a MIDI file, saving the H-MML made of it

    // Menu items, by their names.
    QMenu *ファイル, *Export, *BASIC_convert, *Setting, *ヘルプ;
    QAction *OMPファイルを開く, *MMLファイルを開く, *MIDIファイルを開く, *VTDファイルの保存, *仕切り4, *名前を付けて保存, *MIDI_EXPORT;
    QAction *G800BASIC変換, *E500BASIC変換, *仕切り1, *閉じる, *各種設定, *ヘルプの表示, *仕切り3, *バージョン情報;
    QAction *ポケコンへ送信;

protected:
    // The shutdown sequence.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void convertHmmlFile(const QString &path);
    bool convertHmmlText(const QString &text);
    void saveImportedHmml(const QString &midiPath, const QString &hmml);
    void openSongFile(const QString &path);
    bool confirmOverwrite(const QString &path);
    void keepAbove(QWidget *dialog);
    void chooseOmpWrapping();
    void setOmpText(const QString &omp);
    void showError(const QString &text, const QString &title);

    Form1Services m_services;
    AppSettings m_settings;
    QString m_tempDir;
    QString m_hmmlSource;
    QPointer<Form2> m_form2;
    QPointer<Form3> m_form3;
    QPointer<Form7> m_form7;
    QPointer<Form8> m_form8;
    BasicMachine m_form3Machine = BasicMachine::E500;
};
