// The file watch against the ways programs save a file, and the changes it
// must pass over.

#include "platform/watch/file_watch.h"
#include "core/io/save_file.h"

#include "support/core_app.h"
#include "support/test_files.h"

#include <QDir>

#include <cstdio>

TEST(FileWatch, ReportsEverySaveAndNothingElse)
{
    testsupport::coreApplication();
    QTemporaryDir dir;
    const auto at = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    const QString song = at("song.hml");
    ASSERT_TRUE(writeFile(song, "1"));
    int reports = 0;
    FileWatch watch([&] { ++reports; }, 100); // a save of two writes stays one report on a busy machine
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
        // A song reached through a link: its target is watched,
        [&] { return QDir().mkpath(at("d1")) && QDir().mkpath(at("d2")) && writeFile(at("d1/a.hml"), "a") && writeFile(at("d2/b.hml"), "b")
                     && QFile::link(at("d1/a.hml"), at("link.hml")) && (watch.watch(at("link.hml")), writeFile(at("d1/a.hml"), "a2")); },
        [&] { return QFile::link(at("d2/b.hml"), at("new.hml")) && ::rename(QFile::encodeName(at("new.hml")), QFile::encodeName(at("link.hml"))) == 0; }, // pointed elsewhere,
        [&] { return writeFile(at("d2/b.hml"), "b2"); },              // its new target written,
        [&] { return writeFile(at("d1/a.hml"), "a3"); },              // the old one is no longer the song;
        [&] { return QFile::remove(at("d2/b.hml")); },                // the target deleted
        [&] { return writeFile(at("d2/b.hml"), "b3"); },              // and made again;
        // a song in a folder that does not exist yet: the folder made, then the song saved.
        [&] { watch.watch(at("later/deeper/song.hml")); return !watch.missingFolder().isEmpty() && QDir().mkpath(at("later/deeper")); },
        [&] { return writeFile(at("later/deeper/song.hml"), "c") && watch.missingFolder().isEmpty(); },
        [&] { watch.watch(QString()); return writeFile(at("other.hml"), "9"); }, // no file watched.
    };
    const char expected[] = "1111001110111001010"; // reports of each step, long past the settling
    QString reported;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const int before = reports;
        ASSERT_TRUE(steps[i]()) << i;
        testsupport::waitFor([&] { return reports - before >= expected[i] - '0'; });
        testsupport::waitFor([] { return false; }, 400);
        reported += QString::number(reports - before);
    }
    EXPECT_EQ(reported, QLatin1String(expected));
}
