// The line map the compiler keeps beside a song of 1,000,000 lines: its
// memory against the OMP data's, and what keeping it costs the compiler.

#include "bench_support.h"

#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"
#include "core/hmml/note_lines.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The best of five runs, in milliseconds.
template <class F>
double bestOf(F &&run)
{
    return bestSeconds(5, run) * 1000;
}

void measure(const char *what, const QString &source)
{
    ConversionStatus status;
    HmmlSongFields fields;
    hmml::NoteLineMap map;
    hmml::ConvertDetails details;
    details.lines = &map;
    QString raw;
    const double withMap = bestOf([&] { raw = hmml::convert(source, {}, true, status, fields, details); });
    hmml::ConvertDetails plain;
    const double without = bestOf([&] { hmml::convert(source, {}, true, status, fields, plain); });
    const QString formatted = OMP_Format(raw, QStringLiteral("/"), 10, status);
    qint64 sum = 0;
    const double lookups = bestOf([&] {
        for (qsizetype i = 0; i < map.noteCount(); i += 97)
            sum += map.lineOf(i);
    });

    std::printf("%s: %lld lines, %lld notes, OMP data %lld characters as compiled, %lld laid out with \"/\" every 10\n",
                what, (long long)source.count(u'\n'), (long long)map.noteCount(), (long long)raw.size(),
                (long long)formatted.size());
    std::printf("  line map: %lld bytes, %.4f of the laid-out OMP data as the window holds it (%lld bytes, UTF-16), "
                "%.4f of it as ASCII; %.3f bytes a note\n",
                (long long)map.memoryBytes(), double(map.memoryBytes()) / double(formatted.size() * 2),
                (long long)formatted.size() * 2, double(map.memoryBytes()) / double(formatted.size()),
                double(map.memoryBytes()) / double(map.noteCount()));
    std::printf("  compile: %.1f ms with the line map, %.1f ms without (best of 5); %lld lookups of a note's line in %.2f ms"
                " (checksum %lld)\n",
                withMap, without, (long long)(map.noteCount() / 97 + 1), lookups, (long long)sum);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    const QString song = generatedSong(lines);
    measure("generated song", song);
    // Every note a run of its own: a comment after each line.
    QString commented = song;
    commented.replace(QStringLiteral("\r\n"), QStringLiteral("\r\n' -\r\n"));
    measure("the same with a comment after every line", commented);
    return 0;
}
