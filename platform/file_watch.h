#pragma once
// Tells when a file is saved by another program: written in place, or
// replaced by a new file renamed over it (as most editors save), also when it
// was missing for a moment in between. Runs from the event loop of the thread
// that made it.

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

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
