#pragma once
// Compiles the editor's text a moment after the last edit, on another
// thread, so typing never waits for the compiler, however long the song.
// Only the newest text's result is given: a result overtaken by an edit is
// dropped, and the text is compiled again once the typing pauses. The
// song's notes for the note view are made on that thread too.

#include "core/notes/song_notes.h"
#include "core/song/song_conversion.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class LiveCompiler : public QObject {
    Q_OBJECT
public:
    // `source` gives the text to compile as the text box holds it (lines
    // ending in "\n", "\r\n" or "\r"); it is called on this object's thread
    // when a compile starts, and the other thread makes its lines end in
    // "\r\n" as the compiler takes them.
    explicit LiveCompiler(std::function<QString()> source, QObject *parent = nullptr);

    // The separator settings the OMP data is laid out with.
    void setOmpLayout(const QString &separator, qint32 interval);
    // How long after the last edit a compile starts (150 ms at first).
    void setDelay(int milliseconds) { m_timer.setInterval(milliseconds); }

    // The text changed: a compile follows after the delay.
    void textEdited();
    // A compile starts at once (a file just opened or reloaded).
    void compileNow();
    // A compile is waiting for its delay, running, or its result not yet given.
    bool isBusy() const { return m_running || m_timer.isActive(); }

    // A compile's result, and the song's notes when it is good.
    struct Result {
        HmmlConversion conversion;
        std::shared_ptr<const notes::SongNotes> notes;
    };

signals:
    void compiled(const HmmlConversion &conversion, const std::shared_ptr<const notes::SongNotes> &notes);

private:
    void start();
    void finished();

    std::function<QString()> m_source;
    QString m_separator;
    qint32 m_interval = 0;
    QTimer m_timer;
    QFutureWatcher<Result> m_watcher;
    quint64 m_edits = 0;     // edits so far
    quint64 m_compiling = 0; // m_edits when the running compile took its text
    bool m_again = false;    // the delay ran out while a compile was running
    bool m_running = false;
};
