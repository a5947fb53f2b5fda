// vltn send as a user runs it: the exact bytes of a dry run, refusals, a send into a pretend machine with
// the settings file's port, and Ctrl-C in the middle.

#include "core/formats/omp_list.h"
#include "support/pretend_machine.h"
#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <QDir>

#include <csignal>

namespace {

class SendVerb : public TempDirTest {
protected:
    // The user's own settings stay out of the tests.
    SendVerb() { environment.insert("XDG_CONFIG_HOME", path("config")); }
    VltnRun vltn(const QStringList &args) { return runVltn(args, {}, environment); }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString song = write("song.omp", "$2:4M*\r\n");
};

const QByteArray E500Beep("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n\x1a");

TEST_F(SendVerb, ADryRunWritesExactlyTheBytesThatWouldGoAndWhatCannotGoIsRefused)
{
    const auto player = [](omplist::Player which) {
        return omplist::playerLines(which, "$2:4M*").join("\r\n").toLatin1() + "\r\n\x1a";
    };
    // A whole song: the BASIC program as saved, with the end-of-file byte.
    const QString twinkle = VLTN_SOURCE_DIR "/examples/twinkle.hml", tooLong = write("long.omp", "$2:4" + QByteArray(300, 'M'));
    const auto saved = [&](const char *machine) { return vltn({"basic", "--machine", machine, twinkle}).outBytes + '\x1a'; };
    const std::tuple<QStringList, int, QByteArray, const char *> cases[] = { // the exit code, the bytes, part of the message
        {{"e500", "--dry-run", song}, 0, E500Beep, ""},
        {{"e500", "--dry-run", "--program", "omp", song}, 0, player(omplist::Player::E500), ""},
        {{"g800", "--dry-run", "--program", "OMP", song}, 0, player(omplist::Player::G800), ""},
        {{"e500", "--dry-run", twinkle}, 0, saved("e500"), ""},
        {{"g800", "--dry-run", twinkle}, 0, saved("g800"), ""},
        {{"pc1500", song}, 2, "", "--machine には e500 か g800"},
        {{"e500", "--baud", "1234", song}, 2, "", "--baud には 300、600"},
        {{"e500", "--char-delay", "5000", song}, 2, "", "--char-delay には 0 から 1000"},
        {{"e500", "--program", "omp", tooLong}, 1, "", "OMP プレーヤーに入る 234 文字を超えています"},
        {{"e500", "--port", "/dev/ttyNoSuchPort9", song}, 1, "", "通信ポート /dev/ttyNoSuchPort9 が見つかりません"},
    };
    for (const auto &[args, exitCode, bytes, says] : cases) {
        const VltnRun r = vltn(QStringList{"send", "--machine"} + args);
        EXPECT_EQ(std::tuple(r.exitCode, r.outBytes, r.err.contains(says)), std::tuple(exitCode, bytes, true))
            << str(args.join(u' ') + r.err);
    }
}

TEST_F(SendVerb, SendsToThePortOfTheSettingsFileAndCtrlCStopsItSayingHowFarItGot)
{
    testsupport::coreApplication();
    testsupport::PretendMachine machine;
    ASSERT_TRUE(QDir().mkpath(path("config/vellotune")));
    write("config/vellotune/vltn.ini", sjis(QStringLiteral("[通信関連]\r\nフロー制御=2\r\n通信デバイス=%1\r\n").arg(machine.device())));
    QProcess p;
    startVltn(p, {"send", "--machine", "e500", "--char-delay", "40", song}, environment);
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    ASSERT_EQ(p.state(), QProcess::Running); // never kill process id 0, the whole group
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(machine.runUntil([&] { return p.state() == QProcess::NotRunning; }));
    // Not on a terminal: no progress line, only the outcome.
    const QByteArray &got = machine.received();
    EXPECT_EQ(std::tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardError()), got.size() < E500Beep.size(),
                         E500Beep.startsWith(got)),
              std::tuple(130, "vltn send: 中断しました。4 行のうち 1 行を送りました。\n", true, true))
        << hex(got);
}

} // namespace
