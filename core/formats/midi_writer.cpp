#include "core/formats/midi_writer.h"

#include "core/omp/omp_scan.h"
#include "core/io/save_file.h"

#include <cmath>
#include <limits>

namespace {

constexpr unsigned char RestNote = 0x2A; // a rest carries time on note 42, the code of "*"
constexpr qsizetype TrackStart = 22;     // offset of the first track event

QString charText(QChar c)
{
    return QStringLiteral("「%1」").arg(c);
}

} // namespace

QByteArray MIDI_DeltaBytes(quint32 d)
{
    if (d > omp::MaxMidiDelta)
        return QByteArray();
    unsigned char bytes[4];
    const int n = omp::encodeDelta(d, bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), n);
}

MidiResult MIDI_Build(QStringView OMP_Data, int tone)
{
    MidiResult result;
    const unsigned char program = (tone >= 0 && tone <= 127) ? static_cast<unsigned char>(tone) : 0;

    static const char header[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, // header chunk, 6 bytes
        0, 0, 0, 1, 0x01, char(0xE0),   // format 0, one track, 480 ticks per quarter
        'M', 'T', 'r', 'k', 0, 0, 0, 0, // track chunk; its length is patched at the end
    };
    QByteArray &out = result.bytes;
    // A typical song has a pitch or rest every other character, 9 to 11
    // bytes each; the array grows by itself beyond that.
    out.reserve(TrackStart + 7 + OMP_Data.size() * 6);
    out.append(header, sizeof header);
    out.append('\0');
    out.append(char(0xC0));
    out.append(char(program));

    // The whole song is written in one go without yielding to the event
    // loop: a million notes take a fraction of a second.
    omp::ReaderState state; // every conversion starts at tempo 0 and length 0
    const bool completed = omp::scan(OMP_Data, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind != omp::EventKind::Pitch && ev.kind != omp::EventKind::Rest)
            return true;
        const bool rest = ev.kind == omp::EventKind::Rest;
        if (s.tempo == 0.0f) {
            result.errorPos = ev.pos;
            result.error = QStringLiteral("OMPデータの %1 文字目%2の%3: テンポが 0 のため長さを計算できません。"
                                          "音符や休符の前に 0 より大きいテンポ ($) を指定してください。")
                               .arg(ev.pos + 1)
                               .arg(charText(OMP_Data[ev.pos]), rest ? QStringLiteral("休符") : QStringLiteral("音符"));
            return false;
        }
        const double ticks = omp::noteTicks(s);
        if (!(ticks <= double(omp::MaxMidiDelta))) {
            result.errorPos = ev.pos;
            result.error = QStringLiteral("OMPデータの %1 文字目%2の%3: 長さが MIDI ファイルで表せる範囲を超えています"
                                          " (テンポが小さすぎます)。")
                               .arg(ev.pos + 1)
                               .arg(charText(OMP_Data[ev.pos]), rest ? QStringLiteral("休符") : QStringLiteral("音符"));
            return false;
        }
        const int noteNumber = ev.code - 17;
        const bool silent = rest || noteNumber > 127;
        const unsigned char note = silent ? RestNote : static_cast<unsigned char>(noteNumber);

        unsigned char group[11];
        int n = 0;
        group[n++] = 0x00;
        group[n++] = silent ? 0x80 : 0x90;
        group[n++] = note;
        group[n++] = silent ? 0x00 : 0x7F;
        n += omp::encodeDelta(static_cast<quint32>(ticks), group + n);
        group[n++] = 0x80;
        group[n++] = note;
        group[n++] = 0x00;
        out.append(reinterpret_cast<const char *>(group), n);
        return true;
    });
    if (!completed) {
        out.clear();
        return result;
    }

    static const char endOfTrack[] = {0, char(0xFF), 0x2F, 0};
    out.append(endOfTrack, sizeof endOfTrack);

    const qint64 trackLength = out.size() - TrackStart;
    if (trackLength > qint64(std::numeric_limits<quint32>::max())) {
        out.clear();
        result.error = QStringLiteral("OMPデータが長すぎて MIDI ファイルにできません。");
        return result;
    }
    for (int i = 0; i < 4; ++i)
        out[18 + i] = char((trackLength >> (24 - 8 * i)) & 0xFF);
    return result;
}

MidiResult MIDI_Exp(const QString &OMP_Data, const QString &ExportFileName, int tone)
{
    MidiResult result = MIDI_Build(OMP_Data, tone);
    if (!result.ok())
        return result;
    const QString error = SaveFile::writeAll(ExportFileName, result.bytes);
    if (!error.isEmpty()) {
        result.bytes.clear();
        result.error = error;
    }
    return result;
}
