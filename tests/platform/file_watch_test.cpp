// The file watch against the ways programs save a file, and the changes it
// must pass over.

#include "platform/file_watch.h"
#include "platform/save_file.h"

#include "support/core_app.h"
#include "support/test_files.h"

TEST(FileWatch, ReportsEverySaveAndNothingElse)
{
    testsupport::coreApplication();
    QTemporaryDir dir;
    const auto at = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    const QString song = at("song.hml");
    ASSERT_TRUE(writeFile(song, "1"));
    int reports = 0;
    FileWatch watch([&] { ++reports; }, 20);
    watch.watch(song);
    const std::function<bool()> steps[] = {
        [&] { return writeFile(song, "2"); },                         // written in place,
        [&] { return writeFile(song, "2"); },                         // the same bytes again,
        [&] { return SaveFile::writeAll(song, "3").isEmpty(); },      // replaced by a file renamed over it,
        [&] { return SaveFile::writeAll(song, "4").isEmpty(); },      // again: the new file is followed;
        [&] { return writeFile(at("other.hml"), "x"); },              // another file in the folder;
        [&] { return QFile::remove(song); },                          // deleted;
        [&] { return writeFile(song, "5"); },                         // written anew;
        [&] { return writeFile(at("new"), "6") && QFile::rename(song, at("old")) && QFile::rename(at("new"), song); }, // moved away, another moved in,
        [&] { return writeFile(song, "7"); },                         // and that one written in place;
        [&] { watch.watch(at("other.hml")); return writeFile(song, "8"); }, // another file watched instead,
        [&] { watch.watch(QString()); return writeFile(at("other.hml"), "9"); }, // no file watched.
    };
    const char expected[] = "11110011100"; // reports of each step, long past the settling
    QString reported;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const int before = reports;
        ASSERT_TRUE(steps[i]()) << i;
        testsupport::waitFor([&] { return reports - before >= expected[i] - '0'; });
        testsupport::waitFor([] { return false; }, 300);
        reported += QString::number(reports - before);
    }
    EXPECT_EQ(reported, QLatin1String(expected));
}
