// The BASIC commands and the output window they fill, and the OMP list
// command: one output window for the run, replaced by every run, saved as
// CP932 with a closing line break.

#include "window_fixture.h"

#include "core/formats/basic_generator.h"
#include "core/formats/omp_list.h"
#include "app/app_info.h"
#include "app/form3.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString E500Program = QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10");
const QString G800Program = QStringLiteral("10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10");

class ExportCommandsTest : public WindowTest {
protected:
    Form3 &e500Shown()
    {
        Form1 &f = started();
        f.Text1->setPlainText(QStringLiteral("$2:4M*"));
        f.E500BASIC変換->trigger();
        EXPECT_NE(f.outputWindow(), nullptr);
        return *f.outputWindow();
    }
};

TEST_F(ExportCommandsTest, EachRunFillsTheOneOutputWindow)
{
    Form3 &out = e500Shown();
    EXPECT_TRUE(out.isVisible() && !out.isModal());
    EXPECT_EQ(out.windowTitle(), u"PC-E500シリーズ用BASIC変換結果");
    EXPECT_EQ(out.text(), E500Program);
    EXPECT_TRUE(started().isEnabled()) << "the main window stays usable";
    // The second run fills the same window, where the user left it.
    out.move(out.pos() + QPoint(37, 21));
    const QPoint placed = out.pos();
    out.Text1->appendPlainText(QStringLiteral("edited"));
    started().G800BASIC変換->trigger();
    EXPECT_EQ(started().outputWindow(), &out);
    EXPECT_EQ(out.windowTitle(), u"PC-G800シリーズ用BASIC変換結果");
    EXPECT_EQ(out.text(), G800Program);
    EXPECT_EQ(out.pos(), placed);

    // Closed, it is gone; a run right after closing loads a new one.
    out.Command2->click();
    started().Text1->clear();
    started().G800BASIC変換->trigger();
    flushDeletes();
    ASSERT_NE(started().outputWindow(), nullptr);
    EXPECT_TRUE(started().outputWindow()->isVisible());
    EXPECT_EQ(started().outputWindow()->text(), u"10 CLS\r\n20 GOTO 10");
    EXPECT_TRUE(started().outputWindow()->CD1.FileName.isEmpty()) << "a new window, with a dialog of its own";

    // A failed run shows its message and no window.
    started().outputWindow()->close();
    flushDeletes();
    started().Text1->setPlainText(QStringLiteral("$2:4") + QString(6526, u'M'));
    started().E500BASIC変換->trigger();
    EXPECT_EQ(started().outputWindow(), nullptr);
    EXPECT_TRUE(lastMessage().contains(u"65279")) << str(lastMessage());
}

TEST_F(ExportCommandsTest, SaveWritesTheEditedTextAndAsksBeforeReplacing)
{
    Form3 &out = e500Shown();
    out.Text1->appendPlainText(QStringLiteral("50 REM 春の歌"));
    dialogs.chooseNext(path("program"));
    out.Command1->click();
    EXPECT_TRUE(messages.shown.empty()) << "a new file needs no question";
    EXPECT_EQ(read("program"), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));

    out.Text1->setPlainText(QStringLiteral("changed"));
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("program"));
    out.Command1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, u"そのファイルは既に存在します。上書きしますか?");
    EXPECT_EQ(dialogs.shown[1].initialPath, path("program"));
    EXPECT_EQ(read("program"), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));
    dialogs.chooseNext(path("program"));
    out.Command1->click();
    EXPECT_EQ(read("program"), "changed\r\n");
    out.Text1->clear();
    dialogs.chooseNext(path("empty.txt"));
    out.Command1->click();
    EXPECT_EQ(read("empty.txt"), "\r\n");
    dialogs.cancelNext();
    out.Command1->click();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ExportCommandsTest, OmpListCommand)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4MQ8T"));
    f.Text2->setText(QStringLiteral("春の歌"));
    dialogs.chooseNext(path("list"));
    f.名前を付けて保存->trigger();
    EXPECT_EQ(read("list"), omplist::bytes(QStringLiteral("春の歌"), QStringLiteral("$2:4MQ8T")).bytes);

    // An empty title becomes "Non titled." in the box, but only for a file
    // that is written: not after cancel or No.
    f.Text2->clear();
    dialogs.cancelNext();
    f.名前を付けて保存->trigger();
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("list"));
    f.名前を付けて保存->trigger();
    EXPECT_TRUE(f.Text2->text().isEmpty());
    EXPECT_TRUE(read("list").contains(sjis(QStringLiteral("春の歌"))));
    dialogs.chooseNext(path("list"));
    f.名前を付けて保存->trigger();
    EXPECT_EQ(f.Text2->text(), omplist::UntitledTitle);
    EXPECT_TRUE(read("list").startsWith("OMP DATA  Title:Non titled.\r\n[$2:4MQ8T]\r\n"));
    // A failure is told and leaves the old file whole.
    f.Text2->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path("list"));
    f.名前を付けて保存->trigger();
    EXPECT_TRUE(lastMessage().startsWith(u"OMPリストを保存できませんでした。") && lastMessage().contains(u"é"));
    EXPECT_TRUE(read("list").startsWith("OMP DATA  Title:Non titled."));
}

} // namespace
