// VTD song files: the exact layout of a new file, in-place updates of an
// existing one, long values, line breaks, and files that are not songs.

#include "omp/omp_scan.h"
#include "platform/cp932.h"
#include "shell/song_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/test_files.h"

#include <vector>

namespace {

class SongFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("song.vtd"));

    SongFields load()
    {
        const SongLoadResult r = LoadSong(file);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        return r.song;
    }
};

TEST_F(SongFileTest, WritesANewFileAsExactlySevenLines)
{
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4MQ8T"), QStringLiteral("-1"), QStringLiteral("さくら"),
                         QStringLiteral("日本古謡"), QStringLiteral("ベロ"))
                    .ok());
    EXPECT_EQ(readFile(file), sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ8T\r\nProgram=-1\r\n"
                                                  "Title=さくら\r\nCopyright=日本古謡\r\nAuthor=ベロ\r\n")));
}

TEST_F(SongFileTest, ReadsBackJapaneseTextAndHalfWidthKana)
{
    const QString omp = QStringLiteral("$1.5:4ﾄﾞﾚﾐ/MQT");
    ASSERT_TRUE(SaveSong(file, omp, QStringLiteral("52"), QStringLiteral("ソ・ゾ～表"), QStringLiteral("①ⅱ"),
                         QStringLiteral("ﾃｽﾄ"))
                    .ok());
    const SongFields s = load();
    EXPECT_EQ(s.omp, omp);
    EXPECT_EQ(s.program, QStringLiteral("52"));
    EXPECT_EQ(s.title, QStringLiteral("ソ・ゾ～表"));
    EXPECT_EQ(s.copyright, QStringLiteral("①ⅱ"));
    EXPECT_EQ(s.author, QStringLiteral("ﾃｽﾄ"));
}

TEST_F(SongFileTest, ReplacesItsKeysInPlaceAndKeepsEverythingElse)
{
    const QByteArray before = sjis(QStringLiteral("; 私のメモ\r\n"
                                                  "[Extra]\r\n"
                                                  "Title=not mine\r\n"
                                                  "\r\n"
                                                  "[data]\n"
                                                  "author=旧\n"
                                                  "DATA=old\n"
                                                  "Note=keep me\n"
                                                  "TITLE=旧題\n"));
    writeFile(file, before);
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4M"), QStringLiteral("0"), QString(), QStringLiteral("(C) 2024"),
                         QStringLiteral("新"))
                    .ok());
    EXPECT_EQ(readFile(file), sjis(QStringLiteral("; 私のメモ\r\n"
                                                  "[Extra]\r\n"
                                                  "Title=not mine\r\n"
                                                  "\r\n"
                                                  "[data]\n"
                                                  "author=新\r\n"
                                                  "DATA=$2:4M\r\n"
                                                  "Note=keep me\n"
                                                  "TITLE=\r\n"
                                                  "VTDVersion=1.0\r\n"
                                                  "Program=0\r\n"
                                                  "Copyright=(C) 2024\r\n")));
    const SongFields s = load();
    EXPECT_EQ(s.title, QString()); // an empty title: the line ends after "="
    EXPECT_EQ(s.copyright, QStringLiteral("(C) 2024"));
}

TEST_F(SongFileTest, ReadsKeysInAnyOrderAndCase)
{
    writeFile(file, "[other]\nData=wrong\n[dAtA]\nauthor=a\nPROGRAM=12\ncopyright=c\ntitle=t\ndata=$2:4M\n");
    const SongFields s = load();
    EXPECT_EQ(s.omp, QStringLiteral("$2:4M"));
    EXPECT_EQ(s.program, QStringLiteral("12"));
    EXPECT_EQ(s.title, QStringLiteral("t"));
    EXPECT_EQ(s.copyright, QStringLiteral("c"));
    EXPECT_EQ(s.author, QStringLiteral("a"));
}

TEST_F(SongFileTest, ReadsMissingKeysOtherThanDataAsEmptyText)
{
    writeFile(file, "[Data]\r\nData=\r\n");
    const SongFields s = load();
    EXPECT_EQ(s.omp, QString());
    EXPECT_EQ(s.program, QString());
    EXPECT_EQ(s.title, QString());
}

TEST_F(SongFileTest, ReadsLongOmpDataWhole)
{
    for (int n : {254, 255, 300, 100000}) {
        QString omp = QStringLiteral("$2:");
        while (omp.size() < n)
            omp += QLatin1Char(char('A' + omp.size() % 40));
        ASSERT_TRUE(SaveSong(file, omp, QStringLiteral("0"), QStringLiteral("t"), QString(), QString()).ok());
        EXPECT_EQ(load().omp, omp) << n;
        EXPECT_EQ(load().title, QStringLiteral("t"));
    }
}

struct Heard {
    omp::EventKind kind;
    int code;
    float tempo;
    int length;
    bool operator==(const Heard &) const = default;
};

std::vector<Heard> hear(const QString &data)
{
    std::vector<Heard> heard;
    omp::ReaderState state;
    omp::scan(data, state, [&](const omp::Event &e, const omp::ReaderState &s) {
        heard.push_back({e.kind, e.code, s.tempo, s.length});
        return true;
    });
    return heard;
}

TEST_F(SongFileTest, StoresALineBreakAsABlankAndTheSongSoundsTheSame)
{
    // A tempo number ended by a line break: the blank must end it as well.
    const QString typed = QStringLiteral("$2:4MQ\r\n$1.5\r\r\n8T\n*");
    ASSERT_TRUE(SaveSong(file, typed, QStringLiteral("3"), QStringLiteral("a\nb"), QString(), QString()).ok());
    EXPECT_EQ(readFile(file),
              "[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ $1.5  8T *\r\nProgram=3\r\nTitle=a b\r\nCopyright=\r\nAuthor=\r\n");
    const SongFields s = load();
    EXPECT_EQ(s.omp, QStringLiteral("$2:4MQ $1.5  8T *"));
    EXPECT_EQ(s.program, QStringLiteral("3"));
    EXPECT_EQ(hear(s.omp), hear(typed));
    EXPECT_EQ(hear(s.omp).size(), 12u); // $ 2 : 4 M Q $ 1 5 8 T *
}

TEST_F(SongFileTest, ReportsAFileThatIsNotASongFile)
{
    const QByteArray notSongs[] = {
        "",
        "C-TEMPO:120\r\n4 C 2\r\n",
        "[Data]\r\nTitle=only a title\r\n",
        "[Other]\r\nData=$2:4M\r\n",
        "Data=$2:4M\r\n",
    };
    for (const QByteArray &bytes : notSongs) {
        writeFile(file, bytes);
        const SongLoadResult r = LoadSong(file);
        EXPECT_EQ(r.failure, SongLoadResult::Failure::NotSongFile) << bytes.toStdString();
        EXPECT_TRUE(r.error.contains(file)) << r.error.toStdString();
        EXPECT_EQ(r.song.title, QString());
    }
    const SongLoadResult missing = LoadSong(dir.filePath(QStringLiteral("none.vtd")));
    EXPECT_EQ(missing.failure, SongLoadResult::Failure::CannotRead);
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST_F(SongFileTest, LeavesTheOldFileWholeWhenASaveFails)
{
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4M"), QStringLiteral("1"), QStringLiteral("old"), QString(), QString()).ok());
    const QByteArray before = readFile(file);

    const IniWriteResult bad =
        SaveSong(file, QStringLiteral("$2:4Q"), QStringLiteral("1"), QStringLiteral("new ♪ but 🎹"), QString(), QString());
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE(bad.error.contains(QStringLiteral("🎹"))) << bad.error.toStdString();
    EXPECT_EQ(readFile(file), before);

    writeFile(dir.filePath(QStringLiteral("plain")), "x");
    EXPECT_FALSE(SaveSong(dir.filePath(QStringLiteral("plain/song.vtd")), QStringLiteral("$2:4M"), QStringLiteral("1"),
                          QString(), QString(), QString())
                     .ok());
    EXPECT_FALSE(SaveSong(dir.filePath(QStringLiteral("gone/song.vtd")), QStringLiteral("$2:4M"), QStringLiteral("1"),
                          QString(), QString(), QString())
                     .ok());
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("plain"))), "x");
}

TEST(SongTone, AcceptsMinusOneTo127Only)
{
    EXPECT_EQ(songTone(QStringLiteral("-1")), qint16(-1));
    EXPECT_EQ(songTone(QStringLiteral("0")), qint16(0));
    EXPECT_EQ(songTone(QStringLiteral("127")), qint16(127));
    EXPECT_EQ(songTone(QStringLiteral("128")), std::nullopt);
    EXPECT_EQ(songTone(QStringLiteral("-2")), std::nullopt);
    EXPECT_EQ(songTone(QString()), std::nullopt);
    EXPECT_EQ(songTone(QStringLiteral("5a")), std::nullopt);
}

} // namespace
