#pragma once
// The main window: the current song in its controls, the menus and buttons
// that start every command, start-up and shutdown.

#include "core/formats/basic_generator.h"
#include "core/omp/note_timeline.h"
#include "core/song/settings.h"
#include "app/common_dialog.h"
#include "core/song/song_conversion.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class Browser;
class FileDialogs;
class FileWatch;
class MediaPlayer;
class MessageBoxes;
class SystemServices;
class PlayerStrip;
class Form2;
class Form3;
class Form7;
class Form8;
class Form9;
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
class QTimer;

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
    void openEditor();       // "H-MMLエディタ(&D)..."
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
    Form9 *editor() const;

    // The song as the window shows it.
    Song song() const;

    // What the editor compiled: a good result is shown as a loaded file is
    // (with its H-MML as the song's), a failed one leaves the last good song.
    void showLiveConversion(const HmmlConversion &conversion);
    // Plays the song from the note of `line` of its H-MML on (or the first
    // note after it), when the OMP box holds the data as compiled.
    void playFromLine(int line);
    // While playing: the editor highlights the line of the sounding note and,
    // while it holds the data as compiled, the OMP box selects its characters.
    void followPlayback();
    // The song's H-MML file, watched for saves by other programs (the file
    // last loaded, or opened by "メモ帳で編集"); empty when the song has none.
    const QString &songFile() const { return m_songFile; }
    // Another program saved the song's file: it is read and compiled again,
    // and a song that was playing plays again from the start.
    void songFileSaved();

    // The song's tone: list position 0 to 127, or -1 when no entry is
    // selected (nothing chosen, or a text typed into the box).
    int toneIndex() const;
    void setToneIndex(int index);

    const AppSettings &settings() const { return m_settings; }
    AppSettings &settings() { return m_settings; }
    QString temporaryFilePath() const;
    // The song's H-MML source, exactly (every line followed by "\r\n"). The
    // hidden Hmml box holds the source last read from a file; the editor's
    // text stays in the editor, so that typing does not fill it anew.
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
    QAction *ポケコンへ送信, *HMMLエディタ;

protected:
    // The shutdown sequence.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void convertHmmlFile(const QString &path);
    bool convertHmmlText(const QString &text);
    // `read`: the text was read from a file, and the hidden Hmml box takes it.
    void showConversion(const HmmlConversion &conversion, bool read);
    void setSongFile(const QString &path);
    bool playOmp(qsizetype firstNote);
    void saveImportedHmml(const QString &midiPath, const QString &hmml);
    void openSongFile(const QString &path);
    bool confirmOverwrite(const QString &path);
    void keepAbove(QWidget *dialog);
    void chooseOmpWrapping();
    // The OMP box's text; `lines` when it is the data as compiled.
    void setOmpText(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines = {});
    void showError(const QString &text, const QString &title);

    Form1Services m_services;
    AppSettings m_settings;
    QString m_tempDir;
    QString m_hmmlSource;
    QPointer<Form2> m_form2;
    QPointer<Form3> m_form3;
    QPointer<Form7> m_form7;
    QPointer<Form8> m_form8;
    QPointer<Form9> m_form9;
    std::unique_ptr<FileWatch> m_watch;
    QString m_songFile;
    bool m_songFromHmml = false; // the song was compiled from m_hmmlSource
    // The OMP box: the line map of the data as compiled, while it holds
    // that; a count of its changes.
    std::shared_ptr<const hmml::NoteLineMap> m_lines;
    bool m_settingOmp = false;
    quint64 m_ompChanges = 0;
    // What plays: its timeline, its lines, where in it the file begins, and
    // the OMP box's change count when it started.
    struct Playing {
        omp::NoteTimeline timeline;
        std::shared_ptr<const hmml::NoteLineMap> lines;
        qint64 offset = 0;
        quint64 ompChanges = 0;
    } m_playing;
    QTimer *m_followTimer;
    bool m_replayOnNextSong = false;
    bool m_reloading = false;
    BasicMachine m_form3Machine = BasicMachine::E500;
};
