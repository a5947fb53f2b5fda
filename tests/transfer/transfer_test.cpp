// Programs framed for the line, the pacing schedule and its time, and what
// the user sets on each machine.

#include "transfer/machine_setup.h"
#include "transfer/pacing.h"
#include "transfer/program_frame.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

using namespace transfer;

TEST(FrameProgram, SendsNumberedAsciiLinesWithCrLfAndOneEndOfFile)
{
    const struct {
        const char *text;
        const char *bytes; // expected, or nullptr for a refusal
        const char16_t *says;
    } cases[] = {
        {"10 CLS\r\n20 GOTO 10", "10 CLS\r\n20 GOTO 10\r\n\x1a", nullptr},
        {"10 CLS\n20 GOTO 10\n", "10 CLS\r\n20 GOTO 10\r\n\x1a", nullptr},
        {"10 CLS\r20 GOTO 10\r", "10 CLS\r\n20 GOTO 10\r\n\x1a", nullptr},
        {"10 A\x1a\r\n20 B\r\n\x1a", "10 A\r\n20 B\r\n\x1a", nullptr},
        {"10 A\r\n\r\n   \n20 B", "10 A\r\n20 B\r\n\x1a", nullptr},
        {"65279 END", "65279 END\r\n\x1a", nullptr},
        {"10 A\r\n20 REM \xe3\x81\x82", nullptr, u"2行目「20 REM あ」に ASCII 以外の文字「あ」"},
        {"10\tA", nullptr, u"1行目「10\tA」に制御文字 (コード 9)"},
        {"10 A\r\nREM x", nullptr, u"2行目「REM x」は行番号で始まっていません"},
        {" 10 A", nullptr, u"1行目「 10 A」は行番号で始まっていません"},
        {"0 A", nullptr, u"1行目の行番号 0 はポケコンでは使えません"},
        {"65280 A", nullptr, u"1行目の行番号 65280"},
        {"99999999999 A", nullptr, u"1行目の行番号 99999999999"},
        {"", nullptr, u"送るプログラムの行がありません"},
        {"\x1a\r\n", nullptr, u"送るプログラムの行がありません"},
    };
    for (const auto &c : cases) {
        const FramedProgram framed = frameProgram(QString::fromUtf8(c.text), BasicMachine::E500);
        if (c.bytes) {
            EXPECT_EQ(framed.error, QString()) << c.text;
            EXPECT_EQ(framed.bytes, QByteArray(c.bytes)) << c.text;
            EXPECT_EQ(framed.lines, QByteArray(c.bytes).count('\n')) << c.text;
        } else {
            EXPECT_TRUE(framed.error.contains(QString::fromUtf16(c.says))) << framed.error.toStdString();
            EXPECT_TRUE(framed.bytes.isEmpty()) << "nothing is sent of a refused program";
        }
    }
}

TEST(FrameProgram, ALineTakesAtMost255BytesWithItsNumberAndLineEnd)
{
    for (BasicMachine machine : {BasicMachine::E500, BasicMachine::G800}) {
        const QString longest = QStringLiteral("10 ") + QString(250, u'A'); // 253 + CR LF
        EXPECT_TRUE(frameProgram(longest, machine).ok());
        const FramedProgram over = frameProgram(QStringLiteral("5 A\r\n") + longest + u'B', machine);
        EXPECT_TRUE(over.error.contains(QStringLiteral("2行目"))) << over.error.toStdString();
        EXPECT_TRUE(over.error.contains(QStringLiteral("256 バイト"))) << over.error.toStdString();
    }
}

TEST(FrameProgram, AnyMixOfLineEndsAndStrayEndOfFileBytesFramesTheSameLines)
{
    QRandomGenerator random(1212);
    const QString ends[] = {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")};
    for (int round = 0; round < 300; ++round) {
        QString text;
        QByteArray expected;
        const int lines = random.bounded(1, 30);
        for (int i = 0; i < lines; ++i) {
            QString body(1, u' ');
            for (int n = random.bounded(0, 40); n > 0; --n)
                body += QChar(char16_t(random.bounded(0x20, 0x7F)));
            const QString line = QString::number(random.bounded(1, 65280)) + body;
            expected += line.toLatin1() + "\r\n";
            QString sent = line;
            if (random.bounded(4) == 0)
                sent.insert(random.bounded(sent.size() + 1), QChar(0x1A));
            text += sent;
            if (i + 1 < lines || random.bounded(2) == 0)
                text += ends[random.bounded(3)];
        }
        const FramedProgram framed = frameProgram(text, BasicMachine::G800);
        ASSERT_TRUE(framed.ok()) << framed.error.toStdString();
        EXPECT_EQ(framed.bytes, expected + '\x1a');
        EXPECT_EQ(framed.lines, lines);
    }
}

TEST(ProgramForSong, GivesTheGeneratorsProgramOrThePlayerWhereTheDataFits)
{
    const QString e500Beep = QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10");
    const struct {
        ProgramKind kind;
        BasicMachine machine;
        QString omp;
        QString firstLine; // of the program, or empty for a refusal
        const char16_t *says;
    } cases[] = {
        {ProgramKind::Beep, BasicMachine::E500, QStringLiteral("$2:4M*"), QStringLiteral("10 CLS"), nullptr},
        {ProgramKind::OmpPlayer, BasicMachine::E500, QStringLiteral("$2:4M*"),
         QStringLiteral("10 M$=\"$2:4M*\":GOSUB *OMP"), nullptr},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QStringLiteral("$2:4M*"), QStringLiteral("1 DIM M$(0)*250"),
         nullptr},
        // The data's room: one line of 255 bytes, and 250 characters on the PC-G800.
        {ProgramKind::OmpPlayer, BasicMachine::E500, QString(234, u'M'), QStringLiteral("10 M$=\"MMMM"), nullptr},
        {ProgramKind::OmpPlayer, BasicMachine::E500, QString(235, u'M'), QString(), u"235 文字あり、PC-E500 の OMP プレーヤーに入る 234 文字"},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QString(231, u'M'), QStringLiteral("1 DIM M$(0)*250"), nullptr},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QString(232, u'M'), QString(), u"PC-G800 の OMP プレーヤーに入る 231 文字"},
        {ProgramKind::OmpPlayer, BasicMachine::E500, QStringLiteral("$2:4\"M"), QString(), u"入れられない文字「\"」"},
        {ProgramKind::OmpPlayer, BasicMachine::G800, QStringLiteral("$2:4M\nQ"), QString(), u"入れられない文字「コード 10」"},
        {ProgramKind::Beep, BasicMachine::G800, QString(), QString(), u"OMPデータがロードされていません"},
        {ProgramKind::OmpPlayer, BasicMachine::E500, QString(), QString(), u"OMPデータがロードされていません"},
    };
    for (const auto &c : cases) {
        const ProgramText program = programForSong(c.kind, c.machine, c.omp);
        if (c.firstLine.isEmpty()) {
            EXPECT_TRUE(program.error.contains(QString::fromUtf16(c.says)))
                << c.omp.toStdString() << ": " << program.error.toStdString();
            continue;
        }
        ASSERT_TRUE(program.ok()) << program.error.toStdString();
        EXPECT_TRUE(program.text.startsWith(c.firstLine)) << program.text.left(40).toStdString();
        // Whatever is given is framed for the line as it is.
        EXPECT_TRUE(frameProgram(program.text, c.machine).ok()) << c.omp.size();
    }
    EXPECT_EQ(programForSong(ProgramKind::Beep, BasicMachine::E500, QStringLiteral("$2:4M*")).text, e500Beep);
}

TEST(Pacing, AutomaticDelaysFollowTheFlowControl)
{
    const struct {
        SerialFlow flow;
        int storedChar, storedLine;
        Pacing expected;
    } cases[] = {
        {SerialFlow::None, AutomaticDelay, AutomaticDelay, {16, 0}},
        {SerialFlow::Software, AutomaticDelay, AutomaticDelay, {0, 0}},
        {SerialFlow::Hardware, AutomaticDelay, AutomaticDelay, {0, 0}},
        {SerialFlow::Software, 5, 200, {5, 200}},
        {SerialFlow::None, 0, 0, {0, 0}},
        {SerialFlow::None, 5000, 99999, {MaxCharDelay, MaxLineDelay}},
        {SerialFlow::None, -7, -7, {0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(effectivePacing(c.flow, c.storedChar, c.storedLine), c.expected) << c.storedChar;
}

TEST(Pacing, PiecesArePerCharacterWhenPacedOtherwisePerLine)
{
    const QByteArray bytes("1\r\n22\r\n\x1a");
    const struct {
        Pacing pacing;
        std::vector<std::array<int, 3>> pieces; // end, pause, lines done
    } cases[] = {
        {{0, 0}, {{3, 0, 1}, {7, 0, 2}, {8, 0, 2}}},
        {{0, 50}, {{3, 50, 1}, {7, 50, 2}, {8, 0, 2}}},
        {{16, 0}, {{1, 16, 0}, {2, 16, 0}, {3, 16, 1}, {4, 16, 1}, {5, 16, 1}, {6, 16, 1}, {7, 16, 2}, {8, 0, 2}}},
        {{16, 100}, {{1, 16, 0}, {2, 16, 0}, {3, 116, 1}, {4, 16, 1}, {5, 16, 1}, {6, 16, 1}, {7, 116, 2}, {8, 0, 2}}},
    };
    for (const auto &c : cases) {
        const PacedSchedule schedule = pacedSchedule(bytes, c.pacing);
        std::vector<std::array<int, 3>> got;
        for (const PacedChunk &p : schedule)
            got.push_back({int(p.end), p.pauseMs, p.linesDone});
        EXPECT_EQ(got, c.pieces) << c.pacing.charDelayMs << "/" << c.pacing.lineDelayMs;
    }
    EXPECT_TRUE(pacedSchedule(QByteArray(), {16, 0}).empty());
}

TEST(Pacing, TheTimeIsTheLineTimeOfEveryCharacterAndEveryPause)
{
    const QByteArray bytes("1\r\n22\r\n\x1a");
    SerialSettings s; // 9600 8N1: ten bits a character
    EXPECT_DOUBLE_EQ(remainingSeconds(pacedSchedule(bytes, {0, 0}), 0, s), 8 * 10 / 9600.0);
    EXPECT_DOUBLE_EQ(remainingSeconds(pacedSchedule(bytes, {16, 100}), 0, s), 8 * 10 / 9600.0 + 7 * 0.016 + 0.2);
    s.baud = 300;
    s.dataBits = 7;
    s.parity = SerialParity::Even;
    s.stopBits = 2; // eleven bits
    const PacedSchedule schedule = pacedSchedule(bytes, {16, 0});
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 0, s), 8 * 11 / 300.0 + 7 * 0.016);
    EXPECT_DOUBLE_EQ(remainingSeconds(schedule, 7, s), 11 / 300.0);
    EXPECT_EQ(remainingSeconds(schedule, 8, s), 0.0);
}

TEST(MachineSetup, TheE500OpenStatementCarriesTheSettings)
{
    const struct {
        int baud, dataBits, stopBits;
        SerialParity parity;
        SerialFlow flow;
        const char *statement;
    } cases[] = {
        {9600, 8, 1, SerialParity::None, SerialFlow::Software, "OPEN \"9600,N,8,1,A,L,&H1A,X,N\":CLOSE"},
        {9600, 8, 1, SerialParity::None, SerialFlow::None, "OPEN \"9600,N,8,1,A,L,&H1A,N,N\":CLOSE"},
        {1200, 7, 2, SerialParity::Even, SerialFlow::Hardware, "OPEN \"1200,E,7,2,A,L,&H1A,N,N\":CLOSE"},
        {300, 8, 1, SerialParity::Odd, SerialFlow::Software, "OPEN \"300,O,8,1,A,L,&H1A,X,N\":CLOSE"},
    };
    for (const auto &c : cases) {
        SerialSettings s;
        s.baud = c.baud;
        s.dataBits = c.dataBits;
        s.stopBits = c.stopBits;
        s.parity = c.parity;
        s.flow = c.flow;
        EXPECT_EQ(e500OpenStatement(s), QString::fromLatin1(c.statement));
        EXPECT_TRUE(machineSteps(BasicMachine::E500, s).join(u'\n').contains(QString::fromLatin1(c.statement)));
    }
}

TEST(MachineSetup, TheG800SioFormatCarriesTheSettingsAndTheFixedFields)
{
    SerialSettings s;
    s.baud = 4800;
    s.dataBits = 7;
    s.stopBits = 2;
    s.parity = SerialParity::Odd;
    s.flow = SerialFlow::Hardware;
    QStringList shown;
    for (const SioField &f : g800SioFormat(s))
        shown << f.name + u'=' + f.value;
    EXPECT_EQ(shown, QStringList({"baud rate=4800", "data bit=7", "stop bit=2", "parity=odd", "end of line=CR LF",
                                  "end of file=1A", "line number=yes", "flow=RS/CS"}));
    const QString steps = machineSteps(BasicMachine::G800, s).join(u'\n');
    for (const char *step : {"TEXT", "Sio → Format", "Sio → Load", "Basic←text", "flow: RS/CS"})
        EXPECT_TRUE(steps.contains(QString::fromUtf8(step))) << step;
}

} // namespace
