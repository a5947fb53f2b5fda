#pragma once
// Reading a whole input into memory, with one bound for every reader: a song
// never comes near it, while an input that never ends (/dev/zero, `yes |`, a
// link to a device) is stopped there instead of filling the memory.

#include <QByteArray>
#include <QString>

namespace ReadFile {

// The most any reader takes in: the same bound as the compiler's output.
inline constexpr qint64 MaxSize = qint64(256) * 1024 * 1024;

struct Result {
    QByteArray bytes;
    QString error; // Japanese message naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads `path` ("-" for standard input) to its end, counting while it reads
// (a device or a pipe reports no size), and refuses more than `limit` bytes.
Result readAll(const QString &path, qint64 limit = MaxSize);

// Why the window will not open `path`: an existing name that is not a regular
// file (a FIFO would stop the window until someone writes into it, a device
// would be read without end). Empty when it may be read.
QString regularFileError(const QString &path);

// The text the messages use for `path`.
QString displayName(const QString &path);

} // namespace ReadFile
