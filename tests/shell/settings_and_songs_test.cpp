// The settings file and the song files: their exact layout, what reading
// makes of missing and bad values, and where the settings live.

#include "omp/omp_scan.h"
#include "shell/app_settings.h"
#include "shell/song_file.h"

#include "support/test_files.h"

#include <QCoreApplication>
#include <QDir>

namespace {

AppSettings allChanged()
{
    AppSettings s;
    s.LoopPlay = 1;
    s.DefaultTone = 127;
    s.BaudIndex = 0;
    s.DataBitsIndex = 0;
    s.StopBitsIndex = 1;
    s.ParityIndex = 2;
    s.FlowIndex = 1;
    s.PortIndex = 15;
    s.UseSeparator = 0;
    s.SeparatorInterval = -32768;
    s.SeparatorKind = 2;
    return s;
}

class SettingsFileTest : public TempDirTest {
protected:
    QString file = path(QStringLiteral("vltn.ini"));
};

TEST_F(SettingsFileTest, WritesTheFixedLayoutAndReadsItBack)
{
    ASSERT_TRUE(SaveSettings(AppSettings(), file).ok()); // the dialog's defaults
    EXPECT_EQ(read("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\nループ再生=0\r\n音色設定=0\r\n[通信関連]\r\n通信速度=5\r\n"
                                                     "データビット=1\r\nストップビット=0\r\nパリティビット=0\r\nフロー制御=2\r\n"
                                                     "通信ポート=0\r\n[HMML2OMP]\r\n区切り文字の使用=1\r\n区切り文字数=10\r\n"
                                                     "区切り文字=0\r\n")));
    ASSERT_TRUE(SaveSettings(allChanged(), file).ok());
    QString error;
    EXPECT_EQ(LoadSettings(file, &error), allChanged());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(LoadSettings(path("none.ini")), AppSettings());
}

TEST_F(SettingsFileTest, UnusableValuesGiveDefaultsAndOtherLinesStay)
{
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

TEST(SettingsLocation, ProgramFolderOnlyWhenAFileStandsThereElseTheConfigurationFolder)
{
    QTemporaryDir program, config, home;
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("vltn.ini")));
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));
    QDir(program.path()).rmdir(QStringLiteral("vltn.ini"));
    ASSERT_TRUE(writeFile(program.filePath(QStringLiteral("vltn.ini")), ""));
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), program.filePath(QStringLiteral("vltn.ini")));

    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "settings_test";
    static char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vltn-test"));
    const QString expected = home.filePath(QStringLiteral("vltn-test/vltn.ini"));
    ASSERT_EQ(settingsFilePath(), expected);
    ASSERT_TRUE(SaveSettings(allChanged()).ok()); // creates the folder
    EXPECT_EQ(LoadSettings(), allChanged());
}

class SongFileTest : public TempDirTest {
protected:
    QString file = path(QStringLiteral("song.vtd"));
    IniWriteResult save(const QString &omp, const QString &program, const QString &title, const QString &copyright = {},
                        const QString &author = {})
    {
        return SaveSong(file, omp, program, title, copyright, author);
    }
    SongFields load()
    {
        const SongLoadResult r = LoadSong(file);
        EXPECT_TRUE(r.ok()) << str(r.error);
        return r.song;
    }
};

TEST_F(SongFileTest, NewFilesHoldSevenLinesAndExistingOnesKeepTheirOtherLines)
{
    ASSERT_TRUE(save(QStringLiteral("$2:4MQ8T"), QStringLiteral("-1"), QStringLiteral("さくら"), QStringLiteral("日本古謡"),
                     QStringLiteral("ベロ"))
                    .ok());
    EXPECT_EQ(read("song.vtd"), sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ8T\r\nProgram=-1\r\n"
                                                    "Title=さくら\r\nCopyright=日本古謡\r\nAuthor=ベロ\r\n")));
    write("song.vtd", sjis(QStringLiteral("; 私のメモ\r\n[Extra]\r\nTitle=not mine\r\n\r\n[data]\nauthor=旧\nDATA=old\n"
                                          "Note=keep me\nTITLE=旧題\n")));
    ASSERT_TRUE(save(QStringLiteral("$2:4M"), QStringLiteral("0"), QString(), QStringLiteral("(C) 2024"), QStringLiteral("新")).ok());
    EXPECT_EQ(read("song.vtd"), sjis(QStringLiteral("; 私のメモ\r\n[Extra]\r\nTitle=not mine\r\n\r\n[data]\nauthor=新\r\n"
                                                    "DATA=$2:4M\r\nNote=keep me\nTITLE=\r\nVTDVersion=1.0\r\nProgram=0\r\n"
                                                    "Copyright=(C) 2024\r\n")));
    EXPECT_EQ(load().title, QString());
}

TEST_F(SongFileTest, ReadsEveryFieldWholeInAnyOrderCaseAndEncoding)
{
    QString longOmp = QStringLiteral("$1.5:4ﾄﾞﾚﾐ/MQT");
    while (longOmp.size() < 100000)
        longOmp += QLatin1Char(char('A' + longOmp.size() % 40));
    ASSERT_TRUE(save(longOmp, QStringLiteral("52"), QStringLiteral("ソ・ゾ～表"), QStringLiteral("①ⅱ"), QStringLiteral("ﾃｽﾄ")).ok());
    SongFields s = load();
    EXPECT_EQ(std::tie(s.omp, s.program, s.title, s.copyright, s.author),
              std::tie(longOmp, u"52", u"ソ・ゾ～表", u"①ⅱ", u"ﾃｽﾄ"));

    write("song.vtd", "[other]\nData=wrong\n[dAtA]\nauthor=a\nPROGRAM=12\ncopyright=c\ntitle=t\ndata=$2:4M\n");
    s = load();
    EXPECT_EQ(std::tie(s.omp, s.program, s.title, s.copyright, s.author), std::tie(u"$2:4M", u"12", u"t", u"c", u"a"));
    write("song.vtd", "[Data]\r\nData=\r\n");
    EXPECT_EQ(load().program, QString());

    // A title typed in a UTF-8 editor, and a file saved with a byte-order mark.
    write("song.vtd", "[Data]\r\nData=$2:2AB\r\nTitle=" + QStringLiteral("かえる").toUtf8() + "\r\nAuthor=\x82\xA0\r\n");
    EXPECT_EQ(load().title, u"かえる");
    EXPECT_EQ(load().author, u"あ");
    write("song.vtd", "\xEF\xBB\xBF[Data]\r\nData=$2:2AB\r\nTitle=" + QStringLiteral("かえる").toUtf8() + "\r\n");
    EXPECT_EQ(load().title, u"かえる");
    ASSERT_TRUE(save(QStringLiteral("$2:4A"), QStringLiteral("1"), QStringLiteral("ぴょん")).ok());
    EXPECT_TRUE(read("song.vtd").startsWith("\xEF\xBB\xBF[Data]\r\n"));
    EXPECT_EQ(load().title, u"ぴょん");
}

TEST_F(SongFileTest, RefusesWhatIsNotASongOrCannotBeReadBackWhole)
{
    const std::pair<QByteArray, SongLoadResult::Failure> cases[] = {
        {"", SongLoadResult::Failure::NotSongFile},
        {"C-TEMPO:120\r\n4 C 2\r\n", SongLoadResult::Failure::NotSongFile},
        {"[Data]\r\nTitle=only a title\r\n", SongLoadResult::Failure::NotSongFile},
        {"[Other]\r\nData=$2:4M\r\n", SongLoadResult::Failure::NotSongFile},
        {"Data=$2:4M\r\n", SongLoadResult::Failure::NotSongFile},
        // Stray bytes would be saved back without them: refused by name.
        {"[Data]\r\nData=$2:2AB\r\nAuthor=\xA0\xFD\r\n", SongLoadResult::Failure::CannotRead},
    };
    for (const auto &[bytes, failure] : cases) {
        write("song.vtd", bytes);
        const SongLoadResult r = LoadSong(file);
        EXPECT_EQ(r.failure, failure) << hex(bytes);
        EXPECT_TRUE(r.error.contains(file)) << str(r.error);
        EXPECT_TRUE(r.song.title.isEmpty() && r.song.omp.isEmpty());
    }
    EXPECT_TRUE(LoadSong(file).error.contains(u"Author"));
    EXPECT_EQ(LoadSong(path("none.vtd")).failure, SongLoadResult::Failure::CannotRead);
}

TEST_F(SongFileTest, ALineBreakIsStoredAsABlankAndTheSongSoundsTheSame)
{
    const auto heard = [](const QString &data) {
        std::vector<std::tuple<int, int, float, int>> notes;
        omp::ReaderState state;
        omp::scan(data, state, [&](const omp::Event &e, const omp::ReaderState &s) {
            notes.emplace_back(int(e.kind), e.code, s.tempo, s.length);
            return true;
        });
        return notes;
    };
    // A tempo number ended by a line break: the blank must end it as well.
    const QString typed = QStringLiteral("$2:4MQ\r\n$1.5\r\r\n8T\n*");
    ASSERT_TRUE(save(typed, QStringLiteral("3"), QStringLiteral("a\nb")).ok());
    EXPECT_EQ(read("song.vtd"),
              "[Data]\r\nVTDVersion=1.0\r\nData=$2:4MQ $1.5  8T *\r\nProgram=3\r\nTitle=a b\r\nCopyright=\r\nAuthor=\r\n");
    EXPECT_EQ(heard(load().omp), heard(typed));
    EXPECT_EQ(heard(typed).size(), 12u);
}

TEST(SongTone, AcceptsMinusOneTo127Only)
{
    const std::pair<const char *, std::optional<qint16>> cases[] = {
        {"-1", -1}, {"0", 0}, {"127", 127}, {"128", std::nullopt}, {"-2", std::nullopt}, {"", std::nullopt}, {"5a", std::nullopt},
    };
    for (const auto &[text, tone] : cases)
        EXPECT_EQ(songTone(QLatin1String(text)), tone) << text;
}

} // namespace
