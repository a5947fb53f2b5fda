// "OMPリスト(&O)": the save dialog CD2, the overwrite question, "Non titled."
// for a song without a title, then the file.

#include "window_fixture.h"

#include "export/omp_list.h"
#include "shell/app_info.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using OmpListCommandTest = WindowTest;

TEST_F(OmpListCommandTest, WritesTheListOfTheSong)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4MQ8T"));
    f.Text2->setText(QStringLiteral("春の歌"));
    dialogs.chooseNext(path(QStringLiteral("list")));
    f.名前を付けて保存->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].mode, FileDialogs::Mode::Save);
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("*.txt (Text File) |*.txt"));
    EXPECT_TRUE(messages.shown.empty());
    const QByteArray list = read(QStringLiteral("list"));
    EXPECT_EQ(list, omplist::bytes(QStringLiteral("春の歌"), QStringLiteral("$2:4MQ8T")).bytes)
        << "written under exactly the name typed";
    EXPECT_TRUE(list.startsWith(sjis(QStringLiteral("OMP DATA  Title:春の歌\r\n[$2:4MQ8T]\r\n"))));
    EXPECT_EQ(list.count("\r\n"), 43);
}

TEST_F(OmpListCommandTest, AnEmptyTitleBecomesNonTitledInTheFileAndTheTitleBox)
{
    Form1 &f = started();
    dialogs.chooseNext(path(QStringLiteral("list.txt")));
    f.名前を付けて保存->trigger();
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Non titled."));
    // An empty OMP box is not refused.
    EXPECT_TRUE(read(QStringLiteral("list.txt")).startsWith("OMP DATA  Title:Non titled.\r\n[]\r\n"));
}

TEST_F(OmpListCommandTest, NoAtTheQuestionOrCancelChangesNothing)
{
    Form1 &f = started();
    write(QStringLiteral("list.txt"), "old");
    dialogs.cancelNext();
    f.名前を付けて保存->trigger();
    EXPECT_TRUE(f.Text2->text().isEmpty());

    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path(QStringLiteral("list.txt")));
    f.名前を付けて保存->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("そのファイルは既に存在します。上書きしますか?"));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
    EXPECT_EQ(messages.shown[0].title, MessageTitle);
    EXPECT_TRUE(f.Text2->text().isEmpty()) << "the title box is filled only for a file that is written";
    EXPECT_EQ(read(QStringLiteral("list.txt")), QByteArray("old"));

    messages.answerNext(MessageBoxes::Answer::Yes);
    dialogs.chooseNext(path(QStringLiteral("list.txt")));
    f.名前を付けて保存->trigger();
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Non titled."));
    EXPECT_TRUE(read(QStringLiteral("list.txt")).startsWith("OMP DATA  Title:Non titled.\r\n"));
}

TEST_F(OmpListCommandTest, AListThatCannotBeWrittenIsReportedAndTheOldFileStaysWhole)
{
    Form1 &f = started();
    write(QStringLiteral("list.txt"), "old");
    f.Text2->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path(QStringLiteral("list.txt")));
    f.名前を付けて保存->trigger();
    ASSERT_EQ(messages.shown.size(), 2u) << "the question, then the failure";
    EXPECT_EQ(messages.shown[1].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.shown[1].text.startsWith(QStringLiteral("OMPリストを保存できませんでした。")));
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("é")));
    EXPECT_EQ(read(QStringLiteral("list.txt")), QByteArray("old"));

    f.Text2->setText(QStringLiteral("ok"));
    dialogs.chooseNext(path(QStringLiteral("no such folder/list.txt")));
    f.名前を付けて保存->trigger();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_TRUE(lastMessage().contains(path(QStringLiteral("no such folder/list.txt"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("list.txt")}));
}

} // namespace
