// How long sending a song's PC-E500 program takes at 9600 bps with each flow
// control: computed from the pacing schedule, and measured through the real
// serial link into a pseudo-terminal whose far end reads as fast as it can
// (a pseudo-terminal has no line time, so only the pauses show there).
//
//   vltn_bench_send [SONG]   (default: examples/twinkle.hml)

#include "cli/song_input.h"
#include "platform/serial/serial_link.h"
#include "core/transfer/pacing.h"
#include "core/transfer/program_frame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>

#include <cstdio>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString song = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VLTN_SOURCE_DIR "/examples/twinkle.hml");
    const cli::SongInput input = cli::loadSongInput(song);
    const transfer::ProgramText program =
        transfer::programForSong(transfer::ProgramKind::Beep, Machine::E500, input.omp);
    const transfer::FramedProgram framed = transfer::frameProgram(program.text, Machine::E500);
    if (!input.ok() || !framed.ok()) {
        std::fprintf(stderr, "cannot frame %s\n", qPrintable(song));
        return 1;
    }
    std::printf("%s: PC-E500 program, %d lines, %lld bytes, 9600 bps 8N1\n", qPrintable(song), framed.lines,
                static_cast<long long>(framed.bytes.size()));
    std::printf("%-9s %-22s %12s %12s\n", "flow", "pauses", "computed s", "measured s");

    const struct {
        SerialFlow flow;
        const char *name;
    } flows[] = {{SerialFlow::Hardware, "RS/CS"}, {SerialFlow::Software, "Xon/Xoff"}, {SerialFlow::None, "none"}};
    for (const auto &f : flows) {
        int master = -1, slave = -1;
        termios raw = {};
        ::cfmakeraw(&raw);
        if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
            return 1;
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        SerialLine line;
        line.device = QString::fromLocal8Bit(::ptsname(master));
        line.flow = f.flow;
        const transfer::Pacing pacing = transfer::effectivePacing(f.flow, transfer::AutomaticDelay, transfer::AutomaticDelay);
        const PacedSchedule schedule = transfer::pacedSchedule(framed.bytes, pacing);

        QByteArray received;
        QSocketNotifier reader(master, QSocketNotifier::Read);
        QObject::connect(&reader, &QSocketNotifier::activated, [&] {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(master, buffer, sizeof buffer)) > 0)
                received.append(buffer, n);
        });
        TimerPacingClock clock;
        QtSerialLink link(clock);
        QEventLoop events;
        QObject::connect(&link, &SerialLink::finished, &events, &QEventLoop::quit);
        if (!link.open(line).isEmpty())
            return 1;
        QElapsedTimer timer;
        timer.start();
        link.send(framed.bytes, schedule);
        events.exec();
        const double measured = timer.nsecsElapsed() / 1e9;
        while (received.size() < framed.bytes.size())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const QString pauses = QStringLiteral("%1 ms/char, %2 ms/line").arg(pacing.charDelayMs).arg(pacing.lineDelayMs);
        std::printf("%-9s %-22s %12.2f %12.2f%s\n", f.name, qPrintable(pauses),
                    transfer::remainingSeconds(schedule, 0, line), measured,
                    received == framed.bytes ? "" : "  (bytes differ!)");
        ::close(slave);
        ::close(master);
    }
    return 0;
}
