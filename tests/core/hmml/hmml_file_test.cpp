#include "core/hmml/hmml_file.h"
#include "core/omp/formatter.h"

#include "support/random_hmml.h"
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

// Compiled as it is read or read whole, and laid out as it is compiled, a
// file gives what its whole text compiles and formats to; an unreadable file
// is refused even after a line that does not compile.
TEST_F(HmmlFile, CompilesAsItsWholeTextCompiles)
{
    using testrandom::pick;
    std::mt19937 rng(20261207);
    const char *const lineEnds[] = {"\r\n", "\n", "\r"};
    const QByteArray extras[] = {"", "", "4 C 9\r\n", "x\r\n", "\xE9\r\n", "\x81"};
    for (int i = 0; i < 120; ++i) {
        const int lines = i % 8 == 0 ? 40000 : pick(rng, 0, 8000); // the longest pass 64 KiB of OMP data
        QByteArray bytes = testrandom::hmmlSong(rng, lines).toLatin1().replace("\r\n", lineEnds[pick(rng, 0, 2)]);
        bytes.insert(pick(rng, 0, int(bytes.size())), extras[pick(rng, 0, 5)]);
        if (pick(rng, 0, 9) == 0)
            bytes.prepend(sjis(QStringLiteral("C-TITLE:ふるさと\r\n")));
        const QString file = write("song.hml", bytes);
        const bool raw = pick(rng, 0, 1);
        const HmmlFileCompile got = compileHmmlFile(file, raw, QStringLiteral("/"), 3);

        const HmmlFileText text = readHmmlFile(file);
        ConversionStatus status;
        HmmlSongFields song;
        QString omp = text.ok() ? HMML_Convert(text.text, {}, true, status, song) : QString();
        if (!raw && status.ok())
            omp = OMP_Format(omp, QStringLiteral("/"), 3, status);
        ASSERT_EQ(got.error, text.error) << hex(bytes);
        ASSERT_EQ(QString::fromLatin1(got.omp), omp) << hex(bytes);
        ASSERT_EQ(std::tuple(got.status.code, got.status.line, got.status.message, got.song.title, got.song.program),
                  std::tuple(status.code, status.line, status.message, song.title, song.program));
    }
}

} // namespace
