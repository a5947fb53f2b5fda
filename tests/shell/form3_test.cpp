// The BASIC commands and the output window they fill: one window for the
// run, its text replaced by every run, saved as CP932 with a closing line
// break.

#include "window_fixture.h"

#include "export/basic_generator.h"
#include "shell/app_info.h"
#include "shell/form3.h"

#include <QAction>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString E500Caption = QStringLiteral("PC-E500シリーズ用BASIC変換結果");
const QString G800Caption = QStringLiteral("PC-G800シリーズ用BASIC変換結果");
const QString E500Program = QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10");
const QString G800Program = QStringLiteral("10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10");

class OutputWindowTest : public WindowTest {
protected:
    // The main window with «$2:4M*» and its E500 program in the output window.
    Form3 &e500Shown()
    {
        Form1 &f = started();
        f.Text1->setPlainText(QStringLiteral("$2:4M*"));
        f.E500BASIC変換->trigger();
        EXPECT_NE(f.outputWindow(), nullptr);
        return *f.outputWindow();
    }
};

TEST_F(OutputWindowTest, EachMachineShowsItsProgramUnderItsCaption)
{
    Form3 &out = e500Shown();
    EXPECT_TRUE(out.isVisible());
    EXPECT_FALSE(out.isModal());
    EXPECT_EQ(out.windowTitle(), E500Caption);
    EXPECT_EQ(out.text(), E500Program);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(started().isEnabled()) << "the main window stays usable";

    // The second run fills the same window, where the user left it; what
    // was typed into the old text is gone.
    out.move(out.pos() + QPoint(37, 21));
    const QPoint placed = out.pos();
    out.Text1->appendPlainText(QStringLiteral("edited"));
    started().G800BASIC変換->trigger();
    EXPECT_EQ(started().outputWindow(), &out);
    EXPECT_EQ(out.windowTitle(), G800Caption);
    EXPECT_EQ(out.text(), G800Program);
    EXPECT_EQ(out.pos(), placed);
}

TEST_F(OutputWindowTest, AnEmptyOmpBoxGivesTheTwoLineProgram)
{
    Form1 &f = started();
    f.G800BASIC変換->trigger();
    ASSERT_NE(f.outputWindow(), nullptr);
    EXPECT_EQ(f.outputWindow()->text(), QStringLiteral("10 CLS\r\n20 GOTO 10"));
}

TEST_F(OutputWindowTest, TheWindowTakesTheMainWindowsIcon)
{
    Form1 &f = started();
    QPixmap red(16, 16);
    red.fill(Qt::red);
    f.setWindowIcon(QIcon(red));
    f.E500BASIC変換->trigger();
    const QImage shown = f.outputWindow()->windowIcon().pixmap(16, 16).toImage();
    EXPECT_EQ(shown.pixelColor(8, 8), QColor(Qt::red));
}

TEST_F(OutputWindowTest, AFailedRunShowsTheMessageAndNoWindow)
{
    Form1 &f = started();
    BasicProgramResult failed;
    failed.error = QStringLiteral("エラーが発生しました。入力されたデータに誤りがあります");
    f.showBasicResult(BasicMachine::E500, failed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("エラーが発生しました。入力されたデータに誤りがあります"));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(messages.shown[0].title, MessageTitle);
    EXPECT_EQ(f.outputWindow(), nullptr);
}

TEST_F(OutputWindowTest, SaveWritesTheTextAndALineBreakAsCp932)
{
    Form3 &out = e500Shown();
    EXPECT_TRUE(out.Command1->isDefault());
    EXPECT_EQ(out.Command1->text(), QStringLiteral("ファイルに保存"));
    EXPECT_EQ(out.Command2->text(), QStringLiteral("閉じる"));

    // Edited by the user, saved as edited, under exactly the name typed.
    out.Text1->appendPlainText(QStringLiteral("50 REM 春の歌"));
    dialogs.chooseNext(path(QStringLiteral("program")));
    out.Command1->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].mode, FileDialogs::Mode::Save);
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("テキストファイル(*.txt) | *.txt"));
    EXPECT_TRUE(messages.shown.empty()) << "a new file needs no question";
    EXPECT_EQ(read(QStringLiteral("program")), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));

    // The second save to the same name asks; No writes nothing.
    out.Text1->setPlainText(QStringLiteral("changed"));
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path(QStringLiteral("program")));
    out.Command1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("そのファイルは既に存在します。上書きしますか?"));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(dialogs.shown[1].initialPath, path(QStringLiteral("program")));
    EXPECT_EQ(read(QStringLiteral("program")), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));

    messages.answerNext(MessageBoxes::Answer::Yes);
    dialogs.chooseNext(path(QStringLiteral("program")));
    out.Command1->click();
    EXPECT_EQ(read(QStringLiteral("program")), QByteArray("changed\r\n"));

    // Cancelling the dialog does nothing.
    dialogs.cancelNext();
    out.Command1->click();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(OutputWindowTest, AnEmptyTextSavesAsOneLineBreak)
{
    Form3 &out = e500Shown();
    out.Text1->clear();
    dialogs.chooseNext(path(QStringLiteral("empty.txt")));
    out.Command1->click();
    EXPECT_EQ(read(QStringLiteral("empty.txt")), QByteArray("\r\n"));
}

TEST_F(OutputWindowTest, AFileThatCannotBeWrittenIsReportedAndTheOldOneStaysWhole)
{
    Form3 &out = e500Shown();
    write(QStringLiteral("old.txt"), "old program\r\n");

    // A character CP932 cannot hold: named in the message, nothing written.
    out.Text1->appendPlainText(QStringLiteral("60 REM café"));
    dialogs.chooseNext(path(QStringLiteral("old.txt")));
    out.Command1->click();
    ASSERT_EQ(messages.shown.size(), 2u) << "the question, then the failure";
    EXPECT_EQ(messages.shown[1].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.shown[1].text.startsWith(QStringLiteral("ファイルに保存できませんでした。")));
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("é"))) << lastMessage().toStdString();
    EXPECT_EQ(read(QStringLiteral("old.txt")), QByteArray("old program\r\n"));

    // A folder that does not exist.
    out.Text1->setPlainText(QStringLiteral("10 CLS"));
    dialogs.chooseNext(path(QStringLiteral("no such folder/a.txt")));
    out.Command1->click();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_TRUE(lastMessage().contains(path(QStringLiteral("no such folder/a.txt")))) << lastMessage().toStdString();

    // A folder of the chosen name is no file to replace: no question, a message.
    QDir().mkpath(path(QStringLiteral("folder.txt")));
    dialogs.chooseNext(path(QStringLiteral("folder.txt")));
    out.Command1->click();
    ASSERT_EQ(messages.shown.size(), 4u);
    EXPECT_EQ(messages.shown[3].icon, MessageBoxes::Icon::Critical);

    // No partly written file stays behind anywhere.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("old.txt")}));
}

TEST_F(OutputWindowTest, CloseUnloadsTheWindowAndTheNextRunLoadsItAgain)
{
    Form3 &out = e500Shown();
    dialogs.chooseNext(path(QStringLiteral("a.txt")));
    out.Command1->click();
    out.Command2->click();
    EXPECT_FALSE(out.isVisible());
    flushDeletes();
    EXPECT_EQ(started().outputWindow(), nullptr);

    started().E500BASIC変換->trigger();
    Form3 *again = started().outputWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text(), E500Program);
    EXPECT_TRUE(again->CD1.FileName.isEmpty()) << "a new window, with a dialog of its own";
}

TEST_F(OutputWindowTest, ARunRightAfterClosingLoadsANewWindow)
{
    // Closed, and not yet deleted when the next run comes.
    e500Shown().Command2->click();
    started().G800BASIC変換->trigger();
    flushDeletes();
    ASSERT_NE(started().outputWindow(), nullptr);
    EXPECT_TRUE(started().outputWindow()->isVisible());
    EXPECT_EQ(started().outputWindow()->text(), G800Program);
}

} // namespace
