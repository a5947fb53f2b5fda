#include "core/io/read_file.h"

#include "core/io/save_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace ReadFile {

QString displayName(const QString &path)
{
    return path == QLatin1String("-") ? QStringLiteral("標準入力") : QStringLiteral("ファイル %1").arg(path);
}

QString regularFileError(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return QStringLiteral("%1 は通常のファイルではないため開けません (デバイスやパイプは開けません)。").arg(path);
    return QString();
}

Result readAll(const QString &path, qint64 limit)
{
    Result result;
    QFile file;
    bool opened;
    errno = 0;
    if (path == QLatin1String("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered);
    } else {
        if (QFileInfo(path).isDir()) {
            result.error = QStringLiteral("%1 はフォルダです。ファイルを指定してください。").arg(path);
            return result;
        }
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    if (!opened) {
        result.error = QStringLiteral("%1 を開けません: %2")
                           .arg(displayName(path), SaveFile::reasonText(errno, file.errorString()));
        return result;
    }
    // A regular file tells its size; anything else is read until it ends.
    if (!file.isSequential())
        result.bytes.reserve(qsizetype(std::min(file.size(), limit) + 1));
    constexpr qint64 Chunk = 1 << 20;
    for (;;) {
        const qint64 have = result.bytes.size();
        if (have > limit) {
            result.bytes = QByteArray();
            result.error = QStringLiteral("%1 は大きすぎます (%2 MiB まで)。終わりのない入力 (/dev/zero やパイプ) ではありませんか。")
                               .arg(displayName(path))
                               .arg(limit / (1024 * 1024));
            return result;
        }
        const qint64 want = std::min(Chunk, limit + 1 - have);
        result.bytes.resize(qsizetype(have + want));
        errno = 0;
        const qint64 got = file.read(result.bytes.data() + have, want);
        if (got < 0) {
            const QString reason = SaveFile::reasonText(errno, file.errorString());
            result.bytes = QByteArray();
            result.error = QStringLiteral("%1 を読み込めません: %2").arg(displayName(path), reason);
            return result;
        }
        result.bytes.resize(qsizetype(have + got));
        if (got == 0)
            return result;
    }
}

} // namespace ReadFile
