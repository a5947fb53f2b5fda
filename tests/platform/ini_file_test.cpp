// The INI engine: what it finds, what it writes, and that it leaves every
// other byte of the file alone.

#include "platform/cp932.h"
#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text)
{
    const Cp932::EncodeResult r = Cp932::encode(text);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.bytes;
}

std::string str(const std::optional<QByteArray> &v)
{
    return v ? v->toStdString() : std::string("<missing>");
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// ---- reading ---------------------------------------------------------------

TEST(IniDocumentRead, KeepsEveryByteOfAFileItDoesNotChange)
{
    const QByteArray files[] = {
        "",
        "no line end",
        "[A]\r\nk=v\r\n",
        "[A]\nk=v\n\n; comment\r[B]\r\n\r\nx=1",
        "\r\r\n\n\n\r",
        "[\x81]\r\n\xFF\xFE=\x80\xA0\r\nk=\x82\r\n", // not valid CP932
        QByteArray("nul\0byte=1\r\n", 12),
    };
    for (const QByteArray &bytes : files)
        EXPECT_EQ(IniDocument::fromBytes(bytes).toBytes(), bytes) << bytes.toStdString();
}

TEST(IniDocumentRead, EndsLinesAtCrLfLfAndCr)
{
    const IniDocument doc = IniDocument::fromBytes("[S]\r\na=1\nb=2\rc=3");
    EXPECT_EQ(str(doc.value("S", "a")), "1");
    EXPECT_EQ(str(doc.value("S", "b")), "2");
    EXPECT_EQ(str(doc.value("S", "c")), "3");
    ASSERT_EQ(doc.lines().size(), 4u);
    EXPECT_EQ(doc.lines()[1].end, "\n");
    EXPECT_EQ(doc.lines()[2].end, "\r");
    EXPECT_EQ(doc.lines()[3].end, "");
}

TEST(IniDocumentRead, MatchesSectionsAndKeysWithoutRegardToCase)
{
    const IniDocument doc = IniDocument::fromBytes("[dATA]\r\ntItLe=x\r\n");
    EXPECT_EQ(str(doc.value("Data", "Title")), "x");
    EXPECT_EQ(str(doc.value("DATA", "TITLE")), "x");
    EXPECT_FALSE(doc.contains("Dat", "Title"));
    EXPECT_FALSE(doc.contains("Data", "Titles"));
}

TEST(IniDocumentRead, DoesNotFoldTheSecondByteOfADoubleByteCharacter)
{
    // "ア" is 83 41 and "ヂ" is 83 61: folding the second byte as an ASCII
    // letter would make them one key.
    const IniDocument doc = IniDocument::fromBytes("[S]\r\n" + sjis(u"ア"_qs) + "=a\r\n");
    EXPECT_EQ(str(doc.value("S", sjis(u"ア"_qs))), "a");
    EXPECT_FALSE(doc.contains("S", sjis(u"ヂ"_qs)));
}

TEST(IniDocumentRead, FindsTheClosingBracketAfterADoubleByteCharacterEndingIn5D)
{
    // "ゾ" is 83 5D, its second byte the code of "]".
    const QByteArray name = sjis(u"ゾーン"_qs);
    ASSERT_EQ(name.at(1), ']');
    const IniDocument doc = IniDocument::fromBytes("[" + name + "]\r\nk=1\r\n");
    EXPECT_EQ(str(doc.value(name, "k")), "1");
    EXPECT_TRUE(IniDocument::sectionNameError(name).isEmpty());
}

TEST(IniDocumentRead, TakesTheRestOfTheLineAfterTheFirstEqualsSign)
{
    const IniDocument doc = IniDocument::fromBytes("[S]\r\n  key  = v=w  \r\nempty=\r\nnoequals\r\n");
    EXPECT_EQ(str(doc.value("S", "key")), " v=w  ");
    EXPECT_EQ(str(doc.value(" S ", "key ")), " v=w  ");
    EXPECT_EQ(str(doc.value("S", "empty")), "");
    EXPECT_TRUE(doc.contains("S", "empty"));
    EXPECT_FALSE(doc.contains("S", "noequals"));
}

TEST(IniDocumentRead, PassesOverCommentsKeysOutsideSectionsAndOtherSections)
{
    const IniDocument doc = IniDocument::fromBytes("top=0\r\n[S]\r\n;k=comment\r\n[T]\r\nk=other\r\n[unclosed\r\nk=2\r\n");
    EXPECT_FALSE(doc.contains("S", "k"));
    EXPECT_FALSE(doc.contains("S", "top"));
    EXPECT_FALSE(doc.contains("S", ";k"));
    // A line starting "[" without "]" is no section: k=2 still belongs to T,
    // after the first k, which wins.
    EXPECT_EQ(str(doc.value("T", "k")), "other");
}

TEST(IniDocumentRead, TakesTheFirstKeyOfASectionThatAppearsTwice)
{
    const IniDocument doc = IniDocument::fromBytes("[S]\r\na=1\r\n[T]\r\nb=0\r\n[s]\r\nb=2\r\na=3\r\n");
    EXPECT_EQ(str(doc.value("S", "a")), "1");
    EXPECT_EQ(str(doc.value("S", "b")), "2");
}

TEST(IniDocumentRead, ReadsLongValuesWhole)
{
    for (qsizetype n : {254, 255, 300, 100000}) {
        const QByteArray value(n, 'C');
        const IniDocument doc = IniDocument::fromBytes("[Data]\r\nData=" + value + "\r\nProgram=1\r\n");
        EXPECT_EQ(doc.value("Data", "Data")->size(), n);
    }
}

// ---- writing ---------------------------------------------------------------

TEST(IniDocumentWrite, BuildsANewFileSectionBySection)
{
    IniDocument doc;
    doc.setValue("A", "x", "1");
    doc.setValue("A", "y", "2");
    doc.setValue("B", "z", "");
    EXPECT_EQ(doc.toBytes(), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=\r\n");
}

TEST(IniDocumentWrite, ReplacesAKeyInPlaceKeepingItsSpellingAndEveryOtherLine)
{
    const QByteArray before = "; head\n[a]\nX = old\n\n[B]\r\nx=keep\r\n\xFF\xFE\r\n";
    IniDocument doc = IniDocument::fromBytes(before);
    ASSERT_TRUE(doc.setValue("A", "x", "new"));
    EXPECT_EQ(doc.toBytes(), "; head\n[a]\nX =new\r\n\n[B]\r\nx=keep\r\n\xFF\xFE\r\n");
}

TEST(IniDocumentWrite, AddsAKeyAfterTheLastKeyOfItsSection)
{
    IniDocument doc = IniDocument::fromBytes("[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\ny=2\r\n");
    doc.setValue("a", "new", "3");
    EXPECT_EQ(doc.toBytes(), "[A]\r\nx=1\r\nnew=3\r\n; about B\r\n\r\n[B]\r\ny=2\r\n");

    IniDocument empty = IniDocument::fromBytes("[A]\r\n\r\n[B]\r\n");
    empty.setValue("A", "k", "v");
    EXPECT_EQ(empty.toBytes(), "[A]\r\nk=v\r\n\r\n[B]\r\n");
}

TEST(IniDocumentWrite, AddsAMissingSectionAtTheEndAndEndsALastLineThatHadNoLineEnd)
{
    IniDocument doc = IniDocument::fromBytes("[A]\nx=1");
    doc.setValue("B", "y", "2");
    EXPECT_EQ(doc.toBytes(), "[A]\nx=1\r\n[B]\r\ny=2\r\n");

    IniDocument header = IniDocument::fromBytes("[A]");
    header.setValue("A", "x", "1");
    EXPECT_EQ(header.toBytes(), "[A]\r\nx=1\r\n");
}

TEST(IniDocumentWrite, TurnsEachLineBreakInAValueIntoOneBlank)
{
    IniDocument doc;
    doc.setValue("S", "k", "a\r\nb\rc\nd\n\ne\r\n");
    EXPECT_EQ(doc.toBytes(), "[S]\r\nk=a b c d  e \r\n");
    EXPECT_EQ(str(IniDocument::fromBytes(doc.toBytes()).value("S", "k")), "a b c d  e ");
}

TEST(IniDocumentWrite, RefusesNamesAFileCannotHold)
{
    const QByteArray badSections[] = {"", "  ", "a]b", "a\nb", "\x81"};
    for (const QByteArray &s : badSections) {
        IniDocument doc = IniDocument::fromBytes("[x]\r\n");
        EXPECT_FALSE(IniDocument::sectionNameError(s).isEmpty()) << s.toStdString();
        EXPECT_FALSE(doc.setValue(s, "k", "v"));
        EXPECT_EQ(doc.toBytes(), "[x]\r\n");
    }
    const QByteArray badKeys[] = {"", "a=b", "[k", ";k", "k\r"};
    for (const QByteArray &k : badKeys) {
        IniDocument doc;
        EXPECT_FALSE(IniDocument::keyNameError(k).isEmpty()) << k.toStdString();
        EXPECT_FALSE(doc.setValue("S", k, "v"));
        EXPECT_TRUE(doc.toBytes().isEmpty());
    }
}

TEST(IniDocumentWrite, WritesIntoTheSectionWhereTheKeyIsFound)
{
    IniDocument doc = IniDocument::fromBytes("[S]\r\na=1\r\n[T]\r\n[S]\r\nb=2\r\n");
    doc.setValue("s", "B", "3");
    doc.setValue("S", "c", "4");
    EXPECT_EQ(doc.toBytes(), "[S]\r\na=1\r\nc=4\r\n[T]\r\n[S]\r\nb=3\r\n");
}

// ---- files -----------------------------------------------------------------

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(IniFileTest, ReadsNothingFromAMissingFile)
{
    EXPECT_EQ(IniRead(path(u"none.ini"_qs), u"S"_qs, u"k"_qs), QString());
    const IniLoadResult r = loadIniFile(path(u"none.ini"_qs));
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.missing);
}

TEST_F(IniFileTest, WritesAndReadsJapaneseTextAsCp932)
{
    const QString file = path(u"j.ini"_qs);
    ASSERT_TRUE(IniWrite(file, u"一般設定"_qs, u"音色設定"_qs, u"ピアノ①"_qs).ok());
    EXPECT_EQ(readFile(file), sjis(u"[一般設定]\r\n音色設定=ピアノ①\r\n"_qs));
    EXPECT_EQ(IniRead(file, u"一般設定"_qs, u"音色設定"_qs), u"ピアノ①"_qs);
}

TEST_F(IniFileTest, WritesSeveralKeysInOneReplacementKeepingOtherLines)
{
    const QString file = path(u"k.ini"_qs);
    writeFile(file, "; mine\n[B]\nkeep=\x81\n[A]\nb=old\n");
    const IniWriteResult r = writeIniEntries(file, {{u"A"_qs, u"a"_qs, u"1"_qs}, {u"A"_qs, u"B"_qs, u"2"_qs},
                                                    {u"C"_qs, u"c"_qs, u"3"_qs}});
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(readFile(file), "; mine\n[B]\nkeep=\x81\n[A]\nb=2\r\na=1\r\n[C]\r\nc=3\r\n");
}

TEST_F(IniFileTest, RefusesTextCp932CannotHoldAndWritesNothing)
{
    const QString file = path(u"u.ini"_qs);
    writeFile(file, "[S]\r\nk=old\r\n");
    const IniWriteResult r = writeIniEntries(file, {{u"S"_qs, u"k"_qs, u"new"_qs}, {u"S"_qs, u"t"_qs, u"x🎵y"_qs}});
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(u"🎵"_qs)) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(u"U+1F3B5"_qs)) << r.error.toStdString();
    EXPECT_EQ(readFile(file), "[S]\r\nk=old\r\n");

    EXPECT_FALSE(IniWrite(path(u"new.ini"_qs), u"S"_qs, u"k"_qs, u"\u00e9\u0101"_qs).ok());
    EXPECT_FALSE(QFile::exists(path(u"new.ini"_qs)));
}

TEST_F(IniFileTest, FailsIntoAFolderThatCannotHoldTheFile)
{
    // A missing folder, and a "folder" that is a regular file: neither can be
    // written, even by root.
    EXPECT_FALSE(IniWrite(path(u"missing/x.ini"_qs), u"S"_qs, u"k"_qs, u"v"_qs).ok());
    EXPECT_FALSE(QDir(path(u"missing"_qs)).exists());

    writeFile(path(u"plain"_qs), "data");
    const IniWriteResult r = IniWrite(path(u"plain/x.ini"_qs), u"S"_qs, u"k"_qs, u"v"_qs);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(u"plain/x.ini"_qs)) << r.error.toStdString();
    EXPECT_EQ(readFile(path(u"plain"_qs)), "data");
}

TEST_F(IniFileTest, LeavesAReadOnlyFileWhole)
{
    const QString file = path(u"ro.ini"_qs);
    writeFile(file, "[S]\r\nk=old\r\n");
    // Without any write bit the file is refused, even for an administrator
    // to whom the bits are no obstacle.
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_FALSE(IniWrite(file, u"S"_qs, u"k"_qs, u"new"_qs).ok());
    EXPECT_EQ(readFile(file), "[S]\r\nk=old\r\n");
}

TEST_F(IniFileTest, DoesNotReplaceAPathItCannotRead)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder.ini"_qs));
    const IniWriteResult r = IniWrite(path(u"folder.ini"_qs), u"S"_qs, u"k"_qs, u"v"_qs);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(QFileInfo(path(u"folder.ini"_qs)).isDir());
}

} // namespace
