#include "core/io/save_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace SaveFile {

QString reasonText(int error, const QString &fallback)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空きが足りません");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます (書き込める大きさの上限を超えました)");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスする権限がありません");
    case EROFS: return QStringLiteral("読み取り専用の場所です");
    case ENOENT: return QStringLiteral("そのファイルまたはフォルダがありません");
    case ENOTDIR: return QStringLiteral("途中の名前がフォルダではありません");
    case EISDIR: return QStringLiteral("フォルダです");
    case ENAMETOOLONG: return QStringLiteral("ファイル名が長すぎます");
    case EIO: return QStringLiteral("入出力エラーが起きました (ディスクや接続を確かめてください)");
    case EPIPE: return QStringLiteral("書き込み先が閉じられました");
    case ENXIO: return QStringLiteral("書き込める相手がいません");
    default: break;
    }
    // Qt says "Unknown error" for a short write that left no error of its own.
    if (!fallback.isEmpty() && fallback != QLatin1String("Unknown error"))
        return fallback;
    if (error != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    return QStringLiteral("原因不明のエラーです");
}

Writer::Writer(QString path) : m_path(std::move(path)) {}

Writer::~Writer()
{
    cancel();
}

std::unique_ptr<Writer> Writer::standardOutput()
{
    std::unique_ptr<Writer> w(new Writer);
    w->m_stdout = true;
    return w;
}

QString Writer::fail(const QString &what)
{
    const int error = errno;
    if (m_error.isEmpty()) {
        const QString reason = reasonText(error, m_file ? m_file->errorString() : QString());
        m_error = m_stdout ? QStringLiteral("標準出力に書き込めません: %1").arg(reason)
                           : what.arg(m_path, reason);
    }
    return m_error;
}

QString Writer::open()
{
    if (m_stdout) {
        auto *file = new QFile;
        m_file.reset(file);
        if (!file->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return fail(QString());
        return QString();
    }
    // stat() follows links: what matters is what the name leads to.
    struct stat st = {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return m_error = QStringLiteral("%1 はフォルダです。ファイル名を指定してください。").arg(m_path);
        m_direct = !S_ISREG(st.st_mode);
    }
    if (m_direct) {
        auto *file = new QFile(m_path);
        m_file.reset(file);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(QStringLiteral("%1 に書き込めません: %2"));
        return QString();
    }

    // Renaming over a read-only file succeeds on most file systems, which
    // would quietly undo the user's protection. The mode bits are asked as
    // well as access(): to an administrator every file is writable, yet a
    // file without any write bit was meant to stay.
    const QFileInfo info(m_path);
    const QFileDevice::Permissions anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        return m_error = QStringLiteral("ファイル %1 は書き込み禁止のため保存できません。").arg(m_path);
    auto *file = new QSaveFile(m_path);
    m_file.reset(file);
    errno = 0;
    // Unbuffered: a buffered QSaveFile writes its last bytes while it
    // commits, takes a short write there (a full disk) for success and
    // renames the cut-off file over the old one.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("ファイル %1 を作成できません: %2"));
    return QString();
}

bool Writer::write(QByteArrayView bytes)
{
    if (!m_error.isEmpty() || !m_file)
        return false;
    errno = 0;
    if (m_file->write(bytes.data(), bytes.size()) != bytes.size()) {
        fail(QStringLiteral("ファイル %1 に書き込めません: %2"));
        return false;
    }
    return true;
}

QString Writer::commit()
{
    if (!m_error.isEmpty() || !m_file) {
        cancel();
        return m_error;
    }
    errno = 0;
    bool ok;
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get())) {
        ok = save->commit();
    } else {
        ok = m_file->flush();
        m_file->close();
    }
    if (!ok)
        fail(QStringLiteral("ファイル %1 を保存できません: %2"));
    m_file.reset();
    return m_error;
}

void Writer::cancel()
{
    if (!m_file)
        return;
    if (auto *save = qobject_cast<QSaveFile *>(m_file.get()))
        save->cancelWriting();
    m_file.reset();
}

QString writeAll(const QString &path, const QByteArray &bytes)
{
    Writer writer(path);
    QString error = writer.open();
    if (error.isEmpty())
        writer.write(bytes);
    if (error.isEmpty())
        error = writer.commit();
    return error;
}

} // namespace SaveFile
