// The serial link against a pretend machine on a pseudo-terminal: the exact bytes that arrive, Xoff and Xon
// honoured, the pauses of a paced send, Cancel and a pulled cable, refusals at opening.

#include "fakes/fake_pacing_clock.h"
#include "platform/serial/serial_link.h"
#include "support/pretend_machine.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

const QByteArray Program("10 CLS\r\n20 BEEP 1,100,717\r\n30 GOTO 10\r\n\x1a");

// A link with its clock on its own pretend machine, and the outcome and progress it reports.
template <class Clock>
struct Rig {
    Rig()
    {
        testsupport::coreApplication();
        QObject::connect(&link, &SerialLink::finished, [this](const SendOutcome &o) { outcome = o; });
        QObject::connect(&link, &SerialLink::progress, [this](const SendProgress &p) { shown.push_back(p); });
    }
    QString open(SerialFlow flow, int bits = 8, SerialParity parity = SerialParity::None)
    {
        return link.open({machine.device(), 9600, bits, 1, parity, flow});
    }
    // Runs until the link has finished and `bytes` have arrived.
    bool arrived(qsizetype bytes) { return machine.runUntil([&] { return outcome && machine.received().size() >= bytes; }); }

    Clock clock;
    testsupport::PretendMachine machine;
    QtSerialLink link{clock};
    std::optional<SendOutcome> outcome;
    std::vector<SendProgress> shown;
};

TEST(SerialLink, TheMachineReceivesExactlyTheBytesWithEveryFlowControlAndXoffHoldsThemUntilXon)
{
    QByteArray big; // 99 lines and the end-of-file byte, a piece each
    PacedSchedule lines;
    for (int n = 1; n <= 99; ++n)
        lines.push_back({(big += QByteArray::number(n * 10) + " BEEP 1,100,717\r\n").size(), 0, n});
    lines.push_back({(big += '\x1a').size(), 0, 99});
    const std::tuple<SerialFlow, int, SerialParity, bool> cases[] = { // held: the machine says Xoff first
        {SerialFlow::None, 8, SerialParity::None, false}, {SerialFlow::Software, 8, SerialParity::None, false},
        {SerialFlow::Hardware, 8, SerialParity::None, false}, {SerialFlow::Software, 8, SerialParity::None, true},
        {SerialFlow::None, 7, SerialParity::Even, false}, // a pseudo-terminal refuses 7E1: passed over
    };
    for (const auto &[flow, bits, parity, held] : cases) {
        Rig<TimerPacingClock> r;
        ASSERT_EQ(r.open(flow, bits, parity), QString());
        if (held) {
            r.machine.send(0x13); // Xoff: the port's driver must hold every byte
            r.machine.idle(100);
        }
        r.link.send(big, lines);
        if (held) {
            r.machine.idle(300);
            EXPECT_EQ(std::tuple(r.machine.received(), r.outcome.has_value(), r.shown.size()),
                      std::tuple(QByteArray(), false, 0u))
                << "nothing goes, or is shown as sent, while the machine holds the line";
            r.machine.send(0x11); // Xon
        }
        ASSERT_TRUE(r.arrived(big.size()));
        EXPECT_EQ(std::tuple(r.outcome->kind, r.outcome->sent.bytes, r.outcome->sent.lines, r.shown.back().lines,
                             r.machine.received()),
                  std::tuple(SendOutcome::Kind::Done, big.size(), 99, 99, big))
            << int(flow) << held << r.outcome->error.toStdString();
    }
}

TEST(SerialLink, EachPauseIsWaitedAndCancelOrAPulledCableEndTheSendAfterTheLinesThatWent)
{
    // Program in pieces: a line each with its pause, and the end-of-file byte; the lines done after each.
    const PacedSchedule schedule = {{8, 16, 1}, {27, 116, 2}, {39, 30, 3}, {40, 0, 3}};
    enum Stop { WaitAll, Cancel, PullCable, HangUp };
    using enum SendOutcome::Kind;
    // How the send ends; the outcome, the lines sent, the pauses asked for, and the start of the message.
    const std::tuple<Stop, SendOutcome::Kind, int, std::vector<int>, QString> cases[] = {
        {WaitAll, Done, 3, {16, 116, 30}, ""},
        {Cancel, Cancelled, 1, {16}, ""},
        {PullCable, Failed, 1, {16}, "通信が途切れました。ケーブルが抜けたか"},
        {HangUp, Failed, 1, {16}, "通信が途切れました。ケーブルが抜けたか"},
    };
    for (const auto &[stop, kind, lines, pauses, says] : cases) {
        Rig<FakePacingClock> r;
        ASSERT_EQ(r.open(SerialFlow::None), QString());
        r.link.send(Program, schedule);
        for (std::size_t i = 0; i < pauses.size(); ++i) {
            ASSERT_TRUE(r.machine.runUntil([&] { return r.clock.pending(); })) << i;
            // The piece has left, and nothing after it before its pause is over.
            EXPECT_EQ(std::tuple(r.machine.received(), r.shown.back().bytes, r.shown.back().lines),
                      std::tuple(Program.left(schedule[i].end), qint64(schedule[i].end), schedule[i].linesDone));
            if (stop == PullCable)
                r.machine.hangUp();
            if (stop == HangUp && !r.machine.hangUpLine())
                GTEST_SKIP() << "this process may not hang up a terminal";
            if (stop == HangUp)
                r.machine.runUntil([&] { return r.outcome.has_value(); }, 2000); // the PC's end sees it while it waits
            if (stop == Cancel)
                r.link.cancel();
            else if (r.clock.pending())
                r.clock.fire();
        }
        ASSERT_TRUE(r.arrived(stop == WaitAll ? Program.size() : 0));
        // After Cancel and a whole send, no message at all.
        EXPECT_EQ(std::tuple(r.outcome->kind, r.outcome->error.left(says.isEmpty() ? -1 : says.size()), r.outcome->sent.lines,
                             r.link.isSending(), r.clock.pending(), r.clock.requested),
                  std::tuple(kind, says, lines, false, false, pauses))
            << r.outcome->error.toStdString();
    }
}

TEST(SerialLink, APortThatCannotBeUsedIsRefusedWithWhatToDo)
{
    Rig<TimerPacingClock> holder, r;
    ASSERT_EQ(holder.open(SerialFlow::None), QString());
    const std::pair<QString, const char16_t *> cases[] = {
        {QString(), u"指定されていません"},
        {"/dev/ttyNoSuchPort7", u"が見つかりません"},
        {holder.machine.device(), u"ほかのプログラムが使っています"},
    };
    for (const auto &[device, says] : cases) {
        const QString error = r.link.open({device, 9600, 8, 1, SerialParity::None, SerialFlow::None});
        EXPECT_TRUE(error.contains(QString::fromUtf16(says)) && error.contains(device)) << error.toStdString();
    }
}

} // namespace

TEST(SerialLink, ALineHungUpOrRemovedIsTakenForAPulledCable)
{
    testsupport::PretendMachine machine;
    ASSERT_FALSE(machine.device().isEmpty());
    const int fd = ::open(machine.device().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(serialLineGone(fd, machine.device()));
    EXPECT_FALSE(serialLineGone(-1, QString())); // nothing to tell by
    EXPECT_TRUE(!machine.hangUpLine() || serialLineGone(fd, machine.device())) << "hung up";
    ::close(fd);
    const QString device = machine.device();
    machine.hangUp();
    EXPECT_TRUE(serialLineGone(-1, device)) << "its device removed";
}
