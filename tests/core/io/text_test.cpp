#include "core/io/cp932.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"

#include "support/test_files.h"

#include <QStringList>

#include <random>

#include <sys/stat.h>

namespace {

TEST(Cp932, RoundTripAndRefusals)
{
    ASSERT_TRUE(Cp932::available());
    const QString text = QStringLiteral("区切り文字～ｱｲｳ ABC");
    const Cp932::EncodeResult enc = Cp932::encode(text);
    ASSERT_TRUE(enc.ok()) << str(enc.error);
    // Microsoft's table: the wave dash of CP932 is U+FF5E, bytes 81 60.
    EXPECT_TRUE(enc.bytes.contains("\x81\x60") && enc.bytes.contains("\xB1\xB2\xB3")) << hex(enc.bytes);
    bool errors = true;
    EXPECT_EQ(Cp932::decode(enc.bytes, &errors), text);
    EXPECT_FALSE(errors);
    // What CP932 cannot hold is named, and nothing is encoded.
    const std::pair<const char *, const char *> refused[] = {{"Café", "「é」(U+00E9)"}, {"a🎵b", "U+1F3B5"},
                                                             {"\xEF\xBF\xBD", "U+FFFD"}};
    for (const auto &[in, named] : refused) {
        const Cp932::EncodeResult r = Cp932::encode(QString::fromUtf8(in));
        EXPECT_TRUE(r.bytes.isEmpty() && r.error.contains(QString::fromUtf8(named))) << str(r.error);
    }
}

TEST(TextFile, DecodingAndLineEnds)
{
    using TextFile::Encoding;
    // The bytes, the encoding they are read in, and their text in UTF-8 (null: refused).
    const std::tuple<QByteArray, Encoding, const char *> cases[] = {
        {"plain ascii", Encoding::Cp932, "plain ascii"},
        {QStringLiteral("ドレミ").toUtf8(), Encoding::Utf8, "ドレミ"},
        {"\xEF\xBB\xBF" "abc", Encoding::Utf8, "abc"},
        // Two-byte UTF-8 only (U+0080..U+07FF) is not proof enough: CP932.
        {QStringLiteral("é").toUtf8(), Encoding::Cp932, "ﾃｩ"},
        {sjis(QStringLiteral("ドレミｿﾞ")), Encoding::Cp932, "ドレミｿﾞ"},
        {"\xFE\xFF\0a", Encoding::Cp932, nullptr}, // UTF-16, refused (more in the H-MML reader's table)
        // Bytes that are not CP932, a lead byte cut off at the end among them.
        {"\x81\x20", Encoding::Cp932, nullptr}, {"ab\x81", Encoding::Cp932, nullptr}, {"\xA0", Encoding::Cp932, nullptr},
    };
    for (const auto &[bytes, encoding, text] : cases) {
        const TextFile::DecodeResult r = TextFile::decodeText(bytes);
        EXPECT_EQ(r.ok(), text != nullptr) << hex(bytes) << ": " << str(r.error);
        // A refused text is empty, whatever encoding was tried.
        EXPECT_EQ(std::pair(r.text, r.encoding), std::pair(QString::fromUtf8(text), text ? encoding : r.encoding)) << hex(bytes);
    }
    EXPECT_TRUE(TextFile::decodeText("a\nb\rc\r\n\x80").error.startsWith(u"4 行目"));
    // Only the first mark is the file's; a second is a character of the text, kept so it is written back.
    EXPECT_EQ(TextFile::decodeText("\xEF\xBB\xBF\xEF\xBB\xBF" "abc").text, u"\uFEFFabc");

    const std::pair<const char *, const char *> lines[] = {
        {"a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"}, {"a\n\nb\n", "a\r\n\r\nb\r\n"},
        {"\r\n", "\r\n"}, {"a\nb\r\rc", "a\r\nb\r\n\r\nc\r\n"}, {"", ""},
    };
    for (const auto &[in, out] : lines)
        EXPECT_EQ(TextFile::withCrLfLineEnds(QLatin1String(in)), QLatin1String(out)) << in;
}

class ReadFileTest : public TempDirTest {};

TEST_F(ReadFileTest, ReadsToTheEndButNeverPastItsBound)
{
    const QByteArray song(3 * 1024 * 1024 + 5, 'x');
    const ReadFile::Result whole = ReadFile::readAll(write("big", song));
    EXPECT_TRUE(whole.ok() && whole.bytes == song);
    // A device that never ends and a file just past the bound stop there.
    for (const QString &endless : {QStringLiteral("/dev/zero"), path("big")}) {
        const ReadFile::Result r = ReadFile::readAll(endless, 1024 * 1024);
        EXPECT_TRUE(r.bytes.isEmpty() && r.error.contains(u"大きすぎます")) << str(r.error);
    }
    EXPECT_TRUE(ReadFile::readAll(path("none")).error.contains(path("none")));
    EXPECT_TRUE(ReadFile::readAll(dir.path()).error.contains(u"フォルダ"));
    // The window opens regular files only: a FIFO would stop it; a missing file is told by the reader.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    for (const auto &[name, opens] : {std::pair(path("fifo"), false), {QStringLiteral("/dev/zero"), false}, {path("big"), true}, {path("none"), true}})
        EXPECT_EQ(ReadFile::regularFileError(name).isEmpty(), opens) << str(name);
}

// Read a piece at a time, a plain ASCII file gives the lines of its whole
// text, whatever falls on the pieces' edges; any other file stops the
// reading incomplete.
TEST_F(ReadFileTest, AsciiLinesAreTheWholeTextsLines)
{
    const auto lines = [](const QString &file, qsizetype piece, QStringList &got) {
        TextFile::AsciiLines reader(file, piece);
        QLatin1StringView line;
        while (reader.next(line))
            got << line;
        return reader.complete();
    };
    std::mt19937 rng(20261207);
    const char *const parts[] = {"4 C 2", "x", " ", "\t", "\r", "\n", "\r\n", "\r\r\n", "a line longer than a piece of 16"};
    for (int i = 0; i < 400; ++i) {
        QByteArray bytes;
        for (int k = std::uniform_int_distribution<int>(0, 30)(rng); k > 0; --k)
            bytes += parts[std::uniform_int_distribution<size_t>(0, std::size(parts) - 1)(rng)];
        QStringList expected = TextFile::withCrLfLineEnds(QString::fromLatin1(bytes)).split(QStringLiteral("\r\n"));
        expected.removeLast();
        QStringList got;
        EXPECT_TRUE(lines(write("t.txt", bytes), 16 + i % 24, got)) << hex(bytes);
        ASSERT_EQ(got, expected) << hex(bytes);
    }
    for (const QByteArray &other : {QByteArray("a\nb\nc\xE3\x81\x82\n"), QByteArray("a\nb\0c", 5), QByteArray("MThd\n"), QByteArray("RIFF")}) {
        QStringList got;
        EXPECT_FALSE(lines(write("t.txt", other + QByteArray(40, 'x')), 16, got)) << hex(other);
    }
    QStringList got;
    for (const QString &unread : {QStringLiteral("-"), QStringLiteral("/dev/zero"), path("none"), dir.path()})
        EXPECT_FALSE(lines(unread, 16, got)) << str(unread);
}

} // namespace
