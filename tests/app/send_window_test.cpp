// The send window against a pretend machine on a pseudo-terminal: opened from the output window and the
// main window, refusals before the port opens, Cancel, and the settings it keeps.

#include "window_fixture.h"

#include "core/formats/omp_list.h"
#include "app/output_window.h"
#include "app/send_window.h"
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
    SendWindow &fromMenu(const QString &omp = "$2:4M*")
    {
        started().ompEdit->setPlainText(omp);
        started().sendAction->trigger();
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
        SendWindow *w = &fromMenu();
        if (fromOutputWindow) {
            // The text as the user edited it goes, whatever the menu would make.
            w->close();
            started().e500BasicAction->trigger();
            started().outputWindow()->programText->appendPlainText("50 REM EDITED");
            started().outputWindow()->sendButton->click();
            w = started().sendWindow();
            EXPECT_FALSE(w->programCombo->isEnabled());
        }
        w->machineCombo->setCurrentIndex(machineIndex);
        w->programCombo->setCurrentIndex(kind);
        w->portCombo->setEditText(pty.device());
        w->flowCombo->setCurrentIndex(0); // RS/CS: no pauses
        w->sendButton->click();
        EXPECT_TRUE(pty.runUntil([&] { return !w->isSending() && pty.received().endsWith('\x1a'); }));
        // The choices become the settings.
        EXPECT_EQ(std::tuple(pty.received(), w->stepsText->toPlainText().contains(step), w->statusLabel->text(),
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
        SendWindow &w = fromMenu(QString(300, u'M'));
        w.programCombo->setCurrentIndex(kind);
        w.portCombo->setEditText(port);
        w.sendButton->click();
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
    SendWindow &w = fromMenu();
    w.portCombo->setEditText(machine.device());
    w.flowCombo->setCurrentIndex(2); // none: paced
    w.charDelaySpin->setValue(40);
    w.sendButton->click();
    const bool settingsLocked = !w.baudCombo->isEnabled();
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    const QString progress = w.statusLabel->text();
    w.cancelButton->click();
    EXPECT_EQ(std::tuple(settingsLocked, progress.contains("1 / 4 行"), w.isSending(), w.sendButton->isEnabled(), w.statusLabel->text(),
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
    SendWindow &w = fromMenu();
    w.lineDelaySpin->setValue(100);
    w.close();
    // What the window showed comes back, and the COM port shown unchanged (COM4: /dev/ttyS3) names no device.
    s.LineDelay = 100;
    EXPECT_EQ(started().settings(), s);
}

} // namespace
