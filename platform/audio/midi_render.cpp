#include "platform/audio/midi_render.h"

#include "platform/audio/fluidsynth_engine.h"
#include "core/formats/midi_timing.h"

#include "core/formats/wav_file.h"
#include "core/io/save_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int Channels = WavFile::Channels;
constexpr int BytesPerSample = WavFile::BytesPerSample;
constexpr int BlockFrames = 4096;

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
        result.error = WavFile::tooLongMessage();
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
    bool written = result.error.isEmpty() && out.write(WavFile::header(result.frames));

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
            const auto l = quint16(WavFile::sample16(left[size_t(i)]));
            const auto r = quint16(WavFile::sample16(right[size_t(i)]));
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
