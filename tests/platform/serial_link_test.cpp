// The serial link against a pretend machine on a pseudo-terminal: the exact
// bytes that arrive, Xoff and Xon honoured, the pauses of a paced send,
// Cancel and a pulled cable, refusals at opening.

#include "fakes/fake_pacing_clock.h"
#include "platform/serial_link.h"
#include "support/core_app.h"
#include "support/pretend_machine.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using testsupport::PretendMachine;

const QByteArray Program("10 CLS\r\n20 BEEP 1,100,717\r\n30 GOTO 10\r\n\x1a");

// One piece per line and the end-of-file byte, each followed by `pause`.
PacedSchedule linePieces(const QByteArray &bytes, int pause = 0)
{
    PacedSchedule s;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            s.push_back({i + 1, pause, int(s.size()) + 1});
    }
    s.push_back({bytes.size(), 0, int(s.size())});
    return s;
}

// A link on its own pretend machine, with the outcome and progress it reports.
struct Rig {
    explicit Rig(PacingClock &clock) : link(clock)
    {
        testsupport::coreApplication();
        QObject::connect(&link, &SerialLink::finished, [this](const SendOutcome &o) { outcome = o; });
        QObject::connect(&link, &SerialLink::progress, [this](const SendProgress &p) { shown.push_back(p); });
    }
    QString open(SerialFlow flow, int dataBits = 8, SerialParity parity = SerialParity::None)
    {
        return link.open({machine.device(), 9600, dataBits, 1, parity, flow});
    }
    bool finished() const { return outcome.has_value(); }

    PretendMachine machine;
    QtSerialLink link;
    std::optional<SendOutcome> outcome;
    std::vector<SendProgress> shown;
};

TEST(SerialLink, TheMachineReceivesExactlyTheBytesWithEveryFlowControl)
{
    const struct {
        SerialFlow flow;
        int dataBits;
        SerialParity parity;
    } cases[] = {
        {SerialFlow::None, 8, SerialParity::None},
        {SerialFlow::Software, 8, SerialParity::None},
        {SerialFlow::Hardware, 8, SerialParity::None},
        {SerialFlow::None, 7, SerialParity::Even}, // refused by a pseudo-terminal, passed over
    };
    for (const auto &c : cases) {
        TimerPacingClock clock;
        Rig r(clock);
        ASSERT_EQ(r.open(c.flow, c.dataBits, c.parity), QString());
        r.link.send(Program, linePieces(Program));
        ASSERT_TRUE(r.machine.runUntil([&] { return r.finished() && r.machine.received().size() >= Program.size(); }));
        EXPECT_EQ(r.outcome->kind, SendOutcome::Kind::Done) << r.outcome->error.toStdString();
        EXPECT_EQ(r.outcome->sent.bytes, Program.size());
        EXPECT_EQ(r.outcome->sent.lines, 3);
        EXPECT_EQ(r.machine.received(), Program) << int(c.flow);
    }
}

TEST(SerialLink, XoffHoldsTheSendAndXonLetsItGoOn)
{
    QByteArray big;
    for (int n = 10; n <= 990; n += 10)
        big += QByteArray::number(n) + " BEEP 1,100,717\r\n";
    big += '\x1a';
    TimerPacingClock clock;
    Rig r(clock);
    ASSERT_EQ(r.open(SerialFlow::Software), QString());
    // The machine is not ready: the port's driver must hold every byte.
    r.machine.send(PretendMachine::Xoff);
    r.machine.runUntil([] { return false; }, 100);
    r.link.send(big, linePieces(big));
    r.machine.runUntil([] { return false; }, 300);
    EXPECT_EQ(r.machine.received(), QByteArray());
    EXPECT_FALSE(r.finished());
    EXPECT_TRUE(r.shown.empty()) << "nothing is shown as sent while the machine holds the line";

    r.machine.send(PretendMachine::Xon);
    ASSERT_TRUE(r.machine.runUntil([&] { return r.finished() && r.machine.received().size() >= big.size(); }));
    EXPECT_EQ(r.machine.received(), big);
    EXPECT_EQ(r.shown.back().lines, 99);
}

TEST(SerialLink, APacedSendWaitsEachPauseOfTheSchedule)
{
    FakePacingClock clock;
    Rig r(clock);
    const QByteArray bytes("1\r\n\x1a");
    ASSERT_EQ(r.open(SerialFlow::None), QString());
    r.link.send(bytes, {{1, 16, 0}, {2, 16, 0}, {3, 116, 1}, {4, 0, 1}});
    for (qsizetype sent = 1; sent <= 3; ++sent) {
        ASSERT_TRUE(r.machine.runUntil([&] { return clock.pending(); })) << sent;
        // One more character each time, and none before its pause is over.
        EXPECT_EQ(r.machine.received(), bytes.left(sent));
        EXPECT_EQ(r.shown.back().bytes, sent);
        clock.fire();
    }
    ASSERT_TRUE(r.machine.runUntil([&] { return r.finished() && r.machine.received().size() == 4; }));
    EXPECT_EQ(clock.requested, std::vector<int>({16, 16, 116}));
    EXPECT_EQ(r.outcome->kind, SendOutcome::Kind::Done);
}

TEST(SerialLink, CancelAndAPulledCableEndTheSendAfterTheLinesThatWent)
{
    const struct {
        bool pullCable;
        SendOutcome::Kind kind;
        const char16_t *says;
    } cases[] = {
        {false, SendOutcome::Kind::Cancelled, nullptr},
        {true, SendOutcome::Kind::Failed, u"通信が途切れました。ケーブルが抜けたか"},
    };
    for (const auto &c : cases) {
        FakePacingClock clock;
        Rig r(clock);
        ASSERT_EQ(r.open(SerialFlow::None), QString());
        r.link.send(Program, linePieces(Program, 50));
        ASSERT_TRUE(r.machine.runUntil([&] { return clock.pending(); }));
        if (c.pullCable) {
            r.machine.hangUp();
            clock.fire();
        } else {
            r.link.cancel();
        }
        ASSERT_TRUE(r.machine.runUntil([&] { return r.finished(); }));
        EXPECT_EQ(r.outcome->kind, c.kind);
        EXPECT_TRUE(c.says ? r.outcome->error.startsWith(QString::fromUtf16(c.says)) : r.outcome->error.isEmpty())
            << r.outcome->error.toStdString();
        EXPECT_EQ(r.outcome->sent.lines, 1);
        EXPECT_FALSE(r.link.isSending());
        EXPECT_FALSE(clock.pending());
    }
}

TEST(SerialLink, APortThatCannotBeUsedIsRefusedWithWhatToDo)
{
    TimerPacingClock clock;
    Rig holder(clock);
    ASSERT_EQ(holder.open(SerialFlow::None), QString());
    const struct {
        QString device;
        const char16_t *says;
    } cases[] = {
        {QString(), u"指定されていません"},
        {QStringLiteral("/dev/ttyNoSuchPort7"), u"が見つかりません"},
        {holder.machine.device(), u"ほかのプログラムが使っています"},
    };
    Rig r(clock);
    for (const auto &c : cases) {
        const QString error = r.link.open({c.device, 9600, 8, 1, SerialParity::None, SerialFlow::None});
        EXPECT_TRUE(error.contains(QString::fromUtf16(c.says)) && error.contains(c.device)) << error.toStdString();
    }
}

} // namespace
