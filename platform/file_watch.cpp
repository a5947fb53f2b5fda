#include "platform/file_watch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/stat.h>

namespace {

// What tells one version of a file from the next: a file renamed over it is
// another inode, a file written in place has another size or time.
struct Signature {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;
    bool operator==(const Signature &) const = default;
};

Signature signatureOf(const QString &path)
{
    Signature s;
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

} // namespace

struct FileWatch::Impl {
    std::function<void()> onSaved;
    QFileSystemWatcher watcher;
    QTimer settle;
    QString path;
    Signature last;
    bool written = false; // the file itself was written since the last report

    // The watcher lets go of a file that was deleted or renamed away; the
    // folder's watch sees a new one come, which is then watched in turn.
    void follow()
    {
        if (!path.isEmpty() && !watcher.files().contains(path) && QFileInfo(path).isFile())
            watcher.addPath(path);
    }

    void settled()
    {
        follow();
        const Signature now = signatureOf(path);
        if (!now.exists)
            return;
        // A write that left size and times alone (within the clock's step)
        // still counts: the file itself reported it.
        if (now == last && !written)
            return;
        last = now;
        written = false;
        onSaved();
    }
};

FileWatch::FileWatch(std::function<void()> onSaved, int settleMs) : d(std::make_unique<Impl>())
{
    d->onSaved = std::move(onSaved);
    d->settle.setSingleShot(true);
    d->settle.setInterval(settleMs);
    QObject::connect(&d->settle, &QTimer::timeout, [this] { d->settled(); });
    QObject::connect(&d->watcher, &QFileSystemWatcher::fileChanged, [this](const QString &) {
        d->written = true;
        d->follow();
        d->settle.start();
    });
    QObject::connect(&d->watcher, &QFileSystemWatcher::directoryChanged, [this](const QString &) {
        d->follow();
        d->settle.start();
    });
}

FileWatch::~FileWatch() = default;

void FileWatch::watch(const QString &path)
{
    d->settle.stop();
    d->written = false;
    if (!d->watcher.files().isEmpty())
        d->watcher.removePaths(d->watcher.files());
    if (!d->watcher.directories().isEmpty())
        d->watcher.removePaths(d->watcher.directories());
    d->path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    d->last = signatureOf(d->path);
    if (d->path.isEmpty())
        return;
    const QString folder = QFileInfo(d->path).absolutePath();
    if (QFileInfo(folder).isDir())
        d->watcher.addPath(folder);
    d->follow();
}

QString FileWatch::path() const
{
    return d->path;
}
