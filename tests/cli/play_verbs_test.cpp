// vltn play and vltn wav, run as a user runs them. ALSA, beneath FluidSynth's
// default driver, is pointed through a private ~/.asoundrc at its null device
// (which takes sound and plays none, so tests pass on machines without a sound
// card) or at a device that does not exist.

#include "tests/support/test_midi.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
};

class PlayVerbsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        song = dir.filePath(QStringLiteral("song.mid"));
        // 2400 ticks: two and a half seconds.
        ASSERT_TRUE(testmidi::write(song, testmidi::song({{60, 480}, {64, 480}, {67, 480}, {72, 960}})));
        useAlsaDevice(QStringLiteral("pcm.!default { type null }"));
    }

    void useAlsaDevice(const QString &config)
    {
        QFile f(dir.filePath(QStringLiteral(".asoundrc")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(config.toUtf8() + '\n');
    }

    void start(QProcess &p, const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VLTN_BIN_DIR "/vltn"), args);
        ASSERT_TRUE(p.waitForStarted());
    }

    Outcome run(const QStringList &args)
    {
        QProcess p;
        start(p, args);
        Outcome r;
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitCode();
        r.crashed = p.exitStatus() != QProcess::NormalExit;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString samples(const QString &wav)
    {
        QProcess p;
        p.start(QStringLiteral("sox"), {QStringLiteral("--i"), QStringLiteral("-s"), wav});
        p.waitForFinished();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir dir;
    QString song;
};

TEST_F(PlayVerbsTest, WavWritesTheSong)
{
    const QString wav = dir.filePath(QStringLiteral("song.wav"));
    const Outcome r = run({QStringLiteral("wav"), QStringLiteral("-o"), wav, song});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(samples(wav), QStringLiteral("110250"));
}

TEST_F(PlayVerbsTest, UsageErrorsExitWithTwo)
{
    const QString wav = dir.filePath(QStringLiteral("song.wav"));
    const struct {
        QStringList args;
        const char *says;
    } cases[] = {
        {{QStringLiteral("wav"), song}, "-o"},
        {{QStringLiteral("wav"), QStringLiteral("-o"), wav}, "入力ファイル"},
        {{QStringLiteral("wav"), QStringLiteral("--tone"), QStringLiteral("128"), QStringLiteral("-o"), wav, song}, "--tone"},
        {{QStringLiteral("play"), QStringLiteral("--tone"), QStringLiteral("-1"), song}, "--tone"},
        {{QStringLiteral("play"), QStringLiteral("--tone"), QStringLiteral("piano"), song}, "--tone"},
        {{QStringLiteral("play"), QStringLiteral("--repeat"), song}, "repeat"},
        {{QStringLiteral("play"), song, song}, "多すぎます"},
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(wav));
}

TEST_F(PlayVerbsTest, ToneInRangeIsAccepted)
{
    const QString wav = dir.filePath(QStringLiteral("song.wav"));
    EXPECT_EQ(run({QStringLiteral("wav"), QStringLiteral("--tone"), QStringLiteral("127"), QStringLiteral("-o"), wav, song}).exitCode, 0);
    EXPECT_EQ(run({QStringLiteral("play"), QStringLiteral("--tone"), QStringLiteral("0"), song}).exitCode, 0);
}

TEST_F(PlayVerbsTest, FileThatIsNotASongFailsWithOne)
{
    const QString text = dir.filePath(QStringLiteral("notes.mid"));
    ASSERT_TRUE(testmidi::write(text, "hello"));
    for (const QString &verb : {QStringLiteral("play"), QStringLiteral("wav")}) {
        QStringList args = {verb, text};
        if (verb == u"wav")
            args = {verb, QStringLiteral("-o"), dir.filePath(QStringLiteral("x.wav")), text};
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 1) << verb.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("MIDI ファイルではありません"))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.wav"))));
}

TEST_F(PlayVerbsTest, SongsAreWrittenAsMidiFirst)
{
    // $2:4M8* : a note of two seconds and a rest of four.
    const QString hml = dir.filePath(QStringLiteral("song.hml"));
    ASSERT_TRUE(testmidi::write(hml, "C-PROGRAM:200\r\nC-TEMPO:120\r\n4 C 2\r\n8 *\r\n"));
    const QString wav = dir.filePath(QStringLiteral("hml.wav"));
    const Outcome r = run({QStringLiteral("wav"), QStringLiteral("-o"), wav, hml});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("PROGRAM 200"))) << "a tone no MIDI file carries is warned about";
    EXPECT_EQ(samples(wav), QStringLiteral("264600"));

    const QString omp = dir.filePath(QStringLiteral("song.omp"));
    ASSERT_TRUE(testmidi::write(omp, "$1:4M\r\n"));
    EXPECT_EQ(run({QStringLiteral("play"), omp}).exitCode, 0);

    // A song that does not compile, or cannot be written as MIDI, fails with 1.
    ASSERT_TRUE(testmidi::write(hml, "C-TEMPO:120\r\n4 C 9\r\n"));
    Outcome bad = run({QStringLiteral("wav"), QStringLiteral("-o"), dir.filePath(QStringLiteral("bad.wav")), hml});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral(":2: error: "))) << bad.err.toStdString();
    ASSERT_TRUE(testmidi::write(omp, "$0:4M"));
    bad = run({QStringLiteral("play"), omp});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("bad.wav"))));
}

TEST_F(PlayVerbsTest, PlayRunsToTheEndOfTheSong)
{
    const Outcome r = run({QStringLiteral("play"), song});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(r.crashed);
    // Not a terminal: no progress line, nothing at all.
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(PlayVerbsTest, PlayWithoutASoundDeviceSaysSoAndFailsWithOne)
{
    useAlsaDevice(QStringLiteral("pcm.!default \"vltn_no_such_device\""));
    const Outcome r = run({QStringLiteral("play"), song});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("vltn: 音声を出力できません"))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(u'\n'), 1) << "one clear line, without the sound library's own messages: " << r.err.toStdString();
}

TEST_F(PlayVerbsTest, InterruptStopsEndlessPlayCleanly)
{
    QProcess p;
    start(p, {QStringLiteral("play"), QStringLiteral("--loop"), song});
    // Wait until the program catches SIGINT (its mask of caught signals in
    // /proc has the bit), so the signal is not sent before it can be handled.
    const QString status = QStringLiteral("/proc/%1/status").arg(p.processId());
    const auto catchesInterrupt = [&] {
        QFile f(status);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!catchesInterrupt() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(catchesInterrupt());
    // An endless play is still running when interrupted.
    EXPECT_FALSE(p.waitForFinished(300));

    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}

} // namespace
