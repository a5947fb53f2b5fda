// vltn compile --watch and vltn play --watch against a file the test saves
// as an editor would (a new file renamed over it), ended by Ctrl-C.

#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <QDeadlineTimer>
#include <QSaveFile>

#include <csignal>

namespace {

class Watch : public TempDirTest {
protected:
    void SetUp() override
    {
        write(QStringLiteral(".asoundrc"), "pcm.!default { type null }\n"); // sound goes nowhere
        env.insert(QStringLiteral("HOME"), dir.path());
    }
    void save(const QByteArray &bytes)
    {
        QSaveFile f(song);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit());
    }
    // Reads the program's output until `text` has come on the channel;
    // false after a minute (the bound only keeps a failing test from hanging).
    static bool until(QProcess &p, QProcess::ProcessChannel channel, QByteArray &seen, const char *text)
    {
        const QDeadlineTimer deadline(60000);
        while (!seen.contains(text) && !deadline.hasExpired() && p.state() != QProcess::NotRunning) {
            p.waitForReadyRead(20);
            p.setReadChannel(channel);
            seen += p.readAll();
        }
        return seen.contains(text);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString song = path(QStringLiteral("song.hml"));
};

TEST_F(Watch, VerbsFollowEverySaveAndKeepTheLastGoodSong)
{
    const QByteArray mistake = "C-TEMPO:120\r\n4 X 2\r\n";
    const QByteArray error = "song.hml:2: error: 音程が異常です";
    const struct {
        const char *verb;
        std::vector<std::tuple<QByteArray, QProcess::ProcessChannel, QByteArray>> saves; // saved, then heard
    } cases[] = {
        {"compile",
         {{"C-TEMPO:120\r\n4 D 2\r\n", QProcess::StandardOutput, "$2:4M\n$2:4O\n"},
          {mistake, QProcess::StandardError, error},
          {"C-TEMPO:60\r\n4 E 2\r\n", QProcess::StandardOutput, "$2:4M\n$2:4O\n$1:4Q\n"}}},
        {"play",
         {{mistake, QProcess::StandardError, error},
          {"C-TEMPO:120\r\n4 D 2\r\n", QProcess::StandardError, "song.hml が保存されました。最初から再生します。"}}},
    };
    for (const auto &c : cases) {
        save("C-TEMPO:120\r\n4 C 2\r\n");
        QProcess p;
        startVltn(p, {QString::fromUtf8(c.verb), QStringLiteral("--watch"), song}, env);
        QByteArray out, err;
        ASSERT_TRUE(until(p, QProcess::StandardError, err, "を見張っています")) << c.verb << err.toStdString();
        for (const auto &[bytes, channel, heard] : c.saves) {
            save(bytes);
            EXPECT_TRUE(until(p, channel, channel == QProcess::StandardOutput ? out : err, heard.constData()))
                << c.verb << ": " << out.toStdString() << err.toStdString();
        }
        ::kill(pid_t(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(60000)) << c.verb;
        EXPECT_EQ(p.exitCode(), 130) << c.verb;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.verb;
    }
    const VltnRun stdinWatched = runVltn({QStringLiteral("compile"), QStringLiteral("--watch"), QStringLiteral("-")});
    EXPECT_EQ(stdinWatched.exitCode, 2);
}

} // namespace
