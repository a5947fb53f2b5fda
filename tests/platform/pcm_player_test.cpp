// The sample player through FluidSynth's real audio drivers: what it hands
// to the output (tapped behind a silent output that asks in real time),
// passes, stop, and the message without a sound device. Nothing is timed:
// each wait polls with a generous deadline.

#include "platform/audio/pcm_player.h"

#include "support/core_app.h"
#include "support/test_files.h"

#include <mutex>

namespace {

using testsupport::waitFor;

// Frame i of the stream sounds i + 1, so that what went out can be read
// back as frame numbers.
SampleStream numbered(qint64 frames)
{
    return SampleStream{frames, [](qint64 first, float *out, int count) {
                            for (int i = 0; i < count; ++i)
                                out[i] = float(first + i + 1);
                        }};
}

class PcmPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::coreApplication(); }

    PcmPlayer::Options silent()
    {
        PcmPlayer::Options o;
        o.output = PcmPlayer::Options::Output::Silent;
        o.blockTap = [this](const float *samples, int count) {
            std::lock_guard lock(mutex);
            handed.insert(handed.end(), samples, samples + count);
        };
        return o;
    }
    // The frame numbers handed out since the last call, silence left out.
    std::vector<qint64> take()
    {
        std::lock_guard lock(mutex);
        std::vector<qint64> frames;
        for (float v : handed)
            if (v != 0)
                frames.push_back(qint64(v) - 1);
        handed.clear();
        return frames;
    }
    std::mutex mutex;
    std::vector<float> handed;
};

TEST_F(PcmPlayerTest, StreamsGoOutWholeForEachPassFromWhereTheyStartAndStopAtOnce)
{
    PcmPlayer player(silent());
    // The first is given at once, before the output is open: it starts with
    // the first block. A count set right after play() applies to the play;
    // every pass starts where play() did.
    for (const auto &[from, count] : {std::pair{0, 1}, {0, 3}, {2000, 2}}) {
        player.play(numbered(3000), from);
        player.setPlayCount(count);
        EXPECT_TRUE(player.isPlaying());
        ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
        std::vector<qint64> frames;
        for (int pass = 0; pass < count; ++pass)
            for (qint64 f = from; f < 3000; ++f)
                frames.push_back(f);
        EXPECT_EQ(take(), frames) << from << " " << count;
    }
    EXPECT_DOUBLE_EQ(player.duration(), 3000.0 / 44100);

    // Endless until stopped.
    player.setPlayCount(0);
    player.play(numbered(441000));
    ASSERT_TRUE(waitFor([&] { return player.positionFrame() > 4410; }));
    player.stop();
    take();
    ASSERT_TRUE(waitFor([&] {
        std::lock_guard lock(mutex);
        return handed.size() > 1000;
    }));
    EXPECT_TRUE(take().empty()) << "silence after stop";
    EXPECT_EQ(std::tuple(player.isPlaying(), player.positionFrame(), player.duration()), std::tuple(false, 0, 0.0));
    // Nothing to play from where it starts, even endlessly: it ends.
    player.play(numbered(100), 100);
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_TRUE(take().empty());
}

TEST_F(PcmPlayerTest, WithoutASoundDeviceThePlayTellsSo)
{
    PcmPlayer::Options noDevice;
    noDevice.settings = {{"audio.driver", "alsa"}, {"audio.alsa.device", "vltn_no_such_device"}};
    PcmPlayer player(noDevice);
    QStringList errors;
    player.setErrorHandler([&](const QString &e) { errors << e; });
    for (int attempt = 0; attempt < 2; ++attempt) { // tried again at every play
        errors.clear();
        player.play(numbered(44100));
        EXPECT_TRUE(errors.isEmpty()) << "the handler is never called from inside play()";
        ASSERT_TRUE(waitFor([&] { return !errors.isEmpty(); }));
        EXPECT_TRUE(errors.at(0).startsWith(u"音声を出力できません")) << str(errors.at(0));
        EXPECT_FALSE(player.isPlaying());
    }
}

} // namespace
