// The MIDI writer, byte by byte, with every written file read back by midicsv.

#include "omp/midi_writer.h"
#include "tests/support/midicsv_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// The file that carries `track` (everything after the length field).
QByteArray fileWithTrack(const QByteArray &track)
{
    QByteArray file = hex("4D546864 00000006 0000 0001 01E0 4D54726B");
    const quint32 n = quint32(track.size());
    file.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return file + track;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class MidiWriter : public ::testing::Test {
protected:
    QTemporaryDir dir;
    int fileNo = 0;

    QString path(const QString &name) { return dir.filePath(name); }

    // Writes `omp` with MIDI_Exp, checks the file against `track` and has
    // midicsv count its note-ons and total ticks.
    void expectWritten(const QString &omp, int tone, const char *trackHex, int noteOns, qint64 ticks)
    {
        SCOPED_TRACE(omp.toStdString());
        const QString file = path(QStringLiteral("song%1.mid").arg(++fileNo));
        const MidiResult r = MIDI_Exp(omp, file, tone);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        const QByteArray expected = fileWithTrack(hex(trackHex));
        EXPECT_EQ(readFile(file).toHex(' ').toStdString(), expected.toHex(' ').toStdString());
        EXPECT_EQ(r.bytes, expected);
        expectMidicsv(file, noteOns, ticks);
    }

    void expectMidicsv(const QString &file, int noteOns, qint64 ticks)
    {
        const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(file);
        ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
        EXPECT_EQ(s.noteOns, noteOns);
        EXPECT_EQ(s.endTick, ticks);
    }
};

TEST_F(MidiWriter, EmptyDataGivesTheSmallestFile)
{
    const QString file = path(QStringLiteral("empty.mid"));
    ASSERT_TRUE(MIDI_Exp(QString(), file, 0).ok());
    EXPECT_EQ(readFile(file),
              hex("4D546864 00000006 0000 0001 01E0 4D54726B 00000007 00C000 00FF2F00"));
    EXPECT_EQ(QFileInfo(file).size(), 29);
    expectMidicsv(file, 0, 0);
    // Tempo and length characters alone write nothing either.
    expectWritten(QStringLiteral("$2:4/ 8"), 0, "00C000 00FF2F00", 0, 0);
}

TEST_F(MidiWriter, OneNoteAtTempoTwo)
{
    const QString file = path(QStringLiteral("a.mid"));
    ASSERT_TRUE(MIDI_Exp(QStringLiteral("$2:4A"), file, 0).ok());
    EXPECT_EQ(readFile(file), hex("4D546864 00000006 0000 0001 01E0 4D54726B 00000010"
                                  "00C000 0090307F 8F00 803000 00FF2F00"));
    EXPECT_EQ(QFileInfo(file).size(), 38);
    expectMidicsv(file, 1, 1920);
}

TEST_F(MidiWriter, NotesRestsAndNoteNumbers)
{
    // A rest is two note-offs of note 42 that only carry the time.
    expectWritten(QStringLiteral("$2:4*"), 0, "00C000 0080 2A00 8F00 802A00 00FF2F00", 0, 1920);
    // "J" is note 57, "p" 95, "q" 96; separators and other characters write nothing.
    expectWritten(QStringLiteral("$2:4J/p q"), 0,
                  "00C000 0090397F 8F00 803900 00905F7F 8F00 805F00 0090607F 8F00 806000 00FF2F00", 3, 5760);
    // A double-byte character typed into the data is passed over.
    expectWritten(QStringLiteral("$2:4あA"), 0, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920);
    // Half-width katakana read as codes 161 to 223, past note 127: each is a
    // rest of its length, so the file stays valid.
    expectWritten(QStringLiteral("$2:4ｱA"), 0, "00C000 00802A00 8F00 802A00 0090307F 8F00 803000 00FF2F00", 1, 3840);
    // DEL (code 127) is the highest code that still sounds: note 110.
    expectWritten(QStringLiteral("$2:4\x7F"), 0, "00C000 00906E7F 8F00 806E00 00FF2F00", 1, 1920);
}

TEST_F(MidiWriter, ProgramChangeCarriesTheTone)
{
    expectWritten(QStringLiteral("$2:4A"), 5, "00C005 0090307F 8F00 803000 00FF2F00", 1, 1920);
    expectWritten(QStringLiteral("$2:4A"), 127, "00C07F 0090307F 8F00 803000 00FF2F00", 1, 1920);
    // No selection in the tone list, or a tone no MIDI file can carry: program 0.
    expectWritten(QStringLiteral("$2:4A"), -1, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920);
    expectWritten(QStringLiteral("$2:4A"), 128, "00C000 0090307F 8F00 803000 00FF2F00", 1, 1920);
}

TEST_F(MidiWriter, DeltasAndLengths)
{
    // 7680 ticks need two bytes.
    expectWritten(QStringLiteral("$2:@A"), 0, "00C000 0090307F BC00 803000 00FF2F00", 1, 7680);
    // The tempo is the float nearest 1.67: 574.8503... ticks a unit.
    expectWritten(QStringLiteral("$1.67:4A"), 0, "00C000 0090307F 917B 803000 00FF2F00", 1, 2299);
    // The ":" of the tempo field leaves the length at 10.
    expectWritten(QStringLiteral("$2:A"), 0, "00C000 0090307F A540 803000 00FF2F00", 1, 4800);
    // Length 0: a note of no duration.
    expectWritten(QStringLiteral("$2:0A"), 0, "00C000 0090307F 00 803000 00FF2F00", 1, 0);
    // A tempo in mid-string changes the notes after it only; its digits set
    // the length again (here to 10, from the ":").
    expectWritten(QStringLiteral("$2:4A$4:A4A"), 0,
                  "00C000 0090307F 8F00 803000 0090307F 9260 803000 0090307F 8740 803000 00FF2F00", 3,
                  1920 + 2400 + 960);
    // A very slow tempo still fits in four bytes. The tempo is the float
    // nearest 0.0001, a little below it: 153,600,003 ticks, not 153,600,000.
    expectWritten(QStringLiteral("$.0001:@*"), 0, "00C000 00802A00 C99F8003 802A00 00FF2F00", 0, 153600003);
}

TEST(MidiDeltaBytes, ShortestVariableLengthForm)
{
    EXPECT_EQ(MIDI_DeltaBytes(0), hex("00"));
    EXPECT_EQ(MIDI_DeltaBytes(127), hex("7F"));
    EXPECT_EQ(MIDI_DeltaBytes(128), hex("8100"));
    EXPECT_EQ(MIDI_DeltaBytes(1920), hex("8F00"));
    EXPECT_EQ(MIDI_DeltaBytes(16383), hex("FF7F"));
    EXPECT_EQ(MIDI_DeltaBytes(16384), hex("818000"));
    EXPECT_EQ(MIDI_DeltaBytes(2097151), hex("FFFF7F"));
    EXPECT_EQ(MIDI_DeltaBytes(2097152), hex("81808000"));
    EXPECT_EQ(MIDI_DeltaBytes((1u << 28) - 1), hex("FFFFFF7F"));
    // 2^28 needs five bytes, which the standard does not allow.
    EXPECT_TRUE(MIDI_DeltaBytes(1u << 28).isEmpty());
    EXPECT_TRUE(MIDI_DeltaBytes(0xFFFFFFFFu).isEmpty());
}

TEST_F(MidiWriter, TempoZeroAtANoteOrRestFails)
{
    struct Case {
        const char16_t *omp;
        qsizetype pos;
        const char16_t *what;
    };
    const Case cases[] = {
        {u"$0:4A", 4, u"5 文字目「A」の音符"},
        {u"$:4A", 3, u"4 文字目「A」の音符"},
        {u"$A", 1, u"2 文字目「A」の音符"},
        {u"4*", 1, u"2 文字目「*」の休符"}, // no tempo at all
        {u"$0:0A", 4, u"5 文字目「A」の音符"}, // even for a note of no duration
        {u"$2:4A$0:4B", 9, u"10 文字目「B」の音符"},
    };
    const QString existing = path(QStringLiteral("kept.mid"));
    for (const Case &c : cases) {
        const QString omp = QString::fromUtf16(c.omp);
        SCOPED_TRACE(omp.toStdString());
        const MidiResult built = MIDI_Build(omp, 0);
        EXPECT_FALSE(built.ok());
        EXPECT_TRUE(built.bytes.isEmpty());
        EXPECT_EQ(built.errorPos, c.pos);
        EXPECT_TRUE(built.error.contains(QString::fromUtf16(c.what))) << built.error.toStdString();
        EXPECT_TRUE(built.error.contains(QStringLiteral("テンポが 0"))) << built.error.toStdString();

        // Neither a new file nor a changed old one.
        const QString fresh = path(QStringLiteral("never.mid"));
        EXPECT_FALSE(MIDI_Exp(omp, fresh, 0).ok());
        EXPECT_FALSE(QFileInfo::exists(fresh));
        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous song");
        old.close();
        EXPECT_FALSE(MIDI_Exp(omp, existing, 0).ok());
        EXPECT_EQ(readFile(existing), QByteArray("previous song"));
    }
}

TEST_F(MidiWriter, EveryConversionStartsAtTempoZero)
{
    ASSERT_TRUE(MIDI_Build(QStringLiteral("$2:4A"), 0).ok());
    // The tempo and length of the previous conversion do not carry over.
    EXPECT_FALSE(MIDI_Build(QStringLiteral("A"), 0).ok());
    expectWritten(QStringLiteral("$2:A"), 0, "00C000 0090307F A540 803000 00FF2F00", 1, 4800);
}

TEST_F(MidiWriter, DeltaOfTwoToThe28thFails)
{
    // 960 / 0.00001 * 16 = 1,536,000,000 ticks.
    const MidiResult r = MIDI_Build(QStringLiteral("$2:4A$.00001:@A"), 0);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.errorPos, 14);
    EXPECT_TRUE(r.error.contains(QStringLiteral("15 文字目"))) << r.error.toStdString();
    EXPECT_TRUE(r.bytes.isEmpty());
    // The same tempo with length 1 still fits: 96,000,002 ticks (the float
    // nearest 0.00001 lies a little below it).
    expectWritten(QStringLiteral("$.00001:1A"), 0, "00C000 0090307F ADE3B002 803000 00FF2F00", 1, 96000002);
}

TEST_F(MidiWriter, ReplacesALongerFileWhole)
{
    const QString file = path(QStringLiteral("long.mid"));
    ASSERT_TRUE(MIDI_Exp(QStringLiteral("$2:4ABCDEFGHIJKLMNOP*@*"), file, 0).ok());
    ASSERT_GT(QFileInfo(file).size(), 38);
    const MidiResult r = MIDI_Exp(QStringLiteral("$2:4A"), file, 0);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(readFile(file), fileWithTrack(hex("00C000 0090307F 8F00 803000 00FF2F00")));
    expectMidicsv(file, 1, 1920);
}

TEST_F(MidiWriter, UnwritableTargetsAreReportedAndLeftAlone)
{
    // A missing folder.
    const QString missing = path(QStringLiteral("no/such/folder/song.mid"));
    MidiResult r = MIDI_Exp(QStringLiteral("$2:4A"), missing, 0);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(missing)) << r.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));

    // A folder in place of the file.
    r = MIDI_Exp(QStringLiteral("$2:4A"), dir.path(), 0);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("フォルダ"))) << r.error.toStdString();

    // A read-only file is not replaced, whoever runs the test.
    const QString readOnly = path(QStringLiteral("protected.mid"));
    {
        QFile f(readOnly);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    r = MIDI_Exp(QStringLiteral("$2:4A"), readOnly, 0);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("書き込み禁止"))) << r.error.toStdString();
    EXPECT_EQ(readFile(readOnly), QByteArray("keep me"));
}

TEST_F(MidiWriter, LongSongReadsBackWhole)
{
    // Deltas of one to four bytes, all 48 written pitches and rests, in one
    // file that an outside reader must walk to its end.
    QString omp = QStringLiteral("$2:");
    qint64 ticks = 0;
    int notes = 0;
    for (int i = 0; i < 2000; ++i) {
        const int length = 1 + i % 16;
        omp += QChar(u'0' + length);
        ticks += 480 * length;
        if (i % 7 == 3) {
            omp += u'*';
        } else {
            omp += QChar(u'A' + i % 48);
            ++notes;
        }
    }
    omp += QStringLiteral("$.0003:1A"); // 3,199,999 ticks at the float nearest 0.0003
    ticks += 3199999;
    ++notes;
    const QString file = path(QStringLiteral("long.mid"));
    const MidiResult r = MIDI_Exp(omp, file, 40);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const testsupport::MidiCsvSummary s = testsupport::readWithMidicsv(file);
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    EXPECT_EQ(s.program, 40);
    EXPECT_EQ(s.noteOns, notes);
    EXPECT_EQ(s.noteOffs, notes + 2 * (2000 - notes + 1));
    EXPECT_EQ(s.endTick, ticks);
}

} // namespace
