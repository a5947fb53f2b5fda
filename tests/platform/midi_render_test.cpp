// Rendering songs to WAV files through the real synthesizer and SoundFont.
// The files are measured with sox, which reads them independently of us.

#include "platform/midi_render.h"

#include "platform/fluidsynth_engine.h"
#include "tests/support/test_midi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs sox with `args`; its output (sox writes statistics to stderr).
QString sox(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("sox"), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("sox failed: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

double maximumAmplitude(const QString &wav)
{
    const QString stat = sox({wav, QStringLiteral("-n"), QStringLiteral("stat")});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Maximum amplitude:\\s+([0-9.]+)")).match(stat);
    EXPECT_TRUE(m.hasMatch()) << stat.toStdString();
    return m.captured(1).toDouble();
}

quint32 le(const QByteArray &b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(b.at(at + i));
    return v;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_FALSE(FluidSynthEngine::findSoundFont().isEmpty()) << "the General MIDI SoundFont is not installed";
        ASSERT_FALSE(sox({QStringLiteral("--version")}).startsWith(QStringLiteral("sox failed"))) << "sox is not installed";
    }

    QString midi(const char *name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(testmidi::write(path, bytes));
        return path;
    }
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
};

TEST_F(RenderTest, WritesSixteenBitStereoAt44100AsLongAsTheSong)
{
    // 2400 ticks at 960 a second: 2.5 seconds.
    const QString song = midi("song.mid", testmidi::song({{60, 480}, {64, 480}, {67, 480}, {72, 960}}, 80));
    const QString wav = path("song.wav");
    const MidiRenderResult r = renderMidiToWav(song, wav);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_DOUBLE_EQ(r.seconds, 2.5);
    EXPECT_EQ(r.frames, 110250);

    QFile f(wav);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    ASSERT_EQ(b.size(), 44 + 110250 * 4);
    EXPECT_EQ(b.left(4), "RIFF");
    EXPECT_EQ(le(b, 4, 4), quint32(b.size() - 8));
    EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le(b, 16, 4), 16u);
    EXPECT_EQ(le(b, 20, 2), 1u);      // integer PCM
    EXPECT_EQ(le(b, 22, 2), 2u);      // stereo
    EXPECT_EQ(le(b, 24, 4), 44100u);  // samples a second
    EXPECT_EQ(le(b, 28, 4), 176400u); // bytes a second
    EXPECT_EQ(le(b, 32, 2), 4u);      // bytes a frame
    EXPECT_EQ(le(b, 34, 2), 16u);     // bits a sample
    EXPECT_EQ(b.mid(36, 4), "data");
    EXPECT_EQ(le(b, 40, 4), 110250u * 4);

    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-r"), wav}), QStringLiteral("44100"));
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-c"), wav}), QStringLiteral("2"));
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-b"), wav}), QStringLiteral("16"));
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-s"), wav}), QStringLiteral("110250"));
}

TEST_F(RenderTest, NotesAreHeardAndRestsAreSilent)
{
    const QString notes = path("notes.wav");
    ASSERT_TRUE(renderMidiToWav(midi("notes.mid", testmidi::song({{60, 960}, {-1, 480}, {72, 960}})), notes).ok());
    EXPECT_GT(maximumAmplitude(notes), 0.05);

    const QString rests = path("rests.wav");
    ASSERT_TRUE(renderMidiToWav(midi("rests.mid", testmidi::song({{-1, 960}, {-1, 960}})), rests).ok());
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-s"), rests}), QStringLiteral("88200"));
    EXPECT_EQ(maximumAmplitude(rests), 0.0);
}

TEST_F(RenderTest, EachNoteSoundsInItsOwnTime)
{
    // Rest, note, rest: only the middle second of three has sound in it.
    const QString wav = path("middle.wav");
    ASSERT_TRUE(renderMidiToWav(midi("middle.mid", testmidi::song({{-1, 960}, {69, 960}, {-1, 960}})), wav).ok());
    const auto part = [&](const char *start, const char *length) {
        const QString piece = path("piece.wav");
        EXPECT_EQ(sox({wav, piece, QStringLiteral("trim"), QString::fromUtf8(start), QString::fromUtf8(length)}),
                  QString());
        return maximumAmplitude(piece);
    };
    EXPECT_EQ(part("0", "0.99"), 0.0);
    EXPECT_GT(part("1.01", "0.98"), 0.05);
    // The note's release and reverb may ring a little into the last second,
    // but not through it: the synthesizer is reset when the song ends.
    EXPECT_LT(part("2.5", "0.5"), 0.01);
}

TEST_F(RenderTest, LengthFollowsTheTempoOfTheFile)
{
    // 1920 ticks at a quarter note of a quarter second (240 a minute).
    const QString wav = path("fast.wav");
    const MidiRenderResult r = renderMidiToWav(midi("fast.mid", testmidi::song({{60, 1920}}, 0, 250000)), wav);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_DOUBLE_EQ(r.seconds, 1.0);
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-s"), wav}), QStringLiteral("44100"));
}

TEST_F(RenderTest, SongWithoutNotesGivesAnEmptyWavFile)
{
    const QString wav = path("empty.wav");
    const MidiRenderResult r = renderMidiToWav(midi("empty.mid", testmidi::song({})), wav);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(QFileInfo(wav).size(), 44);
    EXPECT_EQ(sox({QStringLiteral("--i"), QStringLiteral("-s"), wav}), QStringLiteral("0"));
}

TEST_F(RenderTest, FailuresLeaveTheOutputAsItWas)
{
    const QString song = midi("song.mid", testmidi::song({{60, 480}}));
    const QString wav = path("kept.wav");
    ASSERT_TRUE(testmidi::write(wav, "earlier content"));
    const auto kept = [&] {
        QFile f(wav);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "earlier content";
    };

    MidiRenderResult r = renderMidiToWav(path("ない.mid"), wav);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(path("ない.mid"))) << r.error.toStdString();
    EXPECT_TRUE(kept());

    r = renderMidiToWav(midi("text.hml", "C-TITLE:x\r\n"), wav);
    EXPECT_TRUE(r.error.contains(QStringLiteral("MIDI ファイルではありません"))) << r.error.toStdString();
    EXPECT_TRUE(kept());

    MidiRenderOptions noSoundFont;
    noSoundFont.soundFont = path("none.sf2");
    r = renderMidiToWav(song, wav, noSoundFont);
    EXPECT_TRUE(r.error.contains(QStringLiteral("SoundFont"))) << r.error.toStdString();
    EXPECT_TRUE(kept());

    const std::atomic<bool> cancelled{true};
    MidiRenderOptions cancel;
    cancel.cancel = &cancelled;
    r = renderMidiToWav(song, wav, cancel);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(kept());

    r = renderMidiToWav(song, path("no/such/dir/out.wav"));
    EXPECT_TRUE(r.error.contains(QStringLiteral("作成できません"))) << r.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("no")));

    ASSERT_TRUE(renderMidiToWav(song, wav).ok());
    EXPECT_FALSE(kept()) << "a successful render replaces the file";
    EXPECT_EQ(dir.path() + "/kept.wav", wav);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("kept.wav*")}, QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file is left behind";
}

TEST_F(RenderTest, SongTooLongForAWavFileIsRefused)
{
    // A rest of 2^28 - 1 ticks lasts over three days: past the 4 GB a WAV file can hold.
    const MidiRenderResult r = renderMidiToWav(midi("long.mid", testmidi::song({{-1, (1u << 28) - 1}})), path("long.wav"));
    EXPECT_TRUE(r.error.contains(QStringLiteral("長すぎて"))) << r.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("long.wav")));
}

} // namespace
