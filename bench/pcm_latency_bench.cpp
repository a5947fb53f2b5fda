// How long the sample player takes from play() to handing the first sample
// of the song to the audio driver: with the output already open (the
// window's case: the player is made at start-up), and from a player made
// just then (the driver opened first). Measured on the system's audio
// driver and on the silent output, which asks for 64 frames every 1.45 ms
// as a sound card would.
//
//   vltn_bench_pcm_latency [SONG]   (default: examples/twinkle.hml; PC-E500 BEEP program)

#include "cli/song_input.h"
#include "core/voice/machine_voice.h"
#include "platform/audio/pcm_player.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct Clock {
    QElapsedTimer timer;
    std::atomic<qint64> firstSound{-1}; // ns since the timer started
    std::atomic<long> blocks{0};
};

PcmPlayer::Options optionsFor(PcmPlayer::Options::Output output, Clock &clock)
{
    PcmPlayer::Options o;
    o.output = output;
    o.blockTap = [&clock](const float *samples, int count) {
        ++clock.blocks;
        if (clock.firstSound.load() < 0 && std::any_of(samples, samples + count, [](float v) { return v != 0; }))
            clock.firstSound = clock.timer.nsecsElapsed();
    };
    return o;
}

// Runs the event loop until `done` or ten seconds.
bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return done();
}

void report(const char *what, std::vector<double> us)
{
    if (us.empty()) {
        std::printf("%-50s no sound came out\n", what);
        return;
    }
    std::sort(us.begin(), us.end());
    std::printf("%-50s median %8.1f us   min %8.1f   max %8.1f   (%zu plays)\n", what, us[us.size() / 2], us.front(),
                us.back(), us.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString song = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VLTN_SOURCE_DIR "/examples/twinkle.hml");
    const cli::SongInput input = cli::loadSongInput(song);
    const voice::SoundEvents sounds = voice::soundEvents(input.omp, Machine::E500, voice::Program::Beep);
    if (!input.ok() || !sounds.ok()) {
        std::fprintf(stderr, "cannot make the voice of %s\n", qPrintable(song));
        return 1;
    }
    const auto voice = std::make_shared<const voice::Voice>(sounds.events);
    const SampleStream stream{voice->frameCount(), [voice](qint64 first, float *out, int count) { voice->render(first, out, count); }};
    std::printf("%s: PC-E500 BEEP program, %.1f s\n", qPrintable(song), voice->seconds());

    constexpr int Plays = 50;
    for (const auto &[output, name] : {std::pair{PcmPlayer::Options::Output::System, "system audio driver"},
                                       std::pair{PcmPlayer::Options::Output::Silent, "silent output (64-frame blocks)"}}) {
        std::vector<double> open, fresh;
        for (int i = 0; i < Plays; ++i) {
            // The output open already: only the play itself.
            Clock clock;
            clock.timer.start();
            PcmPlayer player(optionsFor(output, clock));
            QString error;
            player.setErrorHandler([&](const QString &e) { error = e; });
            if (!waitFor([&] { return clock.blocks.load() > 2 || !error.isEmpty(); }) || !error.isEmpty())
                break;
            clock.firstSound = -1;
            const qint64 asked = clock.timer.nsecsElapsed();
            player.play(stream);
            if (waitFor([&] { return clock.firstSound.load() >= 0 || !error.isEmpty(); }) && error.isEmpty())
                open.push_back((clock.firstSound.load() - asked) / 1000.0);
            player.stop();
        }
        for (int i = 0; i < Plays / 5; ++i) {
            // A player made just now: opening the driver comes first.
            Clock clock;
            clock.timer.start();
            PcmPlayer player(optionsFor(output, clock));
            QString error;
            player.setErrorHandler([&](const QString &e) { error = e; });
            player.play(stream);
            if (waitFor([&] { return clock.firstSound.load() >= 0 || !error.isEmpty(); }) && error.isEmpty())
                fresh.push_back(clock.firstSound.load() / 1000.0);
            else if (!error.isEmpty())
                std::printf("%s: %s\n", name, qPrintable(error));
        }
        report(qPrintable(QStringLiteral("%1, output open:").arg(QLatin1String(name))), open);
        report(qPrintable(QStringLiteral("%1, opened on play:").arg(QLatin1String(name))), fresh);
    }

    // What "再生・リロード" adds before play(): the window makes the voice of
    // the whole song anew (the data may have changed), here for 10,000 notes.
    QString big = QStringLiteral("$4:");
    for (int i = 0; i < 10000; ++i)
        big += QString(QChar(u'1' + i % 4)) + QChar(u'A' + (i * 7) % 48);
    std::vector<double> making;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer t;
        t.start();
        const voice::SoundEvents events = voice::soundEvents(big, Machine::E500, voice::Program::Beep);
        const voice::Voice made(events.events);
        making.push_back(t.nsecsElapsed() / 1000.0);
        if (made.frameCount() == 0)
            return 1;
    }
    report("making the voice of 10,000 notes (each 再生):", making);
    return 0;
}
