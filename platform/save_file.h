#pragma once
// Writing a file the user could lose: the new content replaces the old one
// whole, or nothing changes (QSaveFile writes a temporary file and renames it
// over the target only when every byte went out).

#include <QByteArray>
#include <QString>

namespace SaveFile {

// Writes `bytes` to `path`. Returns an empty string on success, otherwise a
// Japanese message naming the file; the file is then left as it was and no
// partly written file stays behind. An existing file without write
// permission is refused rather than replaced, as the user protected it.
QString writeAll(const QString &path, const QByteArray &bytes);

} // namespace SaveFile
