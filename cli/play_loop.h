#pragma once
// `vltn play`'s loop, whichever player sounds the song: the song is made
// from INPUT, played (endlessly with --loop), its place shown on a
// terminal, made and played again from the start whenever INPUT is saved
// (--watch; a save that does not convert is told and the last good song
// plays on), until it ends, fails or Ctrl-C stops it.

#include <QString>

#include <functional>

namespace cli {

struct SongPlayer {
    // Makes the song from INPUT as it is now, keeping it for start() only
    // when it could be made; else the reason. `first`: the first time, when
    // a reason may be told more fully.
    std::function<QString(bool first)> prepare;
    // Plays the song made last from its start (as often as --loop says).
    std::function<void()> start;
    // Silence at once.
    std::function<void()> stop;
    std::function<bool()> isPlaying;
    std::function<double()> position;
    std::function<double()> duration;
    // Where the player tells a failure while it plays.
    std::function<void(std::function<void(const QString &)>)> setErrorHandler;
};

// The exit code: 0 when the song has been heard, 1 on a failure, Ctrl-C's
// (130) when stopped.
int playUntilDone(const QString &input, bool loop, bool watching, SongPlayer &player);

} // namespace cli
