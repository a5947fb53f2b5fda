// The BASIC program generator for both machines, and the OMP list.

#include "core/formats/basic_generator.h"
#include "core/formats/omp_list.h"

#include "support/test_files.h"

#include <QStringList>

#include <cmath>

namespace {

TEST(BasicGenerator, Lines)
{
    struct Case {
        const char16_t *omp;
        const char *e500, *g800; // the lines between "10 CLS" and the GOTO, joined by "|"
    };
    const Case cases[] = {
        {u"$2:4M*", "20 BEEP 1,100,717|30 FOR W=0 TO 986 : NEXT W", "20 BEEP 1,105,717|30 FOR W=0 TO 702 : NEXT W"},
        {u"", "", ""},
        {u"$2:4/ 8.あ", "", ""}, // tempo, lengths, separators and foreign characters write no line
        {u"$2:4q~M", "20 BEEP 1,100,717", "20 BEEP 1,105,717"}, // above "p": no line, the length holds
        // The ":" of a tempo field leaves the length at 10.
        {u"$2:M8M*", "20 BEEP 1,100,1763|30 BEEP 1,100,1414|40 FOR W=0 TO 1953 : NEXT W",
         "20 BEEP 1,105,1763|30 BEEP 1,105,1414|40 FOR W=0 TO 1385 : NEXT W"},
        // Tempo 0 divides by 1; no tempo at all is tempo 0 too.
        {u"$0:4M*", "20 BEEP 1,100,2112|30 FOR W=0 TO 2920 : NEXT W", "20 BEEP 1,105,2112|30 FOR W=0 TO 2068 : NEXT W"},
        {u"4*", "20 FOR W=0 TO 2920 : NEXT W", "20 FOR W=0 TO 2068 : NEXT W"},
        {u"$1.5:0M*", "20 BEEP 1,100,20|30 FOR W=0 TO 20 : NEXT W", "20 BEEP 1,105,20|30 FOR W=0 TO 20 : NEXT W"},
        {u"$2:4M$1.5:4M", "20 BEEP 1,100,717|30 BEEP 1,100,856", "20 BEEP 1,105,717|30 BEEP 1,105,856"},
    };
    for (const Case &c : cases) {
        for (const auto &[machine, body] : {std::pair{Machine::E500, c.e500}, std::pair{Machine::G800, c.g800}}) {
            QStringList lines = {QStringLiteral("10 CLS")};
            if (*body)
                lines += QString::fromLatin1(body).split(u'|');
            lines << QStringLiteral("%1 GOTO 10").arg(10 * (lines.size() + 1));
            const BasicProgramResult r = generateBasicProgram(QString::fromUtf16(c.omp), machine);
            EXPECT_EQ(r.text, lines.join(QStringLiteral("\r\n"))) << str(QString::fromUtf16(c.omp));
        }
    }
}

TEST(BasicGenerator, EveryPitchOfBothMachines)
{
    // "A" (C of octave 1, middle C) to "p" (B of octave 4), at 4/3 of a unit each.
    const int e500[48] = {222, 208, 195, 183, 172, 161, 150, 141, 132, 123, 115, 107, 100, 93, 86, 80,
                          75, 69, 64, 59, 55, 50, 46, 42, 39, 35, 32, 29, 26, 23, 21, 18,
                          16, 14, 12, 10, 8, 6, 5, 3, 2, 0, 0, 0, 0, 0, 0, 0};
    const int g800[48] = {218, 206, 194, 182, 172, 162, 152, 143, 135, 127, 119, 112, 105, 99, 93, 87,
                          82, 77, 72, 68, 64, 60, 56, 52, 49, 46, 43, 40, 37, 35, 32, 30,
                          28, 26, 24, 22, 21, 19, 18, 16, 15, 14, 12, 11, 10, 9, 8, 7};
    const int hz[48] = {262, 277, 294, 311, 330, 349, 370, 392, 415, 440, 466, 494, 523, 554, 587, 622,
                        659, 698, 740, 784, 831, 880, 932, 988, 1047, 1109, 1175, 1245, 1319, 1397, 1480, 1568,
                        1661, 1760, 1865, 1976, 2093, 2217, 2349, 2489, 2637, 2794, 2960, 3130, 3322, 3520, 3729, 3951};
    QString omp = QStringLiteral("$2:4");
    for (int i = 0; i < 48; ++i)
        omp += QChar(u'A' + i);
    for (const auto &[machine, tones] : {std::pair{Machine::E500, e500}, std::pair{Machine::G800, g800}}) {
        const QStringList lines = generateBasicProgram(omp, machine).text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 50);
        for (int i = 0; i < 48; ++i)
            EXPECT_EQ(lines.at(i + 1), QStringLiteral("%1 BEEP 1,%2,%3").arg(20 + 10 * i).arg(tones[i]).arg(int(std::floor(4.0 / 3.0 * hz[i] + 20.0))));
    }
}

TEST(BasicGenerator, LineNumbersStopAt65279)
{
    // 6525 notes and rests end with GOTO at 65270; one more would pass 65279,
    // the largest line number these machines take.
    QString omp = QStringLiteral("$2:4");
    for (int i = 0; i < 6525; ++i)
        omp += (i % 3 == 1) ? u'*' : u'M';
    const BasicProgramResult full = generateBasicProgram(omp, Machine::G800);
    const QStringList l = full.text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(l.size(), 6527);
    EXPECT_EQ(l.mid(2, 1) + l.mid(6525), QStringList({"30 FOR W=0 TO 702 : NEXT W", "65260 BEEP 1,105,717", "65270 GOTO 10"}));
    const BasicProgramResult tooLong = generateBasicProgram(omp + u'M', Machine::E500);
    EXPECT_TRUE(tooLong.text.isEmpty());
    EXPECT_TRUE(tooLong.error.contains(u"6526") && tooLong.error.contains(u"65279")) << str(tooLong.error);
    // Characters that write no line do not count.
    EXPECT_TRUE(generateBasicProgram(omp + QStringLiteral("q~$2:/"), Machine::E500).ok());
}

TEST(BasicGenerator, DivisorZeroIsAnError)
{
    // Tempo -1 cannot come from the data, only from a reader state handed over.
    omp::ReaderState minusOne;
    minusOne.tempo = -1.0f;
    minusOne.length = 4;
    for (Machine m : {Machine::E500, Machine::G800}) {
        for (const char16_t *omp : {u"M", u"*", u"4M$2:4M"}) {
            const BasicProgramResult r = generateBasicProgram(QString::fromUtf16(omp), m, minusOne);
            EXPECT_EQ(r.text + r.error, u"エラーが発生しました。入力されたデータに誤りがあります") << str(QString::fromUtf16(omp));
        }
        EXPECT_TRUE(generateBasicProgram(QStringLiteral("$2:4M"), m, minusOne).ok());
    }
}

TEST(OmpList, MatchesTheReferenceFileAndInsertsTitleAndDataAsTheyAre)
{
    // The reference file holds the list of a song titled テスト曲, in CP932.
    const QByteArray expected = readFile(QStringLiteral(VLTN_SOURCE_DIR "/tests/core/formats/data/omp_list_song.txt"));
    const omplist::EncodeResult list = omplist::bytes(QStringLiteral("テスト曲"), QStringLiteral("$2:4MQ8T"));
    ASSERT_TRUE(list.ok()) << str(list.error);
    EXPECT_EQ(list.bytes, expected);

    const auto lines = [](const QString &title, const QString &omp) {
        const QString text = omplist::text(title, omp);
        EXPECT_EQ(text.count(QStringLiteral("\r\n")), 43);
        EXPECT_EQ(text.count(u'\n'), 43);
        return text.chopped(2).split(QStringLiteral("\r\n"));
    };
    QStringList l = lines(QString(), QString());
    EXPECT_EQ(l.at(0), u"OMP DATA  Title:Non titled.");
    EXPECT_EQ(l.at(1), u"[]");
    EXPECT_EQ(l.at(7), u"10 M$(0)=\"\":GOSUB *OMP");
    EXPECT_EQ(l.at(32), QString(76, u'-'));
    EXPECT_EQ(l.at(41), QString(77, u'-'));
    // A double quote is not escaped; data past 250 characters is kept whole.
    const QString omp = QStringLiteral("$2:4\"M") + QString(300, u'M');
    l = lines(QStringLiteral("x"), omp);
    EXPECT_EQ(l.at(1), u'[' + omp + u']');
    for (int i : {18, 26})
        EXPECT_EQ(l.at(i), QStringLiteral("10 M$=\"") + omp + QStringLiteral("\":GOSUB *OMP"));
}

} // namespace
