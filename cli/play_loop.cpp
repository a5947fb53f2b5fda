#include "cli/play_loop.h"

#include "cli/cli_common.h"
#include "cli/stop_signals.h"

#include "core/io/clock_text.h"
#include "platform/watch/file_watch.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <optional>
#include <unistd.h>

namespace cli {

int playUntilDone(const QString &input, bool loop, bool watching, SongPlayer &player)
{
    // A song that cannot be played is told at once; one that is watched may
    // be put right meanwhile.
    const QString error = player.prepare(true);
    if (!error.isEmpty()) {
        if (!watching) {
            err(QStringLiteral("vltn: %1\n").arg(error));
            return ExitFailure;
        }
        err(error + u'\n');
    }
    // Watching before Ctrl-C is caught: a save after that is never missed.
    std::function<void()> reload;
    FileWatch saves([&] { reload(); });
    if (watching)
        saves.watch(input);

    const StopSignals stops;
    QEventLoop events;
    // The first reason to stop decides the exit code: a timer tick that
    // finds playback over after a failure must not turn it into success.
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
            err(QStringLiteral("\r\x1b[K")); // the terminal line is left as it was found
        lineShown = false;
    };
    player.setErrorHandler([&](const QString &message) {
        clearLine();
        err(QStringLiteral("vltn: %1\n").arg(message));
        finish(ExitFailure);
    });

    // Watched: every save plays from the start; a save that does not
    // convert is told as the compiler tells it, and the last good song stays.
    reload = [&] {
        const QString saved = player.prepare(false);
        clearLine();
        if (!saved.isEmpty()) {
            err(saved + u'\n');
            return;
        }
        err(QStringLiteral("vltn: %1 が保存されました。最初から再生します。\n").arg(input));
        player.start();
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
            player.stop(); // every note stops at once
            finish(stops.exitCode());
        });
    }

    if (watching)
        err(watchingText(input));
    if (error.isEmpty())
        player.start();
    progress.start();
    events.exec();
    progress.stop();
    player.stop();
    player.setErrorHandler({});
    clearLine();
    return finished.value_or(ExitFailure);
}

} // namespace cli
