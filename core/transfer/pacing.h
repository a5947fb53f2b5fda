#pragma once
// How fast a program goes down the line. A PC-E500 tokenises only about 300
// bytes a second whatever the line speed: without a handshake the sender must
// wait after each character (16 ms is known to work at 9600 bps), while with
// RS/CS or Xon/Xoff the machine holds the sender back itself.

#include "core/transfer/serial_settings.h"

#include <QByteArray>

namespace transfer {

// A stored delay of this value follows the flow control (see effectivePacing).
constexpr int AutomaticDelay = -1;
constexpr int CharDelayWithoutFlow = 16;
constexpr int MaxCharDelay = 1000;
constexpr int MaxLineDelay = 10000;

struct Pacing {
    int charDelayMs = 0; // after every character
    int lineDelayMs = 0; // after every line, on top of the character's
    bool operator==(const Pacing &) const = default;
};

// The delays to use. An automatic character delay is 16 ms without flow
// control and none with it; an automatic line delay is none.
Pacing effectivePacing(SerialFlow flow, int charDelayMs, int lineDelayMs);

// Cuts a framed program into pieces: one per character when characters are
// paced, otherwise one per line (so that progress and Cancel work line by
// line); the end-of-file byte goes last on its own. The last piece has no
// pause.
PacedSchedule pacedSchedule(const QByteArray &bytes, const Pacing &pacing);

// Seconds the send takes once the first `done` pieces have left (0: the
// whole send): every piece's line time at the port's speed, then its pause.
double remainingSeconds(const PacedSchedule &schedule, size_t done, const SerialLine &settings);

} // namespace transfer
