#include "platform/midi_timing.h"

#include "tests/support/test_midi.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using testmidi::file;
using testmidi::hex;

TEST(MidiTiming, SongLengthAtDefaultTempo)
{
    // 480 + 960 + 2400 ticks at 120 quarter notes a minute, 480 ticks each.
    const MidiTiming t = readMidiTiming(testmidi::song({{60, 480}, {-1, 960}, {67, 2400}}));
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.format, 0);
    EXPECT_EQ(t.trackCount, 1);
    EXPECT_EQ(t.division, 480);
    EXPECT_EQ(t.totalTicks, 3840);
    EXPECT_DOUBLE_EQ(t.durationSeconds(), 4.0);
    EXPECT_DOUBLE_EQ(t.secondsAt(480), 0.5);
}

TEST(MidiTiming, EmptySongLastsNothing)
{
    const MidiTiming t = readMidiTiming(testmidi::song({}));
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.totalTicks, 0);
    EXPECT_DOUBLE_EQ(t.durationSeconds(), 0.0);
}

TEST(MidiTiming, TempoChangesApplyFromTheirTick)
{
    // 960 ticks at 500000 us, then a change to 250000 us and 960 ticks more.
    const QByteArray track = hex("00 90 3C 7F  87 40 80 3C 00"   // note, 960 ticks
                                 "00 FF 51 03 03 D0 90"          // tempo 250000 at tick 960
                                 "00 90 3E 7F  87 40 80 3E 00"   // note, 960 ticks
                                 "00 FF 2F 00");
    const MidiTiming t = readMidiTiming(file(0, 480, {track}));
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.totalTicks, 1920);
    EXPECT_DOUBLE_EQ(t.secondsAt(960), 1.0);
    EXPECT_DOUBLE_EQ(t.secondsAt(1440), 1.25);
    EXPECT_DOUBLE_EQ(t.durationSeconds(), 1.5);
}

TEST(MidiTiming, TempoFromGivenTrackGovernsAllTracksOfFormat1)
{
    const QByteArray conductor = hex("00 FF 51 03 0F 42 40  00 FF 2F 00"); // 1 s a quarter note
    const QByteArray music = hex("00 90 3C 7F  83 60 80 3C 00  00 FF 2F 00");  // 480 ticks
    const MidiTiming t = readMidiTiming(file(1, 480, {conductor, music}));
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.trackCount, 2);
    EXPECT_EQ(t.totalTicks, 480);
    EXPECT_DOUBLE_EQ(t.durationSeconds(), 1.0);
}

TEST(MidiTiming, RunningStatusSysexAndUnknownChunksAreWalked)
{
    // Running status for the second note-on and the note-offs, a sysex, a
    // text event, a two-byte program change and pitch bend, and a chunk of
    // an unknown kind before the track.
    const QByteArray track = hex("00 90 3C 7F  00 40 7F  60 3C 00  00 40 00"
                                 "00 F0 03 7E 7F F7  00 FF 01 02 41 42"
                                 "00 C0 05  00 E0 00 40  60 D0 10  00 FF 2F 00");
    QByteArray bytes = file(0, 96, {track});
    bytes.insert(14, hex("58 59 5A 57 00 00 00 02 AA BB"));
    const MidiTiming t = readMidiTiming(bytes);
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.totalTicks, 0x60 + 0x60);
    EXPECT_DOUBLE_EQ(t.durationSeconds(), 1.0);
}

TEST(MidiTiming, EventsAfterEndOfTrackAreNotPlayed)
{
    const QByteArray track = hex("83 60 FF 2F 00  87 40 90 3C 7F");
    const MidiTiming t = readMidiTiming(file(0, 480, {track}));
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t.totalTicks, 480);
}

TEST(MidiTiming, RefusesWhatIsNotAPlayableMidiFileNamingWhere)
{
    const struct {
        const char *what;
        QByteArray bytes;
        const char *says;
        qint64 offset;
    } cases[] = {
        {"text", "C-TITLE:song\r\n", "MIDI ファイルではありません", 0},
        {"empty", QByteArray(), "MIDI ファイルではありません", 0},
        {"header cut short", hex("4D 54 68 64 00 00 00 06 00 00 00 01"), "MIDI ファイルではありません", 0},
        {"header length past end", hex("4D 54 68 64 00 00 00 FF 00 00 00 01 01 E0"), "壊れています", 4},
        {"SMPTE division", file(0, 0xE728, {hex("00 FF 2F 00")}), "SMPTE", 12},
        {"division 0", file(0, 0, {hex("00 FF 2F 00")}), "壊れています", 12},
        {"no track", file(0, 480, {}), "トラックがありません", 14},
        {"track longer than file", file(0, 480, {hex("00 FF 2F 00")}).chopped(2), "途中で終わっています", 18},
        {"five-byte delta", file(0, 480, {hex("81 81 81 81 01 90 3C 7F")}), "時間の値", 22},
        {"data byte without status", file(0, 480, {hex("00 3C 7F")}), "ステータスのないイベント", 22},
        {"running status after meta", file(0, 480, {hex("00 FF 01 00 00 3C 7F")}), "ステータスのないイベント", 26},
        {"note cut short", file(0, 480, {hex("00 90 3C")}), "途中で終わっています", 25},
        {"meta longer than track", file(0, 480, {hex("00 FF 01 10 41")}), "途中で終わっています", 27},
        {"system common event", file(0, 480, {hex("00 F2 00 00")}), "置けないイベント", 22},
        {"data byte above 127", file(0, 480, {hex("00 90 3C 7F  10 80 BC 00")}), "127", 26},
    };
    for (const auto &c : cases) {
        const MidiTiming t = readMidiTiming(c.bytes);
        EXPECT_FALSE(t.ok()) << c.what;
        EXPECT_TRUE(t.error.contains(QString::fromUtf8(c.says))) << c.what << ": " << t.error.toStdString();
        const MidiFile f = readMidi(c.bytes, MidiRead::Notes);
        EXPECT_EQ(f.errorOffset, c.offset) << c.what;
        if (c.offset > 0 && f.error.contains(QStringLiteral("壊れています"))) {
            EXPECT_TRUE(f.error.contains(QStringLiteral("オフセット %1:").arg(c.offset))) << f.error.toStdString();
        }
    }
}

TEST(MidiFileRead, NamesTheFileThatCannotBePlayed)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ない.mid"));
    MidiFileRead read = readMidiFile(missing);
    EXPECT_FALSE(read.ok());
    EXPECT_TRUE(read.error.contains(missing));

    const QString text = dir.filePath(QStringLiteral("song.hml"));
    ASSERT_TRUE(testmidi::write(text, "C-TITLE:x\r\n"));
    read = readMidiFile(text);
    EXPECT_FALSE(read.ok());
    EXPECT_TRUE(read.error.contains(text));
    EXPECT_TRUE(read.error.contains(QStringLiteral("MIDI ファイルではありません")));

    const QString song = dir.filePath(QStringLiteral("song.mid"));
    ASSERT_TRUE(testmidi::write(song, testmidi::song({{60, 960}})));
    read = readMidiFile(song);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_DOUBLE_EQ(read.timing.durationSeconds(), 1.0);
}
