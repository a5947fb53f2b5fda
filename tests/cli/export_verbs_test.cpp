// vltn midi, vltn basic and vltn omplist, run as a user runs them.

#include "export/omp_list.h"
#include "tests/support/midicsv_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "vltn_runner.h"

namespace {

VltnRun vltn(const QStringList &args)
{
    return runVltn(args);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray midiFile(const char *trackHex)
{
    const QByteArray track = hex(trackHex);
    QByteArray file = hex("4D546864 00000006 0000 0001 01E0 4D54726B");
    const quint32 n = quint32(track.size());
    file.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return file + track;
}

QByteArray cp932(const QString &text)
{
    QStringEncoder enc("CP932");
    return enc.encode(text);
}

class ExportVerbs : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    static QByteArray readFile(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    // A song in CP932, as the window's users write them.
    QString song(const QString &extraLines = QString())
    {
        return writeFile(QStringLiteral("song.hml"),
                         cp932(QStringLiteral("C-TITLE:春の歌\r\nC-TEMPO:120\r\n") + extraLines
                               + QStringLiteral("4 C 2\r\n4 E 2 ' a comment\r\n8 G 2\r\n4 *\r\n")));
    }
};

// The song above: C, E and G of octave 2 (notes 60, 64, 67) and a rest.
const char *const SongTrack = "00C0%1 00903C7F 8F00 803C00 0090407F 8F00 804000 0090437F 9E00 804300"
                              " 00802A00 8F00 802A00 00FF2F00";

QByteArray songMidi(int program)
{
    return midiFile(QString::fromLatin1(SongTrack).arg(program, 2, 16, QLatin1Char('0')).toLatin1().constData());
}

TEST_F(ExportVerbs, MidiFromHmmlTakesTheSongsProgram)
{
    const QString in = song(QStringLiteral("C-PROGRAM:5\r\n"));
    const QString out = path(QStringLiteral("song.mid"));
    const VltnRun r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(readFile(out), songMidi(4));
    const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(out);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(s.program, 4);
    EXPECT_EQ(s.noteOns, 3);
    EXPECT_EQ(s.endTick, 9600);

    // --tone wins over the song's PROGRAM.
    const VltnRun t = vltn({QStringLiteral("midi"), QStringLiteral("--tone"), QStringLiteral("10"), QStringLiteral("-o"),
                        out, in});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_EQ(readFile(out), songMidi(10));
    EXPECT_EQ(testsupport::readWithMidicsv(out).program, 10);
}

TEST_F(ExportVerbs, MidiToneDefaultsAndWarnings)
{
    const QString out = path(QStringLiteral("song.mid"));
    // No PROGRAM: program 0.
    VltnRun r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, song()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(out), songMidi(0));

    // PROGRAM 129 has no MIDI program: a warning, and program 0.
    r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, song(QStringLiteral("C-PROGRAM:129\r\n"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("警告"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("129"))) << r.err.toStdString();
    EXPECT_EQ(readFile(out), songMidi(0));
    const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(out);
    EXPECT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(s.program, 0);
}

TEST_F(ExportVerbs, MidiUsageErrors)
{
    const QString in = song();
    const QString out = path(QStringLiteral("never.mid"));
    for (const QString &tone : {QStringLiteral("128"), QStringLiteral("-1"), QStringLiteral("x")}) {
        const VltnRun r = vltn({QStringLiteral("midi"), QStringLiteral("--tone"), tone, QStringLiteral("-o"), out, in});
        EXPECT_EQ(r.exitCode, 2) << tone.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--tone"))) << r.err.toStdString();
    }
    EXPECT_EQ(vltn({QStringLiteral("midi"), in}).exitCode, 2); // no -o
    EXPECT_EQ(vltn({QStringLiteral("midi"), QStringLiteral("-o"), out}).exitCode, 2); // no input
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(ExportVerbs, MidiFromOmpDataFile)
{
    // Trailing line breaks are dropped; the name's case does not matter.
    const QString in = writeFile(QStringLiteral("tune.OMP"), "$2:4A\r\n\r\n");
    const QString out = path(QStringLiteral("tune.mid"));
    const VltnRun r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(out), hex("4D546864 00000006 0000 0001 01E0 4D54726B 00000010"
                                 "00C000 0090307F 8F00 803000 00FF2F00"));
    const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(out);
    EXPECT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(s.noteOns, 1);
    EXPECT_EQ(s.endTick, 1920);
}

TEST_F(ExportVerbs, MidiFailureLeavesNoFileAndKeepsAnOldOne)
{
    const QString in = writeFile(QStringLiteral("bad.omp"), "$0:4A");
    const QString out = path(QStringLiteral("bad.mid"));
    VltnRun r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("5 文字目"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));

    writeFile(QStringLiteral("bad.mid"), "an older file");
    r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(readFile(out), QByteArray("an older file"));

    // An H-MML error names the file and the line.
    const QString hml = writeFile(QStringLiteral("notempo.hml"), "C-TITLE:x\r\n4 C 2\r\n");
    r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, hml});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("notempo.hml:2:"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("音譜データの前にはテンポデータが必要です。"))) << r.err.toStdString();

    // A missing input file.
    r = vltn({QStringLiteral("midi"), QStringLiteral("-o"), out, path(QStringLiteral("nothing.hml"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("nothing.hml"))) << r.err.toStdString();
}

TEST_F(ExportVerbs, BasicToStandardOutputAndToAFile)
{
    const QString in = writeFile(QStringLiteral("tune.omp"), "$2:4M*\n");
    VltnRun r = vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("e500"), in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outBytes, QByteArray("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n"));

    const QString out = path(QStringLiteral("g800.txt"));
    r = vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("g800"), QStringLiteral("-o"), out,
              in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.outBytes.isEmpty());
    EXPECT_EQ(readFile(out), QByteArray("10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10\r\n"));

    // From H-MML: the formatted song.
    r = vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("E500"), song()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outBytes, QByteArray("10 CLS\r\n20 BEEP 1,100,717\r\n30 BEEP 1,75,898\r\n40 BEEP 1,59,2110\r\n"
                                "50 FOR W=0 TO 986 : NEXT W\r\n60 GOTO 10\r\n"));
}

TEST_F(ExportVerbs, BasicUsageErrors)
{
    const QString in = writeFile(QStringLiteral("tune.omp"), "$2:4M*");
    EXPECT_EQ(vltn({QStringLiteral("basic"), in}).exitCode, 2);
    const VltnRun r = vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("e200"), in});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("e500"))) << r.err.toStdString();
    EXPECT_TRUE(r.outBytes.isEmpty());
}

TEST_F(ExportVerbs, OmpListTitles)
{
    const QString in = song();
    const QString out = path(QStringLiteral("list.txt"));
    // The H-MML TITLE, and the data formatted without separators.
    VltnRun r = vltn({QStringLiteral("omplist"), QStringLiteral("-o"), out, in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QByteArray bytes = readFile(out);
    EXPECT_EQ(bytes, omplist::bytes(QStringLiteral("春の歌"), QStringLiteral("$2:4MQ8T4*")).bytes);
    EXPECT_TRUE(bytes.startsWith(cp932(QStringLiteral("OMP DATA  Title:春の歌\r\n[$2:4MQ8T4*]\r\n"))));

    // --title wins; standard output gets the same CP932 bytes as a file.
    r = vltn({QStringLiteral("omplist"), QStringLiteral("--title"), QStringLiteral("夏"), in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outBytes, omplist::bytes(QStringLiteral("夏"), QStringLiteral("$2:4MQ8T4*")).bytes);

    // No title anywhere.
    const QString omp = writeFile(QStringLiteral("tune.omp"), "$2:4M*\r\n");
    r = vltn({QStringLiteral("omplist"), omp});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.outBytes.startsWith("OMP DATA  Title:Non titled.\r\n[$2:4M*]\r\n"));
    EXPECT_TRUE(r.outBytes.endsWith(")\r\n"));
    EXPECT_EQ(r.outBytes.count("\r\n"), 43);
}

TEST_F(ExportVerbs, OmpListRefusesTextCp932CannotHold)
{
    // A UTF-8 file whose title has a character outside CP932.
    const QString in = writeFile(QStringLiteral("cafe.hml"),
                                 QStringLiteral("C-TITLE:Café の歌\r\nC-TEMPO:120\r\n4 C 2\r\n").toUtf8());
    const QString out = path(QStringLiteral("list.txt"));
    const VltnRun r = vltn({QStringLiteral("omplist"), QStringLiteral("-o"), out, in});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("「é」"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out));
    // The same song goes to MIDI and BASIC, which carry no title.
    EXPECT_EQ(vltn({QStringLiteral("midi"), QStringLiteral("-o"), path(QStringLiteral("cafe.mid")), in}).exitCode, 0);
    EXPECT_EQ(vltn({QStringLiteral("basic"), QStringLiteral("--machine"), QStringLiteral("g800"), in}).exitCode, 0);
}

TEST_F(ExportVerbs, HelpListsTheVerbs)
{
    const VltnRun r = vltn({QStringLiteral("--help")});
    ASSERT_EQ(r.exitCode, 0);
    const QString help = QString::fromUtf8(r.outBytes);
    for (const char *verb : {"midi [--tone N] -o OUT INPUT", "basic --machine e500|g800 [-o OUT] INPUT",
                             "omplist [--title T] [-o OUT] INPUT"})
        EXPECT_TRUE(help.contains(QLatin1String(verb))) << verb;
    for (const char *verb : {"midi", "basic", "omplist"})
        EXPECT_EQ(vltn({QLatin1String(verb), QStringLiteral("--help")}).exitCode, 0) << verb;
}

} // namespace
