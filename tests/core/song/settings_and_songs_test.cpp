// The settings file and the song files: their exact layout, what reading
// makes of missing and bad values, and where the settings live.

#include "core/formats/midi_writer.h"
#include "core/song/settings.h"
#include "core/song/song_file.h"

#include "support/core_app.h"
#include "support/test_files.h"

#include <QDir>

namespace {

class SettingsFileTest : public TempDirTest {
protected:
    QString file = path(QStringLiteral("vltn.ini"));
};

TEST_F(SettingsFileTest, LayoutDefaultsAndOtherLines)
{
    AppSettings changed;
    for (qint16 AppSettings::*field : std::initializer_list<qint16 AppSettings::*>{&AppSettings::LoopPlay, &AppSettings::DataBitsIndex, &AppSettings::ParityIndex})
        changed.*field = 0;
    changed.DefaultTone = 127;
    changed.StopBitsIndex = 1;
    changed.PortIndex = 15;
    changed.SeparatorInterval = -32768;
    changed.SeparatorKind = 2;
    ASSERT_TRUE(SaveSettings(changed, file).ok());
    EXPECT_EQ(read("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\nループ再生=0\r\n音色設定=127\r\n[通信関連]\r\n通信速度=5\r\n"
                                                     "データビット=0\r\nストップビット=1\r\nパリティビット=0\r\nフロー制御=2\r\n"
                                                     "通信ポート=15\r\n[HMML2OMP]\r\n区切り文字の使用=1\r\n区切り文字数=-32768\r\n"
                                                     "区切り文字=2\r\n")));
    EXPECT_EQ(LoadSettings(file), changed);
    EXPECT_EQ(LoadSettings(path("none.ini")), AppSettings()); // the dialog's design-time choices

    // Unusable values give the defaults; saving keeps the file's order and other lines.
    write("vltn.ini", sjis(QStringLiteral("; by hand\r\n[hmml2omp]\r\n区切り文字=7\r\n区切り文字数= 16 \r\n\r\n[mine]\r\nx=y\r\n"
                                          "[一般設定]\r\nループ再生=\r\n音色設定=128\r\n[通信関連]\r\n通信速度=fast\r\n"
                                          "データビット=1.5\r\nストップビット=32768\r\nパリティビット=-1\r\n通信ポート=20\r\n")));
    AppSettings expected;
    expected.SeparatorInterval = 16;
    expected.SeparatorKind = 7; // not a list position: any value stays
    EXPECT_EQ(LoadSettings(file), expected);
    ASSERT_TRUE(SaveSettings(expected, file).ok());
    EXPECT_EQ(read("vltn.ini"), sjis(QStringLiteral("; by hand\r\n[hmml2omp]\r\n区切り文字=7\r\n区切り文字数=16\r\n"
                                                     "区切り文字の使用=1\r\n\r\n[mine]\r\nx=y\r\n[一般設定]\r\nループ再生=0\r\n"
                                                     "音色設定=0\r\n[通信関連]\r\n通信速度=5\r\nデータビット=1\r\nストップビット=0\r\n"
                                                     "パリティビット=0\r\n通信ポート=0\r\nフロー制御=2\r\n")));
    // "区切り文字を利用する" off means no separators at all.
    EXPECT_EQ(separatorInterval(expected), 16);
    expected.UseSeparator = 0;
    EXPECT_EQ(separatorInterval(expected), 0);
    EXPECT_EQ(separatorText(expected), u" ");
}

TEST_F(SettingsFileTest, ThePortDeviceAndPausesFollowTheElevenKeysOnlyOnceSet)
{
    AppSettings s;
    s.PortDevice = QStringLiteral("/dev/ttyUSB0");
    s.CharDelay = 20;
    s.LineDelay = 300;
    s.Voice = 2;
    s.StatementGap = 30;
    ASSERT_TRUE(SaveSettings(s, file).ok());
    EXPECT_TRUE(read("vltn.ini").contains(sjis(QStringLiteral("音色設定=0\r\n再生の音=2\r\n文の後の無音=30\r\n[通信関連]"))))
        << "the voice after the general keys, only what was changed";
    EXPECT_TRUE(read("vltn.ini").contains(sjis(QStringLiteral("通信ポート=0\r\n通信デバイス=/dev/ttyUSB0\r\n"
                                                              "文字ごとの待ち時間=20\r\n行ごとの待ち時間=300\r\n[HMML2OMP]"))));
    EXPECT_EQ(LoadSettings(file), s);
    // Back to the defaults: the keys the file holds are written, not left stale.
    ASSERT_TRUE(SaveSettings(AppSettings(), file).ok());
    EXPECT_EQ(LoadSettings(file), AppSettings());
    // Pauses outside their ranges read as automatic, a voice no list holds as General MIDI.
    write("vltn.ini", sjis(QStringLiteral("[通信関連]\r\n文字ごとの待ち時間=1001\r\n行ごとの待ち時間=-2\r\n[一般設定]\r\n再生の音=3\r\n文の後の無音=1001\r\n")));
    EXPECT_EQ(LoadSettings(file), AppSettings());

    // List positions become the line; COM ports the system's serial ports;
    // positions no list holds give the lists' defaults; a device path wins.
    AppSettings a;
    a.BaudIndex = 0;
    a.DataBitsIndex = 0;
    a.StopBitsIndex = 1;
    a.ParityIndex = 2;
    a.FlowIndex = 1;
    a.PortIndex = 15;
    const SerialLine com = a.line();
    EXPECT_EQ(std::tuple(com.device, com.baud, com.dataBits, com.stopBits, com.parity, com.flow, com.bitsPerCharacter()),
              std::tuple(QStringLiteral("/dev/ttyS15"), 300, 7, 2, SerialParity::Odd, SerialFlow::Software, 11));
    a.BaudIndex = a.DataBitsIndex = a.ParityIndex = a.FlowIndex = 9;
    a.PortDevice = QStringLiteral("/dev/ttyUSB0");
    const SerialLine d = a.line();
    EXPECT_EQ(std::tuple(d.device, d.baud, d.dataBits, d.parity, d.flow),
              std::tuple(QStringLiteral("/dev/ttyUSB0"), 9600, 8, SerialParity::None, SerialFlow::None));
}

TEST(SettingsLocation, ProgramFolderOnlyWhenAFileStandsThereElseTheConfigurationFolder)
{
    QTemporaryDir program, config, home;
    const QString portable = program.filePath(QStringLiteral("vltn.ini"));
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));
    ASSERT_TRUE(QDir().mkdir(portable)); // a folder of that name is no settings file
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));
    QDir().rmdir(portable);
    ASSERT_TRUE(writeFile(portable, ""));
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), portable);

    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    testsupport::coreApplication();
    QCoreApplication::setApplicationName(QStringLiteral("vltn-test"));
    ASSERT_EQ(settingsFilePath(), home.filePath(QStringLiteral("vltn-test/vltn.ini")));
    AppSettings s;
    s.LoopPlay = 1;
    ASSERT_TRUE(SaveSettings(s).ok()); // creates the folder
    EXPECT_EQ(LoadSettings(), s);
}

class SongFileTest : public TempDirTest {
protected:
    QString file = path(QStringLiteral("song.vtd"));
    QString load()
    {
        const SongLoadResult r = LoadSong(file);
        EXPECT_TRUE(r.ok()) << str(r.error);
        return QStringList({r.song.omp, r.program, r.song.title, r.song.copyright, r.song.author}).join(u'|');
    }
};

TEST_F(SongFileTest, NewFilesHoldSevenLinesAndExistingOnesKeepTheirOtherLines)
{
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4MQ8T"), QStringLiteral("-1"), QStringLiteral("さくら"), QStringLiteral("日本古謡"),
                         QStringLiteral("ベロ")).ok());
    EXPECT_EQ(read("song.vtd"), sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ8T\r\nProgram=-1\r\n"
                                                    "Title=さくら\r\nCopyright=日本古謡\r\nAuthor=ベロ\r\n")));
    write("song.vtd", sjis(QStringLiteral("; 私のメモ\r\n[Extra]\r\nTitle=not mine\r\n\r\n[data]\nauthor=旧\nDATA=old\n"
                                          "Note=keep me\nTITLE=旧題\n")));
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4M"), QStringLiteral("0"), {}, QStringLiteral("(C) 2024"), QStringLiteral("新")).ok());
    EXPECT_EQ(read("song.vtd"), sjis(QStringLiteral("; 私のメモ\r\n[Extra]\r\nTitle=not mine\r\n\r\n[data]\nauthor=新\r\n"
                                                    "DATA=$2:4M\r\nNote=keep me\nTITLE=\r\nVTDVersion=1.0\r\nProgram=0\r\n"
                                                    "Copyright=(C) 2024\r\n")));
    EXPECT_EQ(load(), u"$2:4M|0||(C) 2024|新");
    // A tempo number ended by a line break: the blank must end it as well.
    const QString typed = QStringLiteral("$2:4MQ\r\n$1.5\r\r\n8T\n*");
    ASSERT_TRUE(SaveSong(file, typed, QStringLiteral("3"), QStringLiteral("a\nb"), {}, {}).ok());
    EXPECT_TRUE(read("song.vtd").contains("DATA=$2:4MQ $1.5  8T *\r\n") && read("song.vtd").contains("TITLE=a b\r\n"));
    // Heard as typed: the same MIDI file.
    EXPECT_EQ(hex(MIDI_Build(load().section(u'|', 0, 0), 0).bytes), hex(MIDI_Build(typed, 0).bytes));
}

TEST_F(SongFileTest, ReadsEveryFieldWholeInAnyOrderCaseAndEncoding)
{
    QString longOmp = QStringLiteral("$1.5:4ﾄﾞﾚﾐ/MQT");
    while (longOmp.size() < 100000)
        longOmp += QLatin1Char(char('A' + longOmp.size() % 40));
    ASSERT_TRUE(SaveSong(file, longOmp, QStringLiteral("52"), QStringLiteral("ソ・ゾ～表"), QStringLiteral("①ⅱ"),
                         QStringLiteral("ﾃｽﾄ")).ok());
    EXPECT_EQ(load(), longOmp + QStringLiteral("|52|ソ・ゾ～表|①ⅱ|ﾃｽﾄ"));
    const QByteArray utf8Title = QStringLiteral("かえる").toUtf8();
    const std::pair<QByteArray, const char *> files[] = {
        {"[other]\nData=wrong\n[dAtA]\nauthor=a\nPROGRAM=12\ncopyright=c\ntitle=t\ndata=$2:4M\n", "$2:4M|12|t|c|a"},
        {"[Data]\r\nData=\r\n", "||||"},
        // A title typed in a UTF-8 editor; a file saved with a byte-order mark.
        {"[Data]\r\nData=$2:2AB\r\nTitle=" + utf8Title + "\r\nAuthor=\x82\xA0\r\n", "$2:2AB||かえる||あ"},
        {"\xEF\xBB\xBF[Data]\r\nData=$2:2AB\r\nTitle=" + utf8Title + "\r\n", "$2:2AB||かえる||"},
    };
    for (const auto &[bytes, fields] : files) {
        write("song.vtd", bytes);
        EXPECT_EQ(load(), QString::fromUtf8(fields)) << hex(bytes);
    }
    ASSERT_TRUE(SaveSong(file, QStringLiteral("$2:4A"), QStringLiteral("1"), QStringLiteral("ぴょん"), {}, {}).ok());
    EXPECT_TRUE(read("song.vtd").startsWith("\xEF\xBB\xBF[Data]\r\n")) << "the mark is kept, the text stays UTF-8";
    EXPECT_EQ(load(), u"$2:4A|1|ぴょん||");
}

TEST_F(SongFileTest, RefusesWhatIsNotASongOrCannotBeReadBackWhole)
{
    using Failure = SongLoadResult::Failure;
    const std::pair<QByteArray, Failure> cases[] = {
        {"", Failure::NotSongFile},
        {"C-TEMPO:120\r\n4 C 2\r\n", Failure::NotSongFile},
        {"[Data]\r\nTitle=only a title\r\n", Failure::NotSongFile},
        {"[Other]\r\nData=$2:4M\r\n", Failure::NotSongFile},
        {"Data=$2:4M\r\n", Failure::NotSongFile},
        // Stray bytes would be saved back without them: refused by name.
        {"[Data]\r\nData=$2:2AB\r\nAuthor=\xA0\xFD\r\n", Failure::CannotRead},
    };
    for (const auto &[bytes, failure] : cases) {
        write("song.vtd", bytes);
        const SongLoadResult r = LoadSong(file);
        EXPECT_EQ(r.failure, failure) << hex(bytes);
        EXPECT_TRUE(r.error.contains(file)) << str(r.error);
        EXPECT_TRUE(r.song.title.isEmpty() && r.song.omp.isEmpty());
    }
    EXPECT_TRUE(LoadSong(file).error.contains(u"Author"));
    EXPECT_EQ(LoadSong(path("none.vtd")).failure, Failure::CannotRead);
    const std::pair<const char *, std::optional<qint16>> tones[] = {
        {"-1", -1}, {"0", 0}, {"127", 127}, {"128", std::nullopt}, {"-2", std::nullopt}, {"", std::nullopt}, {"5a", std::nullopt},
    };
    for (const auto &[text, tone] : tones)
        EXPECT_EQ(songTone(QLatin1String(text)), tone) << text;
}

} // namespace
