#pragma once
// The OMP list: a text file with a song's title, its OMP string and three
// ready-to-type BASIC players, for people who play OMP data on the pocket
// computer themselves.

#include <QByteArray>
#include <QString>

namespace omplist {

// The title written for a song without one; the window shows it as the
// song's title from then on.
inline const QString UntitledTitle = QStringLiteral("Non titled.");

// The 43 lines of the list, each followed by "\r\n". `title` and `omp` are
// inserted as they are (a double quote in `omp` is not escaped); an empty
// title is written as UntitledTitle.
QString text(const QString &title, const QString &omp);

struct EncodeResult {
    QByteArray bytes; // CP932
    QString error;    // names the first character CP932 cannot hold
    bool ok() const { return error.isEmpty(); }
};

// The list as the bytes of the file.
EncodeResult bytes(const QString &title, const QString &omp);

// Writes the list to `path` with QSaveFile. Returns an empty string on
// success, otherwise a Japanese message; nothing is written when a character
// cannot be stored in CP932, and an existing file stays untouched on any
// failure.
QString write(const QString &path, const QString &title, const QString &omp);

} // namespace omplist
