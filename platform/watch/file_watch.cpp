#include "platform/watch/file_watch.h"

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

    // The folders and the file to watch: the folder of `path` and of every
    // link on the way to the file it names, and that file when it exists. A
    // link may be pointed elsewhere, or its target deleted and made again,
    // so this is worked out anew on every change. A folder that does not
    // exist yet is watched through the nearest one that does, which tells
    // when it comes.
    void follow()
    {
        QStringList folders;
        QString file;
        if (!path.isEmpty()) {
            QString at = path;
            for (int hops = 0; hops < 40; ++hops) { // as many links as the system follows
                folders << nearestFolder(QFileInfo(at).absolutePath());
                const QFileInfo info(at);
                if (!info.isSymLink())
                    break;
                at = QFileInfo(info.symLinkTarget()).absoluteFilePath();
            }
            if (QFileInfo(at).isFile())
                file = at;
        }
        folders.removeDuplicates();
        const QStringList oldFolders = watcher.directories(), oldFiles = watcher.files();
        for (const QString &f : oldFolders)
            if (!folders.contains(f))
                watcher.removePath(f);
        for (const QString &f : oldFiles)
            if (f != file)
                watcher.removePath(f);
        for (const QString &f : folders)
            if (!oldFolders.contains(f))
                watcher.addPath(f);
        // The watcher lets go of a file that was deleted or renamed away.
        if (!file.isEmpty() && !watcher.files().contains(file))
            watcher.addPath(file);
    }

    static QString nearestFolder(QString folder)
    {
        while (!QFileInfo(folder).isDir()) {
            const QString up = QFileInfo(folder).absolutePath();
            if (up == folder)
                break;
            folder = up;
        }
        return folder;
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
    d->path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    d->last = signatureOf(d->path);
    d->follow();
}

QString FileWatch::missingFolder() const
{
    if (d->path.isEmpty())
        return QString();
    const QString folder = QFileInfo(d->path).absolutePath();
    return QFileInfo(folder).isDir() ? QString() : folder;
}

QString FileWatch::path() const
{
    return d->path;
}
