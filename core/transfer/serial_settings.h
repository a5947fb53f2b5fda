#pragma once
// The serial settings: what the user chooses (kept in the settings file,
// edited in the settings dialog and the send window, given to `vltn send`),
// the line they make, as the port and the pocket computer must both be set,
// and the pieces a paced send is cut into. Plain values: the core builds
// them, the serial link carries them out.

#include <QString>

#include <array>
#include <vector>

enum class SerialParity { None, Even, Odd };
// RS/CS is the hardware handshake (RTS/CTS); Xon/Xoff the software one.
enum class SerialFlow { Hardware, Software, None };

// One serial line.
struct SerialLine {
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

// The line speeds of SerialSettings::BaudIndex's list positions.
inline constexpr std::array<int, 6> BaudRates = {300, 600, 1200, 2400, 4800, 9600};

// The serial settings as the user chooses them. Each field starts at the
// settings dialog's design-time choice, which is also what a missing or
// unusable value of the settings file gives.
struct SerialSettings {
    qint16 BaudIndex = 5;     // 300, 600, 1200, 2400, 4800, 9600 bps
    qint16 DataBitsIndex = 1; // 7 bits, 8 bits
    qint16 StopBitsIndex = 0; // 1 bit, 2 bits
    qint16 ParityIndex = 0;   // none, even, odd
    qint16 FlowIndex = 2;     // RS/CS, Xon/Xoff, none
    qint16 PortIndex = 0;     // COM1 to COM16
    // The port's device on this system ("" for the one of PortIndex) and the
    // pauses of a send in milliseconds (-1: chosen by the flow control, see
    // core/transfer/pacing.h).
    QString PortDevice;
    qint16 CharDelay = -1;
    qint16 LineDelay = -1;

    // The device the settings name: PortDevice, or for COM1 to COM16 the
    // system's first to sixteenth serial port, /dev/ttyS0 to /dev/ttyS15.
    QString device() const;
    // The line the settings describe. List positions outside their lists
    // give the lists' defaults.
    SerialLine line() const;

    bool operator==(const SerialSettings &) const = default;
};
