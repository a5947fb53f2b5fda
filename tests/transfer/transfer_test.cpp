// Programs framed for the line, the pacing schedule and its time, and what
// the user sets on each machine.

#include "transfer/machine_setup.h"
#include "transfer/pacing.h"
#include "transfer/program_frame.h"

#include <gtest/gtest.h>

namespace {

using namespace transfer;

TEST(FrameProgram, SendsNumberedAsciiLinesWithCrLfAndOneEndOfFile)
{
    const QString longest = QStringLiteral("10 ") + QString(250, u'A'); // 255 bytes with CR LF
    const struct {
        QString text;
        QByteArray bytes; // expected; empty for a refusal
        const char16_t *says;
    } cases[] = {
        {"10 CLS\n20 GOTO 10\n", "10 CLS\r\n20 GOTO 10\r\n\x1a", nullptr},
        {"10 CLS\r20 GOTO 10", "10 CLS\r\n20 GOTO 10\r\n\x1a", nullptr},
        {"10 A\x1a\r\n\r\n   \n20 B\r\n\x1a", "10 A\r\n20 B\r\n\x1a", nullptr},
        {"65279 END", "65279 END\r\n\x1a", nullptr},
        {longest, longest.toLatin1() + "\r\n\x1a", nullptr},
        {"5 A\r\n" + longest + u'B', {}, u"2行目「10 AAAAAAAAAAAAAAAAAAAAA…」は改行を含めて 256 バイト"},
        {QStringLiteral("10 A\r\n20 REM あ"), {}, u"2行目「20 REM あ」に ASCII 以外の文字「あ」"},
        {"10\tA", {}, u"1行目「10\tA」に制御文字 (コード 9)"},
        {" 10 A", {}, u"1行目「 10 A」は行番号で始まっていません"},
        {"65280 A", {}, u"1行目の行番号 65280 はポケコンでは使えません"},
        {"\x1a\r\n", {}, u"送るプログラムの行がありません"},
    };
    for (const auto &c : cases) {
        const FramedProgram framed = frameProgram(c.text, BasicMachine::E500);
        EXPECT_EQ(framed.bytes, c.bytes) << c.text.toStdString();
        EXPECT_EQ(framed.lines, c.bytes.count('\n'));
        if (c.says) {
            EXPECT_TRUE(framed.error.contains(QString::fromUtf16(c.says))) << framed.error.toStdString();
        }
    }
}

TEST(ProgramForSong, GivesTheGeneratorsProgramOrThePlayerWhereTheDataFits)
{
    const struct {
        ProgramKind kind;
        BasicMachine machine;
        QString omp;
        const char16_t *startsOrSays; // the first line, or part of the refusal
        bool ok;
    } cases[] = {
        {ProgramKind::Beep, BasicMachine::E500, "$2:4M*", u"10 CLS\r\n20 BEEP 1,100,717\r\n", true},
        {ProgramKind::OmpPlayer, BasicMachine::E500, "$2:4M*", u"10 M$=\"$2:4M*\":GOSUB *OMP\r\n20 END", true},
        {ProgramKind::OmpPlayer, BasicMachine::E500, QString(235, u'M'), u"235 文字あり、PC-E500 の OMP プレーヤーに入る 234 文字", false},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QString(231, u'M'), u"1 DIM M$(0)*250\r\n10 M$(0)=\"MMM", true},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QString(232, u'M'), u"PC-G800 の OMP プレーヤーに入る 231 文字", false},
        {ProgramKind::OmpPlayer, BasicMachine::E500, "$2:4\"M", u"入れられない文字「\"」", false},
        {ProgramKind::Beep, BasicMachine::G800, QString(), u"OMPデータがロードされていません", false},
    };
    for (const auto &c : cases) {
        const ProgramText program = programForSong(c.kind, c.machine, c.omp);
        const QString expected = QString::fromUtf16(c.startsOrSays);
        EXPECT_EQ(program.ok(), c.ok) << program.error.toStdString();
        EXPECT_TRUE(c.ok ? program.text.startsWith(expected) : program.error.contains(expected))
            << (program.text + program.error).left(80).toStdString();
        // Whatever is made frames for the line as it is.
        EXPECT_EQ(frameProgram(program.text, c.machine).ok(), c.ok) << c.omp.size();
    }
}

TEST(Pacing, AutomaticDelaysFollowTheFlowControlAndPiecesFollowTheDelays)
{
    const struct {
        SerialFlow flow;
        int storedChar, storedLine;
        Pacing expected;
    } delays[] = {
        {SerialFlow::None, AutomaticDelay, AutomaticDelay, {16, 0}},
        {SerialFlow::Software, AutomaticDelay, AutomaticDelay, {0, 0}},
        {SerialFlow::None, 5000, -7, {MaxCharDelay, 0}},
    };
    for (const auto &c : delays)
        EXPECT_EQ(effectivePacing(c.flow, c.storedChar, c.storedLine), c.expected) << c.storedChar;

    const QByteArray bytes("1\r\n22\r\n\x1a");
    const struct {
        Pacing pacing;
        std::vector<std::array<int, 3>> pieces; // end, pause, lines done
    } cases[] = {
        {{0, 50}, {{3, 50, 1}, {7, 50, 2}, {8, 0, 2}}},
        {{16, 100}, {{1, 16, 0}, {2, 16, 0}, {3, 116, 1}, {4, 16, 1}, {5, 16, 1}, {6, 16, 1}, {7, 116, 2}, {8, 0, 2}}},
    };
    for (const auto &c : cases) {
        std::vector<std::array<int, 3>> got;
        for (const PacedChunk &p : pacedSchedule(bytes, c.pacing))
            got.push_back({int(p.end), p.pauseMs, p.linesDone});
        EXPECT_EQ(got, c.pieces) << c.pacing.charDelayMs;
    }
}

TEST(Pacing, TheTimeIsTheLineTimeOfEveryCharacterAndEveryPause)
{
    const PacedSchedule schedule = pacedSchedule("1\r\n22\r\n\x1a", {16, 100});
    const SerialSettings s{QString(), 300, 7, 2, SerialParity::Even, SerialFlow::None}; // eleven bits
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 0, s), 8 * 11 / 300.0 + 7 * 0.016 + 0.2);
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 7, s), 11 / 300.0);
}

TEST(MachineSetup, TheStepsCarryTheSettingsAsEachMachineNamesThem)
{
    const struct {
        SerialSettings s;
        BasicMachine machine;
        QStringList shown;
    } cases[] = {
        {{{}, 9600, 8, 1, SerialParity::None, SerialFlow::Software}, BasicMachine::E500,
         {"OPEN \"9600,N,8,1,A,L,&H1A,X,N\":CLOSE", "LOAD \"COM:\""}},
        {{{}, 1200, 7, 2, SerialParity::Even, SerialFlow::Hardware}, BasicMachine::E500,
         {"OPEN \"1200,E,7,2,A,L,&H1A,N,N\":CLOSE"}},
        {{{}, 4800, 7, 2, SerialParity::Odd, SerialFlow::Hardware}, BasicMachine::G800,
         {"TEXT", "Sio → Format", "baud rate: 4800\n   data bit: 7\n   stop bit: 2\n   parity: odd\n   end of line: CR LF\n"
                  "   end of file: 1A\n   line number: yes\n   flow: RS/CS", "Sio → Load", "Basic←text"}},
    };
    for (const auto &c : cases) {
        const QString steps = machineSteps(c.machine, c.s).join(u'\n');
        for (const QString &part : c.shown)
            EXPECT_TRUE(steps.contains(part)) << part.toStdString() << "\n" << steps.toStdString();
    }
}

} // namespace
