#include "app/live_compiler.h"

#include "core/io/text_file.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

LiveCompiler::Result compileOnPool(const QString &text, const QString &separator, qint32 interval)
{
    LiveCompiler::Result result{convertHmml(TextFile::withCrLfLineEnds(text), separator, interval), nullptr};
    if (result.conversion.ok())
        result.notes = std::make_shared<const notes::SongNotes>(result.conversion);
    return result;
}

} // namespace

LiveCompiler::LiveCompiler(std::function<QString()> source, QObject *parent)
    : QObject(parent), m_source(std::move(source))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(150);
    connect(&m_timer, &QTimer::timeout, this, &LiveCompiler::start);
    connect(&m_watcher, &QFutureWatcher<Result>::finished, this, &LiveCompiler::finished);
}

void LiveCompiler::setOmpLayout(const QString &separator, qint32 interval)
{
    m_separator = separator;
    m_interval = interval;
}

void LiveCompiler::textEdited()
{
    ++m_edits;
    m_timer.start();
}

void LiveCompiler::compileNow()
{
    ++m_edits;
    m_timer.stop();
    start();
}

void LiveCompiler::start()
{
    if (m_running) {
        m_again = true;
        return;
    }
    m_again = false;
    m_running = true;
    m_compiling = m_edits;
    m_watcher.setFuture(QtConcurrent::run(&compileOnPool, m_source(), m_separator, m_interval));
}

void LiveCompiler::finished()
{
    m_running = false;
    if (m_compiling == m_edits) {
        const Result result = m_watcher.result();
        emit compiled(result.conversion, result.notes);
        return;
    }
    // Overtaken: an edit came meanwhile. Its own compile starts now if its
    // delay has run out, else when it does.
    if (m_again)
        start();
}
