// The H-MML editor with long songs, each figure against its target where
// it has one:
// - opening a song of 100,000 lines, as the editor window opened on the
//   song and as "開く" in an open editor: the time to the text painted
//   (target 250 ms), to the song compiled and shown in the main window, and
//   the longest stall of the window until all is done (target 100 ms);
// - pasting 1 MiB of H-MML at the end of a short song: the time to the text
//   painted (target 500 ms), to the song shown, and the longest stall;
// - a keystroke, for songs of 1,000 to 100,000 lines (the last also in the
//   PC-E500's voice, its out-of-tune lines marked): the time to the main
//   window showing the new OMP data (set and painted), with the editor's
//   pause after the last key as shipped, and the work alone (no pause); also
//   the time the keystroke itself holds the window.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb).

#include "bench_support.h"

#include "bench_window.h"
#include "stall_meter.h"

#include "app/hmml_editor_window.h"
#include "app/hmml_text_edit.h"
#include "app/live_compiler.h"
#include "app/note_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
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
    while (e.textEdit->isLoading() || e.liveCompiler().isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

QString writeSong(const QTemporaryDir &dir, const QString &name, const QString &text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toLatin1()) < 0)
        std::exit(1);
    return path;
}

// What a command of the editor took: to its first lines painted, to the
// whole text in and painted, to the song shown in the main window, and the
// longest stall until all was done.
struct Timing {
    double first = 0, all = 0, shown = 0, stall = 0;
};

// Runs `command` from the event loop and waits for the editor to paint the
// new text (`started` tells that its first lines are in), then all of its
// `lines` lines, and for its compile, shown in the note view and, unless
// `before` is null, in the main window as OMP data other than `before`; the
// stalls are measured for a second after that too.
Timing timeCommand(MainWindow &f, const std::function<void()> &command, const std::function<HmmlEditorWindow *()> &editor,
                   const std::function<bool(HmmlEditorWindow &)> &started, int lines, QString before)
{
    StallMeter stalls;
    PaintCounter painted;
    HmmlEditorWindow *e = nullptr;
    Timing timing;
    QElapsedTimer t;
    stalls.start();
    t.start();
    post(command);
    int paintsBefore = 0;
    runUntil([&] {
        if (!e && (e = editor()))
            e->textEdit->viewport()->installEventFilter(&painted);
        if (!e || !started(*e))
            return false;
        if (paintsBefore == 0)
            paintsBefore = painted.paints + 1;
        return painted.paints >= paintsBefore;
    });
    timing.first = t.nsecsElapsed() / 1e6;
    runUntil([&] { return e->textEdit->blockCount() == lines && !e->textEdit->isLoading(); });
    paintsBefore = painted.paints + 1;
    runUntil([&] { return painted.paints >= paintsBefore; });
    timing.all = t.nsecsElapsed() / 1e6;
    runUntil([&] {
        return !e->liveCompiler().isBusy() && e->noteView->notes() && (before.isNull() || f.session().omp() != before);
    });
    timing.shown = t.nsecsElapsed() / 1e6;
    runFor(1000);
    timing.stall = stalls.longestMs();
    e->textEdit->viewport()->removeEventFilter(&painted);
    return timing;
}

void opening()
{
    const long lines = 100000;
    QTemporaryDir dir;
    const QString song = writeSong(dir, QStringLiteral("song.hml"), generatedSong(lines));
    const QString other = writeSong(
        dir, QStringLiteral("other.hml"),
        generatedSong(lines).replace(QStringLiteral(" C "), QStringLiteral(" D ")).replace(QStringLiteral("Benchmark"), QStringLiteral("Other")));
    BenchWindow window(dir.path());
    MainWindow &f = window.form;
    f.startUp({song});
    runFor(100);
    const auto titled = [](const char *title) {
        return [title](HmmlEditorWindow &e) { return e.textEdit->document()->firstBlock().text() == QLatin1String(title); };
    };
    const Timing editor = timeCommand(f, [&] { f.editorAction->trigger(); }, [&] { return f.editor(); },
                                      titled("C-TITLE:Benchmark"), lines + 1, QString());
    std::printf("a 100,000-line song: the editor window opens on it, its first lines painted in %.0f ms, all of it in %.0f ms "
                "(target 250 ms: %s), compiled and drawn after %.0f ms; longest stall %.1f ms (target 100 ms: %s)\n",
                editor.first, editor.all, verdict(editor.all, 250), editor.shown, editor.stall, verdict(editor.stall, 100));
    // "開く" on the other file and back, a few times.
    std::vector<double> first, all, shown, stall;
    for (int i = 0; i < 6; ++i) {
        window.dialogs.chooseNext(i % 2 == 0 ? other : song);
        const Timing opened = timeCommand(f, [&] { f.editor()->openAction->trigger(); }, [&] { return f.editor(); },
                                          titled(i % 2 == 0 ? "C-TITLE:Other" : "C-TITLE:Benchmark"), lines + 1, f.session().omp());
        first.push_back(opened.first);
        all.push_back(opened.all);
        shown.push_back(opened.shown);
        stall.push_back(opened.stall);
    }
    std::sort(all.begin(), all.end());
    std::sort(stall.begin(), stall.end());
    std::printf("  \"開く\" a 100,000-line file in the editor, 6 times: its first lines painted in %s; all of it in %s "
                "(target 250 ms: %s); the song shown in %s; longest stall %s (target 100 ms: %s)\n",
                qPrintable(summary(first)), qPrintable(summary(all)), verdict(all[all.size() / 2], 250), qPrintable(summary(shown)),
                qPrintable(summary(stall)), verdict(stall.back(), 100));
    f.editor()->textEdit->document()->setModified(false);
}

void pasting()
{
    QTemporaryDir dir;
    const QString song = writeSong(dir, QStringLiteral("song.hml"), generatedSong(1000));
    BenchWindow window(dir.path());
    MainWindow &f = window.form;
    f.startUp({song});
    f.editorAction->trigger();
    HmmlEditorWindow &e = *f.editor();
    settle(e);
    // 1 MiB of whole lines, with the song's header left out.
    QString text = generatedSong(130000);
    text = text.mid(text.indexOf(u'\n', text.indexOf(u'\n') + 1) + 1);
    text.truncate(text.lastIndexOf(u'\n', 1 << 20) + 1);
    const int lines = e.textEdit->blockCount() + int(text.count(u'\n'));
    QGuiApplication::clipboard()->setText(text);
    e.textEdit->moveCursor(QTextCursor::End);
    const int before = e.textEdit->blockCount();
    const Timing pasted = timeCommand(f, [&] { e.textEdit->paste(); }, [&] { return &e; },
                                      [before](HmmlEditorWindow &e) { return e.textEdit->blockCount() > before; }, lines,
                                      f.session().omp());
    std::printf("pasting %lld characters (%d lines) at the end of a 1,000-line song: its first lines painted in %.0f ms, "
                "all of it in %.0f ms (target 500 ms: %s), the song shown after %.0f ms; longest stall %.1f ms (target 100 ms: %s)\n",
                (long long)text.size(), lines - 1000, pasted.first, pasted.all, verdict(pasted.all, 500), pasted.shown, pasted.stall,
                verdict(pasted.stall, 100));
    e.textEdit->document()->setModified(false);
}

Figures measure(MainWindow &f, HmmlEditorWindow &e, int delay, int runs)
{
    e.liveCompiler().setDelay(delay);
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
        const QString before = f.session().omp();
        const QString pitch = i % 2 == 0 ? QStringLiteral("D") : QStringLiteral("C");
        QElapsedTimer t;
        t.start();
        QKeyEvent press(QEvent::KeyPress, pitch == u"D" ? Qt::Key_D : Qt::Key_C, Qt::ShiftModifier, pitch);
        QKeyEvent release(QEvent::KeyRelease, pitch == u"D" ? Qt::Key_D : Qt::Key_C, Qt::ShiftModifier, pitch);
        QCoreApplication::sendEvent(e.textEdit, &press);
        QCoreApplication::sendEvent(e.textEdit, &release);
        figures.key.push_back(t.nsecsElapsed() / 1e6);
        while (f.session().omp() == before)
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
    // One part alone: "open", "paste" or "keys".
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    if (only.isEmpty() || only == u"open")
        opening();
    if (only.isEmpty() || only == u"paste")
        pasting();
    if (!only.isEmpty() && only != u"keys")
        return 0;
    // The last with the PC-E500's voice: its out-of-tune lines marked.
    for (const auto &[lines, voice] : {std::pair(1000L, false), std::pair(10000L, false), std::pair(100000L, false), std::pair(100000L, true)}) {
        QTemporaryDir dir;
        const QString song = writeSong(dir, QStringLiteral("song.hml"), generatedSong(lines));
        BenchWindow window(dir.path());
        MainWindow &f = window.form;
        f.startUp({song});
        if (voice) {
            f.settings().Voice = 1;
            f.applySettings(f.settings());
        }
        f.editorAction->trigger();
        HmmlEditorWindow &e = *f.editor();
        settle(e);
        const bool big = lines > 10000;
        const Figures paused = big ? Figures() : measure(f, e, 150, 20);
        const Figures work = measure(f, e, 0, big ? 5 : 40);
        std::printf("%ld lines (%lld characters of OMP data)%s:\n", lines, (long long)f.session().omp().size(),
                    voice ? qPrintable(QStringLiteral(", the PC-E500's voice (%1 lines out of tune)").arg(e.textEdit->offTuneLines().size())) : "");
        if (!big)
            std::printf("  keystroke to the main window showing the new OMP data, after the editor's 150 ms pause: %s\n",
                        qPrintable(summary(paused.shown)));
        std::printf("  the same, the work alone (compile, lay out, show, paint): %s\n", qPrintable(summary(work.shown)));
        std::printf("  the keystroke itself holds the window: %s\n", qPrintable(summary(work.key)));
        e.textEdit->document()->setModified(false);
    }
    return 0;
}
