#include "platform/desktop/system_services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

QString temporaryDirectoryFrom(const QString &tempVariable)
{
    if (!tempVariable.isEmpty())
        return tempVariable;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        const QString user = qEnvironmentVariable("USER", QStringLiteral("user"));
        dir = QDir::tempPath() + QStringLiteral("/vellotune-") + user;
    }
    QDir().mkpath(dir);
    return dir;
}

static bool isOurs(const QString &program)
{
    const QString name = QFileInfo(program).fileName().toLower();
    return name.startsWith(QLatin1String("vellotune"));
}

// The Exec line of a desktop entry, with the file put in for its field code.
static QStringList desktopEntryCommand(const QString &desktopId, const QString &path)
{
    if (desktopId.isEmpty() || desktopId.startsWith(QLatin1String("vellotune"), Qt::CaseInsensitive))
        return {};
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    QFile entry(file);
    if (file.isEmpty() || !entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inMainGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QLatin1String("Exec="))) {
            QStringList args = QProcess::splitCommand(line.mid(5));
            bool placed = false;
            QStringList out;
            for (const QString &arg : args) {
                if (arg == u"%f" || arg == u"%F" || arg == u"%u" || arg == u"%U") {
                    out << path;
                    placed = true;
                } else if (arg.size() == 2 && arg.startsWith(u'%')) {
                    continue; // other field codes carry nothing we have
                } else {
                    out << arg;
                }
            }
            if (!placed)
                out << path;
            if (out.isEmpty() || isOurs(out.constFirst()))
                return {};
            return out;
        }
    }
    return {};
}

QStringList editorCommand(const QString &path)
{
#ifdef Q_OS_WIN
    return {QStringLiteral("notepad"), path};
#else
    const QString visual = qEnvironmentVariable("VISUAL");
    if (!visual.isEmpty()) {
        QStringList cmd = QProcess::splitCommand(visual);
        if (!cmd.isEmpty() && !isOurs(cmd.constFirst()))
            return cmd << path;
    }
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (query.waitForFinished(3000) && query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0) {
        const QString id = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
        const QStringList cmd = desktopEntryCommand(id, path);
        if (!cmd.isEmpty())
            return cmd;
    }
    static const char *const editors[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                          "pluma", "xed", "featherpad", "leafpad", "geany"};
    for (const char *editor : editors) {
        const QString exe = QStandardPaths::findExecutable(QLatin1String(editor));
        if (!exe.isEmpty())
            return {exe, path};
    }
    return {};
#endif
}

} // namespace platform

RealSystemServices::RealSystemServices() = default;
RealSystemServices::~RealSystemServices() = default;

bool RealSystemServices::anotherInstanceRunning()
{
    if (m_lock)
        return false;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    auto lock = std::make_unique<QLockFile>(dir + QStringLiteral("/vellotune.lock"));
    lock->setStaleLockTime(0); // held for the whole run; a crashed copy's lock is detected by its pid
    if (!lock->tryLock(0))
        return lock->error() == QLockFile::LockFailedError;
    m_lock = std::move(lock);
    return false;
}

QString RealSystemServices::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString RealSystemServices::temporaryDirectory()
{
    return platform::temporaryDirectoryFrom(qEnvironmentVariable("Temp"));
}

bool RealSystemServices::startEditor(const QString &path)
{
    QStringList cmd = platform::editorCommand(path);
    if (cmd.isEmpty())
        return false;
    const QString program = cmd.takeFirst();
    return QProcess::startDetached(program, cmd);
}

void RealSystemServices::endProcess()
{
    QCoreApplication::exit(0);
}
