// The MIDI writer on random OMP text: no crash, no sanitizer report, and
// every file it produces parses back as one well-formed track.

#include "fuzz/fuzz_input.h"
#include "core/formats/midi_writer.h"
#include "core/omp/omp_scan.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_midi_writer: %s\n", what);
    std::abort();
}

// Walks the file as a MIDI reader would; returns the number of note-ons.
int parseBack(const QByteArray &f, int program)
{
    const auto u = [&](qsizetype i) { return static_cast<unsigned char>(f[i]); };
    static const unsigned char head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    if (f.size() < 29)
        fail("file shorter than 29 bytes");
    for (qsizetype i = 0; i < qsizetype(sizeof head); ++i)
        if (u(i) != head[i])
            fail("bad header");
    const quint32 length = (quint32(u(18)) << 24) | (quint32(u(19)) << 16) | (quint32(u(20)) << 8) | u(21);
    if (qsizetype(length) != f.size() - 22)
        fail("track length does not match the file");
    if (u(22) != 0 || u(23) != 0xC0 || u(24) != program)
        fail("bad program change");
    int noteOns = 0;
    qsizetype i = 25;
    for (;;) {
        const qsizetype deltaStart = i;
        for (;;) {
            if (i >= f.size())
                fail("file ends inside a delta");
            if (i - deltaStart == 4)
                fail("delta longer than four bytes");
            if (!(u(i++) & 0x80))
                break;
        }
        if (i - deltaStart > 1 && u(deltaStart) == 0x80)
            fail("delta not in its shortest form");
        if (i >= f.size())
            fail("file ends before a status byte");
        const unsigned char status = u(i++);
        if (status == 0xFF) {
            if (i + 2 != f.size() || u(i) != 0x2F || u(i + 1) != 0)
                fail("end of track is not the last event");
            return noteOns;
        }
        if (status != 0x90 && status != 0x80)
            fail("unexpected status byte");
        if (i + 2 > f.size() || (u(i) & 0x80) || (u(i + 1) & 0x80))
            fail("bad note data");
        if (status == 0x90)
            ++noteOns;
        i += 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int tone = int(data[0]) - 1; // -1 to 254: the unselected list and impossible tones too
    const bool utf8 = data[1] & 1;
    // Files are slow to write; one input in sixteen also goes through MIDI_Exp.
    const bool toFile = (data[1] & 0x1E) == 0x02;
    const QString omp = fuzzinput::ompText(data + 2, size - 2, utf8);

    const MidiResult r = MIDI_Build(omp, tone);
    if (!r.ok()) {
        if (!r.bytes.isEmpty())
            fail("bytes with an error");
        if (r.errorPos < 0 || r.errorPos >= omp.size())
            fail("error position outside the data");
        const int code = omp::charCode(omp[r.errorPos]);
        if (code != omp::CodeRest && code < omp::CodePitchFirst)
            fail("error at a character that is neither note nor rest");
        return 0;
    }
    int sounding = 0;
    for (const QChar c : omp) {
        const int code = omp::charCode(c);
        sounding += (code >= omp::CodePitchFirst && code - 17 <= 127);
    }
    if (parseBack(r.bytes, (tone >= 0 && tone <= 127) ? tone : 0) != sounding)
        fail("note-on count differs from the pitches in the data");

    if (toFile) {
        static QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fuzz.mid"));
        const MidiResult written = MIDI_Exp(omp, path, tone);
        QFile f(path);
        if (!written.ok() || !f.open(QIODevice::ReadOnly) || f.readAll() != r.bytes)
            fail("the file differs from the bytes built in memory");
    }
    return 0;
}
