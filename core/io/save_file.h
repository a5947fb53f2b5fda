#pragma once
// Writing a file the user could lose: the new content replaces the old one
// whole, or nothing changes (QSaveFile writes a temporary file and renames it
// over the target only when every byte went out).
//
// An existing output that is not a regular file (a terminal, /dev/null, a
// FIFO) is written into directly, as every Unix tool does: replacing it would
// destroy the device or the pipe. A folder is refused, and so is a file
// without write permission, which the user protected.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;

namespace SaveFile {

// Writes `bytes` to `path`. Returns an empty string on success, otherwise a
// Japanese message naming the file and the reason; the file is then left as
// it was and no partly written file stays behind.
QString writeAll(const QString &path, const QByteArray &bytes);

// The same for an output written piece by piece (a long recording): open(),
// any number of write(), then commit() or cancel(). Destroying a writer that
// was not committed cancels it.
class Writer {
public:
    explicit Writer(QString path);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Standard output instead of a file (the "-" of the command line).
    static std::unique_ptr<Writer> standardOutput();

    QString open();                      // empty on success
    bool write(QByteArrayView bytes);    // false after any failure
    QString commit();                    // empty on success; the first failure otherwise
    void cancel();                       // a replaced file stays as it was

private:
    Writer() = default;
    QString fail(const QString &what);

    QString m_path;
    bool m_stdout = false;
    bool m_direct = false; // a device or FIFO, written in place
    std::unique_ptr<QFileDevice> m_file;
    QString m_error;
};

// The reason for a failed file operation (reading or writing), in Japanese
// where we know one
// ("ディスクの空きが足りません" for a full disk); `error` is the errno value
// the operation left, `fallback` the system's own text.
QString reasonText(int error, const QString &fallback);

} // namespace SaveFile
