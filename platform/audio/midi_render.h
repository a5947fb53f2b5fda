#pragma once
// Renders a MIDI file offline through the player's synthesizer and SoundFont
// into a WAV file (16-bit stereo, 44.1 kHz), as fast as the processor allows.
// A WAV file is a form of the song anyone can play or share.

#include "core/io/save_file.h"

#include <QString>

#include <atomic>
#include <cstdint>

struct MidiRenderOptions {
    QString soundFont; // empty: the standard General MIDI SoundFont
    // Checked between blocks; when it turns true the render stops and the
    // output file is left as it was.
    const std::atomic<bool> *cancel = nullptr;
};

struct MidiRenderResult {
    QString error; // Japanese; empty on success
    bool cancelled = false;
    double seconds = 0; // the song's length, which is the file's
    std::int64_t frames = 0;
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Writes `wavPath` whole or not at all. The WAV file lasts exactly as long as
// the song: from its start to its last event.
MidiRenderResult renderMidiToWav(const QString &midiPath, const QString &wavPath,
                                 const MidiRenderOptions &options = {});
// The same into a writer the caller chose (standard output, for one).
MidiRenderResult renderMidiToWav(const QString &midiPath, SaveFile::Writer &out,
                                 const MidiRenderOptions &options = {});
