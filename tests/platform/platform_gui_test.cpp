#include "platform/file_dialogs.h"
#include "platform/system_services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileDialogFilters, PairsBecomeQtFilters)
{
    EXPECT_EQ(toQtFilter(QStringLiteral("*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*")),
              QStringLiteral("*.vtd (Vellotune Data) (*.vtd);;*.* (All Files) (*.*)"));
    // A trailing "|" adds no empty entry.
    EXPECT_EQ(toQtFilter(QStringLiteral("*.vtd (VLTN data file) |*.vtd|")), QStringLiteral("*.vtd (VLTN data file) (*.vtd)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;*.mml|"
                                        "*.txt(Text File)|*.txt|*.* (All Files)|*.*")),
              QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) (*.hml *.hmml *.mml);;"
                             "*.txt(Text File) (*.txt);;*.* (All Files) (*.*)"));
    EXPECT_EQ(toQtFilter(QString()), QString());
}

TEST(TemporaryDirectory, TheVariableWinsWhenSet)
{
    EXPECT_EQ(platform::temporaryDirectoryFrom(QStringLiteral("/somewhere/tmp")), QStringLiteral("/somewhere/tmp"));
}

TEST(TemporaryDirectory, UnsetGivesAFolderOfTheUsersOwn)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString dir = platform::temporaryDirectoryFrom(QString());
    EXPECT_FALSE(dir.isEmpty()) << "never the file-system root";
    EXPECT_NE(dir, QDir::tempPath()) << "never a folder other users share";
    EXPECT_TRUE(QFileInfo(dir).isDir());
    EXPECT_TRUE(QFileInfo(dir).isWritable());
}

TEST(EditorCommand, VisualIsUsedButNeverVellotuneItself)
{
    qputenv("VISUAL", "myeditor --new-window");
    EXPECT_EQ(platform::editorCommand(QStringLiteral("/songs/a b.hml")),
              QStringList({"myeditor", "--new-window", "/songs/a b.hml"}));
    qputenv("VISUAL", "/usr/bin/vellotune");
    const QStringList cmd = platform::editorCommand(QStringLiteral("/songs/a.hml"));
    EXPECT_TRUE(cmd.isEmpty() || !QFileInfo(cmd.constFirst()).fileName().startsWith(QLatin1String("vellotune")))
        << cmd.join(u' ').toStdString();
    qunsetenv("VISUAL");
}
