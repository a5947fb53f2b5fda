#pragma once
// Tells when a file is saved by another program: written in place, or
// replaced by a new file renamed over it (as most editors save), also when it
// was missing for a moment in between. A file reached through a symbolic
// link is the link's target at each change (the link may be pointed at
// another file), and a file whose folder does not exist yet is picked up
// once it appears. Runs from the event loop of the thread that made it.

#include <QString>

#include <functional>
#include <memory>

class FileWatch {
public:
    // `onSaved` runs from the event loop once a save has settled: `settleMs`
    // after the last change seen, so that a file written in pieces is read
    // whole. A change that leaves no file (deleted, renamed away) waits for
    // the file to come back.
    explicit FileWatch(std::function<void()> onSaved, int settleMs = 100);
    ~FileWatch();
    FileWatch(const FileWatch &) = delete;
    FileWatch &operator=(const FileWatch &) = delete;

    // Watches `path` from now on; the empty path watches nothing.
    void watch(const QString &path);
    QString path() const;
    // The folder of the watched file when it does not exist (yet), else empty.
    QString missingFolder() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
