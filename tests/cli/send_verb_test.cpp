// vltn send and vltn ports as a user runs them: the exact bytes of a dry
// run, refusals, a send into a pretend machine with the settings file's
// port, and Ctrl-C in the middle.

#include "export/omp_list.h"
#include "support/core_app.h"
#include "support/pretend_machine.h"
#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <QDir>

#include <csignal>

namespace {

using testsupport::PretendMachine;

class SendVerb : public TempDirTest {
protected:
    SendVerb()
    {
        testsupport::coreApplication();
        // The user's own settings stay out of the tests.
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    }
    VltnRun vltn(const QStringList &args) { return runVltn(args, {}, environment); }
    QString song() { return write(QStringLiteral("song.omp"), "$2:4M*\r\n"); }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

const QByteArray E500Beep("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10\r\n\x1a");

QByteArray player(omplist::Player which)
{
    return omplist::playerLines(which, QStringLiteral("$2:4M*")).join(QStringLiteral("\r\n")).toLatin1() + "\r\n\x1a";
}

TEST_F(SendVerb, ADryRunWritesExactlyTheBytesThatWouldGo)
{
    const QString input = song();
    const struct {
        QStringList args;
        QByteArray bytes;
    } cases[] = {
        {{"--machine", "e500"}, E500Beep},
        {{"--machine", "e500", "--program", "omp"}, player(omplist::Player::E500)},
        {{"--machine", "g800", "--program", "OMP"}, player(omplist::Player::G800)},
    };
    for (const auto &c : cases) {
        const VltnRun r = vltn(QStringList{"send", "--dry-run"} + c.args + QStringList{input});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.outBytes, c.bytes) << c.args.join(u' ').toStdString();
    }
    // A whole song: the BASIC program as saved, with the end-of-file byte.
    const QString twinkle = QStringLiteral(VLTN_SOURCE_DIR "/examples/twinkle.hml");
    for (const char *machine : {"e500", "g800"}) {
        const VltnRun saved = vltn({"basic", "--machine", machine, twinkle});
        const VltnRun sent = vltn({"send", "--dry-run", "--machine", machine, twinkle});
        EXPECT_EQ(sent.outBytes, saved.outBytes + '\x1a') << machine;
    }
}

TEST_F(SendVerb, WrongUseAndProgramsTheMachineCannotTakeAreRefused)
{
    const QString input = song();
    const QString tooLong = write(QStringLiteral("long.omp"), "$2:4" + QByteArray(300, 'M'));
    const struct {
        QStringList args;
        int exitCode;
        const char16_t *says;
    } cases[] = {
        {{"--machine", "pc1500", input}, 2, u"--machine には e500 か g800"},
        {{"--machine", "e500", "--baud", "1234", input}, 2, u"--baud には 300、600"},
        {{"--machine", "e500", "--char-delay", "5000", input}, 2, u"--char-delay には 0 から 1000"},
        {{"--machine", "e500", "--program", "omp", tooLong}, 1, u"OMP プレーヤーに入る 234 文字を超えています"},
        {{"--machine", "e500", "--port", "/dev/ttyNoSuchPort9", input}, 1, u"通信ポート /dev/ttyNoSuchPort9 が見つかりません"},
    };
    for (const auto &c : cases) {
        const VltnRun r = vltn(QStringList{"send"} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.outBytes.isEmpty());
    }
}

TEST_F(SendVerb, SendsToThePortOfTheSettingsFileAndCtrlCStopsItSayingHowFarItGot)
{
    PretendMachine machine;
    ASSERT_TRUE(machine.ok());
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("config/vellotune"))));
    write(QStringLiteral("config/vellotune/vltn.ini"),
          sjis(QStringLiteral("[通信関連]\r\nフロー制御=2\r\n通信デバイス=%1\r\n").arg(machine.device())));
    QProcess p;
    startVltn(p, {"send", "--machine", "e500", "--char-delay", "40", song()}, environment);
    ASSERT_TRUE(machine.runUntil([&] { return machine.received().size() >= 10; }));
    ASSERT_EQ(p.state(), QProcess::Running); // never kill process id 0, the whole group
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(machine.runUntil([&] { return p.state() == QProcess::NotRunning; }));
    EXPECT_EQ(p.exitCode(), 130);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("中断しました。4 行のうち 1 行を送りました。"))) << err.toStdString();
    EXPECT_LT(machine.received().size(), E500Beep.size());
    EXPECT_TRUE(E500Beep.startsWith(machine.received()));
}

} // namespace
