// Programs framed for the line, the pacing schedule and its time, and what
// the user sets on each machine.

#include "core/transfer/machine_setup.h"
#include "core/transfer/pacing.h"
#include "core/transfer/program_frame.h"

#include <gtest/gtest.h>

namespace {

using namespace transfer;

TEST(FrameProgram, SendsNumberedAsciiLinesWithCrLfAndOneEndOfFile)
{
    const QString longest = "10 " + QString(250, u'A'); // 255 bytes with CR LF
    const std::tuple<QString, QByteArray, const char *> cases[] = { // the text; the bytes, or part of the refusal
        {"10 CLS\n20 GOTO 10\n", "10 CLS\r\n20 GOTO 10\r\n\x1a", ""},
        {"10 CLS\r20 GOTO 10", "10 CLS\r\n20 GOTO 10\r\n\x1a", ""},
        {"10 A\x1a\r\n\r\n   \n20 B\r\n\x1a", "10 A\r\n20 B\r\n\x1a", ""},
        {"65279 END", "65279 END\r\n\x1a", ""},
        {longest, longest.toLatin1() + "\r\n\x1a", ""},
        {"5 A\r\n" + longest + u'B', {}, "2行目「10 AAAAAAAAAAAAAAAAAAAAA…」は改行を含めて 256 バイト"},
        {"10 A\r\n20 REM あ", {}, "2行目「20 REM あ」に ASCII 以外の文字「あ」"},
        {"10\tA", {}, "1行目「10\tA」に制御文字 (コード 9)"},
        {" 10 A", {}, "1行目「 10 A」は行番号で始まっていません"},
        {"65280 A", {}, "1行目の行番号 65280 はポケコンでは使えません"},
        {"\x1a\r\n", {}, "送るプログラムの行がありません"},
    };
    for (const auto &[text, bytes, says] : cases) {
        const FramedProgram framed = frameProgram(text, Machine::E500);
        EXPECT_EQ(std::tuple(framed.bytes, framed.lines, framed.ok(), framed.error.contains(says)),
                  std::tuple(bytes, bytes.count('\n'), !bytes.isEmpty(), true))
            << framed.error.toStdString();
    }
}

TEST(ProgramForSong, GivesTheGeneratorsProgramOrThePlayerWhereTheDataFits)
{
    using enum ProgramKind;
    using enum Machine;
    // What, for which machine, from which data; the program's first lines, or part of the refusal.
    const std::tuple<ProgramKind, Machine, QString, QString, const char *> cases[] = {
        {Beep, E500, "$2:4M*", "10 CLS\r\n20 BEEP 1,100,717\r\n", ""},
        {OmpPlayer, E500, "$2:4M*", "10 M$=\"$2:4M*\":GOSUB *OMP\r\n20 END", ""},
        {OmpPlayer, E500, QString(235, u'M'), "", "235 文字あり、PC-E500 の OMP プレーヤーに入る 234 文字"},
        {OmpPlayer, G800, QString(231, u'M'), "1 DIM M$(0)*250\r\n10 M$(0)=\"MMM", ""},
        {OmpPlayer, G800, QString(232, u'M'), "", "PC-G800 の OMP プレーヤーに入る 231 文字"},
        {OmpPlayer, E500, "$2:4\"M", "", "入れられない文字「\"」"},
        {Beep, G800, "", "", "OMPデータがロードされていません"},
    };
    for (const auto &[kind, machine, omp, starts, says] : cases) {
        const ProgramText program = programForSong(kind, machine, omp);
        // Whatever is made frames for the line as it is.
        EXPECT_EQ(std::tuple(program.ok(), program.text.left(starts.size()), program.error.contains(says),
                             frameProgram(program.text, machine).ok()),
                  std::tuple(!starts.isEmpty(), starts, true, !starts.isEmpty()))
            << (program.text + program.error).toStdString();
    }
}

TEST(Pacing, DelaysFollowTheFlowControlPiecesTheDelaysAndTheTimeBoth)
{
    const auto delays = [](SerialFlow flow, int storedChar, int storedLine) {
        const Pacing p = effectivePacing(flow, storedChar, storedLine);
        return QStringLiteral("%1/%2").arg(p.charDelayMs).arg(p.lineDelayMs);
    };
    EXPECT_EQ(QStringList({delays(SerialFlow::None, AutomaticDelay, AutomaticDelay),
                           delays(SerialFlow::Software, AutomaticDelay, AutomaticDelay), delays(SerialFlow::None, 5000, -7),
                           delays(SerialFlow::Hardware, 20, 20000)}),
              QStringList({"16/0", "0/0", "1000/0", "20/10000"}));

    const QByteArray bytes("1\r\n22\r\n\x1a");
    const std::pair<Pacing, std::vector<std::array<int, 3>>> cases[] = { // the end, pause and lines done of each piece
        {{0, 50}, {{3, 50, 1}, {7, 50, 2}, {8, 0, 2}}},
        {{16, 100}, {{1, 16, 0}, {2, 16, 0}, {3, 116, 1}, {4, 16, 1}, {5, 16, 1}, {6, 16, 1}, {7, 116, 2}, {8, 0, 2}}},
    };
    for (const auto &[pacing, pieces] : cases) {
        std::vector<std::array<int, 3>> got;
        for (const PacedChunk &p : pacedSchedule(bytes, pacing))
            got.push_back({int(p.end), p.pauseMs, p.linesDone});
        EXPECT_EQ(got, pieces) << pacing.charDelayMs;
    }
    // The time left is the line time of every character and every pause.
    const PacedSchedule schedule = pacedSchedule(bytes, {16, 100});
    const SerialLine s{QString(), 300, 7, 2, SerialParity::Even, SerialFlow::None}; // eleven bits
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 0, s), 8 * 11 / 300.0 + 7 * 0.016 + 0.2);
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 7, s), 11 / 300.0);
}

TEST(MachineSetup, TheStepsCarryTheSettingsAsEachMachineNamesThem)
{
    const std::tuple<SerialLine, Machine, QStringList> cases[] = {
        {{{}, 9600, 8, 1, SerialParity::None, SerialFlow::Software}, Machine::E500,
         {"OPEN \"9600,N,8,1,A,L,&H1A,X,N\":CLOSE", "LOAD \"COM:\""}},
        {{{}, 1200, 7, 2, SerialParity::Even, SerialFlow::Hardware}, Machine::E500,
         {"OPEN \"1200,E,7,2,A,L,&H1A,N,N\":CLOSE"}},
        {{{}, 4800, 7, 2, SerialParity::Odd, SerialFlow::Hardware}, Machine::G800,
         {"TEXT", "Sio → Format", "baud rate: 4800\n   data bit: 7\n   stop bit: 2\n   parity: odd\n   end of line: CR LF\n"
                  "   end of file: 1A\n   line number: yes\n   flow: RS/CS", "Sio → Load", "Basic←text"}},
    };
    for (const auto &[settings, machine, shown] : cases) {
        const QString steps = machineSteps(machine, settings).join(u'\n');
        for (const QString &part : shown)
            EXPECT_TRUE(steps.contains(part)) << (part + "\n" + steps).toStdString();
    }
}

} // namespace
