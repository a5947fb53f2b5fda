// The settings file: its exact layout, what reading makes of missing and bad
// values, and where the file lives.

#include "platform/cp932.h"
#include "shell/app_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace {

// The file as the program writes it, line by line.
const QString ExampleFile = QStringLiteral(
    "[一般設定]\r\n"
    "ループ再生=0\r\n"
    "音色設定=0\r\n"
    "[通信関連]\r\n"
    "通信速度=5\r\n"
    "データビット=1\r\n"
    "ストップビット=0\r\n"
    "パリティビット=0\r\n"
    "フロー制御=2\r\n"
    "通信ポート=0\r\n"
    "[HMML2OMP]\r\n"
    "区切り文字の使用=1\r\n"
    "区切り文字数=10\r\n"
    "区切り文字=0\r\n");

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

class SettingsFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("vltn.ini"));
};

TEST_F(SettingsFileTest, WritesANewFileExactlyInTheFixedLayout)
{
    AppSettings example; // the example's values are the dialog's defaults
    ASSERT_TRUE(SaveSettings(example, file).ok());
    EXPECT_EQ(readFile(file), sjis(ExampleFile));

    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(SaveSettings(allChanged(), file).ok());
    EXPECT_EQ(readFile(file), sjis(QStringLiteral("[一般設定]\r\nループ再生=1\r\n音色設定=127\r\n"
                                                  "[通信関連]\r\n通信速度=0\r\nデータビット=0\r\nストップビット=1\r\n"
                                                  "パリティビット=2\r\nフロー制御=1\r\n通信ポート=15\r\n"
                                                  "[HMML2OMP]\r\n区切り文字の使用=0\r\n区切り文字数=-32768\r\n"
                                                  "区切り文字=2\r\n")));
}

TEST_F(SettingsFileTest, ReadsBackWhatItWrote)
{
    ASSERT_TRUE(SaveSettings(allChanged(), file).ok());
    QString error;
    EXPECT_EQ(LoadSettings(file, &error), allChanged());
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(SettingsFileTest, GivesTheDialogDefaultsForAMissingFile)
{
    const AppSettings s = LoadSettings(dir.filePath(QStringLiteral("none.ini")));
    EXPECT_EQ(s.LoopPlay, 0);
    EXPECT_EQ(s.DefaultTone, 0);
    EXPECT_EQ(s.BaudIndex, 5);
    EXPECT_EQ(s.DataBitsIndex, 1);
    EXPECT_EQ(s.StopBitsIndex, 0);
    EXPECT_EQ(s.ParityIndex, 0);
    EXPECT_EQ(s.FlowIndex, 2);
    EXPECT_EQ(s.PortIndex, 0);
    EXPECT_EQ(s.UseSeparator, 1);
    EXPECT_EQ(s.SeparatorInterval, 10);
    EXPECT_EQ(s.SeparatorKind, 0);
}

TEST_F(SettingsFileTest, GivesTheDefaultForEachMissingOrUnusableValue)
{
    writeFile(file, sjis(QStringLiteral("[一般設定]\r\n"
                                        "ループ再生=\r\n"           // empty
                                        "音色設定=128\r\n"          // past the tone list
                                        "[通信関連]\r\n"
                                        "通信速度=fast\r\n"
                                        "データビット=1.5\r\n"
                                        "ストップビット=32768\r\n"  // past 16 bits
                                        "パリティビット=-1\r\n"
                                        "通信ポート=20\r\n"         // COM21: not in the list
                                        "[HMML2OMP]\r\n"
                                        "区切り文字数= 16 \r\n"     // blanks around a number are fine
                                        "区切り文字=7\r\n")));      // not a list: any value stays
    const AppSettings s = LoadSettings(file);
    AppSettings expected;
    expected.SeparatorInterval = 16;
    expected.SeparatorKind = 7;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.PortIndex, 0);
}

TEST_F(SettingsFileTest, ReadsKeysInAnyOrderAndCaseBesideOtherLines)
{
    writeFile(file, sjis(QStringLiteral("; written by hand\n"
                                        "[hmml2omp]\n"
                                        "区切り文字=1\n"
                                        "[一般設定]\n"
                                        "音色設定=40\n"
                                        "ループ再生=1\n"
                                        "[mine]\n"
                                        "x=y\n")));
    const AppSettings s = LoadSettings(file);
    EXPECT_EQ(s.SeparatorKind, 1);
    EXPECT_EQ(s.DefaultTone, 40);
    EXPECT_EQ(s.LoopPlay, 1);
    EXPECT_EQ(s.BaudIndex, 5);
}

TEST_F(SettingsFileTest, KeepsTheOrderAndOtherLinesOfAnExistingFile)
{
    writeFile(file, sjis(QStringLiteral("; written by hand\r\n"
                                        "[HMML2OMP]\r\n"
                                        "区切り文字=1\r\n"
                                        "区切り文字数=10\r\n"
                                        "\r\n"
                                        "[mine]\r\n"
                                        "x=y\r\n")));
    AppSettings s;
    s.SeparatorKind = 0;
    s.SeparatorInterval = 8;
    ASSERT_TRUE(SaveSettings(s, file).ok());
    EXPECT_EQ(readFile(file), sjis(QStringLiteral("; written by hand\r\n"
                                                  "[HMML2OMP]\r\n"
                                                  "区切り文字=0\r\n"
                                                  "区切り文字数=8\r\n"
                                                  "区切り文字の使用=1\r\n"
                                                  "\r\n"
                                                  "[mine]\r\n"
                                                  "x=y\r\n"
                                                  "[一般設定]\r\n"
                                                  "ループ再生=0\r\n"
                                                  "音色設定=0\r\n"
                                                  "[通信関連]\r\n"
                                                  "通信速度=5\r\n"
                                                  "データビット=1\r\n"
                                                  "ストップビット=0\r\n"
                                                  "パリティビット=0\r\n"
                                                  "フロー制御=2\r\n"
                                                  "通信ポート=0\r\n")));
}

TEST_F(SettingsFileTest, FailsWithoutTouchingTheOldFileWhenTheFolderIsGone)
{
    writeFile(dir.filePath(QStringLiteral("plain")), "x");
    const IniWriteResult r = SaveSettings(allChanged(), dir.filePath(QStringLiteral("plain/vltn.ini")));
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.error.isEmpty());
}

TEST_F(SettingsFileTest, ThePortDeviceAndPausesFollowTheElevenKeysOnlyOnceSet)
{
    AppSettings s;
    s.PortDevice = QStringLiteral("/dev/ttyUSB0");
    s.CharDelay = 20;
    s.LineDelay = 300;
    ASSERT_TRUE(SaveSettings(s, file).ok());
    EXPECT_EQ(readFile(file), sjis(QString(ExampleFile).replace(
                                  QStringLiteral("通信ポート=0\r\n"),
                                  QStringLiteral("通信ポート=0\r\n通信デバイス=/dev/ttyUSB0\r\n"
                                                 "文字ごとの待ち時間=20\r\n行ごとの待ち時間=300\r\n"))));
    EXPECT_EQ(LoadSettings(file), s);
    // Back to the defaults: the keys the file holds are written, not left stale.
    ASSERT_TRUE(SaveSettings(AppSettings(), file).ok());
    EXPECT_EQ(LoadSettings(file), AppSettings());
    // Pauses outside their ranges read as automatic.
    writeFile(file, sjis(QStringLiteral("[通信関連]\r\n文字ごとの待ち時間=1001\r\n行ごとの待ち時間=-2\r\n")));
    EXPECT_EQ(LoadSettings(file), AppSettings());
}

TEST(SerialSettingsOf, ListPositionsBecomeTheLineAndComPortsTheSystemsSerialPorts)
{
    AppSettings a = allChanged(); // COM16, 300 bps 7O2, Xon/Xoff
    const SerialSettings s = serialSettings(a);
    EXPECT_EQ(s.device, QStringLiteral("/dev/ttyS15"));
    EXPECT_EQ(s.bitsPerCharacter(), 11);
    EXPECT_EQ(std::tuple(s.baud, s.dataBits, s.stopBits, s.parity, s.flow),
              std::tuple(300, 7, 2, SerialParity::Odd, SerialFlow::Software));
    // Positions no list holds give the lists' defaults; a device path wins over COM.
    a.BaudIndex = a.DataBitsIndex = a.ParityIndex = a.FlowIndex = 9;
    a.PortDevice = QStringLiteral("/dev/ttyUSB0");
    const SerialSettings d = serialSettings(a);
    EXPECT_EQ(std::tuple(d.device, d.baud, d.dataBits, d.parity, d.flow),
              std::tuple(QStringLiteral("/dev/ttyUSB0"), 9600, 8, SerialParity::None, SerialFlow::None));
}

TEST(SettingsLocation, UsesTheProgramFolderOnlyWhenAFileStandsThere)
{
    QTemporaryDir program;
    QTemporaryDir config;
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));

    QFile portable(program.filePath(QStringLiteral("vltn.ini")));
    ASSERT_TRUE(portable.open(QIODevice::WriteOnly));
    portable.close();
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), program.filePath(QStringLiteral("vltn.ini")));
}

TEST(SettingsLocation, IgnoresAFolderNamedLikeTheFile)
{
    QTemporaryDir program;
    QTemporaryDir config;
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("vltn.ini")));
    EXPECT_EQ(settingsFilePath(program.path(), config.path()), config.filePath(QStringLiteral("vltn.ini")));
}

TEST(SettingsLocation, CreatesTheConfigurationFolderOnTheFirstSave)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    static int argc = 1;
    static char name[] = "app_settings_test";
    static char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("vltn-test"));

    const QString expected = home.filePath(QStringLiteral("vltn-test/vltn.ini"));
    ASSERT_EQ(settingsFilePath(), expected); // no vltn.ini beside the test program
    ASSERT_TRUE(SaveSettings(allChanged()).ok());
    EXPECT_TRUE(QFileInfo(expected).isFile());
    EXPECT_EQ(LoadSettings(), allChanged());
}

} // namespace
