#include "platform/cp932.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

TEST(Cp932, RoundTripOfJapaneseText)
{
    ASSERT_TRUE(Cp932::available());
    const QString text = QStringLiteral("区切り文字～ｱｲｳ ABC");
    const Cp932::EncodeResult enc = Cp932::encode(text);
    ASSERT_TRUE(enc.ok()) << enc.error.toStdString();
    // Microsoft's table: the wave dash of CP932 is U+FF5E, bytes 81 60.
    EXPECT_TRUE(enc.bytes.contains(QByteArray("\x81\x60")));
    EXPECT_TRUE(enc.bytes.contains(QByteArray("\xB1\xB2\xB3")));
    bool errors = true;
    EXPECT_EQ(Cp932::decode(enc.bytes, &errors), text);
    EXPECT_FALSE(errors);
}

TEST(Cp932, UnencodableCharacterIsNamed)
{
    const Cp932::EncodeResult enc = Cp932::encode(QStringLiteral("Café au lait"));
    EXPECT_FALSE(enc.ok());
    EXPECT_TRUE(enc.bytes.isEmpty());
    EXPECT_TRUE(enc.error.contains(QStringLiteral("「é」"))) << enc.error.toStdString();
    EXPECT_TRUE(enc.error.contains(QStringLiteral("U+00E9"))) << enc.error.toStdString();

    const Cp932::EncodeResult emoji = Cp932::encode(QStringLiteral("a🎵b"));
    EXPECT_FALSE(emoji.ok());
    EXPECT_TRUE(emoji.error.contains(QStringLiteral("U+1F3B5"))) << emoji.error.toStdString();
}

TEST(Cp932, BadBytesAreReported)
{
    bool errors = false;
    Cp932::decode(QByteArray("\x81\x20", 2), &errors);
    EXPECT_TRUE(errors);
}

TEST(TextFile, EncodingDetection)
{
    using TextFile::Encoding;
    EXPECT_EQ(TextFile::detect("plain ascii"), Encoding::Cp932);
    EXPECT_EQ(TextFile::detect(QStringLiteral("ドレミ").toUtf8()), Encoding::Utf8);
    EXPECT_EQ(TextFile::detect("\xEF\xBB\xBF" "abc"), Encoding::Utf8);
    // Two-byte UTF-8 only (U+0080..U+07FF) is not proof enough: CP932.
    EXPECT_EQ(TextFile::detect(QStringLiteral("é").toUtf8()), Encoding::Cp932);
    // Kana in CP932 is not valid UTF-8.
    EXPECT_EQ(TextFile::detect(Cp932::encode(QStringLiteral("ドレミ")).bytes), Encoding::Cp932);
}

TEST(TextFile, LineSplitting)
{
    EXPECT_EQ(TextFile::withCrLfLineEnds(QStringLiteral("a\r\nb\rc\nd")), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
    EXPECT_EQ(TextFile::withCrLfLineEnds(QStringLiteral("a\n\nb\n")), QStringLiteral("a\r\n\r\nb\r\n"));
    EXPECT_EQ(TextFile::withCrLfLineEnds(QStringLiteral("\r\n")), QStringLiteral("\r\n"));
    EXPECT_EQ(TextFile::withCrLfLineEnds(QStringLiteral("a\nb\r\rc")), QStringLiteral("a\r\nb\r\n\r\nc\r\n"));
}
