#include "core/hmml/hmml_file.h"

#include "support/test_files.h"

namespace {

class HmmlFile : public TempDirTest {};

// Every line end, both encodings, a byte-order mark: the compiler always
// gets the same text, each line followed by CR LF.
TEST_F(HmmlFile, ReadsEveryLineEndAndEncodingAlike)
{
    const QString song = QStringLiteral("C-TITLE:ふるさと～\r\nC-LANGUAGE:KATAKANA\r\nC-TEMPO:120\r\n\r\n4 フ# 3\r\n");
    const std::pair<const char *, QByteArray> files[] = {
        {"crlf.hml", sjis(song)},
        {"lf.hml", sjis(QString(song).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))},
        {"cr.hml", sjis(QString(song).replace(QStringLiteral("\r\n"), QStringLiteral("\r")))},
        {"utf8.hml", song.toUtf8()},
        {"bom.hml", "\xEF\xBB\xBF" + song.toUtf8()},
        {"nolast.hml", sjis(song.chopped(2))},
    };
    for (const auto &[name, bytes] : files) {
        const HmmlFileText file = readHmmlFile(write(QLatin1String(name), bytes));
        ASSERT_TRUE(file.ok()) << name << ": " << str(file.error);
        EXPECT_EQ(file.text, song) << name;
    }
    EXPECT_EQ(readHmmlFile(write("empty.hml", "")).text, QString());
}

TEST_F(HmmlFile, RefusesWhatItCannotReadNamingTheFileOrLine)
{
    const std::pair<QByteArray, const char *> cases[] = {
        {QStringLiteral("C-TEMPO:120\r\n").toUtf8().prepend("\xFF\xFE"), "UTF-16"},
        {QByteArray("C\0-\0T\0E\0M\0P\0O\0", 14), "UTF-16"},
        {"C-TEMPO:120\r\nC-TITLE:\xA0\xFD\r\n", "2 行目"},
        {"C-TEMPO:120\nC-TITLE:x\n4 C 2\x81", "3 行目"},
        {"\xEF\xBB\xBF" "C-TITLE:\xE3\x81\r\n", "1 行目に、UTF-8 として"},
    };
    for (const auto &[bytes, reason] : cases) {
        const QString file = write("bad.hml", bytes);
        const HmmlFileText read = readHmmlFile(file);
        EXPECT_TRUE(read.text.isEmpty()) << hex(bytes);
        EXPECT_TRUE(read.error.contains(file) && read.error.contains(QString::fromUtf8(reason)))
            << hex(bytes) << ": " << str(read.error);
    }
    for (const QString &missing : {path("nothing.hml"), dir.path()})
        EXPECT_TRUE(readHmmlFile(missing).error.contains(missing));
}

} // namespace
