// The file watch against the ways programs save a file, and the changes it
// must pass over.

#include "platform/file_watch.h"

#include "support/core_app.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <functional>

namespace {

TEST(FileWatch, ReportsEverySaveAndNothingElse)
{
    testsupport::coreApplication();
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("song.hml"));
    ASSERT_TRUE(writeFile(song, "1"));
    int reports = 0;
    FileWatch watch([&] { ++reports; }, 20);
    watch.watch(song);
    const auto renamedOver = [&](const QByteArray &bytes) {
        QSaveFile f(song);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
    };
    const struct {
        const char *what;
        std::function<bool()> act;
        int reported; // reports it brings
    } steps[] = {
        {"written in place", [&] { return writeFile(song, "2"); }, 1},
        {"the same bytes again", [&] { return writeFile(song, "2"); }, 1},
        {"replaced by a file renamed over it", [&] { return renamedOver("3"); }, 1},
        {"and again: the new file is followed", [&] { return renamedOver("4"); }, 1},
        {"another file in the folder", [&] { return writeFile(dir.filePath(QStringLiteral("other.hml")), "x"); }, 0},
        {"deleted", [&] { return QFile::remove(song); }, 0},
        {"written anew", [&] { return writeFile(song, "5"); }, 1},
        {"moved away, another moved in", [&] {
             return writeFile(dir.filePath(QStringLiteral("new.hml")), "6") && QFile::rename(song, dir.filePath(QStringLiteral("old.hml")))
                 && QFile::rename(dir.filePath(QStringLiteral("new.hml")), song);
         }, 1},
        {"the file moved in, written in place", [&] { return writeFile(song, "7"); }, 1},
        {"no longer watched", [&] { watch.watch(QString()); return writeFile(song, "8"); }, 0},
    };
    for (const auto &s : steps) {
        const int before = reports;
        ASSERT_TRUE(s.act()) << s.what;
        if (s.reported > 0) {
            EXPECT_TRUE(testsupport::waitFor([&] { return reports > before; })) << s.what;
        }
        // Long past the settling: nothing more comes.
        testsupport::waitFor([] { return false; }, 300);
        EXPECT_EQ(reports - before, s.reported) << s.what;
    }
    EXPECT_TRUE(watch.path().isEmpty());
}

} // namespace
