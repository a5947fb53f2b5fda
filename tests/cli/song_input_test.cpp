// Loading a verb's INPUT: H-MML, OMP data or a song file, with the song's
// fields and tone.

#include "cli/song_input.h"
#include "cli/vtd_input.h"

#include "support/test_files.h"

namespace {

class SongInputTest : public TempDirTest {};

TEST_F(SongInputTest, EveryKindOfInput)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        const char *omp, *title;
        int tone;
    };
    const Case cases[] = {
        {"a.hml", sjis(QStringLiteral("C-TITLE:題名\r\nC-PROGRAM:20\r\nC-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n")), "$2:4MQ", "題名", 19},
        // A second song without PROGRAM does not inherit the first one's.
        {"b.hml", "C-TEMPO:60\r\n4 C 2\r\n", "$1:4M", "", -1},
        {"c.hml", "C-PROGRAM:129\r\nC-TEMPO:60\r\n4 C 2\r\n", "$1:4M", "", 128},
        // OMP data keeps its text bar the trailing line breaks.
        {"d.Omp", "$2:4M\r\n*/Q\r\n\n\r", "$2:4M\r\n*/Q", "", -1},
        {"x.VTD", sjis(QStringLiteral("[Data]\r\nData=$2:4M\r\nProgram=-1\r\nTitle=題\r\n")), "$2:4M", "題", -1},
        // A tone the list cannot show is no tone, as in the window.
        {"y.vtd", "[Data]\r\nData=$2:4M\r\nProgram=128\r\n", "$2:4M", "", -1},
        {"z.vtd", "[Data]\r\nData=\r\nProgram=127\r\n", "", "", 127},
    };
    for (const Case &c : cases) {
        const cli::SongInput song = cli::loadSongInput(write(QLatin1String(c.name), c.bytes));
        ASSERT_TRUE(song.ok()) << c.name << ": " << str(song.error);
        EXPECT_EQ(song.omp, QLatin1String(c.omp)) << c.name;
        EXPECT_EQ(song.title, QString::fromUtf8(c.title)) << c.name;
        EXPECT_EQ(song.tone, c.tone) << c.name;
    }
    QString warning;
    EXPECT_EQ(cli::loadSongInput(path("c.hml")).midiProgram(&warning), 0);
    EXPECT_TRUE(warning.contains(u"PROGRAM 129")) << str(warning);
    warning.clear();
    EXPECT_EQ(cli::SongInput().midiProgram(&warning), 0);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_TRUE(cli::isVtdPath(QStringLiteral("/x/B.VtD")));
    EXPECT_FALSE(cli::isVtdPath(QStringLiteral("my.vtd.files/song.hml")));
    EXPECT_FALSE(cli::isOmpDataPath(QStringLiteral("x.omp.hml")));
}

TEST_F(SongInputTest, FailuresNameTheFileAndLine)
{
    const std::pair<QString, const char *> cases[] = {
        {path("missing.omp"), "missing.omp"},
        {write("e.hml", "C-TEMPO:120\r\n4 C 9\r\n"), "e.hml:2: error: 音の高さが１～４の指定範囲外です。"},
        {write("f.vtd", "[Data]\r\nProgram=127\r\n"), "VTD ファイル"},
        {write("g.omp", "$2:4\x82"), "1 行目"},
    };
    for (const auto &[file, says] : cases) {
        const cli::SongInput song = cli::loadSongInput(file);
        EXPECT_TRUE(song.omp.isEmpty());
        EXPECT_TRUE(song.error.contains(QString::fromUtf8(says))) << str(song.error);
    }
}

} // namespace
