#include "vltn_runner.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "support/temp_dir_test.h"

namespace {

using VltnCompile = TempDirTest;

TEST_F(VltnCompile, AllLineEndsGiveTheSameSong)
{
    for (const char *eol : {"\r\n", "\n", "\r"}) {
        const QByteArray e(eol);
        const QString path = write("s.hml", "C-TEMPO:120" + e + "4 C 2" + e + "4 E 2" + e + "8 G 2" + e);
        const VltnRun r = runVltn({"compile", path});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, "$2:4MQ8T\n") << "line end " << e.toHex().toStdString();
    }
}

TEST_F(VltnCompile, Cp932AndUtf8KatakanaSongs)
{
    const QString song = QStringLiteral("C-TITLE:かえるの歌\nC-LANGUAGE:KATAKANA\nC-TEMPO:120\n4 ド 2\n4 レ 2\n4 ミ 2\n");
    QStringEncoder enc("CP932");
    const QString sjis = write("sjis.hml", enc.encode(song));
    const QString utf8 = write("utf8.hml", song.toUtf8());
    for (const QString &path : {sjis, utf8}) {
        const VltnRun r = runVltn({"compile", "--json", path});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("{\"omp\":\"$2:4MOQ\",\"title\":\"かえるの歌\",\"author\":\"\",\"copyright\":\"\","
                                        "\"program\":0,\"status\":{\"code\":0,\"line\":0,\"message\":\"\"}}\n"));
    }
}

TEST_F(VltnCompile, LayoutOptionsAndRawOutput)
{
    const QString path = write("s.hml", "C-TEMPO:120\n4 C 2\n4 E 2\n8 G 2\n");
    EXPECT_EQ(runVltn({"compile", "--raw", path}).out, "$2:4M4Q8T\n");
    EXPECT_EQ(runVltn({"compile", "--separator", "/", "--interval", "2", path}).out, "$2:4/MQ/8T\n");
    EXPECT_EQ(runVltn({"compile", "--separator", " ", "--interval", "3", path}).out, "$2:4M Q8T\n");
    EXPECT_EQ(runVltn({"compile", "-"}, "C-TEMPO:60\n2 A 1\n").out, "$1:2J\n") << "standard input";
}

TEST_F(VltnCompile, ConversionErrorsNameFileAndLine)
{
    const QString path = write("bad.hml", "C-TITLE:x\nC-TEMPO:120\n4 C 9\n");
    const VltnRun r = runVltn({"compile", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(r.err, path + QStringLiteral(":3: error: 音の高さが１～４の指定範囲外です。\n"));

    const VltnRun j = runVltn({"compile", "--json", path});
    EXPECT_EQ(j.exitCode, 1);
    EXPECT_EQ(j.out, QStringLiteral("{\"omp\":\"\",\"title\":\"x\",\"author\":\"\",\"copyright\":\"\",\"program\":0,"
                                    "\"status\":{\"code\":211,\"line\":3,\"message\":\"音の高さが１～４の指定範囲外です。\"}}\n"));
}

TEST_F(VltnCompile, JsonEscapesAndProgram)
{
    const QString path = write("p.hml", "C-TITLE:say \"hi\" \\o/\nC-PROGRAM:20\nC-TEMPO:120\n4 C 2\n");
    const VltnRun r = runVltn({"compile", "--json", path});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("\"title\":\"say \\\"hi\\\" \\\\o/\""))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\"program\":20,"))) << r.out.toStdString();
}

TEST_F(VltnCompile, FormatVerb)
{
    const QString path = write("d.omp", "$2:4M4Q8T\r\n");
    EXPECT_EQ(runVltn({"format", "--separator", "/", "--interval", "2", path}).out, "$2:4/MQ/8T\n");
    EXPECT_EQ(runVltn({"format", "-"}, "$.83:4A4B").out, "$0.83:4AB\n");
    const VltnRun bad = runVltn({"format", "-"}, "$2x:4A");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("テンポ指定中に不明な文字列があります"))) << bad.err.toStdString();
}

TEST_F(VltnCompile, UsageAndFileErrors)
{
    const QString ok = write("s.hml", "C-TEMPO:120\n");
    for (const QStringList &args : {QStringList{}, QStringList{"compile"}, QStringList{"transmogrify", ok},
                                    QStringList{"compile", "--interval", "ten", ok},
                                    QStringList{"compile", "--bogus", ok}, QStringList{"compile", ok, ok}}) {
        const VltnRun r = runVltn(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    const VltnRun missing = runVltn({"compile", dir.filePath("none.hml")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(dir.filePath("none.hml")));

    const VltnRun verbHelp = runVltn({"play", "--help"});
    EXPECT_EQ(verbHelp.exitCode, 0);
    EXPECT_TRUE(verbHelp.out.startsWith(QStringLiteral("使い方: vltn play "))) << verbHelp.out.toStdString();

    const VltnRun help = runVltn({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *verb : {"compile", "format"})
        EXPECT_TRUE(help.out.contains(QLatin1String(verb))) << verb;
}

TEST_F(VltnCompile, BundledExamplesCompile)
{
    const QDir examples(QStringLiteral(VLTN_SOURCE_DIR "/examples"));
    const QStringList songs = examples.entryList({"*.hml"}, QDir::Files);
    ASSERT_GE(songs.size(), 2);
    for (const QString &song : songs) {
        const VltnRun r = runVltn({"compile", "--json", examples.filePath(song)});
        EXPECT_EQ(r.exitCode, 0) << song.toStdString() << ": " << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(QStringLiteral("\"omp\":\"\""))) << song.toStdString();
    }
}

} // namespace
