// The main window with a long song: the time from opening a song file of
// 1,000,000 characters of OMP data to its text laid out and painted, and the
// time a keystroke into that text takes. Run offscreen; prints the figures.
// Usage: vltn_bench_window [CHARACTERS]

#include "bench_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double showAndType(const QString &omp, double &keystrokeMs)
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("long.vtd"));
    QFile f(song);
    f.open(QIODevice::WriteOnly);
    f.write("[Data]\r\nData=" + omp.toLatin1() + "\r\n");
    f.close();

    BenchWindow window(dir.path());
    MainWindow &form = window.form;

    QElapsedTimer timer;
    timer.start();
    form.startUp({song});
    QApplication::processEvents();
    (void)form.ompEdit->viewport()->grab(); // laid out and painted
    const double shownMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    const int keys = 5;
    for (int i = 0; i < keys; ++i) {
        form.ompEdit->insertPlainText(QStringLiteral("A"));
        QApplication::processEvents();
        (void)form.ompEdit->viewport()->grab();
    }
    keystrokeMs = timer.nsecsElapsed() / 1e6 / keys;
    return shownMs;
}

QString song(qsizetype characters, bool separated)
{
    QString omp = QStringLiteral("$2:");
    const QString bar = separated ? QStringLiteral("4MMTTVV4T/2RRQQOO4M2/") : QStringLiteral("4MMTTVV4T2RRQQOO4M2");
    while (omp.size() < characters)
        omp += bar;
    return omp.left(characters);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype characters = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    for (const bool separated : {false, true}) {
        double keystroke = 0;
        const double shown = showAndType(song(characters, separated), keystroke);
        std::printf("%lld characters of OMP data %s separators: shown in %.0f ms, a keystroke %.0f ms\n",
                    static_cast<long long>(characters), separated ? "with" : "without", shown, keystroke);
    }
    return 0;
}
