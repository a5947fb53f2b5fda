#include "app/form3.h"

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

Form3::Form3(FileDialogs &dialogs, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent),
      CD1(QStringLiteral("CD1"), QStringLiteral("テキストファイル(*.txt) | *.txt")),
      m_dialogs(dialogs),
      m_messages(messages)
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    // Program lines are read column by column: no wrapping, a fixed pitch.
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setMinimumSize(px(2000), px(2000));

    Command1 = new QPushButton(QStringLiteral("ファイルに保存"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command1->setMinimumSize(px(1335), px(375));
    Command2 = new QPushButton(QStringLiteral("閉じる"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    Command2->setMinimumSize(px(1335), px(375));

    Command3 = new QPushButton(QStringLiteral("ポケコンへ送信"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setAutoDefault(false);
    Command3->setMinimumSize(px(1335), px(375));

    // The text fills the window; the buttons sit below it, a little right
    // of the middle, and stay there when the window is resized.
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(2340);
    buttons->addWidget(Command3);
    buttons->addWidget(Command1);
    buttons->addSpacing(px(3960 - 2340 - 1335));
    buttons->addWidget(Command2);
    buttons->addStretch(5415 - 3960 - 1335);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, px(105));
    layout->setSpacing(px(105));
    layout->addWidget(Text1, 1);
    layout->addLayout(buttons);
    resize(px(5415), px(6375));

    connect(Command1, &QPushButton::clicked, this, &Form3::save);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    connect(Command3, &QPushButton::clicked, this, [this] { emit sendRequested(text()); });
}

void Form3::showText(const QString &caption, const QString &text, const QIcon &icon)
{
    show();
    setWindowTitle(caption);
    Text1->setPlainText(text);
    setWindowIcon(icon);
    raise();
    activateWindow();
}

QString Form3::text() const
{
    // The box keeps its lines apart with "\n" whatever was put in.
    return Text1->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void Form3::save()
{
    if (!CD1.ShowSave(m_dialogs, this))
        return;
    if (!confirmOverwrite(m_messages, this, CD1.FileName))
        return;
    const Cp932::EncodeResult encoded = Cp932::encode(text() + QStringLiteral("\r\n"));
    QString error = encoded.error;
    if (error.isEmpty())
        error = SaveFile::writeAll(CD1.FileName, encoded.bytes);
    // A file that could not be written is reported: the user would otherwise
    // take the program for saved.
    if (!error.isEmpty())
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("ファイルに保存できませんでした。\r\n\r\n") + error);
}

void Form3::closeEvent(QCloseEvent *event)
{
    // Closing unloads the window: its text goes with it.
    event->accept();
}

void Form3::reject()
{
    close();
}
