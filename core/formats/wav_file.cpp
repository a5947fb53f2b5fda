#include "core/formats/wav_file.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace WavFile {

namespace {

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

} // namespace

QString tooLongMessage()
{
    return QStringLiteral("曲が長すぎて WAV ファイルにできません (WAV ファイルは 6 時間ほどまでです)。");
}

QByteArray header(std::int64_t frames)
{
    const auto dataBytes = std::uint32_t(frames * Channels * BytesPerSample);
    QByteArray h;
    h.reserve(44);
    h.append("RIFF");
    put32(h, 36 + dataBytes);
    h.append("WAVE");
    h.append("fmt ");
    put32(h, 16);
    put16(h, 1); // integer PCM
    put16(h, Channels);
    put32(h, SampleRate);
    put32(h, SampleRate * Channels * BytesPerSample);
    put16(h, Channels * BytesPerSample);
    put16(h, 8 * BytesPerSample);
    h.append("data");
    put32(h, dataBytes);
    return h;
}

qint16 sample16(float v)
{
    const float scaled = std::nearbyint(v * 32767.0f);
    return qint16(std::clamp(scaled, -32768.0f, 32767.0f));
}

WriteResult writeMono(SaveFile::Writer &out, std::int64_t frames, const MonoSource &source, const std::atomic<bool> *cancel)
{
    WriteResult result;
    if (frames > MaxFrames) {
        result.error = tooLongMessage();
        return result;
    }
    result.error = out.open();
    bool written = result.error.isEmpty() && out.write(header(frames));
    std::vector<float> mono(BlockFrames);
    QByteArray block(BlockFrames * Channels * BytesPerSample, Qt::Uninitialized);
    for (std::int64_t done = 0; written && done < frames;) {
        if (cancel && cancel->load()) {
            result.cancelled = true;
            out.cancel();
            return result;
        }
        const int n = int(std::min<std::int64_t>(BlockFrames, frames - done));
        source(done, mono.data(), n);
        auto *p = reinterpret_cast<unsigned char *>(block.data());
        for (int i = 0; i < n; ++i) {
            const auto s = quint16(sample16(mono[size_t(i)]));
            *p++ = s & 0xFF;
            *p++ = s >> 8;
            *p++ = s & 0xFF;
            *p++ = s >> 8;
        }
        written = out.write(QByteArrayView(block.constData(), qsizetype(n) * Channels * BytesPerSample));
        done += n;
    }
    if (result.error.isEmpty())
        result.error = out.commit();
    return result;
}

} // namespace WavFile
