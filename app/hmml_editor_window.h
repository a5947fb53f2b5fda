#pragma once
// The H-MML editor ("H-MMLエディタ"): a window of its own beside the main
// window, for writing a song and hearing it at once. Every edit is compiled a
// moment later (LiveCompiler) and given to the song session, which shows a
// good result in the main window; an error marks its line and shows its
// message in the status bar, where a click moves the cursor there. It opens
// and saves H-MML files by the reading rules of the rest of the program,
// keeping each file's encoding and line breaks, and plays the song through
// the session, highlighting the line of the sounding note.

#include "app/common_dialog.h"
#include "core/hmml/hmml_file.h"
#include "core/song/song_conversion.h"

#include <QMainWindow>
#include <QTextCursor>

#include <memory>
#include <utility>

class FileDialogs;
class HmmlTextEdit;
class LiveCompiler;
class MessageBoxes;
class NoteView;
class SongSession;
struct SessionMessage;
namespace notes {
class SongNotes;
} // namespace notes
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;

class HmmlEditorWindow : public QMainWindow {
    Q_OBJECT
public:
    HmmlEditorWindow(FileDialogs &dialogs, MessageBoxes &messages, SongSession &session, QWidget *parent = nullptr);
    ~HmmlEditorWindow() override;

    // Shows the H-MML file `path` and compiles it at once; false (with the
    // message shown) when it cannot be read.
    bool openFile(const QString &path);
    // A new document holding `text`, belonging to no file: a new file is
    // CP932 with CR LF. `unsaved`: closing asks about it.
    void newDocument(const QString &text, bool unsaved);
    // The file the text belongs to; empty for a new document.
    const QString &documentPath() const { return m_path; }
    bool isModified() const;

    // Another program saved the file: its text replaces the editor's (as an
    // edit that can be undone) unless the editor holds changes of its own,
    // which are never thrown away. True when the text changed.
    bool reloadFromDisk();

    // The latest conversion's status (errors are marked with it).
    const ConversionStatus &status() const { return m_status; }
    LiveCompiler &liveCompiler() const { return *m_compiler; }

    // The commands.
    void newFile();      // "新規作成(&N)"
    void open();         // "開く(&O)..."
    bool save();         // "上書き保存(&S)"
    bool saveAs();       // "名前を付けて保存(&A)..."
    void showFind();     // "検索(&F)..."
    bool findNext(bool backward = false); // "次を検索", "前を検索"
    void goToError();    // a click on the error message
    void play();         // "最初から再生(&P)"
    void playFromCursor(); // "カーソルの行から再生(&H)"
    void loopSelection(); // "選択範囲をループ再生(&L)"
    void stop();         // "停止(&S)"
    // Asks about unsaved changes: true when the text may be replaced or
    // closed (saved, or the user chose not to).
    bool maybeSave();

    // The lines "選択範囲をループ再生" plays now: the selection's (a last line
    // it ends at the start of is not one of them), or the cursor's.
    std::pair<int, int> loopedLines() const;
    // The tooltip of a line: its pitch on the machines, in hertz and cents.
    QString pitchToolTip(int line) const;

    HmmlTextEdit *textEdit;       // the song
    NoteView *noteView;           // the song's notes as a picture
    QSplitter *splitter;          // the text above the note view
    QWidget *lineNumberGutter;    // line numbers and the error mark
    QFrame *findBar;
    QLineEdit *findEdit;          // the text to find
    QPushButton *errorButton;     // the error message
    QPushButton *findNextButton, *findPreviousButton;
    QLabel *newsLabel;            // other news
    CommonDialog openDialog, saveAsDialog;

    QMenu *fileMenu, *editMenu, *viewMenu, *playMenu;
    QAction *newAction, *openAction, *saveAction, *saveAsAction, *closeAction;
    QAction *undoAction, *redoAction, *findAction, *findNextAction, *findPreviousAction;
    QAction *noteViewAction, *fitAllAction, *zoomInAction, *zoomOutAction;
    QAction *playAction, *playFromCursorAction, *loopSelectionAction, *stopAction;

signals:
    // The text belongs to `path` now (opened, saved under a new name).
    void fileOpened(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void showCompiled(const HmmlConversion &conversion, const std::shared_ptr<const notes::SongNotes> &notes);
    bool writeTo(const QString &path);
    // The text of `document` belongs to `path` now; `unsaved`: closing asks
    // about it. A long text goes in by stretches (documentLoaded follows).
    void setDocument(const HmmlDocument &document, const QString &path, bool unsaved);
    void documentLoaded();
    void setPath(const QString &path);
    void updateCaption();
    void showNews(const QString &text);
    void showError(const SessionMessage &message);
    void showVoice();
    void showContextMenu(const QPoint &pos);

    FileDialogs &m_dialogs;
    MessageBoxes &m_messages;
    SongSession &m_session;
    LiveCompiler *m_compiler;
    HmmlDocument m_format; // how the file is written back
    QString m_path;
    QByteArray m_diskDigest; // of the file's bytes as last read or written here
    ConversionStatus m_status;
    bool m_loading = false; // a text given by the program is going in
    bool m_unsaved = false; // what it is once in
    int m_lineAfterLoad = 0; // a reload's cursor line, set once the text is in
    // The selection "選択範囲をループ再生" plays: a cursor of the document,
    // so that edits before and within it move it along.
    QTextCursor m_loopCursor;
    QString m_lastSource; // the text of the last good compile
};
