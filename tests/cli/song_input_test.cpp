// Loading a verb's INPUT: H-MML or OMP data, with the song's fields and tone.

#include "cli/song_input.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SongInputTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
};

TEST_F(SongInputTest, HmmlGivesFormattedDataFieldsAndTone)
{
    QStringEncoder cp932("CP932");
    const QString path = write(QStringLiteral("a.hml"),
                               cp932.encode(QStringLiteral("C-TITLE:題名\r\nC-AUTHOR:作者\r\nC-COPYRIGHT:(c) 誰か\r\n"
                                                           "C-PROGRAM:20\r\nC-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n")));
    const cli::SongInput song = cli::loadSongInput(path);
    ASSERT_TRUE(song.ok()) << song.error.toStdString();
    EXPECT_EQ(song.omp, QStringLiteral("$2:4MQ")); // the repeated length is dropped
    EXPECT_EQ(song.title, QStringLiteral("題名"));
    EXPECT_EQ(song.author, QStringLiteral("作者"));
    EXPECT_EQ(song.copyright, QStringLiteral("(c) 誰か"));
    EXPECT_EQ(song.tone, 19);
    EXPECT_EQ(song.midiProgram(), 19);

    // A second song without PROGRAM does not inherit the first one's.
    const cli::SongInput next = cli::loadSongInput(write(QStringLiteral("b.hml"), "C-TEMPO:60\r\n4 C 2\r\n"));
    ASSERT_TRUE(next.ok()) << next.error.toStdString();
    EXPECT_EQ(next.tone, -1);
    EXPECT_TRUE(next.title.isEmpty());
}

TEST_F(SongInputTest, ToneOutsideTheListWarnsAndWritesProgramZero)
{
    const cli::SongInput song =
        cli::loadSongInput(write(QStringLiteral("c.hml"), "C-PROGRAM:129\r\nC-TEMPO:60\r\n4 C 2\r\n"));
    ASSERT_TRUE(song.ok()) << song.error.toStdString();
    EXPECT_EQ(song.tone, 128);
    QString warning;
    EXPECT_EQ(song.midiProgram(&warning), 0);
    EXPECT_TRUE(warning.contains(QStringLiteral("PROGRAM 129"))) << warning.toStdString();

    // No tone at all is no fault.
    cli::SongInput none;
    warning.clear();
    EXPECT_EQ(none.midiProgram(&warning), 0);
    EXPECT_TRUE(warning.isEmpty());
}

TEST_F(SongInputTest, OmpDataFileKeepsItsTextBarTrailingLineBreaks)
{
    const cli::SongInput song = cli::loadSongInput(write(QStringLiteral("d.omp"), "$2:4M\r\n*/Q\r\n\n\r"));
    ASSERT_TRUE(song.ok()) << song.error.toStdString();
    EXPECT_EQ(song.omp, QStringLiteral("$2:4M\r\n*/Q"));
    EXPECT_EQ(song.tone, -1);
    EXPECT_TRUE(song.title.isEmpty());
    EXPECT_TRUE(cli::isOmpDataPath(QStringLiteral("x.Omp")));
    EXPECT_FALSE(cli::isOmpDataPath(QStringLiteral("x.omp.hml")));
}

TEST_F(SongInputTest, Errors)
{
    cli::SongInput song = cli::loadSongInput(dir.filePath(QStringLiteral("missing.omp")));
    EXPECT_FALSE(song.ok());
    EXPECT_TRUE(song.error.contains(QStringLiteral("missing.omp"))) << song.error.toStdString();

    song = cli::loadSongInput(write(QStringLiteral("e.hml"), "C-TEMPO:120\r\n4 C 9\r\n"));
    EXPECT_FALSE(song.ok());
    EXPECT_TRUE(song.error.contains(QStringLiteral("e.hml:2:"))) << song.error.toStdString();
    EXPECT_TRUE(song.error.contains(QStringLiteral("音の高さが１～４の指定範囲外です。"))) << song.error.toStdString();
    EXPECT_TRUE(song.omp.isEmpty());
}

} // namespace
