#pragma once
// Reading OMP data: the one scan that every OMP reader shares (the MIDI
// writer and both BASIC generators). A reader holds a tempo T (length units
// per second, a 32-bit float) and a current length L (0 to 16) and looks at
// one character at a time.

#include <QString>
#include <QStringView>

#include <cmath>

namespace omp {

// The code a reader sees for a character: printable ASCII by its code,
// half-width katakana by its CP932 byte (161 to 223), and anything CP932
// writes in two bytes (or cannot write at all) as a negative code, which no
// class claims and so is passed over.
constexpr int charCode(QChar c) noexcept
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u;
    if (u >= 0xFF61 && u <= 0xFF9F)
        return 0xA1 + (u - 0xFF61);
    return -1;
}

enum : int {
    CodeTempo = 36,  // "$"
    CodeRest = 42,   // "*"
    CodeLengthFirst = 48, // "0"
    CodeLengthLast = 64,  // "@"
    CodePitchFirst = 65,  // "A"
};

// The number after "$": the longest prefix that reads as a decimal number,
// digits with at most one "."; a sign, an exponent, a blank or any other
// character ends it. No digits at all reads as 0. `consumed` (when given)
// receives the number of characters that belong to the number.
double readTempoNumber(QStringView text, qsizetype *consumed = nullptr);

struct ReaderState {
    float tempo = 0.0f; // T
    int length = 0;     // L
};

// The MIDI writer's time: no tempo event, so the MIDI default of 120 quarter
// notes a minute at 480 ticks each makes 960 ticks a second.
inline constexpr int MidiTicksPerSecond = 960;

// The largest delta a variable-length quantity of four bytes can hold: no
// note of a MIDI file lasts longer.
inline constexpr quint32 MaxMidiDelta = (quint32(1) << 28) - 1;

// How many ticks a note or rest read in `state` lasts: 960 / T x L, rounded
// down. The tempo must not be 0.
inline double noteTicks(const ReaderState &state)
{
    return std::floor(MidiTicksPerSecond / double(state.tempo) * state.length);
}

enum class EventKind { Tempo, Length, Rest, Pitch };

struct Event {
    EventKind kind;
    qsizetype pos; // index of the character in the OMP text
    int code;      // its code (charCode)
};

// Scans `text` from its first character to its last, updating `state` and
// calling `onEvent(const Event &, const ReaderState &)` after each character
// that a class claims, with the state already updated by it. The callback
// returns false to stop the scan; scan() then returns false.
//
// The tempo field is not skipped: after the "$" the scan goes on with the
// next character as usual, so the tempo digits and the closing ":" are read
// again as lengths (after "$2:" the length is 10).
template <class OnEvent>
bool scan(QStringView text, ReaderState &state, OnEvent &&onEvent)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const int code = charCode(text[i]);
        Event ev{EventKind::Length, i, code};
        if (code == CodeTempo) {
            state.tempo = static_cast<float>(readTempoNumber(text.sliced(i + 1)));
            ev.kind = EventKind::Tempo;
        } else if (code == CodeRest) {
            ev.kind = EventKind::Rest;
        } else if (code >= CodeLengthFirst && code <= CodeLengthLast) {
            state.length = code - CodeLengthFirst;
            ev.kind = EventKind::Length;
        } else if (code >= CodePitchFirst) {
            ev.kind = EventKind::Pitch;
        } else {
            continue;
        }
        if (!onEvent(static_cast<const Event &>(ev), static_cast<const ReaderState &>(state)))
            return false;
    }
    return true;
}

} // namespace omp
