// The OMP list: its 43 lines, their encoding and the writing of the file.

#include "export/omp_list.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList listLines(const QString &title, const QString &omp)
{
    QString text = omplist::text(title, omp);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

TEST(OmpList, MatchesTheReferenceFileByteForByte)
{
    // The reference file holds the list of a song titled テスト曲, in CP932.
    const QByteArray expected = readFile(QStringLiteral(VLTN_SOURCE_DIR "/tests/export/data/omp_list_song.txt"));
    ASSERT_GT(expected.size(), 1500);
    const omplist::EncodeResult list = omplist::bytes(QStringLiteral("テスト曲"), QStringLiteral("$2:4MQ8T"));
    ASSERT_TRUE(list.ok()) << list.error.toStdString();
    EXPECT_EQ(list.bytes, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    const QString error = omplist::write(path, QStringLiteral("テスト曲"), QStringLiteral("$2:4MQ8T"));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(readFile(path), expected);
}

TEST(OmpList, LineStructure)
{
    const QString text = omplist::text(QStringLiteral("Song"), QStringLiteral("$2:4M"));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 43);
    EXPECT_EQ(text.count(u'\n'), 43); // no bare line feeds
    EXPECT_EQ(text.count(u'\r'), 43);
    const QStringList l = listLines(QStringLiteral("Song"), QStringLiteral("$2:4M"));
    ASSERT_EQ(l.size(), 43);
    EXPECT_EQ(l.at(32), QString(76, u'-'));
    EXPECT_EQ(l.at(41), QString(77, u'-'));
    for (int i = 33; i <= 40; ++i)
        EXPECT_FALSE(l.at(i).trimmed().isEmpty()) << "notice line " << i + 1;
}

TEST(OmpList, TitleAndDataAreInsertedAsTheyAre)
{
    // An empty title is written as "Non titled.".
    QStringList l = listLines(QString(), QStringLiteral("$2:4M"));
    EXPECT_EQ(l.at(0), QStringLiteral("OMP DATA  Title:Non titled."));
    EXPECT_EQ(omplist::UntitledTitle, QStringLiteral("Non titled."));

    // An empty OMP box is not refused.
    l = listLines(QStringLiteral("x"), QString());
    EXPECT_EQ(l.at(1), QStringLiteral("[]"));
    EXPECT_EQ(l.at(7), QStringLiteral("10 M$(0)=\"\":GOSUB *OMP"));
    EXPECT_EQ(l.at(18), QStringLiteral("10 M$=\"\":GOSUB *OMP"));
    EXPECT_EQ(l.at(26), QStringLiteral("10 M$=\"\":GOSUB *OMP"));

    // A double quote is not escaped, and data past 250 characters is kept whole.
    const QString omp = QStringLiteral("$2:4\"M") + QString(300, u'M');
    l = listLines(QStringLiteral("x"), omp);
    EXPECT_EQ(l.at(1), u'[' + omp + u']');
    EXPECT_EQ(l.at(7), QStringLiteral("10 M$(0)=\"") + omp + QStringLiteral("\":GOSUB *OMP"));
    EXPECT_EQ(l.at(18), QStringLiteral("10 M$=\"") + omp + QStringLiteral("\":GOSUB *OMP"));
}

TEST(OmpList, TextCp932CannotHoldIsAnErrorAndNothingIsWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    const QString error = omplist::write(path, QStringLiteral("Café"), QStringLiteral("$2:4M"));
    EXPECT_TRUE(error.contains(QStringLiteral("é"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("U+00E9"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));

    // An existing list stays as it was.
    ASSERT_TRUE(omplist::write(path, QStringLiteral("old"), QStringLiteral("$2:4M")).isEmpty());
    const QByteArray before = readFile(path);
    EXPECT_FALSE(omplist::write(path, QStringLiteral("x"), QStringLiteral("$2:4M🎵")).isEmpty());
    EXPECT_EQ(readFile(path), before);
}

TEST(OmpList, ReplacesALongerFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(omplist::write(path, QStringLiteral("long"), QString(5000, u'M')).isEmpty());
    ASSERT_TRUE(omplist::write(path, QStringLiteral("短い"), QStringLiteral("$2:4M")).isEmpty());
    const QByteArray bytes = readFile(path);
    EXPECT_EQ(bytes, omplist::bytes(QStringLiteral("短い"), QStringLiteral("$2:4M")).bytes);
    EXPECT_TRUE(bytes.startsWith("OMP DATA  Title:\x92\x5A\x82\xA2\r\n[$2:4M]\r\n")); // 短い in CP932
    EXPECT_TRUE(bytes.endsWith("\x82\xB7)\r\n")); // "す)" closing the last line
}

TEST(OmpList, UnwritableFileIsReported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/list.txt"));
    const QString error = omplist::write(path, QStringLiteral("x"), QStringLiteral("$2:4M"));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
