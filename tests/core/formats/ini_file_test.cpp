// The INI engine: what it finds, what it writes, and that it leaves every
// other byte of the file alone.

#include "core/formats/ini_file.h"

#include "support/random_omp.h"
#include "support/test_files.h"

#include <map>

namespace {

TEST(IniDocument, Reading)
{
    const QByteArray zo = sjis(QStringLiteral("ゾーン")); // 83 5D: the second byte is "]"
    // The file, the section and key looked up, and the value found (null: none).
    const std::tuple<QByteArray, QByteArray, QByteArray, const char *> cases[] = {
        {"[S]\r\na=1\nb=2\rc=3", "S", "c", "3"},        // CR LF, LF and CR end lines
        {"[dATA]\r\ntItLe=x\r\n", "DATA", "title", "x"}, // any case
        {"[Data]\r\nTitle=x\r\n", "Dat", "Title", nullptr},
        {"[Data]\r\nTitle=x\r\n", "Data", "Titles", nullptr},
        {"[S]\r\n" + sjis(QStringLiteral("ア")) + "=a\r\n", "S", sjis(QStringLiteral("ア")), "a"},
        {"[S]\r\n" + sjis(QStringLiteral("ア")) + "=a\r\n", "S", sjis(QStringLiteral("ヂ")), nullptr},
        {"[" + zo + "]\r\nk=1\r\n", zo, "k", "1"},
        {"[\xE0\x5D]\r\nk=2\r\n", "\xE0\x5D", "k", "2"}, // the first and the last lead and trail bytes
        {"[\x81\xFC]\r\nk=3\r\n", "\x81\xFC", "k", "3"},
        {"[S]\r\n  key  = v=w  \r\n", " S ", "key ", " v=w  "}, // the rest after the first "="
        {"[S]\r\nempty=\r\nnoequals\r\n", "S", "empty", ""},
        {"[S]\r\nempty=\r\nnoequals\r\n", "S", "noequals", nullptr},
        {"top=0\r\n[S]\r\n;k=comment\r\n", "S", "top", nullptr},
        {"top=0\r\n[S]\r\n;k=comment\r\n", "S", ";k", nullptr},
        {"[T]\r\nk=other\r\n[unclosed\r\nk=2\r\n", "T", "k", "other"},
        {"[S]\r\na=1\r\n[T]\r\nb=0\r\n[s]\r\nb=2\r\n", "S", "b", "2"}, // a section that appears twice
        {"[S]\r\na=1\r\n[s]\r\na=3\r\n", "S", "a", "1"},
    };
    for (const auto &[file, section, key, value] : cases)
        EXPECT_EQ(IniDocument::fromBytes(file).value(section, key).value_or("<missing>").toStdString(), value ? value : "<missing>")
            << hex(file) << " [" << section.toStdString() << "] " << key.toStdString();
    for (qsizetype n : {254, 255, 100000})
        EXPECT_EQ(IniDocument::fromBytes("[Data]\r\nData=" + QByteArray(n, 'C') + "\r\n").value("Data", "Data")->size(), n);
}

TEST(IniDocument, Writing)
{
    struct Case {
        QByteArray before;
        std::vector<std::array<QByteArray, 3>> writes;
        QByteArray after;
    };
    const Case cases[] = {
        {"", {{"A", "x", "1"}, {"A", "y", "2"}, {"B", "z", ""}}, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=\r\n"},
        // In place, keeping the key's spelling and every other line.
        {"; head\n[a]\nX = old\n\n[B]\r\nx=keep\r\n\xFF\xFE\r\n", {{"A", "x", "new"}},
         "; head\n[a]\nX =new\r\n\n[B]\r\nx=keep\r\n\xFF\xFE\r\n"},
        // After the last key of its section; a missing section at the end.
        {"[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\ny=2\r\n", {{"a", "new", "3"}},
         "[A]\r\nx=1\r\nnew=3\r\n; about B\r\n\r\n[B]\r\ny=2\r\n"},
        {"[A]\r\n\r\n[B]\r\n", {{"A", "k", "v"}}, "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        {"[A]\nx=1", {{"B", "y", "2"}}, "[A]\nx=1\r\n[B]\r\ny=2\r\n"},
        {"[A]", {{"A", "x", "1"}}, "[A]\r\nx=1\r\n"},
        {"[S]\r\na=1\r\n[T]\r\n[S]\r\nb=2\r\n", {{"s", "B", "3"}, {"S", "c", "4"}}, "[S]\r\na=1\r\nc=4\r\n[T]\r\n[S]\r\nb=3\r\n"},
        // A line break in a value becomes one blank.
        {"", {{"S", "k", "a\r\nb\rc\nd\n\ne\r\n"}}, "[S]\r\nk=a b c d  e \r\n"},
        // A UTF-8 byte-order mark stays at the head of the file.
        {"\xEF\xBB\xBF[A]\r\nx=1\r\n", {{"A", "x", "2"}}, "\xEF\xBB\xBF[A]\r\nx=2\r\n"},
        // Names a file cannot hold are refused and change nothing.
        {"[x]\r\n", {{"", "k", "v"}, {"  ", "k", "v"}, {"a]b", "k", "v"}, {"a\nb", "k", "v"}, {"\x81", "k", "v"}, {"S", "", "v"},
                    {"S", "a=b", "v"}, {"S", "[k", "v"}, {"S", ";k", "v"}, {"S", "k\r", "v"}}, "[x]\r\n"},
    };
    for (const Case &c : cases) {
        IniDocument doc = IniDocument::fromBytes(c.before);
        EXPECT_EQ(doc.toBytes(), c.before) << "read and written unchanged: " << hex(c.before);
        for (const auto &[s, k, v] : c.writes) {
            const bool fits = IniDocument::sectionNameError(s).isEmpty() && IniDocument::keyNameError(k).isEmpty();
            EXPECT_EQ(doc.setValue(s, k, v), fits) << hex(s) << " / " << hex(k);
        }
        EXPECT_EQ(doc.toBytes(), c.after) << hex(c.before);
    }
}

class IniFileTest : public TempDirTest {};

// The file's own encoding: CP932, or UTF-8 with a byte-order mark or
// throughout; a UTF-8 value in a CP932 file is read as UTF-8; a value
// neither reads is refused by name.
TEST_F(IniFileTest, EncodingsOfTheFileAndOfEachValue)
{
    const QByteArray bom = "\xEF\xBB\xBF";
    // The file, and the value read from it (null: refused).
    const std::pair<QByteArray, const char *> cases[] = {
        {sjis(QStringLiteral("[一般設定]\r\n音色設定=ピアノ①\r\n")), "ピアノ①"},
        {bom + QStringLiteral("[一般設定]\r\n音色設定=ピアノ①\r\n").toUtf8(), "ピアノ①"},
        {QStringLiteral("[一般設定]\r\n音色設定=ピアノ①\r\n").toUtf8(), "ピアノ①"},
        {sjis(QStringLiteral("[一般設定]\r\n音色設定=")) + QStringLiteral("かえる").toUtf8() + "\r\n\xFF=1\r\n", "かえる"},
        {sjis(QStringLiteral("[一般設定]\r\n音色設定=")) + "\xA0\xFD\r\n", nullptr},
        {bom + QStringLiteral("[一般設定]\r\n音色設定=").toUtf8() + "\x82\xA0\r\n", nullptr},
    };
    const QString section = QStringLiteral("一般設定"), key = QStringLiteral("音色設定");
    for (const auto &[content, wanted] : cases) {
        const QString file = write("e.ini", content);
        QString error;
        const std::optional<QString> value = iniValue(loadIniFile(file).document, section, key, &error);
        EXPECT_EQ(value.value_or(QStringLiteral("<refused>")), QString::fromUtf8(wanted ? wanted : "<refused>")) << hex(content);
        EXPECT_EQ(error.contains(key), wanted == nullptr) << str(error);
        // Written back in the file's own encoding, the byte-order mark kept.
        ASSERT_TRUE(IniWrite(file, section, QStringLiteral("ループ再生"), QStringLiteral("1")).ok());
        const QByteArray after = readFile(file);
        EXPECT_EQ(after.startsWith(bom), content.startsWith(bom));
        EXPECT_EQ(IniRead(file, section, QStringLiteral("ループ再生")), u"1") << hex(after);
        EXPECT_EQ(after.count(sjis(QStringLiteral("[一般設定]"))) + after.count(QStringLiteral("[一般設定]").toUtf8()), 1)
            << "no second section: " << hex(after);
    }
    EXPECT_EQ(IniRead(path("none.ini"), section, key), QString());
    EXPECT_TRUE(loadIniFile(path("none.ini")).missing);
}

// Writing keys then reading them gives the values back, and every line the
// writes did not touch stays byte for byte.
TEST_F(IniFileTest, WrittenValuesReadBackAndOtherLinesStay)
{
    std::mt19937 rng(7);
    const char *const sections[] = {"Data", "一般設定", "ゾーン", "S"};
    const char *const keys[] = {"Title", "音色設定", "ア", "ヂ", "k"};
    const char *const parts[] = {"a", "Z", " ", "=", ";", "[", "]", "ア", "ゾ", "表", "1", "\r\n", "\n"};
    const char *const junk[] = {"; note", "", "\xFF\xFE", "[unclosed", "noequals", "  "};
    const char *const ends[] = {"\r\n", "\n", "\r"};
    const auto any = [&](const auto &list) { return list[testrandom::pick(rng, 0, int(std::size(list)) - 1)]; };
    const auto caseFlip = [&](QString s) {
        for (QChar &c : s)
            if (c.isLetter() && c.unicode() < 128 && testrandom::pick(rng, 0, 1))
                c = c.isUpper() ? c.toLower() : c.toUpper();
        return s;
    };
    const auto text = [&](int n) {
        QString s;
        while (n-- > 0)
            s += any(parts);
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        QByteArray before;
        for (int i = testrandom::pick(rng, 0, 12); i > 0; --i) {
            const int kind = testrandom::pick(rng, 0, 2);
            if (kind == 0)
                before += '[' + sjis(caseFlip(any(sections))) + ']';
            else if (kind == 1)
                before += sjis(caseFlip(any(keys)) + '=' + text(3).remove(u'\r').remove(u'\n'));
            else
                before += any(junk);
            if (i > 1 || testrandom::pick(rng, 0, 1))
                before += any(ends);
        }
        const QString file = write("p.ini", before);
        QList<IniEntry> entries;
        std::map<std::pair<QString, QString>, QString> expected;
        for (int i = testrandom::pick(rng, 1, 4); i > 0; --i) {
            const QString s = any(sections), k = any(keys);
            const QString v = text(testrandom::pick(rng, 0, 5));
            entries.append({caseFlip(s), caseFlip(k), v});
            // A line break is stored as one blank.
            expected[{s, k}] = QString(v).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ');
        }
        ASSERT_TRUE(writeIniEntries(file, entries).ok()) << hex(before);
        const IniLoadResult after = loadIniFile(file);
        for (const auto &[name, value] : expected)
            ASSERT_EQ(iniValue(after.document, name.first, name.second), value)
                << hex(before) << " [" << str(name.first) << "] " << str(name.second);
        // Every line before is still there in order: whole, or a key line of
        // its section with only its value replaced.
        const auto old = IniDocument::fromBytes(before).lines();
        const auto &now = after.document.lines();
        size_t j = 0;
        for (size_t i = 0; i < old.size(); ++i) {
            const qsizetype eq = old[i].text.indexOf('=');
            const auto same = [&](const IniDocument::Line &l) {
                const bool endKept = l.end == old[i].end || (i + 1 == old.size() && old[i].end.isEmpty());
                return (l.text == old[i].text && endKept) || (eq >= 0 && l.text.startsWith(old[i].text.first(eq + 1)));
            };
            while (j < now.size() && !same(now[j]))
                ++j;
            ASSERT_LT(j, now.size()) << "line " << i << " lost: " << hex(before) << " -> " << hex(readFile(file));
            ++j;
        }
    }
}

} // namespace
