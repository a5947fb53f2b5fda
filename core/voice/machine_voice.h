#pragma once
// A song's sound events as samples: the pocket computer's square wave,
// mono float at 44.1 kHz, rendered on request from any position.
//
// Each BEEP sounds a whole number of periods, starting at its exact time
// (between samples, if it falls there) with the wave's high half. The wave
// is band-limited: every step of the ideal square wave is drawn through a
// windowed-sinc step (BLEP) that stops short of half the sample rate, so
// the high notes carry no aliases; the steps stay centred on their exact
// times, so the wave crosses zero where the ideal wave steps.
//
// A voice is immutable once made: render() may be called from any thread,
// in blocks of any size, and gives the same samples as one long call.

#include "core/voice/machine_sound.h"

#include <vector>

namespace voice {

// The square wave swings between +Amplitude and -Amplitude: a full wave is
// loud (its RMS level is its amplitude), so it stays 12 dB under full scale.
inline constexpr float Amplitude = 0.25f;

// Samples on either side of a step that its band-limited form reaches.
inline constexpr int StepHalfWidth = 16;

class Voice {
public:
    Voice() = default;
    // `gapSeconds` of silence follow every event: the interpreter's pause
    // between statements.
    explicit Voice(std::vector<SoundEvent> events, double gapSeconds = 0);

    const std::vector<SoundEvent> &events() const { return m_events; }
    // The song's length in samples: to the end of its last event and gap,
    // and past its last step until that step has settled.
    qint64 frameCount() const { return m_frames; }
    double seconds() const { return double(m_frames) / SampleRate; }

    // Where event `index` starts, in samples (between samples, as a
    // fraction); frameCount() past the last.
    double eventStart(qsizetype index) const;
    // The event sounding at `frame`, within its gap too: the last one begun
    // by then; -1 before the first.
    qsizetype eventAt(qint64 frame) const;
    // Its note (SoundEvent::note); -1 before the first.
    qsizetype noteAt(qint64 frame) const;
    // The first sample of the first event of `note` or of a later note (for
    // playing from a note on); frameCount() when there is none.
    qint64 noteStartFrame(qsizetype note) const;

    // Writes samples [first, first + count) to `out`; samples outside the
    // song are silence.
    void render(qint64 first, float *out, qsizetype count) const;

private:
    struct Tone {
        double start; // the first step, in samples
        double half;  // half a period, in samples
        qint64 steps; // 2 x periods: the steps after the first
    };
    void renderTone(const Tone &tone, qint64 first, float *out, qsizetype count) const;

    std::vector<SoundEvent> m_events;
    std::vector<double> m_starts; // of every event, in samples
    std::vector<Tone> m_tones;    // the events that sound, in order
    qint64 m_frames = 0;
};

} // namespace voice
