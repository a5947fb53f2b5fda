// The serial link against a pretend machine on a pseudo-terminal: the exact
// bytes that arrive, Xoff and Xon honoured, the pauses of a paced send,
// refusals at opening, a pulled cable and Cancel.

#include "fakes/fake_pacing_clock.h"
#include "platform/serial_link.h"
#include "support/core_app.h"
#include "support/pretend_machine.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <optional>

namespace {

using testsupport::PretendMachine;

SerialSettings settingsFor(const PretendMachine &machine, SerialFlow flow)
{
    SerialSettings s;
    s.device = machine.device();
    s.flow = flow;
    return s;
}

// Three lines of program, ending in the end-of-file byte.
const QByteArray Program("10 CLS\r\n20 BEEP 1,100,717\r\n30 GOTO 10\r\n\x1a");

// One piece per line and the end-of-file byte, no pauses.
PacedSchedule linePieces(const QByteArray &bytes)
{
    PacedSchedule s;
    int lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            s.push_back({i + 1, 0, ++lines});
    }
    s.push_back({bytes.size(), 0, lines});
    return s;
}

class SerialLinkTest : public ::testing::Test {
protected:
    SerialLinkTest() { testsupport::coreApplication(); }
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        QObject::connect(&link, &SerialLink::finished, [this](const SendOutcome &o) { outcome = o; });
        QObject::connect(&link, &SerialLink::progress, [this](const SendProgress &p) { shown.push_back(p); });
    }
    bool finished() const { return outcome.has_value(); }

    PretendMachine machine;
    TimerPacingClock realClock;
    FakePacingClock clock;
    QtSerialLink link{clock};
    QtSerialLink timedLink{realClock};
    std::optional<SendOutcome> outcome;
    std::vector<SendProgress> shown;
};

TEST_F(SerialLinkTest, TheMachineReceivesExactlyTheBytesWithEveryFlowControl)
{
    const struct {
        SerialFlow flow;
        int dataBits;
        SerialParity parity;
        int stopBits;
    } cases[] = {
        {SerialFlow::None, 8, SerialParity::None, 1},
        {SerialFlow::Software, 8, SerialParity::None, 1},
        {SerialFlow::Hardware, 8, SerialParity::None, 1},
        // A pseudo-terminal cannot do these; the link passes that over.
        {SerialFlow::None, 7, SerialParity::Even, 2},
    };
    for (const auto &c : cases) {
        PretendMachine pty;
        ASSERT_TRUE(pty.ok());
        QtSerialLink sender(realClock);
        std::optional<SendOutcome> done;
        QObject::connect(&sender, &SerialLink::finished, [&](const SendOutcome &o) { done = o; });
        SerialSettings s = settingsFor(pty, c.flow);
        s.dataBits = c.dataBits;
        s.parity = c.parity;
        s.stopBits = c.stopBits;
        ASSERT_EQ(sender.open(s), QString());
        sender.send(Program, linePieces(Program));
        ASSERT_TRUE(pty.runUntil([&] { return done.has_value() && pty.received().size() >= Program.size(); }));
        EXPECT_EQ(done->kind, SendOutcome::Kind::Done) << done->error.toStdString();
        EXPECT_EQ(done->sent.bytes, Program.size());
        EXPECT_EQ(done->sent.lines, 3);
        EXPECT_EQ(pty.received(), Program) << int(c.flow);
    }
}

TEST_F(SerialLinkTest, XoffHoldsTheSendAndXonLetsItGoOn)
{
    QByteArray big;
    for (int n = 10; n <= 990; n += 10)
        big += QByteArray::number(n) + " BEEP 1,100,717\r\n";
    big += '\x1a';
    std::optional<SendOutcome> done;
    QObject::connect(&timedLink, &SerialLink::finished, [&](const SendOutcome &o) { done = o; });
    std::vector<SendProgress> steps;
    QObject::connect(&timedLink, &SerialLink::progress, [&](const SendProgress &p) { steps.push_back(p); });
    ASSERT_EQ(timedLink.open(settingsFor(machine, SerialFlow::Software)), QString());

    // The machine is not ready: the port's driver must hold every byte.
    machine.send(PretendMachine::Xoff);
    machine.runUntil([] { return false; }, 100);
    timedLink.send(big, linePieces(big));
    machine.runUntil([] { return false; }, 300);
    EXPECT_EQ(machine.received(), QByteArray());
    EXPECT_FALSE(done.has_value());
    EXPECT_TRUE(steps.empty()) << "nothing is shown as sent while the machine holds the line";

    machine.send(PretendMachine::Xon);
    ASSERT_TRUE(machine.runUntil([&] { return done.has_value() && machine.received().size() >= big.size(); }));
    EXPECT_EQ(done->kind, SendOutcome::Kind::Done);
    EXPECT_EQ(machine.received(), big);
    EXPECT_EQ(steps.back().lines, 99);
}

TEST_F(SerialLinkTest, APacedSendWaitsEachPauseOfTheSchedule)
{
    // Two characters with 16 ms after each, a line end with 100 ms more, and
    // the end-of-file byte, after which nothing waits.
    const QByteArray bytes("1\r\n\x1a");
    const PacedSchedule schedule = {{1, 16, 0}, {2, 16, 0}, {3, 116, 1}, {4, 0, 1}};
    ASSERT_EQ(link.open(settingsFor(machine, SerialFlow::None)), QString());
    link.send(bytes, schedule);
    for (qsizetype sent = 1; sent <= 3; ++sent) {
        ASSERT_TRUE(machine.runUntil([&] { return clock.pending(); })) << sent;
        // One more character each time, and none before its pause is over.
        EXPECT_EQ(machine.received(), bytes.left(sent));
        EXPECT_EQ(shown.back().bytes, sent);
        clock.fire();
    }
    ASSERT_TRUE(machine.runUntil([&] { return finished() && machine.received().size() == 4; }));
    EXPECT_EQ(clock.requested, std::vector<int>({16, 16, 116}));
    EXPECT_EQ(outcome->kind, SendOutcome::Kind::Done);
    EXPECT_EQ(machine.received(), bytes);
}

TEST_F(SerialLinkTest, CancelStopsBetweenPiecesAndSaysHowFarItGot)
{
    ASSERT_EQ(link.open(settingsFor(machine, SerialFlow::None)), QString());
    PacedSchedule schedule = linePieces(Program);
    for (PacedChunk &c : schedule)
        c.pauseMs = 50;
    link.send(Program, schedule);
    ASSERT_TRUE(machine.runUntil([&] { return clock.pending(); }));
    clock.fire();
    ASSERT_TRUE(machine.runUntil([&] { return clock.pending(); }));
    link.cancel();
    ASSERT_TRUE(finished());
    EXPECT_EQ(outcome->kind, SendOutcome::Kind::Cancelled);
    EXPECT_EQ(outcome->sent.lines, 2);
    EXPECT_FALSE(clock.pending());
    EXPECT_FALSE(link.isSending());
    EXPECT_EQ(machine.received(), Program.left(Program.indexOf("30")));
    // The port is free again for the next send.
    EXPECT_EQ(link.open(settingsFor(machine, SerialFlow::None)), QString());
}

TEST_F(SerialLinkTest, APulledCableEndsTheSendWithAMessage)
{
    ASSERT_EQ(link.open(settingsFor(machine, SerialFlow::None)), QString());
    PacedSchedule schedule = linePieces(Program);
    for (PacedChunk &c : schedule)
        c.pauseMs = 16;
    link.send(Program, schedule);
    ASSERT_TRUE(machine.runUntil([&] { return clock.pending(); }));
    machine.hangUp();
    clock.fire();
    ASSERT_TRUE(machine.runUntil([&] { return finished(); }));
    EXPECT_EQ(outcome->kind, SendOutcome::Kind::Failed);
    EXPECT_TRUE(outcome->error.contains(QStringLiteral("通信が途切れました"))) << outcome->error.toStdString();
    EXPECT_EQ(outcome->sent.lines, 1);
    EXPECT_FALSE(link.isSending());
}

TEST_F(SerialLinkTest, APortThatCannotBeUsedIsRefusedWithWhatToDo)
{
    QtSerialLink holder(realClock);
    ASSERT_EQ(holder.open(settingsFor(machine, SerialFlow::None)), QString());
    const struct {
        QString device;
        const char16_t *says;
    } cases[] = {
        {QString(), u"指定されていません"},
        {QStringLiteral("/dev/ttyNoSuchPort7"), u"が見つかりません"},
        {machine.device(), u"ほかのプログラムが使っています"},
    };
    for (const auto &c : cases) {
        SerialSettings s;
        s.device = c.device;
        const QString error = link.open(s);
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.says))) << error.toStdString();
        EXPECT_TRUE(error.contains(c.device));
    }
    // Sending on a port that did not open fails at once, never as success.
    link.send(Program, linePieces(Program));
    ASSERT_TRUE(finished());
    EXPECT_EQ(outcome->kind, SendOutcome::Kind::Failed);
}

} // namespace
