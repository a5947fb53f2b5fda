#pragma once
// The WAV files the program writes: 16-bit stereo PCM at 44.1 kHz, saved
// through SaveFile, whole or not at all.

#include "core/io/save_file.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace WavFile {

constexpr int SampleRate = 44100;
constexpr int Channels = 2;
constexpr int BytesPerSample = 2;

// The most frames a WAV file can hold (its data size is a 32-bit number):
// about six and three-quarter hours.
constexpr std::int64_t MaxFrames = (std::int64_t(0xFFFFFFFF) - 36) / (Channels * BytesPerSample);

// What is said of a song longer than that.
QString tooLongMessage();

// The 44 bytes before `frames` frames of sound.
QByteArray header(std::int64_t frames);

// A sample from -1 to 1 as 16 bits, rounded without dither, so that silence
// stays exactly zero.
qint16 sample16(float v);

// Fills `out` with frames [first, first + count) of a mono sound.
using MonoSource = std::function<void(std::int64_t first, float *out, int count)>;

struct WriteResult {
    QString error; // Japanese; empty on success
    bool cancelled = false;
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Writes `frames` frames of `source` (the same sound in both channels) to
// `out`, opening and committing it. `cancel`, looked at between blocks,
// stops the writing and leaves the output as it was.
WriteResult writeMono(SaveFile::Writer &out, std::int64_t frames, const MonoSource &source,
                      const std::atomic<bool> *cancel = nullptr);

} // namespace WavFile
