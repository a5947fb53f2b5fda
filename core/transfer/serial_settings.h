#pragma once
// The settings of one serial line, as the port and the pocket computer must
// both be set, and the pieces a paced send is cut into. Plain values: the
// core builds them, the serial link carries them out.

#include <QString>

#include <vector>

enum class SerialParity { None, Even, Odd };
// RS/CS is the hardware handshake (RTS/CTS); Xon/Xoff the software one.
enum class SerialFlow { Hardware, Software, None };

struct SerialSettings {
    QString device; // a path such as /dev/ttyUSB0
    int baud = 9600;
    int dataBits = 8;
    int stopBits = 1;
    SerialParity parity = SerialParity::None;
    SerialFlow flow = SerialFlow::None;

    // Line time of one character: start bit, data, parity and stop bits.
    int bitsPerCharacter() const { return 1 + dataBits + (parity == SerialParity::None ? 0 : 1) + stopBits; }
};

// The stream is sent piece by piece: the bytes up to `end` (exclusive), then
// a pause of `pauseMs` once they have left, before the next piece.
struct PacedChunk {
    qsizetype end = 0;
    int pauseMs = 0;
    int linesDone = 0; // program lines complete once this piece has left
};
using PacedSchedule = std::vector<PacedChunk>;
