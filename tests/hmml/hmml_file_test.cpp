#include "hmml/compiler.h"
#include "hmml/hmml_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "support/temp_dir_test.h"

namespace {

class HmmlFile : public TempDirTest {
protected:
    static QByteArray cp932(const QString &text)
    {
        QStringEncoder enc("CP932");
        QByteArray bytes = enc.encode(text);
        EXPECT_FALSE(enc.hasError());
        return bytes;
    }
};

TEST_F(HmmlFile, EveryKindOfLineEndEndsALine)
{
    const QString expected = QStringLiteral("C-TEMPO:120\r\n4 C 2\r\n\r\n4 E 2\r\n");
    for (const char *eol : {"\r\n", "\n", "\r"}) {
        const QByteArray e(eol);
        const QString path = write("song.hml", "C-TEMPO:120" + e + "4 C 2" + e + e + "4 E 2" + e);
        const HmmlFileText file = readHmmlFile(path);
        ASSERT_TRUE(file.ok()) << file.error.toStdString();
        EXPECT_EQ(file.text, expected) << "line end " << e.toHex().toStdString();
    }
    // A last line without a line end still gets one; an empty file has no lines.
    EXPECT_EQ(readHmmlFile(write("a.hml", "4 C 2")).text, QStringLiteral("4 C 2\r\n"));
    EXPECT_EQ(readHmmlFile(write("b.hml", "")).text, QString());
}

TEST_F(HmmlFile, Cp932AndUtf8AreBothRead)
{
    const QString song = QStringLiteral("C-TITLE:ふるさと～\r\nC-LANGUAGE:KATAKANA\r\nC-TEMPO:120\r\n4 ド 2\r\n");
    EXPECT_EQ(readHmmlFile(write("sjis.hml", cp932(song))).text, song);
    EXPECT_EQ(readHmmlFile(write("utf8.hml", song.toUtf8())).text, song);
    EXPECT_EQ(readHmmlFile(write("bom.hml", "\xEF\xBB\xBF" + song.toUtf8())).text, song) << "the BOM is dropped";
    // Half-width katakana in CP932 that happens to be valid UTF-8 of U+0080..U+07FF stays CP932.
    const QString halfWidth = QStringLiteral("C-TITLE:ｿﾞ\r\n");
    EXPECT_EQ(readHmmlFile(write("hw.hml", cp932(halfWidth))).text, halfWidth);
}

TEST_F(HmmlFile, ReadTextCompilesLikeTheSource)
{
    const QString path = write("k.hml", cp932(QStringLiteral("C-LANGUAGE:KATAKANA\nC-TEMPO:120\n4 フ# 3\n")));
    ConversionStatus status;
    HmmlSongFields song;
    EXPECT_EQ(HMML_Convert(readHmmlFile(path).text, QStringLiteral("\r\n"), true, status, song), "$2:4_");
}

TEST_F(HmmlFile, MissingFilesAndFoldersAreErrorsNamingThePath)
{
    const QString missing = dir.filePath("nothing.hml");
    HmmlFileText file = readHmmlFile(missing);
    EXPECT_FALSE(file.ok());
    EXPECT_TRUE(file.error.contains(missing));
    file = readHmmlFile(dir.path());
    EXPECT_FALSE(file.ok());
    EXPECT_TRUE(file.error.contains(dir.path()));
}

} // namespace
