// The BASIC commands and the output window they fill, and the OMP list
// command: one output window for the run, replaced by every run, saved as
// CP932 with a closing line break.

#include "window_fixture.h"

#include "core/formats/basic_generator.h"
#include "core/formats/omp_list.h"
#include "app/app_info.h"
#include "app/output_window.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString E500Program = QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10");
const QString G800Program = QStringLiteral("10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10");

class ExportCommandsTest : public WindowTest {
protected:
    OutputWindow &e500Shown()
    {
        MainWindow &f = started();
        f.ompEdit->setPlainText(QStringLiteral("$2:4M*"));
        f.e500BasicAction->trigger();
        EXPECT_NE(f.outputWindow(), nullptr);
        return *f.outputWindow();
    }
};

TEST_F(ExportCommandsTest, EachRunFillsTheOneOutputWindow)
{
    OutputWindow &out = e500Shown();
    EXPECT_TRUE(out.isVisible() && !out.isModal());
    EXPECT_EQ(out.windowTitle(), u"PC-E500シリーズ用BASIC変換結果");
    EXPECT_EQ(out.text(), E500Program);
    EXPECT_TRUE(started().isEnabled()) << "the main window stays usable";
    // The second run fills the same window, where the user left it.
    out.move(out.pos() + QPoint(37, 21));
    const QPoint placed = out.pos();
    out.programText->appendPlainText(QStringLiteral("edited"));
    started().g800BasicAction->trigger();
    EXPECT_EQ(started().outputWindow(), &out);
    EXPECT_EQ(out.windowTitle(), u"PC-G800シリーズ用BASIC変換結果");
    EXPECT_EQ(out.text(), G800Program);
    EXPECT_EQ(out.pos(), placed);

    // Closed, it is gone; a run right after closing loads a new one.
    out.closeButton->click();
    started().ompEdit->clear();
    started().g800BasicAction->trigger();
    flushDeletes();
    ASSERT_NE(started().outputWindow(), nullptr);
    EXPECT_TRUE(started().outputWindow()->isVisible());
    EXPECT_EQ(started().outputWindow()->text(), u"10 CLS\r\n20 GOTO 10");
    EXPECT_TRUE(started().outputWindow()->saveDialog.fileName.isEmpty()) << "a new window, with a dialog of its own";

    // A failed run shows its message and no window.
    started().outputWindow()->close();
    flushDeletes();
    started().ompEdit->setPlainText(QStringLiteral("$2:4") + QString(6526, u'M'));
    started().e500BasicAction->trigger();
    EXPECT_EQ(started().outputWindow(), nullptr);
    EXPECT_TRUE(lastMessage().contains(u"65279")) << str(lastMessage());
}

TEST_F(ExportCommandsTest, SaveWritesTheEditedTextAndAsksBeforeReplacing)
{
    OutputWindow &out = e500Shown();
    out.programText->appendPlainText(QStringLiteral("50 REM 春の歌"));
    dialogs.chooseNext(path("program"));
    out.saveButton->click();
    EXPECT_TRUE(messages.shown.empty()) << "a new file needs no question";
    EXPECT_EQ(read("program"), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));

    out.programText->setPlainText(QStringLiteral("changed"));
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("program"));
    out.saveButton->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, u"そのファイルは既に存在します。上書きしますか?");
    EXPECT_EQ(dialogs.shown[1].initialPath, path("program"));
    EXPECT_EQ(read("program"), sjis(E500Program + QStringLiteral("\r\n50 REM 春の歌\r\n")));
    dialogs.chooseNext(path("program"));
    out.saveButton->click();
    EXPECT_EQ(read("program"), "changed\r\n");
    out.programText->clear();
    dialogs.chooseNext(path("empty.txt"));
    out.saveButton->click();
    EXPECT_EQ(read("empty.txt"), "\r\n");
    dialogs.cancelNext();
    out.saveButton->click();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(ExportCommandsTest, OmpListCommand)
{
    MainWindow &f = started();
    f.ompEdit->setPlainText(QStringLiteral("$2:4MQ8T"));
    f.titleEdit->setText(QStringLiteral("春の歌"));
    dialogs.chooseNext(path("list"));
    f.exportOmpListAction->trigger();
    EXPECT_EQ(read("list"), omplist::bytes(QStringLiteral("春の歌"), QStringLiteral("$2:4MQ8T")).bytes);

    // An empty title becomes "Non titled." in the box, but only for a file
    // that is written: not after cancel or No.
    f.titleEdit->clear();
    dialogs.cancelNext();
    f.exportOmpListAction->trigger();
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("list"));
    f.exportOmpListAction->trigger();
    EXPECT_TRUE(f.titleEdit->text().isEmpty());
    EXPECT_TRUE(read("list").contains(sjis(QStringLiteral("春の歌"))));
    dialogs.chooseNext(path("list"));
    f.exportOmpListAction->trigger();
    EXPECT_EQ(f.titleEdit->text(), omplist::UntitledTitle);
    EXPECT_TRUE(read("list").startsWith("OMP DATA  Title:Non titled.\r\n[$2:4MQ8T]\r\n"));
    // A failure is told and leaves the old file whole.
    f.titleEdit->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path("list"));
    f.exportOmpListAction->trigger();
    EXPECT_TRUE(lastMessage().startsWith(u"OMPリストを保存できませんでした。") && lastMessage().contains(u"é"));
    EXPECT_TRUE(read("list").startsWith("OMP DATA  Title:Non titled."));
}

} // namespace
