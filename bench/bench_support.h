#pragma once
// What the benchmarks share: the best time of some runs, and the H-MML songs
// vltn_gen_hmml (beside the benchmark) writes.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

// The best of `runs` runs of `work`, in seconds.
template <class F>
double bestSeconds(int runs, F &&work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

inline QString generatedSong(long lines)
{
    QProcess gen;
    gen.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vltn_gen_hmml")),
              {QString::number(lines)});
    if (!gen.waitForFinished(120000) || gen.exitCode() != 0) {
        std::fprintf(stderr, "vltn_gen_hmml did not run\n");
        std::exit(1);
    }
    return QString::fromLatin1(gen.readAllStandardOutput());
}
