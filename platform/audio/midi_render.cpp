#include "platform/audio/midi_render.h"

#include "platform/audio/fluidsynth_engine.h"
#include "core/formats/midi_timing.h"

#include "core/io/save_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int Channels = 2;
constexpr int BytesPerSample = 2;
constexpr int BlockFrames = 4096;

void put16(QByteArray &b, unsigned v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

QByteArray wavHeader(std::uint32_t dataBytes)
{
    QByteArray h;
    h.reserve(44);
    h.append("RIFF");
    put32(h, 36 + dataBytes);
    h.append("WAVE");
    h.append("fmt ");
    put32(h, 16);
    put16(h, 1); // integer PCM
    put16(h, Channels);
    put32(h, FluidSynthEngine::SampleRate);
    put32(h, FluidSynthEngine::SampleRate * Channels * BytesPerSample);
    put16(h, Channels * BytesPerSample);
    put16(h, 8 * BytesPerSample);
    h.append("data");
    put32(h, dataBytes);
    return h;
}

// Rounds to 16 bits without dither, so that silence stays exactly zero.
qint16 toSample(float v)
{
    const float scaled = std::nearbyint(v * 32767.0f);
    return qint16(std::clamp(scaled, -32768.0f, 32767.0f));
}

} // namespace

MidiRenderResult renderMidiToWav(const QString &midiPath, const QString &wavPath, const MidiRenderOptions &options)
{
    SaveFile::Writer out(wavPath);
    return renderMidiToWav(midiPath, out, options);
}

MidiRenderResult renderMidiToWav(const QString &midiPath, SaveFile::Writer &out, const MidiRenderOptions &options)
{
    MidiRenderResult result;
    const MidiFileRead read = readMidiFile(midiPath);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    result.seconds = read.timing.durationSeconds();
    result.frames = std::llround(result.seconds * FluidSynthEngine::SampleRate);
    const std::int64_t dataBytes = result.frames * Channels * BytesPerSample;
    if (dataBytes > std::int64_t(std::numeric_limits<std::uint32_t>::max()) - 36) {
        result.error = QStringLiteral("曲が長すぎて WAV ファイルにできません (WAV ファイルは 6 時間ほどまでです)。");
        return result;
    }

    const FluidSynthEngine::SynthResult created = FluidSynthEngine::createSynth(options.soundFont);
    if (!created.ok()) {
        result.error = created.error;
        return result;
    }
    fluid_synth_t *synth = created.synth->synth();
    fluid_player_t *player = new_fluid_player(synth);
    if (!player || fluid_player_add_mem(player, read.bytes.constData(), size_t(read.bytes.size())) != FLUID_OK
        || fluid_player_play(player) != FLUID_OK) {
        if (player)
            delete_fluid_player(player);
        result.error = QStringLiteral("WAV ファイルへの書き出しを始められません (メモリー不足)。");
        return result;
    }

    // The one save path: a read-only file is refused, a device is written
    // in place, and a failure leaves the old file whole with the reason told.
    result.error = out.open();
    bool written = result.error.isEmpty() && out.write(wavHeader(std::uint32_t(dataBytes)));

    std::vector<float> left(BlockFrames), right(BlockFrames);
    QByteArray block(BlockFrames * Channels * BytesPerSample, Qt::Uninitialized);
    for (std::int64_t done = 0; written && done < result.frames;) {
        if (options.cancel && options.cancel->load()) {
            result.cancelled = true;
            break;
        }
        const int n = int(std::min<std::int64_t>(BlockFrames, result.frames - done));
        // The player is timed by the samples written, so each block moves
        // the song on by exactly its own length.
        fluid_synth_write_float(synth, n, left.data(), 0, 1, right.data(), 0, 1);
        auto *p = reinterpret_cast<unsigned char *>(block.data());
        for (int i = 0; i < n; ++i) {
            const auto l = quint16(toSample(left[size_t(i)]));
            const auto r = quint16(toSample(right[size_t(i)]));
            *p++ = l & 0xFF;
            *p++ = l >> 8;
            *p++ = r & 0xFF;
            *p++ = r >> 8;
        }
        written = out.write(QByteArrayView(block.constData(), qsizetype(n) * Channels * BytesPerSample));
        done += n;
    }
    delete_fluid_player(player);

    if (result.cancelled) {
        out.cancel();
        return result;
    }
    if (result.error.isEmpty())
        result.error = out.commit();
    return result;
}
