// Reads any bytes as a MIDI file's timing: the player reads files the user
// names, so no input may crash it, hang it or read past its end.
#include "core/formats/midi_timing.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const MidiTiming t = readMidiTiming(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (t.ok()) {
        // Time only moves forward through a file that was read.
        const double end = t.durationSeconds();
        if (!(end >= 0) || std::isinf(end) || t.secondsAt(t.totalTicks / 2) > end)
            std::abort();
    }
    return 0;
}
