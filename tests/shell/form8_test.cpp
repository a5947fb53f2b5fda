// The send window, driven offscreen against a pretend machine on a
// pseudo-terminal: opened from the output window and from the main window,
// the steps for each machine, refusals before the port opens, Cancel, and
// the settings it keeps.

#include "window_fixture.h"

#include "export/omp_list.h"
#include "shell/form3.h"
#include "shell/form8.h"
#include "support/pretend_machine.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

namespace {

using testsupport::PretendMachine;

class SendWindowTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(machine.ok());
    }
    // The main window with «$2:4M*».
    Form1 &withSong()
    {
        Form1 &f = started();
        f.Text1->setPlainText(QStringLiteral("$2:4M*"));
        return f;
    }
    Form8 &fromMenu()
    {
        withSong().ポケコンへ送信->trigger();
        EXPECT_NE(started().sendWindow(), nullptr);
        return *started().sendWindow();
    }
    // Sends to the pretend machine with Xon/Xoff (no pauses) and waits for the end.
    void sendAll(Form8 &w)
    {
        w.Combo3->setEditText(machine.device());
        w.Combo8->setCurrentIndex(1);
        w.Command1->click();
        EXPECT_TRUE(machine.runUntil([&] { return !w.isSending(); }));
    }

    PretendMachine machine;
};

TEST_F(SendWindowTest, TheOutputWindowSendsItsTextAsTheUserEditedIt)
{
    Form1 &f = withSong();
    f.E500BASIC変換->trigger();
    Form3 &out = *f.outputWindow();
    EXPECT_EQ(out.Command3->text(), QStringLiteral("ポケコンへ送信"));
    out.Text1->appendPlainText(QStringLiteral("50 REM EDITED"));
    out.Command3->click();
    ASSERT_NE(f.sendWindow(), nullptr);
    Form8 &w = *f.sendWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Combo2->isEnabled()) << "the output window's text is what goes";
    sendAll(w);
    EXPECT_EQ(machine.received(), QByteArray("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n"
                                             "40 GOTO 10\r\n50 REM EDITED\r\n\x1a"));
    EXPECT_EQ(w.ProgressBar1->value(), w.ProgressBar1->maximum());
    EXPECT_TRUE(w.Label1->text().contains(QStringLiteral("5 行"))) << w.Label1->text().toStdString();
    EXPECT_TRUE(messages.shown.empty());
    // What the user chose there is the settings from now on.
    EXPECT_EQ(f.settings().PortDevice, machine.device());
    EXPECT_EQ(f.settings().FlowIndex, 1);
}

TEST_F(SendWindowTest, TheMainWindowSendsTheChosenProgramForTheChosenMachine)
{
    const struct {
        int machine, kind;
        QByteArray bytes;
    } cases[] = {
        {0, 0, "10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n\x1a"},
        {1, 0, "10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10\r\n\x1a"},
        {1, 1, omplist::playerLines(omplist::Player::G800, "$2:4M*").join("\r\n").toLatin1() + "\r\n\x1a"},
    };
    for (const auto &c : cases) {
        PretendMachine pty;
        Form8 &w = fromMenu();
        w.Combo1->setCurrentIndex(c.machine);
        w.Combo2->setCurrentIndex(c.kind);
        w.Combo3->setEditText(pty.device());
        w.Combo8->setCurrentIndex(0); // RS/CS: no pauses
        w.Command1->click();
        ASSERT_TRUE(pty.runUntil([&] { return !w.isSending() && pty.received().endsWith('\x1a'); }));
        EXPECT_EQ(pty.received(), c.bytes) << c.machine << c.kind;
        w.close();
        flushDeletes();
    }
}

TEST_F(SendWindowTest, AProgramTheMachineCannotTakeIsRefusedBeforeThePortOpens)
{
    const struct {
        QString omp;
        int kind;
        const char16_t *says;
    } cases[] = {
        {QString(), 0, u"OMPデータがロードされていません"},
        {QString(300, u'M'), 1, u"OMP プレーヤーに入る 234 文字を超えています"},
    };
    for (const auto &c : cases) {
        messages.shown.clear();
        started().Text1->setPlainText(c.omp);
        started().ポケコンへ送信->trigger();
        Form8 &w = *started().sendWindow();
        w.Combo2->setCurrentIndex(c.kind);
        w.Combo3->setEditText(machine.device());
        w.Command1->click();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
        EXPECT_TRUE(lastMessage().contains(QString::fromUtf16(c.says))) << lastMessage().toStdString();
        EXPECT_FALSE(w.isSending());
    }
    // An edited line that is not ASCII names the line.
    started().Text1->setPlainText(QStringLiteral("$2:4M*"));
    started().E500BASIC変換->trigger();
    started().outputWindow()->Text1->appendPlainText(QStringLiteral("50 REM 春"));
    started().outputWindow()->Command3->click();
    Form8 &w = *started().sendWindow();
    w.Combo3->setEditText(machine.device());
    w.Command1->click();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("5行目「50 REM 春」に ASCII 以外の文字「春」"))) << lastMessage().toStdString();
    machine.runUntil([] { return false; }, 50);
    EXPECT_TRUE(machine.received().isEmpty());
}

TEST_F(SendWindowTest, TheStepsFollowTheMachineAndTheSettings)
{
    Form8 &w = fromMenu();
    const struct {
        int machine, baud, flow;
        const char *shows;
    } cases[] = {
        {0, 5, 1, "OPEN \"9600,N,8,1,A,L,&H1A,X,N\":CLOSE"},
        {0, 2, 2, "OPEN \"1200,N,8,1,A,L,&H1A,N,N\":CLOSE"},
        {0, 5, 2, "LOAD \"COM:\""},
        {1, 4, 1, "baud rate: 4800"},
        {1, 4, 0, "flow: RS/CS"},
        {1, 4, 0, "Sio → Load"},
    };
    for (const auto &c : cases) {
        w.Combo1->setCurrentIndex(c.machine);
        w.Combo4->setCurrentIndex(c.baud);
        w.Combo8->setCurrentIndex(c.flow);
        EXPECT_TRUE(w.Text1->toPlainText().contains(QString::fromUtf8(c.shows))) << c.shows;
    }
}

TEST_F(SendWindowTest, CancelStopsTheSendAndSaysHowManyLinesWent)
{
    Form8 &w = fromMenu();
    w.Combo3->setEditText(machine.device());
    w.Combo8->setCurrentIndex(2); // none: paced
    w.Delay1->setValue(40);
    w.Command1->click();
    ASSERT_TRUE(w.isSending());
    EXPECT_FALSE(w.Command1->isEnabled());
    EXPECT_FALSE(w.Frame2->isEnabled()) << "the settings stay as they are while sending";
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    EXPECT_TRUE(w.Label1->text().contains(QStringLiteral("1 / 4 行"))) << w.Label1->text().toStdString();
    w.Command2->click();
    EXPECT_FALSE(w.isSending());
    EXPECT_TRUE(w.Command1->isEnabled());
    EXPECT_EQ(w.Label1->text(), QStringLiteral("キャンセルしました。4 行のうち 1 行を送りました。"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(started().settings().CharDelay, 40);
}

TEST_F(SendWindowTest, APortThatCannotOpenIsToldAndNothingChangesButTheSettings)
{
    Form8 &w = fromMenu();
    w.Combo3->setEditText(QStringLiteral("/dev/ttyNoSuchPort3"));
    w.Command1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("/dev/ttyNoSuchPort3 が見つかりません"))) << lastMessage().toStdString();
    EXPECT_FALSE(w.isSending());
    EXPECT_TRUE(w.Command1->isEnabled());
}

TEST_F(SendWindowTest, TheWindowOpensWithTheStoredSettings)
{
    Form1 &f = started();
    AppSettings &s = f.settings();
    s.BaudIndex = 2;
    s.DataBitsIndex = 0;
    s.StopBitsIndex = 1;
    s.ParityIndex = 2;
    s.FlowIndex = 0;
    s.PortIndex = 3;
    s.CharDelay = 25;
    s.LineDelay = -1;
    f.ポケコンへ送信->trigger();
    Form8 &w = *f.sendWindow();
    EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("/dev/ttyS3")) << "COM4 on this system";
    EXPECT_EQ(w.Combo4->currentText(), QStringLiteral("1200 bps"));
    EXPECT_EQ(w.Combo5->currentText(), QStringLiteral("7 bit"));
    EXPECT_EQ(w.Combo6->currentText(), QStringLiteral("2 bit"));
    EXPECT_EQ(w.Combo7->currentText(), QStringLiteral("odd"));
    EXPECT_EQ(w.Combo8->currentText(), QStringLiteral("RS/CS"));
    EXPECT_EQ(w.Delay1->text(), QStringLiteral("25 ms"));
    EXPECT_EQ(w.Delay2->text(), QStringLiteral("自動"));
    // Closing keeps them; the COM port shown unchanged names no device.
    w.Delay2->setValue(100);
    w.close();
    EXPECT_EQ(f.settings().LineDelay, 100);
    EXPECT_EQ(f.settings().PortDevice, QString());
    EXPECT_EQ(f.settings().PortIndex, 3);
}

} // namespace
