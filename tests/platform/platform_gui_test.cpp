#include "platform/desktop/file_dialogs.h"
#include "platform/desktop/system_services.h"

#include "support/test_files.h"

#include <QDir>

TEST(FileDialogFilters, PairsBecomeQtFilters)
{
    const std::pair<const char *, const char *> cases[] = {
        {"*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*", "*.vtd (Vellotune Data) (*.vtd);;*.* (All Files) (*.*)"},
        {"*.vtd (VLTN data file) |*.vtd|", "*.vtd (VLTN data file) (*.vtd)"}, // no empty entry for a trailing "|"
        {"*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|*.txt(Text File)|*.txt|*.* (All Files)|*.*",
         "*.hml *.hmml *.mml (Orrin's Music Language) (*.hml *.hmml *.mml);;*.txt(Text File) (*.txt);;*.* (All Files) (*.*)"},
        {"", ""},
    };
    for (const auto &[filter, qt] : cases)
        EXPECT_EQ(toQtFilter(QString::fromUtf8(filter)), QString::fromUtf8(qt)) << filter;
}

TEST(SystemServices, TemporaryFolderAndEditor)
{
    EXPECT_EQ(platform::temporaryDirectoryFrom(QStringLiteral("/somewhere/tmp")), u"/somewhere/tmp");
    // Without "Temp": a folder of the user's own, never the root or one other users share.
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString dir = platform::temporaryDirectoryFrom(QString());
    EXPECT_FALSE(dir.isEmpty() || dir == QDir::tempPath());
    EXPECT_TRUE(QFileInfo(dir).isDir() && QFileInfo(dir).isWritable());

    qputenv("VISUAL", "myeditor --new-window");
    EXPECT_EQ(platform::editorCommand(QStringLiteral("/songs/a b.hml")), QStringList({"myeditor", "--new-window", "/songs/a b.hml"}));
    qputenv("VISUAL", "/usr/bin/vellotune"); // never Vellotune itself
    const QStringList cmd = platform::editorCommand(QStringLiteral("/songs/a.hml"));
    EXPECT_TRUE(cmd.isEmpty() || !QFileInfo(cmd.constFirst()).fileName().startsWith(QLatin1String("vellotune"))) << str(cmd.join(u' '));
    qunsetenv("VISUAL");
}
