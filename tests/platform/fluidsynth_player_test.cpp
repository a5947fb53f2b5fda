// The media player's contract, held against the real FluidSynth player with
// the real SoundFont. The sound goes to the silent output (a machine without
// a sound card); its level is watched through the player's level tap. Nothing
// here is timed: each wait polls with a generous deadline.

#include "platform/fluidsynth_player.h"

#include "platform/fluidsynth_engine.h"
#include "tests/fakes/fake_media_player.h"
#include "tests/support/test_midi.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

class QtApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "fluidsynth_player_test";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QCoreApplication> m_app;
};
[[maybe_unused]] ::testing::Environment *const qtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Runs the event loop until `done` holds; false when a minute passes first.
bool waitFor(const std::function<bool()> &done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What the silent output has rendered: the number of blocks, and the loudest
// block since the count was last marked.
struct Level {
    std::atomic<long> blocks{0};
    std::atomic<float> loudest{0};

    std::function<void(float)> tap()
    {
        return [this](float peak) {
            if (peak > loudest.load())
                loudest = peak;
            ++blocks;
        };
    }
    // Starts a new measurement; returns the block count at this moment.
    long mark()
    {
        const long now = blocks.load();
        loudest = 0;
        return now;
    }
};

constexpr float Audible = 0.01f;
// Below one step of 16-bit sound: what is left of the reverb's arithmetic.
constexpr float Silent = 1.0f / 32768;

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_FALSE(FluidSynthEngine::findSoundFont().isEmpty()) << "the General MIDI SoundFont is not installed";
        // Two notes of a quarter second each: half a second in all.
        shortSong = songFile("short.mid", {{60, 240}, {67, 240}});
        // A note held for a minute, for stopping in the middle of.
        longNote = songFile("long.mid", {{60, 960 * 60}});
        rests = songFile("rests.mid", {{-1, 480}, {-1, 480}});
    }

    QString songFile(const char *name, const std::vector<testmidi::Note> &notes)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(testmidi::write(path, testmidi::song(notes)));
        return path;
    }

    FluidSynthPlayer::Options silent()
    {
        FluidSynthPlayer::Options o;
        o.output = FluidSynthPlayer::Options::Output::Silent;
        o.levelTap = level.tap();
        return o;
    }

    // Plays through a whole pass of `player` and counts the passes begun
    // after the first, seen as the position going back to the start.
    static int wrapsUntil(FluidSynthPlayer &player, const std::function<bool()> &done)
    {
        int wraps = 0;
        double last = player.position();
        waitFor([&] {
            const double now = player.position();
            // A position read after the end is 0 and is no new pass.
            if (!player.isPlaying())
                return done();
            if (now + 0.1 < last)
                ++wraps;
            last = now;
            return done();
        });
        return wraps;
    }

    QTemporaryDir dir;
    QString shortSong, longNote, rests;
    Level level;
    QStringList errors;
};

TEST_F(PlayerTest, FileGivenBeforeTheLoadIsPlayedWhenItFinishes)
{
    // The load is held until the file has been given: setFileName must come
    // back without waiting for it, or this test would never get to release it.
    std::mutex m;
    std::condition_variable cv;
    bool released = false;
    FluidSynthPlayer::Options options = silent();
    options.beforeLoad = [&] {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return released; });
    };
    FluidSynthPlayer player(options);
    player.setErrorHandler([&](const QString &e) { errors << e; });

    player.setFileName(shortSong);
    player.setPlayCount(1);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(player.fileName(), shortSong);
    EXPECT_DOUBLE_EQ(player.duration(), 0.5);
    EXPECT_EQ(level.blocks.load(), 0) << "nothing renders before the synthesizer has loaded";
    {
        std::lock_guard lock(m);
        released = true;
    }
    cv.notify_all();

    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(PlayerTest, ReportsPositionAndLength)
{
    FluidSynthPlayer player(silent());
    player.setFileName(longNote);
    EXPECT_DOUBLE_EQ(player.duration(), 60.0);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.2; }));
    EXPECT_LE(player.position(), 60.0);
    EXPECT_TRUE(player.isPlaying());

    player.setFileName(QString());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_TRUE(player.fileName().isEmpty());
}

TEST_F(PlayerTest, StopSilencesAtOnce)
{
    FluidSynthPlayer player(silent());
    player.setFileName(longNote);
    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));

    player.setFileName(QString());
    const long stoppedAt = level.mark();
    ASSERT_TRUE(waitFor([&] { return level.blocks.load() > stoppedAt + 50; }));
    EXPECT_EQ(level.loudest.load(), 0.0f);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, NoNoteHangsIntoTheNextFile)
{
    FluidSynthPlayer player(silent());
    player.setFileName(longNote);
    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));

    // Giving a new file is the reload of the play button: a song of rests
    // must be silent from its first block, with no note of the last one left.
    player.setFileName(rests);
    level.mark();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_LT(level.loudest.load(), Silent);
}

TEST_F(PlayerTest, PlayCountOnePlaysOnceAndEnds)
{
    FluidSynthPlayer player(silent());
    player.setFileName(shortSong);
    player.setPlayCount(1);
    EXPECT_EQ(wrapsUntil(player, [&] { return !player.isPlaying(); }), 0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.fileName(), shortSong) << "the file stays given after it has ended";
}

TEST_F(PlayerTest, PlayCountZeroPlaysUntilStopped)
{
    FluidSynthPlayer player(silent());
    player.setFileName(shortSong);
    player.setPlayCount(0);
    // Three passes begun after the first, and still playing.
    int seen = 0;
    double last = 0;
    ASSERT_TRUE(waitFor([&] {
        const double now = player.position();
        if (now + 0.1 < last && player.isPlaying())
            ++seen;
        last = now;
        return seen >= 3 || !player.isPlaying();
    }));
    EXPECT_GE(seen, 3);
    EXPECT_TRUE(player.isPlaying());
    player.setFileName(QString());
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, PlayCountSetJustAfterTheNameAppliesToThatPlayback)
{
    FluidSynthPlayer player(silent());
    // Endless first; then the same file again with a count of one, given once
    // the new pass is surely under way on the audio thread.
    player.setFileName(shortSong);
    player.setPlayCount(0);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.1; }));
    player.setFileName(shortSong);
    EXPECT_EQ(player.playCount(), 0) << "the count is kept across files";
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.1; }));
    player.setPlayCount(1);
    EXPECT_EQ(wrapsUntil(player, [&] { return !player.isPlaying(); }), 0);
}

TEST_F(PlayerTest, PlayCountTwoPlaysTwice)
{
    FluidSynthPlayer player(silent());
    player.setFileName(shortSong);
    player.setPlayCount(2);
    EXPECT_EQ(wrapsUntil(player, [&] { return !player.isPlaying(); }), 1);
}

TEST_F(PlayerTest, SongOfNoLengthEndsEvenWhenPlayedEndlessly)
{
    // OMP data of a lone "$" makes a MIDI file with no notes and no length.
    const QString empty = songFile("empty.mid", {});
    FluidSynthPlayer player(silent());
    player.setPlayCount(0);
    player.setFileName(empty);
    EXPECT_EQ(player.duration(), 0.0);
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    // The audio thread came back from it: a song played next is heard.
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));
}

TEST_F(PlayerTest, StopWithNothingPlayingDoesNothing)
{
    FluidSynthPlayer player(silent());
    player.setErrorHandler([&](const QString &e) { errors << e; });
    player.setFileName(QString());
    EXPECT_FALSE(player.isPlaying());
    // A song played after it still plays: the player was left as it was.
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PlayerTest, FileThatCannotBeReadIsReportedAndTheNextOnePlays)
{
    FluidSynthPlayer player(silent());
    player.setErrorHandler([&](const QString &e) { errors << e; });

    const QString missing = dir.filePath(QStringLiteral("ない.mid"));
    player.setFileName(missing);
    EXPECT_TRUE(errors.isEmpty()) << "the handler is never called from inside setFileName";
    EXPECT_FALSE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(errors.at(0).contains(missing)) << errors.at(0).toStdString();

    const QString text = dir.filePath(QStringLiteral("song.hml"));
    ASSERT_TRUE(testmidi::write(text, "C-TITLE:x\r\n"));
    player.setFileName(text);
    ASSERT_TRUE(waitFor([&] { return errors.size() == 2; }));
    EXPECT_TRUE(errors.at(1).contains(QStringLiteral("MIDI ファイルではありません"))) << errors.at(1).toStdString();

    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_EQ(errors.size(), 2);
}

TEST_F(PlayerTest, MissingSoundFontIsReportedWhenPlayedAndFoundLater)
{
    const QString soundFont = dir.filePath(QStringLiteral("gm.sf2"));
    FluidSynthPlayer::Options options = silent();
    options.soundFont = soundFont;
    FluidSynthPlayer player(options);
    player.setErrorHandler([&](const QString &e) { errors << e; });

    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(errors.at(0).contains(QStringLiteral("SoundFont"))) << errors.at(0).toStdString();
    EXPECT_TRUE(errors.at(0).contains(soundFont));
    EXPECT_FALSE(player.isPlaying());

    // Once the SoundFont is there, the next play loads it and is heard.
    ASSERT_TRUE(QFile::link(FluidSynthEngine::findSoundFont(), soundFont));
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return level.loudest.load() > Audible; }));
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(PlayerTest, FileThatIsNoSoundFontIsReported)
{
    const QString soundFont = dir.filePath(QStringLiteral("gm.sf2"));
    ASSERT_TRUE(testmidi::write(soundFont, "not a SoundFont"));
    FluidSynthPlayer::Options options = silent();
    options.soundFont = soundFont;
    FluidSynthPlayer player(options);
    player.setErrorHandler([&](const QString &e) { errors << e; });
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(errors.at(0).contains(QStringLiteral("読み込めません"))) << errors.at(0).toStdString();
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, MissingAudioDeviceIsReportedWhenPlayed)
{
    FluidSynthPlayer::Options options;
    options.settings = {{"audio.driver", "alsa"}, {"audio.alsa.device", "vltn_no_such_device"}};
    FluidSynthPlayer player(options);
    player.setErrorHandler([&](const QString &e) { errors << e; });
    player.setFileName(shortSong);
    ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(errors.at(0).contains(QStringLiteral("音声を出力できません"))) << errors.at(0).toStdString();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(errors.size(), 1);
}

// The fake that window tests drive in the real player's place.
TEST(FakeMediaPlayer, RecordsCallsAndReportsAFailureLikeThePlayer)
{
    FakeMediaPlayer fake;
    MediaPlayer &player = fake;
    QStringList errors;
    player.setErrorHandler([&](const QString &e) { errors << e; });
    player.setFileName(QStringLiteral("/tmp/vltn.dat"));
    player.setPlayCount(0);
    EXPECT_TRUE(player.isPlaying());
    fake.fail(QStringLiteral("音声を出力できません"));
    EXPECT_FALSE(player.isPlaying());
    player.setFileName(QString());
    EXPECT_EQ(fake.calls, QStringList({QStringLiteral("setFileName:/tmp/vltn.dat"), QStringLiteral("setPlayCount:0"),
                                       QStringLiteral("setFileName:")}));
    EXPECT_EQ(errors, QStringList{QStringLiteral("音声を出力できません")});
}

} // namespace
