#pragma once
// The benchmarks' H-MML songs: what vltn_gen_hmml (beside the benchmark)
// writes for a number of lines.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>

#include <cstdio>
#include <cstdlib>

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
