// vltn vtd end to end: the real program on real files, and the .vtd INPUT
// reader the other verbs share.

#include "cli/vtd_input.h"
#include "platform/cp932.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/test_files.h"
#include "vltn_runner.h"

namespace {

VltnRun vltn(const QStringList &args)
{
    return runVltn(args);
}

const QString Song = QStringLiteral("' さくら\r\n"
                                    "C-TITLE:さくら さくら\r\n"
                                    "C-AUTHOR:ベロ\r\n"
                                    "C-COPYRIGHT:日本古謡\r\n"
                                    "C-PROGRAM:20\r\n"
                                    "C-TEMPO:120\r\n"
                                    "4 C 2\r\n"
                                    "4 E 2\r\n"
                                    "8 G 2\r\n");

class VtdVerbTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(VtdVerbTest, SavesAnHmmlSongAsTheSevenLines)
{
    writeFile(path(QStringLiteral("sakura.hml")), sjis(Song));
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("sakura.vtd")),
                        path(QStringLiteral("sakura.hml"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // PROGRAM 20 is tone list position 19; the OMP data is compacted.
    EXPECT_EQ(readFile(path(QStringLiteral("sakura.vtd"))),
              sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ8T\r\nProgram=19\r\nTitle=さくら さくら\r\n"
                                  "Copyright=日本古謡\r\nAuthor=ベロ\r\n")));
}

TEST_F(VtdVerbTest, TakesTheTextsAndToneFromItsOptions)
{
    writeFile(path(QStringLiteral("plain.hml")), "C-TEMPO:60\r\n4 A 1\r\n");
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("--title"), QStringLiteral("題名"),
                        QStringLiteral("--author"), QStringLiteral("作者"), QStringLiteral("--copyright"),
                        QStringLiteral("権利"), QStringLiteral("-o"), path(QStringLiteral("a.vtd")),
                        path(QStringLiteral("plain.hml"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("a.vtd"))),
              sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$1:4J\r\nProgram=-1\r\nTitle=題名\r\n"
                                  "Copyright=権利\r\nAuthor=作者\r\n")));

    const VltnRun t = vltn({QStringLiteral("vtd"), QStringLiteral("--tone"), QStringLiteral("127"), QStringLiteral("-o"),
                        path(QStringLiteral("b.vtd")), path(QStringLiteral("plain.hml"))});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_TRUE(readFile(path(QStringLiteral("b.vtd"))).contains("\r\nProgram=127\r\n"));

    writeFile(path(QStringLiteral("p129.hml")), "C-PROGRAM:129\r\nC-TEMPO:60\r\n4 A 1\r\n");
    const VltnRun p = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("c.vtd")),
                            path(QStringLiteral("p129.hml"))});
    ASSERT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_TRUE(readFile(path(QStringLiteral("c.vtd"))).contains("\r\nProgram=-1\r\n"));
}

TEST_F(VtdVerbTest, UpdatesAnExistingSongFileKeepingItsOtherLines)
{
    writeFile(path(QStringLiteral("s.hml")), sjis(Song));
    const QByteArray before = sjis(QStringLiteral("; メモ\n[Data]\nTitle=古い\nMine=1\nData=old\n[Extra]\nk=v\n"));
    writeFile(path(QStringLiteral("s.vtd")), before);
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("s.vtd")),
                        path(QStringLiteral("s.hml"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("s.vtd"))),
              sjis(QStringLiteral("; メモ\n[Data]\nTitle=さくら さくら\r\nMine=1\nData=$2:4MQ8T\r\nVTDVersion=1.0\r\n"
                                  "Program=19\r\nCopyright=日本古謡\r\nAuthor=ベロ\r\n[Extra]\nk=v\n")));
}

TEST_F(VtdVerbTest, ReadsASongFileOrOmpDataAsItsInput)
{
    writeFile(path(QStringLiteral("in.VTD")),
              sjis(QStringLiteral("[data]\nTITLE=曲\nDATA=$1.5:8ABC\nPROGRAM=7\nAuthor=私\nExtra=x\n")));
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("--copyright"), QStringLiteral("c"), QStringLiteral("-o"),
                        path(QStringLiteral("out.vtd")), path(QStringLiteral("in.VTD"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("out.vtd"))),
              sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$1.5:8ABC\r\nProgram=7\r\nTitle=曲\r\n"
                                  "Copyright=c\r\nAuthor=私\r\n")));

    writeFile(path(QStringLiteral("tune.omp")), "$2:4MQ\r\n8T\r\n");
    const VltnRun o = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("tune.vtd")),
                        path(QStringLiteral("tune.omp"))});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("tune.vtd"))),
              "[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ 8T\r\nProgram=-1\r\nTitle=\r\nCopyright=\r\nAuthor=\r\n");
}

TEST_F(VtdVerbTest, OtherVerbsReadASongFileToo)
{
    writeFile(path(QStringLiteral("s.vtd")),
              sjis(QStringLiteral("[Data]\r\nData=$2:4M*\r\nProgram=-1\r\nTitle=春\r\n")));
    const VltnRun basic = vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("e500"),
                                path(QStringLiteral("s.vtd"))});
    ASSERT_EQ(basic.exitCode, 0) << basic.err.toStdString();
    EXPECT_EQ(basic.out, QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n"));

    // "Program" -1 writes program 0.
    const VltnRun midi = vltn({QStringLiteral("midi"), QStringLiteral("-o"), path(QStringLiteral("s.mid")),
                               path(QStringLiteral("s.vtd"))});
    ASSERT_EQ(midi.exitCode, 0) << midi.err.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("s.mid"))).mid(22, 3), QByteArray("\x00\xC0\x00", 3));

    // The song's title heads the OMP list.
    const VltnRun list = vltn({QStringLiteral("omplist"), QStringLiteral("-o"), path(QStringLiteral("s.txt")),
                               path(QStringLiteral("s.vtd"))});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(readFile(path(QStringLiteral("s.txt"))).contains(sjis(QStringLiteral("春"))));

    writeFile(path(QStringLiteral("fake.vtd")), "C-TEMPO:120\r\n4 C 2\r\n");
    const VltnRun bad = vltn({QStringLiteral("midi"), QStringLiteral("-o"), path(QStringLiteral("f.mid")),
                              path(QStringLiteral("fake.vtd"))});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("f.mid"))));
}

TEST_F(VtdVerbTest, RefusesAnInputThatIsNotASongFile)
{
    writeFile(path(QStringLiteral("fake.vtd")), "C-TEMPO:120\r\n4 C 2\r\n");
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("out.vtd")),
                        path(QStringLiteral("fake.vtd"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("VTD ファイル"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.vtd"))));
}

TEST_F(VtdVerbTest, DoesNotWriteSongKeysIntoAFileThatIsNotASongFile)
{
    writeFile(path(QStringLiteral("s.hml")), sjis(Song));
    const VltnRun r = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("s.hml")),
                        path(QStringLiteral("s.hml"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(readFile(path(QStringLiteral("s.hml"))), sjis(Song));
}

TEST_F(VtdVerbTest, ReportsBadUseAndFailedWork)
{
    writeFile(path(QStringLiteral("s.hml")), sjis(Song));
    EXPECT_EQ(vltn({QStringLiteral("vtd"), path(QStringLiteral("s.hml"))}).exitCode, 2);
    EXPECT_EQ(vltn({QStringLiteral("vtd"), QStringLiteral("--tone"), QStringLiteral("128"), QStringLiteral("-o"),
                    path(QStringLiteral("x.vtd")), path(QStringLiteral("s.hml"))})
                  .exitCode,
              2);

    writeFile(path(QStringLiteral("bad.hml")), "C-TEMPO:120\r\n4 X 2\r\n");
    const VltnRun bad = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("x.vtd")),
                          path(QStringLiteral("bad.hml"))});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral(":2: error: "))) << bad.err.toStdString();

    const VltnRun emoji = vltn({QStringLiteral("vtd"), QStringLiteral("--title"), QStringLiteral("🎵"), QStringLiteral("-o"),
                            path(QStringLiteral("x.vtd")), path(QStringLiteral("s.hml"))});
    EXPECT_EQ(emoji.exitCode, 1);
    EXPECT_TRUE(emoji.err.contains(QStringLiteral("U+1F3B5"))) << emoji.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.vtd"))));

    const VltnRun folder = vltn({QStringLiteral("vtd"), QStringLiteral("-o"), path(QStringLiteral("s.hml/x.vtd")),
                             path(QStringLiteral("s.hml"))});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_FALSE(folder.err.isEmpty());
}

TEST(VtdInput, ReadsTheSongAndItsTone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.vtd"));
    writeFile(file, sjis(QStringLiteral("[Data]\r\nData=$2:4M\r\nProgram=-1\r\nTitle=題\r\nCopyright=c\r\nAuthor=a\r\n")));
    cli::VtdInput in = cli::loadVtdInput(file);
    ASSERT_TRUE(in.ok()) << in.error.toStdString();
    EXPECT_EQ(in.omp, QStringLiteral("$2:4M"));
    EXPECT_EQ(in.tone, -1);
    EXPECT_EQ(in.title, QStringLiteral("題"));
    EXPECT_EQ(in.copyright, QStringLiteral("c"));
    EXPECT_EQ(in.author, QStringLiteral("a"));

    // A tone the list cannot show is no tone, as in the window.
    for (const char *program : {"Program=128", "Program=abc", "Program=", "Title=no program"}) {
        writeFile(file, QByteArray("[Data]\r\nData=$2:4M\r\n") + program + "\r\n");
        in = cli::loadVtdInput(file);
        ASSERT_TRUE(in.ok());
        EXPECT_EQ(in.tone, -1) << program;
    }
    writeFile(file, "[Data]\r\nProgram=127\r\n");
    EXPECT_EQ(cli::loadVtdInput(file).tone, -1);
    writeFile(file, "[Data]\r\nData=\r\nProgram=127\r\n");
    EXPECT_EQ(cli::loadVtdInput(file).tone, 127);

    EXPECT_FALSE(cli::loadVtdInput(dir.filePath(QStringLiteral("none.vtd"))).ok());
    writeFile(file, "[Data]\r\nProgram=127\r\n");
    EXPECT_FALSE(cli::loadVtdInput(file).ok());
}

TEST(VtdInput, KnowsASongFileByItsExtension)
{
    EXPECT_TRUE(cli::isVtdPath(QStringLiteral("a.vtd")));
    EXPECT_TRUE(cli::isVtdPath(QStringLiteral("/x/B.VtD")));
    EXPECT_FALSE(cli::isVtdPath(QStringLiteral("my.vtd.files/song.hml")));
    EXPECT_FALSE(cli::isVtdPath(QStringLiteral("vtd")));
}

} // namespace
