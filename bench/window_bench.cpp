// The main window with long songs, each figure against its target:
// - the OMP box holding 1,000,000 characters of OMP data (a song file
//   opened): the time to show it, and keystrokes into the middle of it,
//   each from the key to the box painted again, with the longest stall of
//   the window meanwhile (target: a keystroke answers in 50 ms);
// - "MIDIファイルを開く" on a MIDI file of 90,000 notes (the most a song takes)
//   and of 300,000 (refused once read): the time to the report and the
//   longest stall of the window meanwhile (target: 50 ms), and Cancel
//   pressed halfway: the time until the window is back to the song it had;
// - "ファイル読み込み・変換" on a 100,000-line H-MML file, still compiled on the
//   window's thread: the time to the song shown and the longest stall.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).
// Usage: vltn_bench_window [CHARACTERS]

#include "bench_window.h"
#include "stall_meter.h"

#include "app/player_strip.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void showAndType(const QString &omp, bool separated)
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("long.vtd"));
    QFile f(song);
    f.open(QIODevice::WriteOnly);
    f.write("[Data]\r\nData=" + omp.toLatin1() + "\r\n");
    f.close();

    BenchWindow window(dir.path());
    MainWindow &form = window.form;
    StallMeter stalls;

    QElapsedTimer timer;
    timer.start();
    form.startUp({song});
    QApplication::processEvents();
    (void)form.ompEdit->viewport()->grab(); // laid out and painted
    const double shownMs = timer.nsecsElapsed() / 1e6;

    PaintCounter painted;
    form.ompEdit->viewport()->installEventFilter(&painted);
    QTextCursor middle(form.ompEdit->document());
    middle.setPosition(form.ompEdit->document()->characterCount() / 2);
    form.ompEdit->setTextCursor(middle);
    runFor(100);
    std::vector<double> keys;
    stalls.start();
    for (int i = 0; i < 10; ++i) {
        const int before = painted.paints;
        const qsizetype length = form.session().omp().size();
        timer.restart();
        QCoreApplication::postEvent(form.ompEdit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A")));
        QCoreApplication::postEvent(form.ompEdit, new QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("A")));
        runUntil([&] { return form.session().omp().size() > length && painted.paints > before; });
        keys.push_back(timer.nsecsElapsed() / 1e6);
        runFor(20);
    }
    const double stall = stalls.longestMs();
    stalls.stop();
    std::sort(keys.begin(), keys.end());
    std::printf("%lld characters of OMP data %s separators: shown in %.0f ms; a keystroke to the box painted: "
                "median %.1f ms, worst %.1f ms, longest stall %.1f ms (target 50 ms: %s)\n",
                static_cast<long long>(omp.size()), separated ? "with" : "without", shownMs, keys[keys.size() / 2],
                keys.back(), stall, verdict(std::max(keys.back(), stall), 50));
}

QString song(qsizetype characters, bool separated)
{
    QString omp = QStringLiteral("$2:");
    const QString bar = separated ? QStringLiteral("4MMTTVV4T/2RRQQOO4M2/") : QStringLiteral("4MMTTVV4T2RRQQOO4M2");
    while (omp.size() < characters)
        omp += bar;
    return omp.left(characters);
}

// A MIDI file of `notes` notes from vltn_gen_midi (four a second, one in
// 17 a rest).
QString midiFile(const QTemporaryDir &dir, long notes)
{
    const QString path = dir.filePath(QStringLiteral("song-%1.mid").arg(notes));
    QProcess gen;
    gen.setStandardOutputFile(path);
    gen.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vltn_gen_midi")),
              {QString::number(notes * 17 / 16 / 4)});
    if (!gen.waitForFinished(120000) || gen.exitCode() != 0) {
        std::fprintf(stderr, "vltn_gen_midi did not run\n");
        std::exit(1);
    }
    return path;
}

void import(long notes)
{
    QTemporaryDir dir;
    const QString midi = midiFile(dir, notes);
    const QString kept = dir.filePath(QStringLiteral("kept.hml"));
    QFile hml(kept);
    hml.open(QIODevice::WriteOnly);
    hml.write("C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    hml.close();

    BenchWindow window(dir.path());
    MainWindow &form = window.form;
    form.startUp({kept});
    runFor(100);
    StallMeter stalls;

    // To the report (or the refusal), the song saved as nothing.
    window.messages.answerNext(MessageBoxes::Answer::No);
    window.dialogs.chooseNext(midi);
    const std::size_t told = window.messages.shown.size();
    QElapsedTimer timer;
    stalls.start();
    timer.start();
    post([&] { form.openMidiAction->trigger(); });
    runUntil([&] { return window.messages.shown.size() > told; });
    const double doneMs = timer.nsecsElapsed() / 1e6;
    runFor(100);
    const double stall = stalls.longestMs();
    const bool refused = window.messages.shown.back().icon == MessageBoxes::Icon::Critical;
    std::printf("MIDI file of %ld notes (%s): the window has the %s after %.0f ms, longest stall %.1f ms "
                "(target 50 ms: %s)\n",
                notes, refused ? "refused" : "taken", refused ? "refusal" : "report", doneMs, stall,
                verdict(stall, 50));

    // Cancel once half of it is done.
    form.session().openHmmlFile(kept);
    runFor(100);
    window.dialogs.chooseNext(midi);
    const std::size_t saidBefore = window.messages.shown.size();
    stalls.start();
    post([&] { form.openMidiAction->trigger(); });
    runUntil([&] { return form.session().isImporting(); });
    runUntil([&] { return !form.session().isImporting() || form.playerStrip->workProgress() >= 500; });
    const bool cancelled = form.session().isImporting();
    timer.restart();
    form.playerStrip->cancelButton->click();
    runUntil([&] { return !form.session().isImporting(); });
    const double backMs = timer.nsecsElapsed() / 1e6;
    runFor(100);
    std::printf("  Cancel at %s: the window back to its song after %.1f ms (title \"%s\", %s), longest stall %.1f ms\n",
                cancelled ? "half of it" : "its end (it was done before half of it was told)", backMs,
                qPrintable(form.titleEdit->text()), window.messages.shown.size() == saidBefore ? "nothing said" : "a message",
                stalls.longestMs());
}

// "ファイル読み込み・変換" on a 100,000-line H-MML file: still read and
// compiled on the window's thread (no target; told for what it is).
void loadHmml()
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("song.hml"));
    QProcess gen;
    gen.setStandardOutputFile(song);
    gen.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vltn_gen_hmml")), {QStringLiteral("100000")});
    if (!gen.waitForFinished(120000) || gen.exitCode() != 0) {
        std::fprintf(stderr, "vltn_gen_hmml did not run\n");
        std::exit(1);
    }
    BenchWindow window(dir.path());
    MainWindow &form = window.form;
    form.startUp({});
    runFor(100);
    StallMeter stalls;
    window.dialogs.chooseNext(song);
    QElapsedTimer timer;
    stalls.start();
    timer.start();
    post([&] { form.loadHmmlButton->click(); });
    runUntil([&] { return !form.session().omp().isEmpty(); });
    const double doneMs = timer.nsecsElapsed() / 1e6;
    runFor(100);
    std::printf("\"ファイル読み込み・変換\" on a 100,000-line H-MML file (on the window's thread): the song shown after %.0f ms, "
                "longest stall %.1f ms\n",
                doneMs, stalls.longestMs());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype characters = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    for (const bool separated : {false, true})
        showAndType(song(characters, separated), separated);
    for (const long notes : {90000L, 300000L})
        import(notes);
    loadHmml();
    return 0;
}
