#include "platform/save_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace SaveFile {

QString writeAll(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("%1 はフォルダです。ファイル名を指定してください。").arg(path);
    // Renaming over a read-only file succeeds on most file systems, which
    // would quietly undo the user's protection.
    // The mode bits are asked as well as access(): to an administrator every
    // file is writable, yet a file without any write bit was meant to stay.
    const QFileDevice::Permissions anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        return QStringLiteral("ファイル %1 は書き込み禁止のため保存できません。").arg(path);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("ファイル %1 を作成できません: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("ファイル %1 に書き込めません: %2").arg(path, reason);
    }
    if (!file.commit())
        return QStringLiteral("ファイル %1 を保存できません: %2").arg(path, file.errorString());
    return QString();
}

} // namespace SaveFile
