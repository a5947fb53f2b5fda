#pragma once
// The main window: the song's fields, the menus and buttons that start every
// command, start-up and shutdown. The song itself and what happens to it
// live in the song session; each command here is a short slot that asks the
// user (dialogs, questions) and hands the work to the session or the core.

#include "app/common_dialog.h"
#include "app/omp_text_edit.h"
#include "app/song_session.h"
#include "core/formats/basic_generator.h"
#include "core/song/settings.h"
#include "core/transfer/send_plan.h"

#include <QMainWindow>
#include <QPointer>

class AboutBox;
class Browser;
class FileDialogs;
class HmmlEditorWindow;
class MediaPlayer;
class MessageBoxes;
class OutputWindow;
class PlayerStrip;
class SamplePlayer;
class SendWindow;
class SettingsDialog;
class SystemServices;

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// The operating-system services the window works through.
struct MainWindowServices {
    FileDialogs &dialogs;
    MessageBoxes &messages;
    SystemServices &system;
    MediaPlayer &player;
    SamplePlayer &samplePlayer;
    Browser &browser;
    // Where the settings file lives; empty for the usual place.
    QString settingsPath;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const MainWindowServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence, up to showing the window and opening the file
    // named by `arguments` (the command line after the program's own name).
    // False when the program must end at once (another copy is running).
    bool startUp(const QStringList &arguments);

    // The commands of the buttons and menu items.
    void play();           // "再生・リロード"
    void stop();           // "停止"
    void loadHmmlFile();   // "ファイル読み込み・変換", "HMLファイルを開く(&H)"
    void openMidiFile();   // "MIDIファイルを開く"
    void editInNotepad();  // "メモ帳で編集"
    void openSong();       // "VTDファイルを開く(&P)"
    void saveSong();       // "VTDファイルの保存(&S)"
    void exportMidi();     // "MIDIシーケンスデータ(*.mid)(&M)"
    void exportOmpList();  // "OMPリスト(&O)"
    void convertToBasic(Machine machine); // "OMP→E500BASIC変換(&E)", "OMP→G800BASIC変換(&G)"
    void openSettings();   // "各種設定(&S)"
    void sendToMachine();  // "ポケコンへ送信(&T)"
    void showAbout();      // "このソフトについて(&A)"
    void openEditor();     // "H-MMLエディタ(&D)..."
    // What the settings dialog's OK gives: the settings, and the preferred
    // tone selected for the song.
    void applySettings(const AppSettings &settings);

    // The other windows while they are loaded, otherwise null.
    OutputWindow *outputWindow() const;
    SettingsDialog *settingsDialog() const;
    SendWindow *sendWindow() const;
    AboutBox *aboutBox() const;
    HmmlEditorWindow *editor() const;

    SongSession &session() { return m_session; }
    const SongSession &session() const { return m_session; }
    const AppSettings &settings() const { return m_settings; }
    AppSettings &settings() { return m_settings; }

    // The song's tone as the list shows it: position 0 to 127, or -1 when no
    // entry is selected (nothing chosen, or a text typed into the box).
    int toneIndex() const;
    void setToneIndex(int index);

    // Controls (their object names are the original forms' names).
    PlayerStrip *playerStrip;
    QGroupBox *playGroup, *hmmlGroup, *ompGroup;
    QPushButton *playButton, *stopButton, *loadHmmlButton, *notepadButton;
    QLabel *toneLabel, *titleLabel, *copyrightLabel, *authorLabel;
    QLineEdit *titleEdit, *copyrightEdit, *authorEdit;
    OmpTextEdit *ompEdit;
    QComboBox *toneCombo;
    QFrame *playerRule, *fieldsRule;

    CommonDialog openSongDialog, ompListDialog, openHmmlDialog, notepadDialog, saveSongDialog, midiExportDialog;
    CommonDialog openMidiDialog, saveImportedHmmlDialog;

    QMenu *fileMenu, *exportMenu, *basicMenu, *settingsMenu, *helpMenu;
    QAction *openSongAction, *openHmmlAction, *openMidiAction, *editorAction, *saveSongAction, *exportSeparator;
    QAction *exportOmpListAction, *exportMidiAction, *g800BasicAction, *e500BasicAction, *sendAction;
    QAction *closeSeparator, *closeAction, *settingsAction, *showHelpAction, *aboutSeparator, *aboutAction;

protected:
    // The shutdown sequence.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void showSong(SongSession::Fields fields);
    void showSoundingNote(int line, qsizetype start, qsizetype end);
    void showBasicResult(Machine machine, const BasicProgramResult &program);
    void openSendWindow(const transfer::SendRequest &request);
    void showImportOutcome(const SongSession::ImportOutcome &outcome);
    void saveImportedHmml(const QString &midiPath, const QString &hmml);
    // While an import runs: the strip shows it, the song's fields take no typing.
    void showImporting(bool importing);
    // While an import runs, a command that would change the song says so
    // and does nothing: true then.
    bool refuseWhileImporting();
    bool confirmOverwrite(const QString &path);
    void keepAbove(QWidget *dialog);
    void showError(const SessionMessage &message);
    void showError(const QString &text);

    MainWindowServices m_services;
    AppSettings m_settings;
    SongSession m_session;
    // The song's fields are being shown: their changes are not the user's.
    bool m_showingSong = false;
    QPointer<AboutBox> m_aboutBox;
    QPointer<OutputWindow> m_outputWindow;
    QPointer<SettingsDialog> m_settingsDialog;
    QPointer<SendWindow> m_sendWindow;
    QPointer<HmmlEditorWindow> m_editor;
    Machine m_outputMachine = Machine::E500;
};
