// vltn run as a user or a script runs it: one golden output per verb, every
// usage error, and the failures that must never pass for success.

#include "core/formats/omp_list.h"

#include "support/core_app.h"
#include "support/midicsv_reader.h"
#include "support/test_files.h"
#include "support/test_midi.h"
#include "support/vltn_runner.h"

#include <QDir>
#include <QProcess>

#include <csignal>

namespace {

// C, E and G of octave 2 and a rest, with a title in CP932.
const QByteArray Song = sjis(QStringLiteral("' さくら\r\nC-TITLE:春の歌\r\nC-AUTHOR:ベロ\r\nC-COPYRIGHT:日本古謡\r\n"
                                            "C-PROGRAM:20\r\nC-TEMPO:120\r\n4 C 2\r\n4 E 2 ' a comment\r\n8 G 2\r\n4 *\r\n"));
const QByteArray SongMidiTrack = "00C013 00903C7F 8F00 803C00 0090407F 8F00 804000 0090437F 9E00 804300 00802A00 8F00 802A00 00FF2F00";

class Vltn : public TempDirTest {
protected:
    void SetUp() override
    {
        song = write("song.hml", Song);
        write(".asoundrc", "pcm.!default { type null }\n"); // sound goes nowhere, on any machine
        qputenv("HOME", QFile::encodeName(dir.path()));
    }
    // The command line with "@" for the test's folder, run by bash.
    VltnRun shell(QString line, const QByteArray &input = {})
    {
        return runVltn({line.replace(u'@', dir.path())}, input, QProcessEnvironment::systemEnvironment(), true);
    }
    QString song;
};

TEST_F(Vltn, GoldenOutputOfEveryVerb)
{
    write("tune.OMP", "$2:4M*\r\n\r\n");
    write("in.VTD", sjis(QStringLiteral("[data]\nTITLE=曲\nDATA=$1.5:8ABC\nPROGRAM=7\nAuthor=私\nExtra=x\n")));
    write("p128.vtd", "[Data]\r\nData=$2:4A\r\nProgram=128\r\n"); // no tone the list can show
    write("p129.hml", "C-PROGRAM:129\r\nC-TEMPO:120\r\n4 A 1\r\n");
    write("warn.hml", "C-PROGRAM:200\r\nC-TEMPO:120\r\n4 C 2\r\n8 *\r\n"); // two seconds, then four
    write("s.vtd", sjis(QStringLiteral("; メモ\n[Data]\nTitle=古い\nMine=1\nData=old\n[Extra]\nk=v\n")));
    const QByteArray oneNote = testmidi::file(0, 480, {testmidi::bytes("00C000 0090307F 8F00 803000 00FF2F00")});
    const QByteArray e500 = "10 CLS\r\n20 BEEP 1,100,717\r\n30 BEEP 1,75,898\r\n40 BEEP 1,59,2110\r\n50 FOR W=0 TO 986 : NEXT W\r\n60 GOTO 10\r\n";
    const std::pair<const char *, QByteArray> cases[] = {
        {"vltn compile @/song.hml", "$2:4MQ8T4*\n"},
        {"vltn compile --raw @/song.hml", "$2:4M4Q8T4*\n"},
        {"vltn compile --separator / --interval 2 @/song.hml", "$2:4/MQ/8T/4*\n"},
        {"printf 'C-TEMPO:60\\r2 A 1' | vltn compile -", "$1:2J\n"},
        {"vltn compile --json @/song.hml",
         QStringLiteral("{\"omp\":\"$2:4MQ8T4*\",\"title\":\"春の歌\",\"author\":\"ベロ\",\"copyright\":\"日本古謡\","
                        "\"program\":20,\"status\":{\"code\":0,\"line\":0,\"message\":\"\"}}\n").toUtf8()},
        {"printf '$.83:4A4B' | vltn format -", "$0.83:4AB\n"},
        {"vltn format --separator / --interval 2 @/tune.OMP", "$2:4/M*\n"},
        {"vltn basic --machine E500 @/song.hml", e500},
        {"vltn basic --machine g800 @/tune.OMP", "10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10\r\n"},
        {"vltn basic --machine e500 -o - @/song.hml", e500},
        {"vltn omplist --title 夏 @/song.hml", omplist::bytes(QStringLiteral("夏"), QStringLiteral("$2:4MQ8T4*")).bytes},
        {"vltn omplist -o - @/tune.OMP", omplist::bytes(QString(), QStringLiteral("$2:4M*")).bytes},
        {"vltn midi -o - @/song.hml", testmidi::file(0, 480, {testmidi::bytes(SongMidiTrack)})},
        {"vltn midi -o - @/p128.vtd", oneNote},
        {"vltn midi -o - @/p129.hml 2>&1 >/dev/null | grep -c 'PROGRAM 129'", "1\n"},
        {"vltn vtd -o - @/song.hml",
         sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ8T4*\r\nProgram=19\r\nTitle=春の歌\r\n"
                             "Copyright=日本古謡\r\nAuthor=ベロ\r\n"))},
        {"vltn vtd --copyright c --tone 127 -o - @/in.VTD",
         sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$1.5:8ABC\r\nProgram=127\r\nTitle=曲\r\nCopyright=c\r\nAuthor=私\r\n"))},
        // A song file is updated in place, its other lines kept.
        {"vltn vtd -o @/s.vtd @/song.hml && cat @/s.vtd",
         sjis(QStringLiteral("; メモ\n[Data]\nTitle=春の歌\r\nMine=1\nData=$2:4MQ8T4*\r\nVTDVersion=1.0\r\n"
                             "Program=19\r\nCopyright=日本古謡\r\nAuthor=ベロ\r\n[Extra]\nk=v\n"))},
        {"vltn wav -o - @/tune.OMP | head -c 4", "RIFF"},
        // A tone no MIDI file carries is warned about.
        {"vltn wav -o @/warn.wav @/warn.hml 2>&1 | grep -c 'PROGRAM 200' && sox --i -s @/warn.wav", "1\n264600\n"},
        // Not a terminal: no progress line.
        {"vltn play --tone 0 @/song.hml", ""},
    };
    for (const auto &[line, out] : cases) {
        const VltnRun r = shell(QString::fromUtf8(line));
        EXPECT_EQ(r.exitCode, 0) << line << ": " << str(r.err);
        EXPECT_EQ(hex(r.outBytes), hex(out)) << line;
        EXPECT_TRUE(r.err.isEmpty()) << line << ": " << str(r.err);
    }
    // To a file: the same bytes, which midicsv reads as the song.
    ASSERT_EQ(shell("vltn midi --tone 10 -o @/song.mid @/song.hml").exitCode, 0);
    const testsupport::MidiCsvSummary midi = testsupport::readWithMidicsv(path("song.mid"));
    EXPECT_TRUE(midi.error.isEmpty()) << str(midi.error);
    EXPECT_EQ(midi.program, 10);
    EXPECT_EQ(midi.endTick, 9600);
    // The examples compile; the window's help needs no display.
    for (const QString &example : QDir(QStringLiteral(VLTN_SOURCE_DIR "/examples")).entryList({"*.hml"}))
        EXPECT_EQ(runVltn({"compile", QStringLiteral(VLTN_SOURCE_DIR "/examples/") + example}).exitCode, 0) << str(example);
}

TEST_F(Vltn, UsageErrorsExitWithTwoFailuresWithOneAndNeitherChangesAFile)
{
    write("bad.omp", "$0:4A");
    write("bad.hml", "C-TITLE:x\r\nC-TEMPO:120\r\n4 C 9\r\n");
    write("fake.vtd", "C-TEMPO:120\r\n4 C 2\r\n");
    write("utf16.hml", QByteArray("\xFF\xFE") + QStringLiteral("C-TEMPO:120").toUtf8());
    write("tune.mid", QByteArray("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\4\0\xFF\x2F\0", 26));
    write("picture.hml", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 24));
    write("cafe.hml", QStringLiteral("C-TITLE:Café の歌\r\nC-TEMPO:120\r\n4 C 2\r\n").toUtf8());
    write("stray.vtd", "[Data]\r\nData=$2:2AB\r\nTitle=" + QStringLiteral("かえる").toUtf8() + "\r\nAuthor=\xA0\xFD\r\n");
    write("many.omp", "$2:4" + QByteArray(6526, 'M'));
    // A MIDI file too large to play: 30 million notes, 270 MB.
    const QString loop = QStringLiteral("C-LOOP:999\r\n") + QStringLiteral("4 C 2\r\n").repeated(450) + QStringLiteral("C-LEND\r\n");
    write("huge.hml", (QStringLiteral("C-TEMPO:120\r\n") + loop.repeated(75)).toLatin1());
    ASSERT_TRUE(QFile::link(path("song.hml"), path("link.hml")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero.mid")));
    ::link(QFile::encodeName(path("song.hml")).constData(), QFile::encodeName(path("hard.hml")).constData());
    write("kept.mid", "older");
    const QStringList files = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    // The command line, its exit code, what its message says.
    const std::tuple<const char *, int, const char *> cases[] = {
        {"vltn", 2, "使い方"},
        {"vltn transmogrify @/song.hml", 2, "不明なコマンド"},
        {"vltn compile", 2, "入力ファイル"},
        {"vltn compile @/song.hml @/song.hml", 2, "多すぎます"},
        {"vltn compile --interval ten @/song.hml", 2, "--interval"},
        {"vltn compile --bogus @/song.hml", 2, "bogus"},
        {"vltn format", 2, "入力ファイル"},
        {"vltn vtd @/song.hml", 2, "-o"},
        {"vltn vtd --tone 128 -o @/x.vtd @/song.hml", 2, "--tone"},
        {"vltn midi @/song.hml", 2, "-o"},
        {"vltn midi -o @/x.mid", 2, "入力ファイル"},
        {"vltn midi --tone -1 -o @/x.mid @/song.hml", 2, "--tone"},
        {"vltn midi --tone x -o @/x.mid @/song.hml", 2, "--tone"},
        {"vltn basic @/song.hml", 2, "e500"},
        {"vltn basic --machine e200 @/song.hml", 2, "e500"},
        {"vltn omplist --bogus @/song.hml", 2, "bogus"},
        {"vltn wav @/song.hml", 2, "-o"},
        {"vltn wav --tone 128 -o @/x.wav @/song.hml", 2, "--tone"},
        {"vltn play --tone piano @/song.hml", 2, "--tone"},
        {"vltn play --repeat @/song.hml", 2, "repeat"},
        {"vltn play @/song.hml @/song.hml", 2, "多すぎます"},
        {"vltn compile @/none.hml", 1, "none.hml"},
        {"vltn compile @/bad.hml", 1, "bad.hml:3: error: 音の高さが１～４の指定範囲外です。"},
        {"vltn compile --json @/bad.hml", 1, ""},
        {"vltn midi -o @/kept.mid @/bad.omp", 1, "5 文字目"},
        {"vltn midi -o @/kept.mid @/fake.vtd", 1, "VTD ファイル"},
        {"vltn compile @/utf16.hml", 1, "UTF-16"},
        {"vltn compile @/tune.mid", 1, "MIDI ファイルです。H-MML の曲にするには、vltn import か"},
        {"vltn compile @/picture.hml", 1, "テキストファイルではありません"},
        {"vltn format @/picture.hml", 1, "テキストファイルではありません"},
        {"printf '\\x81' | vltn format -", 1, "1 行目"},
        {"vltn omplist -o @/kept.mid @/cafe.hml", 1, "「é」"},
        {"vltn vtd --title 🎵 -o @/new.vtd @/song.hml", 1, "U+1F3B5"},
        {"vltn vtd -o @/song.hml @/song.hml", 1, "VTD ファイルではない"},
        {"vltn vtd -o @/stray.vtd @/stray.vtd", 1, "Author"},
        {"vltn basic --machine e500 -o @/kept.mid @/many.omp", 1, "65279"},
        // Told about the user's song, not about the temporary file it was written to.
        {"vltn wav -o @/huge.wav @/huge.hml", 1, "@/huge.hml は長すぎて再生できません"},
        // An input that never ends stops at the bound.
        {"vltn compile /dev/zero", 1, "大きすぎます"},
        {"yes | vltn compile -", 1, "大きすぎます"},
        {"vltn play @/zero.mid", 1, "大きすぎます"},
        // The output is the input itself, also through a link.
        {"vltn midi -o @/song.hml @/song.hml", 1, "同じファイル"},
        {"vltn basic --machine e500 -o @/link.hml @/song.hml", 1, "同じファイル"},
        {"vltn omplist -o @/hard.hml @/song.hml", 1, "同じファイル"},
        {"vltn wav -o @/song.hml @/link.hml", 1, "同じファイル"},
        {"vltn import -o @/kept.mid @/kept.mid", 1, "同じファイル"},
        // ... or the file standard input reads.
        {"vltn import -o @/kept.mid - < @/kept.mid", 1, "標準入力から読んでいるファイルと同じ"},
        {"vltn midi -o @/song.hml - < @/song.hml", 1, "標準入力から読んでいるファイルと同じ"},
        {"vltn basic --machine e500 -o @/link.hml - < @/song.hml", 1, "標準入力から読んでいるファイルと同じ"},
        {"vltn omplist -o @/song.hml - < @/hard.hml", 1, "標準入力から読んでいるファイルと同じ"},
        {"vltn wav -o @/song.hml - < @/song.hml", 1, "標準入力から読んでいるファイルと同じ"},
        {"vltn vtd -o @/song.hml - < @/song.hml", 1, "標準入力から読んでいるファイルと同じ"},
        // Standard output that cannot take the bytes is a failure with its reason.
        {"vltn compile @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"printf '$2:4A' | vltn format - > /dev/full", 1, "ディスクの空き"},
        {"vltn basic --machine g800 @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"vltn omplist @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"vltn midi -o - @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"vltn vtd -o - @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"vltn wav -o - @/song.hml > /dev/full", 1, "ディスクの空き"},
        {"vltn --help > /dev/full", 1, "ディスクの空き"},
        {"vltn compile --watch @/song.hml > /dev/full", 1, "ディスクの空き"}, // ends the watch too
        // Running out of memory is a message, never an abort.
        {"ulimit -v 400000; vltn compile /dev/zero", 1, "メモリー"},
    };
    for (const auto &[line, code, says] : cases) {
        const VltnRun r = shell(QString::fromUtf8(line));
        EXPECT_EQ(r.exitCode, code) << line << ": " << str(r.err);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(says).replace(u'@', dir.path()))) << line << ": " << str(r.err);
        EXPECT_TRUE(code == 1 || r.outBytes.isEmpty()) << line;
    }
    EXPECT_EQ(read("song.hml"), Song);
    EXPECT_EQ(read("kept.mid"), "older");
    EXPECT_TRUE(read("stray.vtd").endsWith("Author=\xA0\xFD\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), files) << "no new or temporary file";
    // No sound device: one line of the program's own, none of the sound library's.
    write(".asoundrc", "pcm.!default \"vltn_no_such_device\"\n");
    const VltnRun r = shell("vltn play @/song.hml");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u"vltn: 音声を出力できません") && r.err.count(u'\n') == 1) << str(r.err);
    for (const char *verb : {"compile", "format", "vtd", "midi", "basic", "omplist", "play", "wav"}) {
        const VltnRun help = runVltn({QString::fromUtf8(verb), "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("使い方: vltn %1 ").arg(QString::fromUtf8(verb)))) << str(help.out);
        EXPECT_TRUE(runVltn({"--help"}).out.contains(QStringLiteral("  %1 ").arg(QString::fromUtf8(verb)))) << verb;
    }
}

TEST_F(Vltn, InterruptStopsEndlessPlayCleanly)
{
    QProcess p;
    p.start(QStringLiteral(VLTN_BIN_DIR "/vltn"), {"play", "--loop", song});
    ASSERT_TRUE(p.waitForStarted());
    // Wait until the program catches SIGINT (the bit in its mask of caught
    // signals), so the signal is not sent before it can be handled.
    const auto catchesInterrupt = [&] {
        for (const QByteArray &line : readFile(QStringLiteral("/proc/%1/status").arg(p.processId())).split('\n'))
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        return false;
    };
    ASSERT_TRUE(testsupport::waitFor(catchesInterrupt));
    EXPECT_FALSE(p.waitForFinished(300)) << "an endless play is still running";
    // Never to pid 0, which is the whole process group: the test's own runner.
    ASSERT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}

} // namespace
