// vltn compile --watch and vltn play --watch against a file the test saves
// as an editor would (a new file renamed over it), ended by Ctrl-C.

#include "core/io/save_file.h"

#include "support/core_app.h"
#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <csignal>

using Watch = TempDirTest;

TEST_F(Watch, VerbsFollowEverySaveAndKeepTheLastGoodSong)
{
    testsupport::coreApplication();
    write(QStringLiteral(".asoundrc"), "pcm.!default { type null }\n"); // sound goes nowhere
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    const QString song = path(QStringLiteral("song.hml"));
    const QByteArray mistake = "C-TEMPO:120\r\n4 X 2\r\n", error = "song.hml:2: error: 音程が異常です";
    constexpr auto out = QProcess::StandardOutput, err = QProcess::StandardError;
    const std::pair<QStringList, std::vector<std::tuple<QByteArray, QProcess::ProcessChannel, QByteArray>>> cases[] = {
        // The verb; what is saved, then what comes on which channel (all it printed so far).
        {{"compile"}, {{"C-TEMPO:120\r\n4 D 2\r\n", out, "$2:4M\n$2:4O\n"}, {mistake, err, error},
                       {"C-TEMPO:60\r\n4 E 2\r\n", out, "$2:4M\n$2:4O\n$1:4Q\n"}}},
        // Every save compiles as a new run would: no PROGRAM of an earlier save carries over.
        {{"compile", "--json"}, {{"C-PROGRAM:5\r\nC-TEMPO:120\r\n4 D 2\r\n", out, "\"omp\":\"$2:4O\",\"title\":\"\",\"author\":\"\",\"copyright\":\"\",\"program\":5,"},
                                 {"C-TEMPO:60\r\n4 E 2\r\n", out, "\"omp\":\"$1:4Q\",\"title\":\"\",\"author\":\"\",\"copyright\":\"\",\"program\":0,"}}},
        {{"play"}, {{mistake, err, error}, {"C-TEMPO:120\r\n4 D 2\r\n", err, "song.hml が保存されました。最初から再生します。"}}},
        {{"play", "--machine", "e500"}, {{mistake, err, error}, {"C-TEMPO:120\r\n4 D 2\r\n", err, "song.hml が保存されました。最初から再生します。"}}},
    };
    for (const auto &[verb, saves] : cases) {
        ASSERT_EQ(SaveFile::writeAll(song, "C-TEMPO:120\r\n4 C 2\r\n"), QString());
        QByteArray heard[2]; // outlives the process, whose signals fill it
        QProcess p;
        QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] { heard[out] += p.readAllStandardOutput(); });
        QObject::connect(&p, &QProcess::readyReadStandardError, [&] { heard[err] += p.readAllStandardError(); });
        startVltn(p, verb + QStringList{QStringLiteral("--watch"), song}, env);
        const std::string name = verb.join(u' ').toStdString();
        ASSERT_TRUE(testsupport::waitFor([&] { return heard[err].contains("を見張っています"); })) << name << heard[err].toStdString();
        for (const auto &[bytes, channel, text] : saves) {
            ASSERT_EQ(SaveFile::writeAll(song, bytes), QString());
            EXPECT_TRUE(testsupport::waitFor([&] { return heard[channel].contains(text); }))
                << name << ": " << heard[out].toStdString() << heard[err].toStdString();
        }
        ::kill(pid_t(p.processId()), SIGINT);
        EXPECT_TRUE(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 130) << name;
    }
    EXPECT_EQ(runVltn({QStringLiteral("compile"), QStringLiteral("--watch"), QStringLiteral("-")}).exitCode, 2);
}
