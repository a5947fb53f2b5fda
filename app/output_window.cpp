#include "app/output_window.h"

#include "core/io/cp932.h"
#include "platform/desktop/message_boxes.h"
#include "core/io/save_file.h"
#include "app/app_info.h"
#include "app/overwrite_question.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

} // namespace

OutputWindow::OutputWindow(FileDialogs &dialogs, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent),
      saveDialog(QStringLiteral("CD1"), QStringLiteral("テキストファイル(*.txt) | *.txt")),
      m_dialogs(dialogs),
      m_messages(messages)
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    programText = new QPlainTextEdit(this);
    programText->setObjectName(QStringLiteral("Text1"));
    // Program lines are read column by column: no wrapping, a fixed pitch.
    programText->setLineWrapMode(QPlainTextEdit::NoWrap);
    programText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    programText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    programText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    programText->setMinimumSize(px(2000), px(2000));

    saveButton = new QPushButton(QStringLiteral("ファイルに保存"), this);
    saveButton->setObjectName(QStringLiteral("Command1"));
    saveButton->setDefault(true);
    saveButton->setMinimumSize(px(1335), px(375));
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton->setObjectName(QStringLiteral("Command2"));
    closeButton->setAutoDefault(false);
    closeButton->setMinimumSize(px(1335), px(375));

    sendButton = new QPushButton(QStringLiteral("ポケコンへ送信"), this);
    sendButton->setObjectName(QStringLiteral("Command3"));
    sendButton->setAutoDefault(false);
    sendButton->setMinimumSize(px(1335), px(375));

    // The text fills the window; the buttons sit below it, a little right
    // of the middle, and stay there when the window is resized.
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(2340);
    buttons->addWidget(sendButton);
    buttons->addWidget(saveButton);
    buttons->addSpacing(px(3960 - 2340 - 1335));
    buttons->addWidget(closeButton);
    buttons->addStretch(5415 - 3960 - 1335);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, px(105));
    layout->setSpacing(px(105));
    layout->addWidget(programText, 1);
    layout->addLayout(buttons);
    resize(px(5415), px(6375));

    connect(saveButton, &QPushButton::clicked, this, &OutputWindow::save);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(sendButton, &QPushButton::clicked, this, [this] { emit sendRequested(text()); });
}

void OutputWindow::showText(const QString &caption, const QString &text, const QIcon &icon)
{
    show();
    setWindowTitle(caption);
    programText->setPlainText(text);
    setWindowIcon(icon);
    raise();
    activateWindow();
}

QString OutputWindow::text() const
{
    // The box keeps its lines apart with "\n" whatever was put in.
    return programText->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void OutputWindow::save()
{
    if (!saveDialog.showSave(m_dialogs, this))
        return;
    if (!confirmOverwrite(m_messages, this, saveDialog.fileName))
        return;
    const Cp932::EncodeResult encoded = Cp932::encode(text() + QStringLiteral("\r\n"));
    QString error = encoded.error;
    if (error.isEmpty())
        error = SaveFile::writeAll(saveDialog.fileName, encoded.bytes);
    // A file that could not be written is reported: the user would otherwise
    // take the program for saved.
    if (!error.isEmpty())
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("ファイルに保存できませんでした。\r\n\r\n") + error);
}

void OutputWindow::closeEvent(QCloseEvent *event)
{
    // Closing unloads the window: its text goes with it.
    event->accept();
}

void OutputWindow::reject()
{
    close();
}
