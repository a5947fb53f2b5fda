// The send window against a pretend machine on a pseudo-terminal: opened from the output window and the
// main window, refusals before the port opens, Cancel, and the settings it keeps.

#include "window_fixture.h"

#include "core/formats/omp_list.h"
#include "app/form3.h"
#include "app/form8.h"
#include "support/pretend_machine.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

class SendWindowTest : public WindowTest {
protected:
    // The send window of the file menu for the song `omp`.
    Form8 &fromMenu(const QString &omp = "$2:4M*")
    {
        started().Text1->setPlainText(omp);
        started().ポケコンへ送信->trigger();
        EXPECT_NE(started().sendWindow(), nullptr);
        return *started().sendWindow();
    }
    testsupport::PretendMachine machine;
};

TEST_F(SendWindowTest, TheOutputWindowAndTheMainWindowSendTheirProgramsWithTheSteps)
{
    // From the output window?, machine, kind; a step; the bytes.
    const std::tuple<bool, int, int, const char *, QByteArray> cases[] = {
        {true, 0, 0, "OPEN \"9600,N,8,1,A,L,&H1A,N,N\":CLOSE",
         "10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n50 REM EDITED\r\n\x1a"},
        {false, 1, 1, "flow: RS/CS", omplist::playerLines(omplist::Player::G800, "$2:4M*").join("\r\n").toLatin1() + "\r\n\x1a"},
    };
    for (const auto &[fromOutputWindow, machineIndex, kind, step, bytes] : cases) {
        testsupport::PretendMachine pty;
        Form8 *w = &fromMenu();
        if (fromOutputWindow) {
            // The text as the user edited it goes, whatever the menu would make.
            w->close();
            started().E500BASIC変換->trigger();
            started().outputWindow()->Text1->appendPlainText("50 REM EDITED");
            started().outputWindow()->Command3->click();
            w = started().sendWindow();
            EXPECT_FALSE(w->Combo2->isEnabled());
        }
        w->Combo1->setCurrentIndex(machineIndex);
        w->Combo2->setCurrentIndex(kind);
        w->Combo3->setEditText(pty.device());
        w->Combo8->setCurrentIndex(0); // RS/CS: no pauses
        w->Command1->click();
        EXPECT_TRUE(pty.runUntil([&] { return !w->isSending() && pty.received().endsWith('\x1a'); }));
        // The choices become the settings.
        EXPECT_EQ(std::tuple(pty.received(), w->Text1->toPlainText().contains(step), w->Label1->text(),
                             started().settings().PortDevice),
                  std::tuple(bytes, true, QStringLiteral("送信しました: %1 行 (%2 バイト)。").arg(bytes.count('\n')).arg(bytes.size()),
                             pty.device()));
        w->close();
        flushDeletes();
    }
}

TEST_F(SendWindowTest, WhatCannotBeSentIsToldAndNothingGoes)
{
    // The kind and the port; the message.
    const std::tuple<int, QString, QString> cases[] = {{1, machine.device(), "このプログラムはポケコンへ送れません。"},
                                                       {0, "/dev/ttyNoSuchPort3", "/dev/ttyNoSuchPort3 が見つかりません"}};
    for (const auto &[kind, port, says] : cases) {
        Form8 &w = fromMenu(QString(300, u'M'));
        w.Combo2->setCurrentIndex(kind);
        w.Combo3->setEditText(port);
        w.Command1->click();
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(std::tuple(messages.shown.back().icon, lastMessage().contains(says), w.isSending()),
                  std::tuple(MessageBoxes::Icon::Critical, true, false))
            << str(lastMessage());
    }
    machine.idle(50);
    EXPECT_EQ(machine.received(), QByteArray());
}

TEST_F(SendWindowTest, CancelStopsTheSendAndSaysHowManyLinesWent)
{
    Form8 &w = fromMenu();
    w.Combo3->setEditText(machine.device());
    w.Combo8->setCurrentIndex(2); // none: paced
    w.Delay1->setValue(40);
    w.Command1->click();
    const bool settingsLocked = !w.Combo4->isEnabled();
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    const QString progress = w.Label1->text();
    w.Command2->click();
    EXPECT_EQ(std::tuple(settingsLocked, progress.contains("1 / 4 行"), w.isSending(), w.Command1->isEnabled(), w.Label1->text(),
                         messages.shown.size()),
              std::tuple(true, true, false, true, "キャンセルしました。4 行のうち 1 行を送りました。", 0u))
        << str(progress);
}

TEST_F(SendWindowTest, TheWindowOpensWithTheStoredSettingsAndKeepsTheChanges)
{
    AppSettings s;
    s.BaudIndex = 2;
    s.ParityIndex = 2;
    s.PortIndex = 3;
    s.CharDelay = 25;
    started().settings() = s;
    Form8 &w = fromMenu();
    w.Delay2->setValue(100);
    w.close();
    // What the window showed comes back, and the COM port shown unchanged (COM4: /dev/ttyS3) names no device.
    s.LineDelay = 100;
    EXPECT_EQ(started().settings(), s);
}

} // namespace
