// Sound through the real FluidSynth with the real SoundFont: the media
// player's contract, heard through a silent output whose level is tapped, and
// WAV files measured with sox. Nothing here is timed: each wait polls with a
// generous deadline.

#include "platform/audio/fluidsynth_engine.h"
#include "platform/audio/fluidsynth_player.h"
#include "platform/audio/midi_render.h"

#include "support/core_app.h"
#include "support/test_files.h"
#include "support/test_midi.h"

#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <latch>

namespace {

using testsupport::waitFor;

constexpr float Audible = 0.01f;
constexpr float Silent = 1.0f / 32768; // below one step of 16-bit sound

class SoundTest : public TempDirTest {
protected:
    void SetUp() override
    {
        testsupport::coreApplication();
        ASSERT_FALSE(FluidSynthEngine::findSoundFont().isEmpty()) << "the General MIDI SoundFont is not installed";
        shortSong = write("short.mid", testmidi::song({{60, 240}, {67, 240}})); // half a second
        longNote = write("long.mid", testmidi::song({{60, 960 * 60}}));         // a minute
        rests = write("rests.mid", testmidi::song({{-1, 480}, {-1, 480}}));
    }

    FluidSynthPlayer::Options silent()
    {
        FluidSynthPlayer::Options o;
        o.output = FluidSynthPlayer::Options::Output::Silent;
        o.levelTap = [this](float peak) {
            if (peak > loudest.load())
                loudest = peak;
            ++blocks;
        };
        return o;
    }
    // Starts a new measurement of the level; the block count now.
    long mark()
    {
        loudest = 0;
        return blocks.load();
    }
    // The passes begun after the first until `done`, seen as the position
    // going back to the start.
    static int wrapsUntil(FluidSynthPlayer &player, const std::function<bool(int wraps)> &done)
    {
        int wraps = 0;
        double last = player.position();
        EXPECT_TRUE(waitFor([&] {
            const double now = player.position();
            if (player.isPlaying() && now + 0.1 < last)
                ++wraps;
            last = now;
            return done(wraps);
        }));
        return wraps;
    }

    QString shortSong, longNote, rests;
    std::atomic<long> blocks{0};
    std::atomic<float> loudest{0};
};

TEST_F(SoundTest, AFileGivenBeforeTheLoadPlaysWhenItFinishesThenPositionStopAndTheNextFile)
{
    // setFileName must come back without waiting for the load, or this test
    // would never get to release it.
    std::latch release(1);
    FluidSynthPlayer::Options options = silent();
    options.beforeLoad = [&] { release.wait(); };
    FluidSynthPlayer player(options);
    player.setFileName(longNote);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_DOUBLE_EQ(player.duration(), 60.0);
    EXPECT_EQ(blocks.load(), 0) << "nothing renders before the synthesizer has loaded";
    release.count_down();
    ASSERT_TRUE(waitFor([&] { return loudest.load() > Audible; }));
    EXPECT_LT(player.position(), 60.0);
    // Giving a new file is the reload of the play button: no note of the
    // last song may ring into a song of rests.
    player.setFileName(rests);
    // A block rendered just before the change may report its level late.
    const long changedAt = mark();
    ASSERT_TRUE(waitFor([&] { return blocks.load() > changedAt + 2; }));
    mark();
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_LT(loudest.load(), Silent);
    EXPECT_EQ(player.fileName(), rests) << "the file stays given after it has ended";

    // Stop silences at once, and stopping with nothing playing does nothing.
    player.setFileName(longNote);
    ASSERT_TRUE(waitFor([&] { return loudest.load() > Audible; }));
    player.setFileName(QString());
    const long stoppedAt = mark();
    ASSERT_TRUE(waitFor([&] { return blocks.load() > stoppedAt + 50; }));
    EXPECT_EQ(loudest.load(), 0.0f);
    EXPECT_EQ(std::tuple(player.isPlaying(), player.position(), player.duration()), std::tuple(false, 0.0, 0.0));
    player.setFileName(QString());
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(SoundTest, PlayCounts)
{
    FluidSynthPlayer player(silent());
    // 0 plays until stopped: three passes after the first, and still playing.
    for (const auto &[count, wraps] : {std::pair{1, 0}, std::pair{2, 1}, std::pair{0, 3}}) {
        player.setFileName(shortSong);
        player.setPlayCount(count);
        EXPECT_EQ(wrapsUntil(player, [&](int n) { return n >= 3 || !player.isPlaying(); }), wraps) << count;
        EXPECT_EQ(player.isPlaying(), count == 0) << count;
    }
    // A count set just after the name applies to that playback; the count is
    // kept across files.
    player.setFileName(shortSong);
    EXPECT_EQ(player.playCount(), 0);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.1; }));
    player.setPlayCount(1);
    EXPECT_EQ(wrapsUntil(player, [&](int) { return !player.isPlaying(); }), 0);
    // A song of no length (a lone "$") ends even when played endlessly.
    player.setPlayCount(0);
    player.setFileName(write("empty.mid", testmidi::song({})));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    player.setFileName(shortSong);
    mark();
    ASSERT_TRUE(waitFor([&] { return loudest.load() > Audible; })) << "the audio thread came back from it";
}

TEST_F(SoundTest, FailuresAreReportedWhenPlayedAndTheNextFilePlays)
{
    const QString soundFont = path("gm.sf2");
    FluidSynthPlayer::Options options = silent();
    options.soundFont = soundFont;
    FluidSynthPlayer player(options);
    QStringList errors;
    player.setErrorHandler([&](const QString &e) { errors << e; });
    const auto play = [&](FluidSynthPlayer &p, const QString &file, const QString &said) {
        errors.clear();
        p.setFileName(file);
        EXPECT_TRUE(errors.isEmpty()) << "the handler is never called from inside setFileName";
        ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
        EXPECT_TRUE(errors.at(0).contains(said)) << str(errors.at(0));
        EXPECT_FALSE(p.isPlaying());
    };
    play(player, shortSong, soundFont); // no SoundFont yet
    write("gm.sf2", "not a SoundFont");
    play(player, shortSong, QStringLiteral("読み込めません"));
    QFile::remove(soundFont);
    ASSERT_TRUE(QFile::link(FluidSynthEngine::findSoundFont(), soundFont));
    play(player, path("ない.mid"), path("ない.mid"));
    play(player, write("song.hml", "C-TITLE:x\r\n"), QStringLiteral("MIDI ファイルではありません"));
    errors.clear();
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return loudest.load() > Audible; }));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_TRUE(errors.isEmpty());

    FluidSynthPlayer::Options noDevice;
    noDevice.settings = {{"audio.driver", "alsa"}, {"audio.alsa.device", "vltn_no_such_device"}};
    FluidSynthPlayer deaf(noDevice);
    deaf.setErrorHandler([&](const QString &e) { errors << e; });
    play(deaf, shortSong, QStringLiteral("音声を出力できません"));
}

// sox reads the WAV files independently of us.
QString sox(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("sox"), args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).simplified();
}

double loudestIn(const QString &wav, const char *start, const char *length)
{
    const QString stat = sox({wav, QStringLiteral("-n"), QStringLiteral("trim"), QLatin1String(start), QLatin1String(length),
                              QStringLiteral("stat")});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Maximum amplitude: ([0-9.]+)")).match(stat);
    EXPECT_TRUE(m.hasMatch()) << str(stat);
    return m.captured(1).toDouble();
}

TEST_F(SoundTest, WavFilesLastAsLongAsTheSongAndSoundOnlyWhereItDoes)
{
    const std::pair<QByteArray, double> songs[] = {
        {testmidi::song({{60, 480}, {64, 480}, {67, 480}, {72, 960}}, 80), 2.5}, // 2400 ticks, 960 a second
        {testmidi::song({{60, 1920}}, 0, 250000), 1.0},                           // a quarter note of 1/4 s
        {testmidi::song({}), 0.0},
        {testmidi::song({{-1, 960}, {69, 960}, {-1, 960}}), 3.0},
    };
    const QString wav = path("song.wav");
    for (const auto &[midi, seconds] : songs) {
        const MidiRenderResult r = renderMidiToWav(write("song.mid", midi), wav);
        ASSERT_TRUE(r.ok()) << str(r.error);
        EXPECT_DOUBLE_EQ(r.seconds, seconds);
        const qint64 frames = std::llround(seconds * 44100);
        EXPECT_EQ(QFileInfo(wav).size(), 44 + frames * 4);
        const QString info = sox({QStringLiteral("--i"), wav});
        EXPECT_TRUE(info.contains(QStringLiteral("Channels : 2 Sample Rate : 44100 Precision : 16-bit"))) << str(info);
        EXPECT_TRUE(frames == 0 || info.contains(QStringLiteral(" = %1 samples").arg(frames))) << str(info);
    }
    // Rest, note, rest: only the middle second sounds; the synthesizer is
    // reset when the song ends, so nothing rings through the last second.
    EXPECT_EQ(loudestIn(wav, "0", "0.99"), 0.0);
    EXPECT_GT(loudestIn(wav, "1.01", "0.98"), 0.05);
    EXPECT_LT(loudestIn(wav, "2.5", "0.5"), 0.01);

    // Over three days of rest is more than a WAV file holds; a cancelled
    // render leaves the old file.
    const QByteArray before = readFile(wav);
    EXPECT_TRUE(renderMidiToWav(write("days.mid", testmidi::song({{-1, (1u << 28) - 1}})), wav).error.contains(u"長すぎて"));
    const std::atomic<bool> cancelled{true};
    EXPECT_TRUE(renderMidiToWav(longNote, wav, {.soundFont = QString(), .cancel = &cancelled}).cancelled);
    EXPECT_EQ(readFile(wav), before);
}

} // namespace
