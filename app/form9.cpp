#include "app/form9.h"

#include "platform/desktop/message_boxes.h"
#include "core/io/read_file.h"
#include "core/io/save_file.h"
#include "app/app_info.h"
#include "app/hmml_edit.h"
#include "app/hmml_highlighter.h"
#include "app/live_compiler.h"
#include "app/overwrite_question.h"

#include <QAction>
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

namespace {

const QString Caption = QStringLiteral("H-MMLエディタ");

} // namespace

Form9::Form9(FileDialogs &dialogs, MessageBoxes &messages, QWidget *parent)
    : QMainWindow(parent),
      CD1(QStringLiteral("CD1"), QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|"
                                               "*.txt(Text File)|*.txt|*.* (All Files)|*.*")),
      CD2(QStringLiteral("CD2"), QStringLiteral("*.hml(Orrin's Music Language)|*.hml|*.* (All Files)|*.*")),
      m_dialogs(dialogs), m_messages(messages)
{
    setObjectName(QStringLiteral("Form9"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildMenus();
    m_compiler = new LiveCompiler([this] { return hmmlText(); }, this);
    connect(m_compiler, &LiveCompiler::compiled, this, &Form9::showCompiled);
    connect(Text1->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!m_loading)
            m_compiler->textEdited();
    });
    connect(Text1->document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
    resize(640, 560);
    updateCaption();
}

Form9::~Form9() = default;

void Form9::buildControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    Text1 = new HmmlEdit(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Picture1 = Text1->gutter();
    Picture1->setObjectName(QStringLiteral("Picture1"));
    new HmmlHighlighter(Text1->document());

    Frame1 = new QFrame(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Text2 = new QLineEdit(Frame1);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setPlaceholderText(QStringLiteral("検索する文字列"));
    Command2 = new QPushButton(QStringLiteral("次を検索"), Frame1);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("前を検索"), Frame1);
    Command3->setObjectName(QStringLiteral("Command3"));
    auto *find = new QHBoxLayout(Frame1);
    find->setContentsMargins(0, 0, 0, 0);
    find->addWidget(new QLabel(QStringLiteral("検索:"), Frame1));
    find->addWidget(Text2, 1);
    find->addWidget(Command2);
    find->addWidget(Command3);
    Frame1->hide();

    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Text1, 1);
    layout->addWidget(Frame1);

    Command1 = new QPushButton(statusBar());
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFlat(true);
    Command1->setStyleSheet(QStringLiteral("color: #d02020; text-align: left;"));
    Command1->setCursor(Qt::PointingHandCursor);
    Command1->setToolTip(QStringLiteral("クリックするとエラーの行へ移動します"));
    Command1->hide();
    Label1 = new QLabel(statusBar());
    Label1->setObjectName(QStringLiteral("Label1"));
    statusBar()->addWidget(Command1, 1);
    statusBar()->addWidget(Label1, 1);

    connect(Command1, &QPushButton::clicked, this, &Form9::goToError);
    connect(Command2, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(Command3, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(Text2, &QLineEdit::returnPressed, this, [this] { findNext(false); });
}

void Form9::buildMenus()
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
    menu(ファイル, "ファイル", QStringLiteral("ファイル(&F)"));
    item(ファイル, 新規作成, "新規作成", QStringLiteral("新規作成(&N)"), QKeySequence::New);
    item(ファイル, 開く, "開く", QStringLiteral("開く(&O)..."), QKeySequence::Open);
    item(ファイル, 上書き保存, "上書き保存", QStringLiteral("上書き保存(&S)"), QKeySequence::Save);
    item(ファイル, 名前を付けて保存, "名前を付けて保存", QStringLiteral("名前を付けて保存(&A)..."), QKeySequence::SaveAs);
    ファイル->addSeparator();
    item(ファイル, 閉じる, "閉じる", QStringLiteral("閉じる(&X)"), QKeySequence::Close);
    menu(編集, "編集", QStringLiteral("編集(&E)"));
    item(編集, 元に戻す, "元に戻す", QStringLiteral("元に戻す(&U)"), QKeySequence::Undo);
    item(編集, やり直し, "やり直し", QStringLiteral("やり直し(&R)"), QKeySequence::Redo);
    編集->addSeparator();
    item(編集, 検索, "検索", QStringLiteral("検索(&F)..."), QKeySequence::Find);
    item(編集, 次を検索, "次を検索", QStringLiteral("次を検索(&N)"), QKeySequence::FindNext);
    item(編集, 前を検索, "前を検索", QStringLiteral("前を検索(&V)"), QKeySequence::FindPrevious);
    menu(演奏, "演奏", QStringLiteral("再生(&P)"));
    item(演奏, 最初から再生, "最初から再生", QStringLiteral("最初から再生(&P)"), QKeySequence(Qt::Key_F5));
    item(演奏, ここから再生, "ここから再生", QStringLiteral("カーソルの行から再生(&H)"), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    item(演奏, 停止, "停止", QStringLiteral("停止(&S)"), QKeySequence(Qt::Key_F6));

    元に戻す->setEnabled(false);
    やり直し->setEnabled(false);
    connect(Text1, &QPlainTextEdit::undoAvailable, 元に戻す, &QAction::setEnabled);
    connect(Text1, &QPlainTextEdit::redoAvailable, やり直し, &QAction::setEnabled);
    connect(新規作成, &QAction::triggered, this, &Form9::newFile);
    connect(開く, &QAction::triggered, this, &Form9::open);
    connect(上書き保存, &QAction::triggered, this, &Form9::save);
    connect(名前を付けて保存, &QAction::triggered, this, &Form9::saveAs);
    connect(閉じる, &QAction::triggered, this, &QWidget::close);
    connect(元に戻す, &QAction::triggered, Text1, &QPlainTextEdit::undo);
    connect(やり直し, &QAction::triggered, Text1, &QPlainTextEdit::redo);
    connect(検索, &QAction::triggered, this, &Form9::showFind);
    connect(次を検索, &QAction::triggered, this, [this] { findNext(false); });
    connect(前を検索, &QAction::triggered, this, [this] { findNext(true); });
    connect(最初から再生, &QAction::triggered, this, &Form9::playRequested);
    connect(ここから再生, &QAction::triggered, this, [this] { emit playFromLineRequested(Text1->cursorLine()); });
    connect(停止, &QAction::triggered, this, &Form9::stopRequested);
}

QString Form9::hmmlText() const
{
    return TextFile::withCrLfLineEnds(Text1->toPlainText());
}

bool Form9::isModified() const
{
    return Text1->document()->isModified();
}

void Form9::setOmpLayout(const QString &separator, qint32 interval)
{
    m_compiler->setOmpLayout(separator, interval);
}

void Form9::setSoundingLine(int line)
{
    Text1->setSoundingLine(line);
}

void Form9::updateCaption()
{
    const QString name = m_path.isEmpty() ? QStringLiteral("無題") : QFileInfo(m_path).fileName();
    setWindowTitle(name + QStringLiteral("[*] - ") + Caption);
}

void Form9::showNews(const QString &text)
{
    Label1->setText(text);
}

void Form9::setDocument(const HmmlDocument &document, const QString &path)
{
    m_format = document;
    m_path = path;
    m_loading = true;
    Text1->setPlainText(document.text);
    m_loading = false;
    Text1->setErrorLine(0);
    updateCaption();
    m_compiler->compileNow();
}

void Form9::newDocument(const QString &text, bool unsaved)
{
    HmmlDocument document;
    document.text = text;
    document.text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setDocument(document, QString());
    Text1->document()->setModified(unsaved);
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

bool Form9::openFile(const QString &path)
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
    setDocument(document, path);
    m_diskDigest = read;
    showNews(QStringLiteral("%1 を開きました。").arg(QFileInfo(path).fileName()));
    emit fileOpened(path);
    return true;
}

bool Form9::reloadFromDisk()
{
    if (m_path.isEmpty())
        return false;
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
    if (document.text == Text1->toPlainText())
        return false;
    // One edit, so that the text before the reload is an undo away.
    const int line = Text1->cursorLine();
    m_format = document;
    QTextCursor all(Text1->document());
    all.select(QTextCursor::Document);
    m_loading = true;
    all.insertText(document.text);
    m_loading = false;
    Text1->document()->setModified(false);
    Text1->goToLine(std::min(line, Text1->blockCount()));
    showNews(QStringLiteral("ほかのプログラムが保存した内容を読み込みました。"));
    m_compiler->compileNow();
    return true;
}

void Form9::showCompiled(const HmmlConversion &conversion)
{
    m_status = conversion.status;
    if (conversion.ok()) {
        Text1->setErrorLine(0);
        Command1->hide();
    } else {
        Text1->setErrorLine(conversion.status.line);
        Command1->setText(conversion.status.line > 0
                              ? QStringLiteral("%1行目: %2").arg(conversion.status.line).arg(conversion.status.message)
                              : QStringLiteral("エラー: %1").arg(conversion.status.message));
        Command1->show();
    }
    emit compiled(conversion);
}

void Form9::goToError()
{
    if (m_status.line > 0)
        Text1->goToLine(m_status.line);
}

bool Form9::maybeSave()
{
    if (!isModified())
        return true;
    const MessageBoxes::Answer answer =
        m_messages.show(this, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNoCancel, MessageTitle,
                        QStringLiteral("H-MMLエディタの内容は保存されていません。保存しますか?"));
    if (answer == MessageBoxes::Answer::Yes)
        return save();
    return answer == MessageBoxes::Answer::No;
}

void Form9::newFile()
{
    if (maybeSave())
        newDocument(QString(), false);
}

void Form9::open()
{
    if (!maybeSave())
        return;
    CD1.FileName = m_path;
    if (CD1.ShowOpen(m_dialogs, this))
        openFile(CD1.FileName);
}

bool Form9::save()
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

bool Form9::saveAs()
{
    CD2.FileName = m_path;
    if (!CD2.ShowSave(m_dialogs, this) || !confirmOverwrite(m_messages, this, CD2.FileName))
        return false;
    if (!writeTo(CD2.FileName))
        return false;
    m_path = CD2.FileName;
    updateCaption();
    emit fileOpened(m_path);
    return true;
}

bool Form9::writeTo(const QString &path)
{
    QString error;
    const QByteArray bytes = encodeHmmlDocument(Text1->toPlainText(), m_format, error);
    if (error.isEmpty())
        error = SaveFile::writeAll(path, bytes);
    if (!error.isEmpty()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("H-MMLファイルを保存できませんでした。\r\n\r\n") + error);
        return false;
    }
    m_diskDigest = digest(bytes);
    Text1->document()->setModified(false);
    showNews(QStringLiteral("%1 に保存しました。").arg(QFileInfo(path).fileName()));
    return true;
}

void Form9::showFind()
{
    Frame1->show();
    Text2->setFocus();
    Text2->selectAll();
}

bool Form9::findNext(bool backward)
{
    const QString what = Text2->text();
    if (what.isEmpty()) {
        showFind();
        return false;
    }
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (Text1->find(what, flags))
        return true;
    // From the other end once round.
    const QTextCursor kept = Text1->textCursor();
    Text1->moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    if (Text1->find(what, flags))
        return true;
    Text1->setTextCursor(kept);
    showNews(QStringLiteral("「%1」は見つかりません。").arg(what));
    return false;
}

void Form9::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
}
