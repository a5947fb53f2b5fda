// The send window, driven offscreen against a pretend machine on a
// pseudo-terminal: opened from the output window and the main window,
// refusals before the port opens, Cancel, and the settings it keeps.

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
    // The send window of the file menu for «$2:4M*», with the settings `s`.
    Form8 &fromMenu(const AppSettings &s = AppSettings())
    {
        started().settings() = s;
        started().Text1->setPlainText(QStringLiteral("$2:4M*"));
        started().ポケコンへ送信->trigger();
        EXPECT_NE(started().sendWindow(), nullptr);
        return *started().sendWindow();
    }
    // Sends to `pty` with RS/CS (no pauses) and waits for the end.
    static void sendAll(Form8 &w, PretendMachine &pty)
    {
        w.Combo3->setEditText(pty.device());
        w.Combo8->setCurrentIndex(0);
        w.Command1->click();
        EXPECT_TRUE(pty.runUntil([&] { return !w.isSending() && pty.received().endsWith('\x1a'); }));
    }
    PretendMachine machine;
};

TEST_F(SendWindowTest, TheOutputWindowAndTheMainWindowSendTheirProgramsWithTheSteps)
{
    const struct {
        bool fromOutputWindow;
        int machine, kind;
        const char *step;
        QByteArray bytes;
    } cases[] = {
        {true, 0, 0, "OPEN \"9600,N,8,1,A,L,&H1A,N,N\":CLOSE",
         "10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n50 REM EDITED\r\n\x1a"},
        {false, 1, 1, "flow: RS/CS",
         omplist::playerLines(omplist::Player::G800, "$2:4M*").join("\r\n").toLatin1() + "\r\n\x1a"},
    };
    for (const auto &c : cases) {
        PretendMachine pty;
        Form8 *w = &fromMenu();
        if (c.fromOutputWindow) {
            // The text as the user edited it goes, whatever the menu would make.
            w->close();
            started().E500BASIC変換->trigger();
            started().outputWindow()->Text1->appendPlainText(QStringLiteral("50 REM EDITED"));
            started().outputWindow()->Command3->click();
            w = started().sendWindow();
            EXPECT_FALSE(w->Combo2->isEnabled());
        }
        w->Combo1->setCurrentIndex(c.machine);
        w->Combo2->setCurrentIndex(c.kind);
        sendAll(*w, pty);
        EXPECT_TRUE(w->Text1->toPlainText().contains(QString::fromUtf8(c.step))) << c.step;
        EXPECT_EQ(pty.received(), c.bytes);
        EXPECT_EQ(w->Label1->text(), QStringLiteral("送信しました: %1 行 (%2 バイト)。").arg(c.bytes.count('\n')).arg(c.bytes.size()));
        EXPECT_EQ(started().settings().PortDevice, pty.device()) << "the choices become the settings";
        w->close();
        flushDeletes();
    }
}

TEST_F(SendWindowTest, WhatCannotBeSentIsToldAndNothingGoes)
{
    const struct {
        int kind;
        QString port;
        const char16_t *says;
    } cases[] = {
        {1, machine.device(), u"このプログラムはポケコンへ送れません。"},
        {0, QStringLiteral("/dev/ttyNoSuchPort3"), u"/dev/ttyNoSuchPort3 が見つかりません"},
    };
    for (const auto &c : cases) {
        Form8 &w = fromMenu();
        started().Text1->setPlainText(QString(300, u'M'));
        w.close();
        started().ポケコンへ送信->trigger();
        Form8 &again = *started().sendWindow();
        again.Combo2->setCurrentIndex(c.kind);
        again.Combo3->setEditText(c.port);
        again.Command1->click();
        EXPECT_EQ(messages.shown.back().icon, MessageBoxes::Icon::Critical);
        EXPECT_TRUE(lastMessage().contains(QString::fromUtf16(c.says))) << lastMessage().toStdString();
        EXPECT_FALSE(again.isSending());
    }
    machine.runUntil([] { return false; }, 50);
    EXPECT_TRUE(machine.received().isEmpty());
}

TEST_F(SendWindowTest, CancelStopsTheSendAndSaysHowManyLinesWent)
{
    Form8 &w = fromMenu();
    w.Combo3->setEditText(machine.device());
    w.Combo8->setCurrentIndex(2); // none: paced
    w.Delay1->setValue(40);
    w.Command1->click();
    EXPECT_FALSE(w.Frame2->isEnabled()) << "the settings stay as they are while sending";
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    EXPECT_TRUE(w.Label1->text().contains(QStringLiteral("1 / 4 行"))) << w.Label1->text().toStdString();
    w.Command2->click();
    EXPECT_FALSE(w.isSending());
    EXPECT_TRUE(w.Command1->isEnabled());
    EXPECT_EQ(w.Label1->text(), QStringLiteral("キャンセルしました。4 行のうち 1 行を送りました。"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SendWindowTest, TheWindowOpensWithTheStoredSettingsAndKeepsTheChanges)
{
    AppSettings s;
    s.BaudIndex = 2;
    s.ParityIndex = 2;
    s.PortIndex = 3;
    s.CharDelay = 25;
    Form8 &w = fromMenu(s);
    EXPECT_EQ(w.Combo3->currentText(), QStringLiteral("/dev/ttyS3")) << "COM4 on this system";
    EXPECT_EQ(w.Combo4->currentText(), QStringLiteral("1200 bps"));
    EXPECT_EQ(w.Delay1->text(), QStringLiteral("25 ms"));
    EXPECT_EQ(w.Delay2->text(), QStringLiteral("自動"));
    w.Delay2->setValue(100);
    w.close();
    s.LineDelay = 100; // the COM port shown unchanged names no device
    EXPECT_EQ(started().settings(), s);
}

} // namespace
