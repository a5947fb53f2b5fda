#pragma once
// What the application asks of the operating system besides windows: the
// single-instance test, its directories, an external text editor and the
// end of the process. Tests replace it with a scripted one.

#include <QString>

#include <memory>

class QLockFile;

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // True when another copy of the program is already running. The first
    // copy holds its claim until it ends.
    virtual bool anotherInstanceRunning() = 0;
    // The directory that holds the program file.
    virtual QString programDirectory() = 0;
    // Where playback writes its temporary file.
    virtual QString temporaryDirectory() = 0;
    // Opens `path` in the desktop's text editor without waiting for it;
    // false when no editor could be started.
    virtual bool startEditor(const QString &path) = 0;
    // Ends the process at once (after the caller has saved what it saves).
    virtual void endProcess() = 0;
};

class RealSystemServices final : public SystemServices {
public:
    RealSystemServices();
    ~RealSystemServices() override;

    bool anotherInstanceRunning() override;
    QString programDirectory() override;
    QString temporaryDirectory() override;
    bool startEditor(const QString &path) override;
    void endProcess() override;

private:
    std::unique_ptr<QLockFile> m_lock;
};

namespace platform {

// The temporary directory: the "Temp" variable when it is set and not empty;
// otherwise a directory of the user's own (the runtime directory, or a
// per-user folder in the system's temporary directory), created when needed.
// An empty value would put the playback file at the file-system root, and a
// shared folder would let two users' playback files collide.
QString temporaryDirectoryFrom(const QString &tempVariable);

// The text editor's command line for `path` on this desktop, or an empty
// list when none is known. Never Vellotune itself, even when it is the
// default program for the file.
QStringList editorCommand(const QString &path);

} // namespace platform
