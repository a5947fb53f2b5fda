#pragma once
// What the real-time player and the WAV renderer share: finding the General
// MIDI SoundFont and a FluidSynth synthesizer with it loaded, so that a song
// sounds the same whether it is heard or written to a file.

#include <QString>
#include <QStringList>

#include <fluidsynth.h>

#include <memory>
#include <utility>
#include <vector>

namespace FluidSynthEngine {

constexpr int SampleRate = 44100;

// The places a General MIDI SoundFont is looked for, in order: Debian's
// standard paths (the fluid-soundfont-gm and timgm6mb-soundfont packages),
// then "default-GM.sf2" beside the program for systems without them.
QStringList standardSoundFonts();

// The first of standardSoundFonts() that exists, or an empty string.
QString findSoundFont();

// String settings given to FluidSynth as they are ("audio.driver", "alsa").
using ExtraSettings = std::vector<std::pair<QByteArray, QByteArray>>;

// A synthesizer and its settings, deleted together.
class Synth {
public:
    Synth(fluid_settings_t *settings, fluid_synth_t *synth) : m_settings(settings), m_synth(synth) {}
    ~Synth();
    Synth(const Synth &) = delete;
    Synth &operator=(const Synth &) = delete;

    fluid_settings_t *settings() const { return m_settings; }
    fluid_synth_t *synth() const { return m_synth; }

private:
    fluid_settings_t *m_settings;
    fluid_synth_t *m_synth;
};

struct SynthResult {
    std::unique_ptr<Synth> synth;
    QString error; // Japanese; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Settings for an audio output alone, without a synthesizer (for sound
// rendered elsewhere and handed to new_fluid_audio_driver2): 44.1 kHz, with
// FluidSynth's and ALSA's own messages kept off the terminal. Null when
// there is no memory. The caller deletes them with delete_fluid_settings.
fluid_settings_t *newOutputSettings(const ExtraSettings &extra = {});

// What is said when the audio driver named in `settings` cannot be opened
// (no sound card, or another program holds it).
QString audioDriverError(fluid_settings_t *settings);

// Creates a 44.1 kHz synthesizer and loads `soundFont` into it (an empty
// path: findSoundFont()). Slow: the whole SoundFont is read into memory, so
// that no sample has to be loaded while a song plays.
SynthResult createSynth(const QString &soundFont, const ExtraSettings &extra = {});

} // namespace FluidSynthEngine
