// Times the MIDI writer and both BASIC generators on a long generated song
// and prints the figures. With --omp and --csv it also writes the song as an
// OMP data file and as the midicsv listing of the same notes, so that a
// script can time `vltn midi` against csvmidi.

#include "bench_support.h"

#include "core/formats/basic_generator.h"
#include "core/formats/midi_writer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Song {
    QString omp;
    std::string csv; // midicsv listing of the file MIDI_Exp writes for tone 0
};

// A deterministic song of `notes` pitches and rests, with lengths changing
// often and a tempo change every thousand notes, as a long compiled song has.
Song makeSong(long notes, bool withCsv)
{
    Song s;
    s.omp.reserve(notes * 2 + notes / 100 + 8);
    unsigned seed = 20240601;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7fff; };
    // Tempos and lengths keep the whole song below 2^31 ticks, the most a
    // midicsv listing can express.
    static const char *const tempos[] = {"2", "2.5", "3", "4", "3.33", "2.67"};
    int length = 0;
    float tempo = 0;
    long long tick = 0;
    char line[96];
    if (withCsv)
        s.csv = "0, 0, Header, 0, 1, 480\n1, 0, Start_track\n1, 0, Program_c, 0, 0\n";
    for (long i = 0; i < notes; ++i) {
        if (i % 1000 == 0) {
            const char *t = tempos[(i / 1000) % 6];
            s.omp += u'$';
            s.omp += QLatin1String(t);
            s.omp += u':';
            tempo = std::strtof(t, nullptr);
            length = 10; // the ":" is read as a length too
        }
        const unsigned r = next();
        if (r % 3 == 0 || length == 10) {
            length = 1 + int(r >> 3) % 8;
            s.omp += QChar(u'0' + length);
        }
        const bool rest = r % 17 == 0;
        const int code = rest ? '*' : 'A' + int(r >> 7) % 48;
        s.omp += QChar(char16_t(code));
        if (withCsv) {
            const long long d = static_cast<long long>(std::floor(960.0 / double(tempo) * length));
            const int note = rest ? 42 : code - 17;
            if (rest)
                std::snprintf(line, sizeof line, "1, %lld, Note_off_c, 0, 42, 0\n", tick);
            else
                std::snprintf(line, sizeof line, "1, %lld, Note_on_c, 0, %d, 127\n", tick, note);
            s.csv += line;
            tick += d;
            std::snprintf(line, sizeof line, "1, %lld, Note_off_c, 0, %d, 0\n", tick, note);
            s.csv += line;
        }
    }
    if (withCsv) {
        if (tick > 0x7FFFFFFF)
            std::fprintf(stderr, "warning: %lld ticks, more than a midicsv listing can hold\n", tick);
        std::snprintf(line, sizeof line, "1, %lld, End_track\n0, 0, End_of_file\n", tick);
        s.csv += line;
    }
    return s;
}

bool writeFile(const char *path, const QByteArray &bytes)
{
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    const char *ompPath = nullptr;
    const char *csvPath = nullptr;
    long notes = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--omp") && i + 1 < argc)
            ompPath = argv[++i];
        else if (!std::strcmp(argv[i], "--csv") && i + 1 < argc)
            csvPath = argv[++i];
        else
            notes = std::atol(argv[i]);
    }
    if (notes <= 0) {
        std::fprintf(stderr, "usage: vltn_bench_writers [--omp FILE] [--csv FILE] NOTES\n");
        return 2;
    }
    const Song song = makeSong(notes, csvPath != nullptr);
    if (ompPath && !writeFile(ompPath, song.omp.toLatin1()))
        return 1;
    if (csvPath && !writeFile(csvPath, QByteArray::fromStdString(song.csv)))
        return 1;

    QTemporaryDir dir;
    const QString midiPath = dir.filePath(QStringLiteral("bench.mid"));
    qsizetype midiSize = 0;
    qsizetype e500Size = 0;
    qsizetype g800Size = 0;
    bool ok = true;
    const int runs = 3;
    const double build = bestSeconds(runs, [&] {
        const MidiResult r = MIDI_Build(song.omp, 0);
        ok = ok && r.ok();
        midiSize = r.bytes.size();
    });
    const double exp = bestSeconds(runs, [&] { ok = ok && MIDI_Exp(song.omp, midiPath, 0).ok(); });
    const double e500 = bestSeconds(runs, [&] {
        const BasicProgramResult r = generateBasicProgram(song.omp, Machine::E500);
        ok = ok && r.ok();
        e500Size = r.text.size();
    });
    const double g800 = bestSeconds(runs, [&] {
        const BasicProgramResult r = generateBasicProgram(song.omp, Machine::G800);
        ok = ok && r.ok();
        g800Size = r.text.size();
    });
    if (!ok) {
        std::fprintf(stderr, "a writer failed\n");
        return 1;
    }
    std::printf("notes %ld, OMP %lld characters (best of %d runs)\n", notes, (long long)song.omp.size(), runs);
    const auto row = [&](const char *what, double s, qsizetype size, const char *unit) {
        std::printf("  %-26s %9.1f ms  %7.1f ns/note  %11lld %s\n", what, s * 1e3, s * 1e9 / double(notes),
                    (long long)size, unit);
    };
    row("MIDI_Build (in memory)", build, midiSize, "bytes");
    row("MIDI_Exp (to a file)", exp, midiSize, "bytes");
    row("BASIC PC-E500", e500, e500Size, "characters");
    row("BASIC PC-G800", g800, g800Size, "characters");
    // One line a script can pick up.
    std::printf("RESULT notes=%ld midi_exp=%.6f e500=%.6f g800=%.6f\n", notes, exp, e500, g800);
    return 0;
}
