// Time from a keystroke in the H-MML editor to the main window showing the
// new OMP data (set and painted), for songs of 1,000 and 10,000 lines: with
// the editor's pause after the last key as shipped, and the work alone (no
// pause). Also the time the keystroke itself holds the window. Runs
// offscreen unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).

#include "bench_support.h"

#include "bench_window.h"

#include "app/hmml_editor_window.h"
#include "app/hmml_text_edit.h"
#include "app/live_compiler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>
#include <vector>

namespace {

struct Figures {
    std::vector<double> key, shown; // milliseconds
};

QString summary(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return QStringLiteral("median %1 ms, best %2 ms, worst %3 ms")
        .arg(v[v.size() / 2], 0, 'f', 1)
        .arg(v.front(), 0, 'f', 1)
        .arg(v.back(), 0, 'f', 1);
}

void settle(HmmlEditorWindow &e)
{
    while (e.compiler().isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

Figures measure(MainWindow &f, HmmlEditorWindow &e, int delay, int runs)
{
    e.compiler().setDelay(delay);
    // A note "N C O" in the middle of the song: its pitch turns D and back.
    const QRegularExpression note(QStringLiteral("^\\d+ C \\d$"));
    QTextBlock block = e.textEdit->document()->findBlockByNumber(e.textEdit->blockCount() / 2);
    while (block.isValid() && !note.match(block.text()).hasMatch())
        block = block.next();
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + int(block.text().indexOf(u' ')) + 1);
        cursor.setPosition(cursor.position() + 1, QTextCursor::KeepAnchor);
        e.textEdit->setTextCursor(cursor);
        const QString before = f.ompEdit->toPlainText();
        const QString pitch = i % 2 == 0 ? QStringLiteral("D") : QStringLiteral("C");
        QElapsedTimer t;
        t.start();
        QKeyEvent press(QEvent::KeyPress, pitch == u"D" ? Qt::Key_D : Qt::Key_C, Qt::ShiftModifier, pitch);
        QKeyEvent release(QEvent::KeyRelease, pitch == u"D" ? Qt::Key_D : Qt::Key_C, Qt::ShiftModifier, pitch);
        QCoreApplication::sendEvent(e.textEdit, &press);
        QCoreApplication::sendEvent(e.textEdit, &release);
        figures.key.push_back(t.nsecsElapsed() / 1e6);
        while (f.ompEdit->toPlainText() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        f.ompEdit->viewport()->repaint();
        figures.shown.push_back(t.nsecsElapsed() / 1e6);
        settle(e);
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    for (const long lines : {1000L, 10000L, 100000L}) {
        QTemporaryDir dir;
        const QString song = dir.filePath(QStringLiteral("song.hml"));
        QFile file(song);
        if (!file.open(QIODevice::WriteOnly) || file.write(generatedSong(lines).toLatin1()) < 0)
            return 1;
        file.close();
        BenchWindow window(dir.path());
        MainWindow &f = window.form;
        f.startUp({song});
        QElapsedTimer opening;
        opening.start();
        f.editorAction->trigger();
        const double opened = opening.nsecsElapsed() / 1e6;
        HmmlEditorWindow &e = *f.editor();
        settle(e);
        const bool big = lines > 10000;
        const Figures paused = big ? Figures() : measure(f, e, 150, 20);
        const Figures work = measure(f, e, 0, big ? 5 : 40);
        std::printf("%ld lines (%lld characters of OMP data): the editor opens on it in %.0f ms\n", lines,
                    (long long)f.ompEdit->toPlainText().size(), opened);
        if (!big)
            std::printf("  keystroke to the main window showing the new OMP data, after the editor's 150 ms pause: %s\n",
                        qPrintable(summary(paused.shown)));
        std::printf("  the same, the work alone (compile, lay out, show, paint): %s\n", qPrintable(summary(work.shown)));
        std::printf("  the keystroke itself holds the window: %s\n", qPrintable(summary(work.key)));
        e.textEdit->document()->setModified(false);
    }
    return 0;
}
