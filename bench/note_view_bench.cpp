// The song's notes and the note view for songs of 1,000, 10,000 and 100,000
// notes: building the notes from a compile, writing the SVG picture, and the
// view setting a song and drawing it (fitted, and zoomed in), scrolling by the
// wheel, jumping a page, highlighting a line and moving the play position.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).

#include "bench_support.h"

#include "app/note_view.h"
#include "core/notes/svg_picture.h"
#include "core/notes/song_notes.h"
#include "core/song/song_conversion.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace {

// A song of `count` notes as people write them: tempo 480 (8 units a second),
// lengths of 1 to 4 units, a melody moving in small steps over the four
// octaves, a rest now and then, a comment every 8 notes, and after every 48
// notes a loop of 8 notes played twice.
QString song(long count)
{
    static const char *const names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    static const int lengths[] = {1, 2, 2, 4};
    QString text = QStringLiteral("C-TITLE:Benchmark\r\nC-TEMPO:480\r\n");
    unsigned seed = 12345;
    const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16 & 0x7fff; };
    int pitch = 24;
    for (long n = 0; n < count;) {
        const bool loop = n % 64 == 48 && count - n >= 16;
        if (loop)
            text += QStringLiteral("C-LOOP:1\r\n");
        for (int i = 0; i < (loop ? 8 : 1); ++i) {
            const unsigned r = next();
            if (r % 13 == 0) {
                text += QStringLiteral("%1 *\r\n").arg(lengths[r / 13 % 4]);
            } else {
                pitch = std::clamp(pitch + int(r % 7) - 3, 0, 47);
                text += QStringLiteral("%1 %2 %3\r\n").arg(lengths[r / 7 % 4]).arg(QLatin1String(names[pitch % 12])).arg(1 + pitch / 12);
            }
        }
        if (loop)
            text += QStringLiteral("C-LEND\r\n");
        n += loop ? 16 : 1;
        if (n % 8 == 0)
            text += QStringLiteral("' bar %1\r\n").arg(n / 8);
    }
    return text;
}

// Counts the paints of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Milliseconds of one run of `work`, each run until the view has painted
// what it asked for.
template <class F>
std::vector<double> paintedRuns(QWidget *viewport, int runs, F &&work)
{
    PaintCounter counter;
    viewport->installEventFilter(&counter);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const int before = counter.paints;
        QElapsedTimer t;
        t.start();
        work(i);
        while (counter.paints == before && t.elapsed() < 200)
            QCoreApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    viewport->removeEventFilter(&counter);
    std::sort(ms.begin(), ms.end());
    return ms;
}

QString summary(const std::vector<double> &ms)
{
    return QStringLiteral("median %1 ms, worst %2 ms").arg(ms[ms.size() / 2], 0, 'f', 2).arg(ms.back(), 0, 'f', 2);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("platform %s; the view is 1000 x 400 pixels\n", qPrintable(QGuiApplication::platformName()));
    for (const long wanted : {1000L, 10000L, 100000L}) {
        const HmmlConversion c = convertHmml(song(wanted), QString(), 0);
        std::shared_ptr<const notes::SongNotes> notes;
        const double model = bestSeconds(5, [&] { notes = std::make_shared<const notes::SongNotes>(c); }) * 1000;
        QByteArray svg;
        const double picture = bestSeconds(3, [&] { svg = formats::svgPicture(*notes, {}); }) * 1000;
        std::printf("%lld notes (%.0f s of music): notes built in %.2f ms; SVG picture written in %.1f ms (%.1f MB)\n",
                    (long long)notes->size(), notes->totalTicks() / 960.0, model, picture, svg.size() / 1e6);

        NoteView view;
        view.resize(1000, 400);
        view.show();
        QCoreApplication::processEvents();
        // A new song, drawn whole at once (a compile's result arriving).
        const double fitted = bestSeconds(5, [&] {
            view.setNotes(notes);
            view.fitAll();
            view.viewport()->repaint();
        }) * 1000;
        // Built and drawn, as the editor's compile result is shown.
        const double fromCompile = bestSeconds(5, [&] {
            view.showConversion(c);
            view.viewport()->repaint();
        }) * 1000;
        view.setPixelsPerSecond(100);
        const double zoomed = bestSeconds(5, [&] {
            view.setNotes(notes);
            view.viewport()->repaint();
        }) * 1000;
        std::printf("  view: set and drawn whole, fitted %.2f ms; built from the compile and drawn %.2f ms;"
                    " set and drawn at 100 px a second %.2f ms\n",
                    fitted, fromCompile, zoomed);

        QScrollBar *bar = view.horizontalScrollBar();
        const std::vector<double> wheel = paintedRuns(view.viewport(), 300, [&](int) {
            QWheelEvent e(QPointF(500, 200), view.viewport()->mapToGlobal(QPointF(500, 200)), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view.viewport(), &e);
        });
        bar->setValue(0);
        const std::vector<double> pages =
            paintedRuns(view.viewport(), 20, [&](int) { bar->setValue(bar->value() + bar->pageStep()); });
        // The lines of notes in view, one after the other.
        const qsizetype shown = notes->noteAt(qint64((bar->value() + 500) / view.pixelsPerSecond() * notes::TicksPerSecond));
        const std::vector<double> lines =
            paintedRuns(view.viewport(), 100, [&](int i) { view.setCurrentLine((*notes)[shown + i % 16].line); });
        const double start = bar->value() / view.pixelsPerSecond() * 1000;
        const std::vector<double> play =
            paintedRuns(view.viewport(), 200, [&](int i) { view.setPlayPosition(start + i * 50.0); });
        std::printf("  a wheel step (48 px) %s; a page %s; a line highlighted %s; the play position every 50 ms %s\n",
                    qPrintable(summary(wheel)), qPrintable(summary(pages)), qPrintable(summary(lines)),
                    qPrintable(summary(play)));
        view.fitAll();
        const std::vector<double> zoom =
            paintedRuns(view.viewport(), 20, [&](int i) { i % 2 ? view.zoomOut() : view.zoomIn(); });
        std::printf("  a zoom step from the whole song %s\n", qPrintable(summary(zoom)));
    }
    return 0;
}
