#include "app/hmml_editor_window.h"

#include "platform/desktop/message_boxes.h"
#include "core/io/read_file.h"
#include "core/io/save_file.h"
#include "app/app_info.h"
#include "app/hmml_text_edit.h"
#include "app/live_compiler.h"
#include "app/overwrite_question.h"
#include "app/note_view.h"
#include "app/song_session.h"
#include "core/hmml/pitch_name.h"
#include "core/voice/tuning_table.h"

#include <QAction>
#include <QSplitter>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const QString Caption = QStringLiteral("H-MMLエディタ");

} // namespace

HmmlEditorWindow::HmmlEditorWindow(FileDialogs &dialogs, MessageBoxes &messages, SongSession &session, QWidget *parent)
    : QMainWindow(parent),
      openDialog(QStringLiteral("CD1"), QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|"
                                               "*.txt(Text File)|*.txt|*.* (All Files)|*.*")),
      saveAsDialog(QStringLiteral("CD2"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml|*.* (All Files)|*.*")),
      m_dialogs(dialogs), m_messages(messages), m_session(session)
{
    setObjectName(QStringLiteral("Form9"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildMenus();
    // The text as the box holds it: the other thread ends its lines in CR LF.
    m_compiler = new LiveCompiler([this] { return textEdit->toPlainText(); }, this);
    m_compiler->setOmpLayout(m_session.ompSeparator(), m_session.ompInterval());
    connect(m_compiler, &LiveCompiler::compiled, this, &HmmlEditorWindow::showCompiled);
    connect(&m_session, &SongSession::ompLayoutChanged, m_compiler, &LiveCompiler::setOmpLayout);
    connect(&m_session, &SongSession::soundingNote, this, [this](int line) { textEdit->setSoundingLine(line); });
    connect(&m_session, &SongSession::playPosition, this, [this](double ms) {
        // Only the song the view shows: the one the session holds is this text's.
        const bool ours = ms >= 0 && m_session.isFromHmml() && noteView->notes()
                          && m_session.hmmlSource() == m_lastSource;
        noteView->setPlayPosition(ours ? ms : -1);
    });
    connect(&m_session, &SongSession::voiceChanged, this, &HmmlEditorWindow::showVoice);
    showVoice();
    connect(&m_session, &SongSession::editorFileSaved, this, [this] {
        // The song plays again once the text read is compiled, if it played.
        const bool playing = m_session.isPlaying();
        if (reloadFromDisk())
            m_session.replayWithNextSong(playing);
    });
    connect(textEdit, &HmmlTextEdit::textEdited, this, [this] {
        if (!m_loading)
            m_compiler->textEdited();
    });
    connect(textEdit, &HmmlTextEdit::loaded, this, &HmmlEditorWindow::documentLoaded);
    // A file going in is not modified, whatever its stretches do meanwhile.
    connect(textEdit->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (!m_loading)
            setWindowModified(modified);
    });
    resize(640, 560);
    updateCaption();
}

HmmlEditorWindow::~HmmlEditorWindow()
{
    m_session.setEditorFile(QString());
}

void HmmlEditorWindow::buildControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    textEdit = new HmmlTextEdit(client);
    textEdit->setObjectName(QStringLiteral("Text1"));
    lineNumberGutter = textEdit->gutter();
    lineNumberGutter->setObjectName(QStringLiteral("Picture1"));

    findBar = new QFrame(client);
    findBar->setObjectName(QStringLiteral("Frame1"));
    findEdit = new QLineEdit(findBar);
    findEdit->setObjectName(QStringLiteral("Text2"));
    findEdit->setPlaceholderText(QStringLiteral("検索する文字列"));
    findNextButton = new QPushButton(QStringLiteral("次を検索"), findBar);
    findNextButton->setObjectName(QStringLiteral("Command2"));
    findPreviousButton = new QPushButton(QStringLiteral("前を検索"), findBar);
    findPreviousButton->setObjectName(QStringLiteral("Command3"));
    auto *find = new QHBoxLayout(findBar);
    find->setContentsMargins(0, 0, 0, 0);
    find->addWidget(new QLabel(QStringLiteral("検索:"), findBar));
    find->addWidget(findEdit, 1);
    find->addWidget(findNextButton);
    find->addWidget(findPreviousButton);
    findBar->hide();

    noteView = new NoteView(client);
    noteView->setObjectName(QStringLiteral("noteView"));
    splitter = new QSplitter(Qt::Vertical, client);
    splitter->addWidget(textEdit);
    splitter->addWidget(noteView);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);

    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter, 1);
    layout->addWidget(findBar);

    textEdit->setLineToolTips([this](int line) { return pitchToolTip(line); });
    textEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(textEdit, &QWidget::customContextMenuRequested, this, &HmmlEditorWindow::showContextMenu);
    connect(noteView, &NoteView::noteClicked, textEdit, &HmmlTextEdit::goToLine);
    connect(textEdit, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { noteView->setCurrentLine(textEdit->cursorLine()); });

    errorButton = new QPushButton(statusBar());
    errorButton->setObjectName(QStringLiteral("Command1"));
    errorButton->setFlat(true);
    errorButton->setStyleSheet(QStringLiteral("color: #d02020; text-align: left;"));
    errorButton->setCursor(Qt::PointingHandCursor);
    errorButton->setToolTip(QStringLiteral("クリックするとエラーの行へ移動します"));
    errorButton->hide();
    newsLabel = new QLabel(statusBar());
    newsLabel->setObjectName(QStringLiteral("Label1"));
    statusBar()->addWidget(errorButton, 1);
    statusBar()->addWidget(newsLabel, 1);

    connect(errorButton, &QPushButton::clicked, this, &HmmlEditorWindow::goToError);
    connect(findNextButton, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(findPreviousButton, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(findEdit, &QLineEdit::returnPressed, this, [this] { findNext(false); });
}

void HmmlEditorWindow::buildMenus()
{
    auto menu = [this](QMenu *&m, const char *name, const QString &caption) {
        m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromUtf8(name));
    };
    auto item = [](QMenu *m, QAction *&a, const char *name, const QString &caption, QKeySequence keys) {
        a = m->addAction(caption);
        a->setObjectName(QString::fromUtf8(name));
        a->setShortcut(keys);
    };
    menu(fileMenu, "ファイル", QStringLiteral("ファイル(&F)"));
    item(fileMenu, newAction, "新規作成", QStringLiteral("新規作成(&N)"), QKeySequence::New);
    item(fileMenu, openAction, "開く", QStringLiteral("開く(&O)..."), QKeySequence::Open);
    item(fileMenu, saveAction, "上書き保存", QStringLiteral("上書き保存(&S)"), QKeySequence::Save);
    item(fileMenu, saveAsAction, "名前を付けて保存", QStringLiteral("名前を付けて保存(&A)..."), QKeySequence::SaveAs);
    fileMenu->addSeparator();
    item(fileMenu, closeAction, "閉じる", QStringLiteral("閉じる(&X)"), QKeySequence::Close);
    menu(editMenu, "編集", QStringLiteral("編集(&E)"));
    item(editMenu, undoAction, "元に戻す", QStringLiteral("元に戻す(&U)"), QKeySequence::Undo);
    item(editMenu, redoAction, "やり直し", QStringLiteral("やり直し(&R)"), QKeySequence::Redo);
    editMenu->addSeparator();
    item(editMenu, findAction, "検索", QStringLiteral("検索(&F)..."), QKeySequence::Find);
    item(editMenu, findNextAction, "次を検索", QStringLiteral("次を検索(&N)"), QKeySequence::FindNext);
    item(editMenu, findPreviousAction, "前を検索", QStringLiteral("前を検索(&V)"), QKeySequence::FindPrevious);
    menu(viewMenu, "表示", QStringLiteral("表示(&V)"));
    item(viewMenu, noteViewAction, "ノートビュー", QStringLiteral("ノートビュー(&N)"), QKeySequence());
    noteViewAction->setCheckable(true);
    noteViewAction->setChecked(true);
    item(viewMenu, fitAllAction, "曲全体を表示", QStringLiteral("曲全体を表示(&W)"), QKeySequence(Qt::CTRL | Qt::Key_0));
    item(viewMenu, zoomInAction, "拡大", QStringLiteral("拡大(&I)"), QKeySequence::ZoomIn);
    item(viewMenu, zoomOutAction, "縮小", QStringLiteral("縮小(&O)"), QKeySequence::ZoomOut);
    menu(playMenu, "演奏", QStringLiteral("再生(&P)"));
    item(playMenu, playAction, "最初から再生", QStringLiteral("最初から再生(&P)"), QKeySequence(Qt::Key_F5));
    item(playMenu, playFromCursorAction, "ここから再生", QStringLiteral("カーソルの行から再生(&H)"), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    item(playMenu, loopSelectionAction, "選択範囲をループ再生", QStringLiteral("選択範囲をループ再生(&L)"),
         QKeySequence(Qt::CTRL | Qt::Key_F5));
    item(playMenu, stopAction, "停止", QStringLiteral("停止(&S)"), QKeySequence(Qt::Key_F6));

    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    connect(textEdit, &QPlainTextEdit::undoAvailable, undoAction, &QAction::setEnabled);
    connect(textEdit, &QPlainTextEdit::redoAvailable, redoAction, &QAction::setEnabled);
    connect(newAction, &QAction::triggered, this, &HmmlEditorWindow::newFile);
    connect(openAction, &QAction::triggered, this, &HmmlEditorWindow::open);
    connect(saveAction, &QAction::triggered, this, &HmmlEditorWindow::save);
    connect(saveAsAction, &QAction::triggered, this, &HmmlEditorWindow::saveAs);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    connect(undoAction, &QAction::triggered, textEdit, &QPlainTextEdit::undo);
    connect(redoAction, &QAction::triggered, textEdit, &QPlainTextEdit::redo);
    connect(findAction, &QAction::triggered, this, &HmmlEditorWindow::showFind);
    connect(findNextAction, &QAction::triggered, this, [this] { findNext(false); });
    connect(findPreviousAction, &QAction::triggered, this, [this] { findNext(true); });
    connect(playAction, &QAction::triggered, this, &HmmlEditorWindow::play);
    connect(playFromCursorAction, &QAction::triggered, this, &HmmlEditorWindow::playFromCursor);
    connect(loopSelectionAction, &QAction::triggered, this, &HmmlEditorWindow::loopSelection);
    connect(stopAction, &QAction::triggered, this, &HmmlEditorWindow::stop);
    connect(noteViewAction, &QAction::toggled, noteView, &QWidget::setVisible);
    connect(fitAllAction, &QAction::triggered, noteView, &NoteView::fitAll);
    connect(zoomInAction, &QAction::triggered, noteView, &NoteView::zoomIn);
    connect(zoomOutAction, &QAction::triggered, noteView, &NoteView::zoomOut);
}

bool HmmlEditorWindow::isModified() const
{
    return textEdit->document()->isModified();
}

void HmmlEditorWindow::play()
{
    showError(m_session.play());
}

void HmmlEditorWindow::playFromCursor()
{
    showError(m_session.playFromLine(textEdit->cursorLine()));
}

void HmmlEditorWindow::stop()
{
    m_session.stop();
}

std::pair<int, int> HmmlEditorWindow::loopedLines() const
{
    const QTextCursor &c = m_loopCursor.isNull() ? textEdit->textCursor() : m_loopCursor;
    QTextCursor start(textEdit->document()), end(textEdit->document());
    start.setPosition(c.selectionStart());
    end.setPosition(c.selectionEnd());
    int last = end.blockNumber() + 1;
    // A selection of whole lines ends at the start of the line after them.
    if (c.hasSelection() && end.positionInBlock() == 0 && last > start.blockNumber() + 1)
        --last;
    return {start.blockNumber() + 1, last};
}

void HmmlEditorWindow::loopSelection()
{
    m_loopCursor = textEdit->textCursor();
    showError(m_session.loopLines([this] { return loopedLines(); }));
}

void HmmlEditorWindow::showContextMenu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu(textEdit->createStandardContextMenu(pos));
    menu->addSeparator();
    for (QAction *a : {playAction, playFromCursorAction, loopSelectionAction, stopAction})
        menu->addAction(a);
    menu->exec(textEdit->viewport()->mapToGlobal(pos));
}

void HmmlEditorWindow::showVoice()
{
    const std::optional<Machine> machine = m_session.soundingMachine();
    std::vector<int> offTune;
    if (machine) {
        const voice::PitchCents cents = voice::pitchCents(*machine, m_session.voiceProgram());
        noteView->setCents(cents);
        if (const std::shared_ptr<const notes::SongNotes> &notes = noteView->notes()) {
            for (const notes::Note &n : notes->all())
                if (n.line > 0 && cents.marked(n.code) && (offTune.empty() || offTune.back() != n.line))
                    offTune.push_back(n.line);
            std::sort(offTune.begin(), offTune.end());
            offTune.erase(std::unique(offTune.begin(), offTune.end()), offTune.end());
        }
    } else {
        noteView->clearCents();
    }
    textEdit->setOffTuneLines(std::move(offTune));
}

QString HmmlEditorWindow::pitchToolTip(int line) const
{
    const std::shared_ptr<const notes::SongNotes> &notes = noteView->notes();
    if (!notes)
        return QString();
    for (const qint32 index : notes->notesOfLine(line)) {
        const int code = (*notes)[index].code;
        if (code < omp::CodePitchFirst)
            continue;
        // The chosen machine's voice, or both machines' BEEP programs.
        std::vector<std::pair<Machine, voice::Program>> shown;
        if (const std::optional<Machine> machine = m_session.soundingMachine())
            shown.push_back({*machine, m_session.voiceProgram()});
        else
            for (const Machine m : machines::All)
                shown.push_back({m, voice::Program::Beep});
        QStringList tips{QStringLiteral("%1 (平均律 %2 Hz)").arg(hmml::pitchName(code)).arg(voice::equalTemperedHz(code), 0, 'f', 1)};
        for (const auto &[machine, program] : shown) {
            const QString omp = QStringLiteral("$1:1") + QChar(code);
            const voice::TuningTable table = voice::tuningTable(omp, machine, program);
            const QString name = machines::modelName(machine)
                                 + (program == voice::Program::Omp ? QStringLiteral(" (OMP プレーヤー)") : QString());
            if (table.rows.empty()) {
                tips << QStringLiteral("%1: 鳴りません").arg(name);
                continue;
            }
            const voice::TuningRow &row = table.rows.front();
            tips << QStringLiteral("%1: トーン %2、%3 Hz、%4%5 セント%6")
                        .arg(name)
                        .arg(row.tone)
                        .arg(row.hz, 0, 'f', 1)
                        .arg(row.cents >= 0 ? QStringLiteral("+") : QString())
                        .arg(row.cents, 0, 'f', 1)
                        .arg(std::fabs(row.cents) > voice::PitchCents::MarkedAbove ? QStringLiteral(" (ずれが大きい音)") : QString());
        }
        return tips.join(u'\n');
    }
    return QString();
}

void HmmlEditorWindow::showError(const SessionMessage &message)
{
    if (message.hasMessage())
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, message.title, message.text);
}

void HmmlEditorWindow::setPath(const QString &path)
{
    m_path = path;
    m_session.setEditorFile(path);
    updateCaption();
}

void HmmlEditorWindow::updateCaption()
{
    const QString name = m_path.isEmpty() ? QStringLiteral("無題") : QFileInfo(m_path).fileName();
    setWindowTitle(name + QStringLiteral("[*] - ") + Caption);
}

void HmmlEditorWindow::showNews(const QString &text)
{
    newsLabel->setText(text);
}

void HmmlEditorWindow::setDocument(const HmmlDocument &document, const QString &path, bool unsaved)
{
    m_format = document;
    setPath(path);
    m_loading = true;
    m_unsaved = unsaved;
    m_lineAfterLoad = 0;
    textEdit->setErrorLine(0);
    // A long text goes in by stretches; it is compiled once it is all in.
    textEdit->loadText(document.text);
    updateCaption();
}

void HmmlEditorWindow::documentLoaded()
{
    if (!m_loading)
        return; // a paste
    m_loading = false;
    textEdit->document()->setModified(m_unsaved);
    setWindowModified(m_unsaved);
    if (const int line = std::exchange(m_lineAfterLoad, 0); line > 0)
        textEdit->goToLine(std::min(line, textEdit->blockCount()));
    m_compiler->compileNow();
}

void HmmlEditorWindow::newDocument(const QString &text, bool unsaved)
{
    HmmlDocument document;
    document.text = text;
    document.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setDocument(document, QString(), unsaved);
}

namespace {

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// The file's text and the digest of its bytes.
HmmlDocument readDocument(const QString &path, QByteArray &bytesDigest)
{
    const ReadFile::Result read = ReadFile::readAll(path);
    if (!read.ok()) {
        HmmlDocument document;
        document.error = read.error;
        return document;
    }
    bytesDigest = digest(read.bytes);
    return decodeHmmlDocument(read.bytes, ReadFile::displayName(path));
}

} // namespace

bool HmmlEditorWindow::openFile(const QString &path)
{
    QString error = ReadFile::regularFileError(path);
    HmmlDocument document;
    QByteArray read;
    if (error.isEmpty()) {
        document = readDocument(path, read);
        error = document.error;
    }
    if (!error.isEmpty()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle, error);
        return false;
    }
    setDocument(document, path, false);
    m_diskDigest = read;
    showNews(QStringLiteral("%1 を開きました。").arg(QFileInfo(path).fileName()));
    m_session.setSongFile(path);
    emit fileOpened(path);
    return true;
}

bool HmmlEditorWindow::reloadFromDisk()
{
    if (m_path.isEmpty())
        return false;
    textEdit->finishLoading();
    if (isModified()) {
        showNews(QStringLiteral("ほかのプログラムがファイルを保存しました。このエディタの変更が未保存のため、読み込み直していません。"));
        return false;
    }
    QByteArray read;
    const HmmlDocument document = readDocument(m_path, read);
    if (!document.ok()) {
        showNews(document.error);
        return false;
    }
    m_diskDigest = read;
    if (document.text == textEdit->toPlainText())
        return false;
    // One edit, so that the text before the reload is an undo away; the
    // cursor back on its line once the text is in.
    m_lineAfterLoad = textEdit->cursorLine();
    m_format = document;
    m_loading = true;
    m_unsaved = false;
    QTextCursor all(textEdit->document());
    all.select(QTextCursor::Document);
    textEdit->setTextCursor(all);
    textEdit->insertText(document.text);
    showNews(QStringLiteral("ほかのプログラムが保存した内容を読み込みました。"));
    return true;
}

void HmmlEditorWindow::showCompiled(const HmmlConversion &conversion, const std::shared_ptr<const notes::SongNotes> &notes)
{
    m_status = conversion.status;
    noteView->showConversion(conversion, notes);
    if (conversion.ok())
        m_lastSource = conversion.song.hmmlSource;
    showVoice();
    if (conversion.ok()) {
        textEdit->setErrorLine(0);
        errorButton->hide();
    } else {
        textEdit->setErrorLine(conversion.status.line);
        errorButton->setText(conversion.status.line > 0
                              ? QStringLiteral("%1行目: %2").arg(conversion.status.line).arg(conversion.status.message)
                              : QStringLiteral("エラー: %1").arg(conversion.status.message));
        errorButton->show();
    }
    m_session.showLiveConversion(conversion, m_path);
}

void HmmlEditorWindow::goToError()
{
    if (m_status.line > 0)
        textEdit->goToLine(m_status.line);
}

bool HmmlEditorWindow::maybeSave()
{
    textEdit->finishLoading();
    if (!isModified())
        return true;
    const MessageBoxes::Answer answer =
        m_messages.show(this, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoCancel, MessageTitle,
                        QStringLiteral("H-MMLエディタの内容は保存されていません。保存しますか?"));
    if (answer == MessageBoxes::Answer::Yes)
        return save();
    return answer == MessageBoxes::Answer::No;
}

void HmmlEditorWindow::newFile()
{
    if (maybeSave())
        newDocument(QString(), false);
}

void HmmlEditorWindow::open()
{
    if (!maybeSave())
        return;
    openDialog.fileName = m_path;
    if (openDialog.showOpen(m_dialogs, this))
        openFile(openDialog.fileName);
}

bool HmmlEditorWindow::save()
{
    if (m_path.isEmpty())
        return saveAs();
    // Another program's save since this text was read would be lost
    // without a word: asked first. A file that has gone is simply written,
    // and a device or pipe saved into is not read back (it would wait).
    if (ReadFile::regularFileError(m_path).isEmpty()) {
        const ReadFile::Result now = ReadFile::readAll(m_path);
        if (now.ok() && digest(now.bytes) != m_diskDigest
            && m_messages.show(this, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNo, MessageTitle,
                               QStringLiteral("%1 はこのエディタで開いた後にほかのプログラムが変更しています。"
                                              "上書きしますか?")
                                   .arg(QFileInfo(m_path).fileName()))
                   != MessageBoxes::Answer::Yes)
            return false;
    }
    return writeTo(m_path);
}

bool HmmlEditorWindow::saveAs()
{
    saveAsDialog.fileName = m_path;
    if (!saveAsDialog.showSave(m_dialogs, this) || !confirmOverwrite(m_messages, this, saveAsDialog.fileName))
        return false;
    if (!writeTo(saveAsDialog.fileName))
        return false;
    setPath(saveAsDialog.fileName);
    m_session.setSongFile(m_path);
    emit fileOpened(m_path);
    return true;
}

bool HmmlEditorWindow::writeTo(const QString &path)
{
    textEdit->finishLoading();
    QString error;
    const QByteArray bytes = encodeHmmlDocument(textEdit->toPlainText(), m_format, error);
    if (error.isEmpty())
        error = SaveFile::writeAll(path, bytes);
    if (!error.isEmpty()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("H-MMLファイルを保存できませんでした。\r\n\r\n") + error);
        return false;
    }
    m_diskDigest = digest(bytes);
    textEdit->document()->setModified(false);
    showNews(QStringLiteral("%1 に保存しました。").arg(QFileInfo(path).fileName()));
    return true;
}

void HmmlEditorWindow::showFind()
{
    findBar->show();
    findEdit->setFocus();
    findEdit->selectAll();
}

bool HmmlEditorWindow::findNext(bool backward)
{
    textEdit->finishLoading();
    const QString what = findEdit->text();
    if (what.isEmpty()) {
        showFind();
        return false;
    }
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (textEdit->find(what, flags))
        return true;
    // From the other end once round.
    const QTextCursor kept = textEdit->textCursor();
    textEdit->moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (textEdit->find(what, flags))
        return true;
    textEdit->setTextCursor(kept);
    showNews(QStringLiteral("「%1」は見つかりません。").arg(what));
    return false;
}

void HmmlEditorWindow::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
}
