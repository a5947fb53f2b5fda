// vltn play --machine / vltn wav --machine: hearing a song as the pocket
// computer sounds it, live through the sample player or as a WAV file.

#include "cli/cli_common.h"
#include "cli/machine_options.h"
#include "cli/stop_signals.h"
#include "cli/verbs.h"

#include "core/io/clock_text.h"

#include "platform/watch/file_watch.h"
#include "platform/audio/pcm_player.h"
#include "core/io/save_file.h"
#include "core/formats/wav_file.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <optional>
#include <unistd.h>

namespace cli {

namespace {

// The voice, told and checked as a source of samples; its warning is told
// on standard error.
MachineVoiceSource voiceFor(const QString &input, const MachineChoice &choice)
{
    MachineVoiceSource source = machineVoiceForInput(input, choice);
    if (source.ok() && !source.warning.isEmpty())
        err(QStringLiteral("vltn: 警告: %1\n").arg(source.warning));
    return source;
}

SampleStream streamOf(const std::shared_ptr<const voice::Voice> &voice)
{
    return SampleStream{voice->frameCount(),
                        [voice](qint64 first, float *out, int count) { voice->render(first, out, count); }};
}

} // namespace

int runMachinePlay(const QString &input, const MachineChoice &choice, bool loop, bool watching)
{
    // A song that cannot be played is told at once; one that is watched may
    // be put right meanwhile.
    MachineVoiceSource source = voiceFor(input, choice);
    if (!source.ok()) {
        if (!watching) {
            err(QStringLiteral("vltn: %1\n").arg(source.error));
            return ExitFailure;
        }
        err(source.error + u'\n');
    }
    // Watching before Ctrl-C is caught: a save after that is never missed.
    std::function<void()> reload;
    FileWatch saves([&] { reload(); });
    if (watching)
        saves.watch(input);

    const StopSignals stops;
    PcmPlayer player;
    QEventLoop events;
    // The first reason to stop decides the exit code.
    std::optional<int> finished;
    const auto finish = [&](int code) {
        if (!finished) {
            finished = code;
            events.exit(code);
        }
    };

    const bool terminal = ::isatty(STDERR_FILENO);
    bool lineShown = false;
    const auto clearLine = [&] {
        if (lineShown)
            err(QStringLiteral("\r\x1b[K"));
        lineShown = false;
    };
    player.setErrorHandler([&](const QString &message) {
        clearLine();
        err(QStringLiteral("vltn: %1\n").arg(message));
        finish(ExitFailure);
    });
    const auto start = [&] {
        player.play(streamOf(source.voice));
        player.setPlayCount(loop ? 0 : 1);
    };

    reload = [&] {
        MachineVoiceSource next = voiceFor(input, choice);
        clearLine();
        if (!next.ok()) {
            err(next.error + u'\n');
            return;
        }
        err(QStringLiteral("vltn: %1 が保存されました。最初から再生します。\n").arg(input));
        source = std::move(next);
        start();
    };

    QTimer progress;
    progress.setInterval(100);
    QObject::connect(&progress, &QTimer::timeout, [&] {
        if (!player.isPlaying()) {
            if (!watching)
                finish(ExitOk);
            return;
        }
        if (terminal) {
            err(QStringLiteral("\r再生中 %1 / %2%3\x1b[K")
                    .arg(clockText(player.position()), clockText(player.duration()),
                         loop ? QStringLiteral(" (繰り返し)") : QString()));
            lineShown = true;
        }
    });

    std::unique_ptr<QSocketNotifier> wake;
    if (stops.wakeFd() >= 0) {
        wake = std::make_unique<QSocketNotifier>(stops.wakeFd(), QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&] {
            player.stop(); // silence from the next block
            finish(stops.exitCode());
        });
    }

    if (watching)
        err(watchingText(input));
    if (source.ok())
        start();
    progress.start();
    events.exec();
    progress.stop();
    player.stop();
    clearLine();
    return finished.value_or(ExitFailure);
}

int runMachineWav(const QString &input, const MachineChoice &choice, const QString &outPath)
{
    const MachineVoiceSource source = voiceFor(input, choice);
    if (!source.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(source.error));
        return ExitFailure;
    }
    const StopSignals stops;
    const std::unique_ptr<SaveFile::Writer> writer = isStandardStream(outPath)
                                                         ? SaveFile::Writer::standardOutput()
                                                         : std::make_unique<SaveFile::Writer>(outPath);
    const voice::Voice &voice = *source.voice;
    const WavFile::WriteResult result = WavFile::writeMono(
        *writer, voice.frameCount(), [&](qint64 first, float *out, int count) { voice.render(first, out, count); },
        stops.flag());
    if (result.cancelled) {
        err(QStringLiteral("vltn: 中断しました。%1 は書き出していません。\n").arg(outPath));
        return stops.exitCode();
    }
    if (!result.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(result.error));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace cli
