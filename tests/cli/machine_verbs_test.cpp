// vltn tuning, vltn play --machine and vltn wav --machine run as a user
// runs them: the table as printed and as JSON read back, WAV files heard
// back against the BEEP program vltn basic writes, and the usage errors.

#include "support/square_wave.h"
#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class MachineVerbs : public TempDirTest {
protected:
    void SetUp() override
    {
        write("song.hml", "C-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n4 *\r\n"); // C, E, G of octave 2, a rest
        write(".asoundrc", "pcm.!default { type null }\n"); // sound goes nowhere, on any machine
        qputenv("HOME", QFile::encodeName(dir.path()));
    }
    VltnRun shell(QString line)
    {
        return runVltn({line.replace(u'@', dir.path())}, {}, QProcessEnvironment::systemEnvironment(), true);
    }
};

TEST_F(MachineVerbs, TuningAsTextAndAsJson)
{
    const VltnRun text = shell("vltn tuning --machine e500 @/song.hml");
    EXPECT_EQ(text.exitCode, 0) << str(text.err);
    EXPECT_EQ(str(text.out), str(QStringLiteral(
                                 "PC-E500 の BEEP プログラム (1 音 1 行) の音程 (平均律は A 1 = 440 Hz)\n"
                                 "音名  音符数  音番号  ポケコン Hz  平均律 Hz  差 (セント)\n"
                                 "C 2        1     100       522.45     523.25         -2.7\n"
                                 "E 2        1      75       656.41     659.26         -7.5\n"
                                 "G 2        1      59       785.28     783.99         +2.8\n"
                                 "いちばん大きい差: E 2 の -7.5 セント (ポケコン 656.41 Hz、平均律 659.26 Hz)\n")));

    // The user guide shows twinkle.hml's table on the PC-E500 as vltn prints it.
    const QString guide = QString::fromUtf8(readFile(QStringLiteral(VLTN_SOURCE_DIR "/docs/guide.html")));
    const qsizetype table = guide.indexOf(u"<table id=\"twinkle-e500-tuning\">");
    ASSERT_GE(table, 0);
    QStringList shown;
    static const QRegularExpression row(QStringLiteral("<tr><td>([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td></tr>"));
    for (const QRegularExpressionMatch &m : row.globalMatch(guide.sliced(table, guide.indexOf(u"</table>", table) - table)))
        shown << m.capturedTexts().mid(1).join(u'|');
    QStringList printed = shell("vltn tuning --machine e500 " VLTN_SOURCE_DIR "/examples/twinkle.hml").out.split(u'\n').mid(2, 6);
    for (QString &line : printed) { // "C 2   6   100 ..." as "C 2|6|100|..."
        const QStringList cells = line.simplified().split(u' ');
        line = cells.mid(0, 2).join(u' ') + u'|' + cells.mid(2).join(u'|');
    }
    EXPECT_EQ(printed, shown);

    // Every machine and program, read back: exactly the six keys, each
    // pitch once, the frequency the tone gives on the machine.
    for (const char *machine : {"e500", "g800"}) {
        for (const char *program : {"beep", "omp"}) {
            const VltnRun r = shell(QStringLiteral("vltn tuning --machine %1 --program %2 --json " VLTN_SOURCE_DIR "/examples/twinkle.hml")
                                        .arg(QLatin1String(machine), QLatin1String(program)));
            ASSERT_EQ(r.exitCode, 0) << machine << program << str(r.err);
            const QJsonArray rows = QJsonDocument::fromJson(r.outBytes).array();
            QStringList pitches;
            int notes = 0;
            for (const QJsonValue &value : rows) {
                const QJsonObject row = value.toObject();
                EXPECT_EQ(row.keys(), QStringList({"cents", "count", "hz", "pitch", "target_hz", "tone"}));
                const int tone = row["tone"].toInt();
                const double hz = squarewave::beepHz(machine == std::string("e500"), tone);
                EXPECT_NEAR(row["hz"].toDouble(), hz, 0.0005) << machine << program;
                EXPECT_NEAR(row["cents"].toDouble(), 1200 * std::log2(hz / row["target_hz"].toDouble()), 0.005);
                pitches << row["pitch"].toString();
                notes += row["count"].toInt();
            }
            EXPECT_EQ(pitches, QStringList({"C 2", "D 2", "E 2", "F 2", "G 2", "A 2"})) << machine << program;
            EXPECT_EQ(notes, 42) << "every note of the song, its loop played twice";
        }
    }
}

// The song's WAV file holds its notes as the BEEP program vltn basic writes
// them plays them, in both channels, and the OMP player's with the gap
// between statements.
TEST_F(MachineVerbs, WavFilesSoundAsTheProgramsPlay)
{
    // Rests keep the notes apart: a note straight after another is one wave going on.
    write("rests.hml", "C-TEMPO:120\r\n4 C 2\r\n1 *\r\n4 E 2\r\n1 *\r\n8 G 2\r\n4 *\r\n");
    ASSERT_EQ(shell("vltn wav --machine e500 -o @/beep.wav @/rests.hml").exitCode, 0);
    const QByteArray wav = read("beep.wav");
    const QByteArray format = wav.mid(20, 16); // PCM, 2 channels, 44100 Hz, 4 bytes a frame, 16 bits
    EXPECT_EQ(hex(format), hex(QByteArray::fromHex("0100 0200 44ac0000 10b10200 0400 1000")));
    for (qsizetype i = 44; i + 3 < wav.size(); i += 4)
        ASSERT_EQ(wav.mid(i, 2), wav.mid(i + 2, 2)) << "left and right differ at byte " << i;
    const std::vector<squarewave::HeardTone> heard = squarewave::tonesIn(squarewave::wavLeft(wav), 0.25f);
    const QString program = shell("vltn basic --machine e500 @/rests.hml").out;
    const QRegularExpression beep(QStringLiteral("BEEP 1,(\\d+),(\\d+)"));
    size_t i = 0;
    for (const QRegularExpressionMatch &m : beep.globalMatch(program)) {
        ASSERT_LT(i, heard.size());
        EXPECT_EQ(heard[i].periods, m.captured(2).toLongLong()) << i;
        EXPECT_NEAR(heard[i].hz, squarewave::beepHz(true, m.captured(1).toInt()), 0.05) << i;
        ++i;
    }
    EXPECT_EQ(i, heard.size());
    EXPECT_TRUE(program.contains(u"70 FOR W=0 TO 986 : NEXT W\r\n80 GOTO 10")) << str(program);
    // The last rest: 987 passes of 1/730 s.
    EXPECT_NEAR(double(wav.size() - 44) / 4, heard.back().end + 987 / 730.0 * 44100, 1);

    ASSERT_EQ(shell("vltn wav --machine g800 --program omp --gap 10 -o @/omp.wav @/song.hml").exitCode, 0);
    const std::vector<squarewave::HeardTone> omp = squarewave::tonesIn(squarewave::wavLeft(read("omp.wav")), 0.25f);
    ASSERT_EQ(omp.size(), 3u);
    EXPECT_NEAR(omp[1].start - omp[0].end, 441, 1) << "10 ms between the statements";
    EXPECT_NEAR(omp[0].hz, squarewave::beepHz(false, 105), 0.05); // C 2: 59091 / 523.4 - 7 is 105.9
    // To standard output as well.
    EXPECT_EQ(shell("vltn wav --machine g800 -o - @/song.hml | head -c 4").outBytes, "RIFF");
}

TEST_F(MachineVerbs, PlayUsageErrorsAndFailures)
{
    write("zero.omp", "$0:4A");
    write("tune.mid", QByteArray("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\4\0\xFF\x2F\0", 26));
    write("many.omp", "$2:4" + QByteArray(6526, 'M'));
    const std::tuple<const char *, int, const char *> cases[] = {
        {"vltn play --machine e500 @/song.hml", 0, ""},
        {"vltn play --machine G800 --program OMP --gap 2.5 @/song.hml", 0, ""},
        {"vltn tuning --machine g800 @/many.omp | tail -1", 0, "入りきりません"},
        {"vltn tuning @/song.hml", 2, "--machine には e500 か g800"},
        {"vltn tuning --machine pc1500 @/song.hml", 2, "--machine には e500 か g800"},
        {"vltn tuning --machine e500 --program sing @/song.hml", 2, "--program には beep、omp"},
        {"vltn tuning --machine e500 --gap 5 @/song.hml", 2, "gap"},
        {"vltn play --program omp @/song.hml", 2, "--machine e500 か --machine g800 といっしょに"},
        {"vltn wav --gap 5 -o @/x.wav @/song.hml", 2, "--machine e500 か --machine g800 といっしょに"},
        {"vltn wav --machine e500 --gap -1 -o @/x.wav @/song.hml", 2, "--gap には 0 から 1000"},
        {"vltn play --machine e500 --gap 1001 @/song.hml", 2, "--gap には 0 から 1000"},
        {"vltn play --machine e500 --tone 3 @/song.hml", 2, "--tone か --machine のどちらか"},
        {"vltn wav --machine e500 --program omp -o @/x.wav @/zero.omp", 1, "0 で割るエラー"},
        {"vltn tuning --machine g800 --program omp @/zero.omp", 1, "0 で割るエラー"},
        {"vltn wav --machine e500 -o @/x.wav @/tune.mid", 1, "vltn import"},
        {"vltn tuning --machine e500 @/none.hml", 1, "none.hml"},
    };
    for (const auto &[line, code, says] : cases) {
        const VltnRun r = shell(QString::fromUtf8(line));
        EXPECT_EQ(r.exitCode, code) << line << ": " << str(r.err);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(says))) << line << ": " << str(r.err);
        EXPECT_EQ(r.err.isEmpty(), !*says) << line << ": " << str(r.err);
    }
    EXPECT_FALSE(QFile::exists(path("x.wav")));
    EXPECT_TRUE(shell("vltn tuning --machine g800 @/many.omp").out.contains(u"C 2     6526"));
    EXPECT_TRUE(shell("vltn tuning --help").out.startsWith(u"使い方: vltn tuning "));
    EXPECT_TRUE(shell("vltn --help").out.contains(u"\n  tuning --machine"));
    // No sound device: the same one line as the General MIDI player's.
    write(".asoundrc", "pcm.!default \"vltn_no_such_device\"\n");
    const VltnRun r = shell("vltn play --machine e500 @/song.hml");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u"vltn: 音声を出力できません") && r.err.count(u'\n') == 1) << str(r.err);
}

} // namespace
