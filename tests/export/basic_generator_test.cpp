// The BASIC program generator for both machines.

#include "export/basic_generator.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

QString program(const QString &omp, BasicMachine machine)
{
    const BasicProgramResult r = generateBasicProgram(omp, machine);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.text;
}

QString lines(std::initializer_list<const char *> list)
{
    QStringList l;
    for (const char *s : list)
        l << QString::fromLatin1(s);
    return l.join(QStringLiteral("\r\n"));
}

TEST(BasicGenerator, NoteAndRestOnBothMachines)
{
    EXPECT_EQ(program(QStringLiteral("$2:4M*"), BasicMachine::E500),
              QStringLiteral("10 CLS\r\n20 BEEP 1,100,717\r\n30 FOR W=0 TO 986 : NEXT W\r\n40 GOTO 10"));
    EXPECT_EQ(program(QStringLiteral("$2:4M*"), BasicMachine::G800),
              QStringLiteral("10 CLS\r\n20 BEEP 1,105,717\r\n30 FOR W=0 TO 702 : NEXT W\r\n40 GOTO 10"));
}

TEST(BasicGenerator, EmptyDataGivesTheTwoLineProgram)
{
    EXPECT_EQ(program(QString(), BasicMachine::E500), QStringLiteral("10 CLS\r\n20 GOTO 10"));
    EXPECT_EQ(program(QString(), BasicMachine::G800), QStringLiteral("10 CLS\r\n20 GOTO 10"));
    // Tempo, lengths, separators and foreign characters write no line.
    EXPECT_EQ(program(QStringLiteral("$2:4/ 8.あ"), BasicMachine::E500), QStringLiteral("10 CLS\r\n20 GOTO 10"));
}

TEST(BasicGenerator, PitchTableEnds)
{
    // "A" (middle C, 262 Hz), "J" (440 Hz) and "k" (F#4, 2960 Hz) at 4/3 of a unit.
    EXPECT_EQ(program(QStringLiteral("$2:4AJk"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,222,369", "30 BEEP 1,123,606", "40 BEEP 1,0,3966", "50 GOTO 10"}));
    EXPECT_EQ(program(QStringLiteral("$2:4AJk"), BasicMachine::G800),
              lines({"10 CLS", "20 BEEP 1,218,369", "30 BEEP 1,127,606", "40 BEEP 1,12,3966", "50 GOTO 10"}));
}

TEST(BasicGenerator, SevenHighestE500PitchesShareToneZero)
{
    // Their durations still differ by frequency; G4 is 3130 Hz.
    EXPECT_EQ(program(QStringLiteral("$2:4jklmnop"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,0,3745", "30 BEEP 1,0,3966", "40 BEEP 1,0,4193", "50 BEEP 1,0,4449",
                     "60 BEEP 1,0,4713", "70 BEEP 1,0,4992", "80 BEEP 1,0,5288", "90 GOTO 10"}));
    EXPECT_EQ(program(QStringLiteral("$2:4jklmnop"), BasicMachine::G800),
              lines({"10 CLS", "20 BEEP 1,14,3745", "30 BEEP 1,12,3966", "40 BEEP 1,11,4193", "50 BEEP 1,10,4449",
                     "60 BEEP 1,9,4713", "70 BEEP 1,8,4992", "80 BEEP 1,7,5288", "90 GOTO 10"}));
}

TEST(BasicGenerator, CharactersAbovePAddNothing)
{
    // "q" (B#4) and "~" have no line; the length 4 holds for the note after them.
    EXPECT_EQ(program(QStringLiteral("$2:4q~M"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,100,717", "30 GOTO 10"}));
}

TEST(BasicGenerator, LengthsAndTempos)
{
    // The ":" of a tempo field leaves the length at 10; a length character
    // changes the notes after it only.
    EXPECT_EQ(program(QStringLiteral("$2:M8M*"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,100,1763", "30 BEEP 1,100,1414", "40 FOR W=0 TO 1953 : NEXT W",
                     "50 GOTO 10"}));
    // Tempo 0 divides by 1: 4 * 523 + 20 and 4 * 725 + 20.
    EXPECT_EQ(program(QStringLiteral("$0:4M*"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,100,2112", "30 FOR W=0 TO 2920 : NEXT W", "40 GOTO 10"}));
    // No tempo at all reads as tempo 0 as well: every run starts afresh.
    EXPECT_EQ(program(QStringLiteral("4*"), BasicMachine::G800),
              lines({"10 CLS", "20 FOR W=0 TO 2068 : NEXT W", "30 GOTO 10"}));
    // Length 0 leaves only the 20.
    EXPECT_EQ(program(QStringLiteral("$1.5:0M*"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,100,20", "30 FOR W=0 TO 20 : NEXT W", "40 GOTO 10"}));
    // A tempo in mid-string: 4 / 2.5 * 523 + 20 = 856.8.
    EXPECT_EQ(program(QStringLiteral("$2:4M$1.5:4M"), BasicMachine::E500),
              lines({"10 CLS", "20 BEEP 1,100,717", "30 BEEP 1,100,856", "40 GOTO 10"}));
}

TEST(BasicGenerator, LineNumbersStepByTen)
{
    QString omp = QStringLiteral("$2:4");
    for (int i = 0; i < 1000; ++i)
        omp += (i % 3 == 1) ? u'*' : u'M';
    const QString text = program(omp, BasicMachine::G800);
    const QStringList l = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(l.size(), 1002);
    EXPECT_EQ(l.at(1), QStringLiteral("20 BEEP 1,105,717"));
    EXPECT_EQ(l.at(2), QStringLiteral("30 FOR W=0 TO 702 : NEXT W"));
    EXPECT_EQ(l.at(1000), QStringLiteral("10010 BEEP 1,105,717"));
    EXPECT_EQ(l.at(1001), QStringLiteral("10020 GOTO 10"));
    EXPECT_FALSE(text.endsWith(u'\n'));
}

TEST(BasicGenerator, DivisorZeroIsAnError)
{
    // Tempo -1 cannot come from the data (the number after "$" has no sign),
    // only from a reader state handed over.
    omp::ReaderState minusOne;
    minusOne.tempo = -1.0f;
    minusOne.length = 4;
    for (BasicMachine m : {BasicMachine::E500, BasicMachine::G800}) {
        for (const QString &omp : {QStringLiteral("M"), QStringLiteral("*"), QStringLiteral("4M$2:4M")}) {
            const BasicProgramResult r = generateBasicProgram(omp, m, minusOne);
            EXPECT_FALSE(r.ok());
            EXPECT_TRUE(r.text.isEmpty());
            EXPECT_EQ(r.error, QStringLiteral("エラーが発生しました。入力されたデータに誤りがあります"));
        }
        // The tempo field before the note replaces it in time.
        EXPECT_TRUE(generateBasicProgram(QStringLiteral("$2:4M"), m, minusOne).ok());
    }
}

TEST(BasicGenerator, Captions)
{
    EXPECT_EQ(basic::resultCaption(BasicMachine::E500), QStringLiteral("PC-E500シリーズ用BASIC変換結果"));
    EXPECT_EQ(basic::resultCaption(BasicMachine::G800), QStringLiteral("PC-G800シリーズ用BASIC変換結果"));
}

} // namespace
