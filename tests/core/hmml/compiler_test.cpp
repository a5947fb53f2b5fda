#include "core/hmml/compiler.h"

#include "support/test_files.h"

#include <QStringList>

#include <map>

namespace {

struct Result {
    QString omp;
    ConversionStatus status;
    HmmlSongFields song;
};

// Source lines are written with "|" between them in the tables.
Result compile(const QString &lines, bool raw = true)
{
    Result r;
    QString source = lines;
    source.replace(u'|', QStringLiteral("\r\n"));
    r.omp = HMML_Convert(source, QStringLiteral("\r\n"), raw, r.status, r.song);
    return r;
}

TEST(Compiler, Outputs)
{
    struct Case {
        const char *source;
        const char *raw;
        const char *title = "";
    };
    const Case cases[] = {
        {"", ""},
        {"  ' just a comment||\t\t", ""},
        {"C-TEMPO:120|4 C 2|4 E 2|8 G 2", "$2:4M4Q8T"},
        // Tempo fields: T / 60 in exact hundredths, no zero before the point.
        {"C-TEMPO:100|C-TEMPO:90|C-TEMPO:50|C-TEMPO:1|C-TEMPO:33", "$1.67:$1.5:$.83:$.02:$.55:"},
        {"C-TEMPO:150.9|C-TEMPO:&H78|C-TEMPO:1.2e2|C-TEMPO:1 2 0|C-TEMPO:6000", "$2.5:$2:$2:$2:$100:"},
        {"C-TEMPO:2147483647", "$35791394.12:"},
        // Command names and the prefix in any case; unknown commands do nothing.
        {"c-tempo:120|4 c 2", "$2:4M"},
        {"C-VOLUME:3|C-|C-TEMPO:60", "$1:"},
        // Blanks, tabs and comments.
        {"  C-TEMPO:120   ' tempo|4\t\tC    2 ' first|\t4 E 2\t", "$2:4M4Q"},
        {"C-TITLE:  It's mine", "", "It"},
        {"C-TITLE:a:b  c", "", "a:b c"},
        {"C-TITLE:ふるさと|C-AUTHOR:me|C-COPYRIGHT:pd", "", "ふるさと"},
        // Note lines: every length, B sharp, a missing octave, rests.
        {"C-TEMPO:120|16 B# 4|1 C 1|9 B 4|10 C+ 3", "$2:@q1A9p:Z"},
        {"C-TEMPO:120|4 C 3|4 D", "$2:4Y4["},
        {"C-TEMPO:120|4 *|2 * 9|4. C- 2", "$2:4*2*4M"},
        // Loops restart at the tempo current at LOOP; open loops stand once.
        {"C-TEMPO:120|C-LOOP:2|4 C 2|C-TEMPO:60|4 D 2|C-LEND", "$2:4M$1:4O$2:4M$1:4O$2:4M$1:4O"},
        {"C-TEMPO:120|C-LOOP:1|4 C 2", "$2:4M"},
        {"C-TEMPO:120|C-LOOP:1|4 C 2|C-PARTEND|nonsense|C-LEND", "$2:4M$2:4M"},
        {"C-TEMPO:120|C-LOOP:1.9|4 C 2|C-LEND|C-LOOP:2|4 *|C-LEND", "$2:4M$2:4M4*$2:4*$2:4*"},
        // Languages: the first character of the name counts.
        {"C-LANGUAGE:katakana|C-TEMPO:120|4 フ# 3|4 ファ 3", "$2:4_4^"},
        {"C-LANGUAGE:JAPANESE|C-TEMPO:120|4 ハ 1|4 ロ 1", "$2:4A4L"},
        {"C-LANGUAGE:Italy|C-TEMPO:120|4 do 1|4 C 1|4 SI 1", "$2:4A4L4H"},
        {"C-LANGUAGE:GERMANY|C-TEMPO:120|4 H 1", "$2:4L"},
        {"C-LANGUAGE:ENGLISH|C-TEMPO:120|4 B 1", "$2:4L"},
    };
    for (const Case &c : cases) {
        const Result r = compile(QString::fromUtf8(c.source));
        EXPECT_EQ(r.status.code, 0) << c.source << ": " << str(r.status.message);
        EXPECT_EQ(r.omp, QLatin1String(c.raw)) << c.source;
        EXPECT_EQ(r.song.title, QString::fromUtf8(c.title)) << c.source;
    }
    const HmmlSongFields fields = compile(QStringLiteral("C-AUTHOR:me|C-COPYRIGHT:pd")).song;
    EXPECT_EQ(fields.author + u'/' + fields.copyright, u"me/pd");
    // Not raw: formatted without separators.
    EXPECT_EQ(compile(QStringLiteral("C-TEMPO:120|4 C 2|4 E 2|8 G 2"), false).omp, u"$2:4MQ8T");
}

TEST(Compiler, ErrorsWithCodeLineAndMessage)
{
    const std::map<int, const char *> messages = {
        {200, "命令／音譜データ以外を以外を検出しました。H-MMLを確認してください。"},
        {202, "テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。"},
        {203, "音譜データの後に指定できない命令が指定されています。"},
        {204, "再定義できない命令が再定義されています。"},
        {205, "多重ループにはできません。"},
        {206, "ループ回数の指定が異常です。(1回～999回が有効です)"},
        {207, "ループ外にループ終了命令が存在します。"},
        {208, "音譜データの前にはテンポデータが必要です。"},
        {209, "音譜データに指定されている長さが１～１６の範囲にありません。"},
        {210, "音程が異常です。言語指定にあったものを使用してください。"},
        {211, "音の高さが１～４の指定範囲外です。"},
        {212, "音色データは再定義できません。"},
        {-1, "予期せぬエラーが発生しました。"},
        // The offending character in the brackets.
        {201, "命令文字列に不明な文字[ ]があります。"},
    };
    const std::tuple<const char *, int, int> cases[] = {
        {"C-TEMPO:0", 202, 1},     {"C-TITLE:x|C-TEMPO:-5", 202, 2}, {"C-TEMPO:fast", 202, 1},
        {"C-TEMPO", 202, 1},       {"C-TEMPO:0.5", 202, 1},          {"C-TEMPO:.99", 202, 1},
        {"C-TEMPO :120", 201, 1},  {"C-TEMPO:120|x 4 C 2", 200, 2},  {"-4 C 2", 200, 1},
        {"C-TITLE:x|C-TITLE:x", 204, 2}, {"C-AUTHOR:x|C-AUTHOR:y", 204, 2}, {"C-COPYRIGHT:x|C-COPYRIGHT:x", 204, 2},
        {"C-LOOP:2|C-LOOP:2", 205, 2}, {"C-LOOP:0", 206, 1},         {"C-LOOP:1000", 206, 1},
        {"C-LOOP:many", 206, 1},   {"C-LOOP:1e20", 206, 1},          {"C-TEMPO:120|C-LEND", 207, 2},
        {"4 C 2", 208, 1},         {"C-TEMPO:120|17 C 2", 209, 2},   {"C-TEMPO:120|0 C 2", 209, 2},
        {"C-TEMPO:120|4 X 2", 210, 2}, {"C-TEMPO:120|4 C## 2", 210, 2}, {"C-TEMPO:120|4 *# 2", 210, 2},
        {"C-LANGUAGE:ITALY|C-TEMPO:120|4 SOL 1", 210, 3}, {"C-LANGUAGE:GERMANY|C-TEMPO:120|4 B 1", 210, 3},
        {"C-TEMPO:120|4 D", 211, 2}, {"C-TEMPO:120|4 C 5", 211, 2},  {"C-TEMPO:120|4 C 0", 211, 2},
        {"C-LANGUAGE:ENGLISH|C-LANGUAGE:ITALY", 204, 2},
        {"C-TEMPO:120|4 C 1|C-LANGUAGE:ITALY", 203, 3},
        {"C-LANGUAGE:ITALY|C-TEMPO:120|4 D 1|C-LANGUAGE:ITALY", 203, 4},
        {"C-PROGRAM:1|C-PROGRAM:2", 212, 2},
        {"C-TEMPO:120|4 C 2 1", -1, 0}, {"C-TEMPO:120|4", -1, 0},   {"C-PROGRAM:piano", -1, 0},
        {"C-PROGRAM:12x", -1, 0},  {"C-PROGRAM:40000", -1, 0},
    };
    for (const auto &[source, code, line] : cases) {
        const Result r = compile(QString::fromUtf8(source));
        EXPECT_EQ(std::tuple(r.status.code, r.status.line, r.omp), std::tuple(code, line, QString())) << source;
        EXPECT_EQ(r.status.message, QString::fromUtf8(messages.at(code))) << source;
    }
    EXPECT_EQ(compile(QStringLiteral("C-テンポ:120")).status.message, u"命令文字列に不明な文字[テ]があります。");
    EXPECT_EQ(compile(QStringLiteral("C-TITLE:kept|C-TEMPO:0")).song.title, u"kept"); // fields set before an error stay
    // A limit of ours keeps the message of -1 and says why on the next line.
    EXPECT_EQ(compile(QStringLiteral("C-TEMPO:1e300")).status.message,
              u"予期せぬエラーが発生しました。\nテンポが大きすぎます (2147483647 まで)。");
}

TEST(Compiler, OutputBeyondTheLimitIsRefused)
{
    // 140,000 notes repeated 999 times would pass 256 MiB.
    QString source = QStringLiteral("C-TEMPO:120|C-LOOP:999");
    for (int i = 0; i < 140000; ++i)
        source += QStringLiteral("|%1 C 2").arg(1 + i % 16);
    const Result r = compile(source + QStringLiteral("|C-LEND"));
    EXPECT_EQ(std::tuple(r.status.code, r.status.line, r.omp), std::tuple(-1, 0, QString()));
    EXPECT_TRUE(r.status.message.startsWith(u"予期せぬエラーが発生しました。\n") && r.status.message.contains(u"256 MiB"))
        << str(r.status.message);
}

TEST(Compiler, ProgramNumberBelongsToEachText)
{
    const std::pair<const char *, int> steps[] = {
        {"C-PROGRAM:20", 20}, {"C-TEMPO:120", 0}, // a text without PROGRAM has none, whatever came before
        {"C-PROGRAM:2.5", 2}, {"C-PROGRAM:3.5", 4}, // ties round to even
        {"C-PROGRAM:129", 129},                     // no range check here
        {"C-PROGRAM:7|C-TEMPO:0", 7},               // a line before an error sets it still
    };
    for (const auto &[source, program] : steps)
        EXPECT_EQ(compile(QString::fromUtf8(source)).song.program, program) << source;
}

TEST(Compiler, LineSeparatorAndNumbering)
{
    ConversionStatus status;
    HmmlSongFields song;
    // An empty separator means CR LF; pieces are numbered from 1, empty ones too.
    HMML_Convert(QStringLiteral("C-TEMPO:120\r\n\r\n4 C 9"), QString(), true, status, song);
    EXPECT_EQ(status.code, 211);
    EXPECT_EQ(status.line, 3);
    EXPECT_EQ(HMML_Convert(QStringLiteral("C-TEMPO:120|4 C 2"), QStringLiteral("|"), true, status, song), "$2:4M");
    // Bare LFs inside a CR LF line are removed: the tempo swallows the note.
    EXPECT_EQ(HMML_Convert(QStringLiteral("C-TEMPO:120\n4 C 2"), QStringLiteral("\r\n"), true, status, song),
              "$20.07:");
}

} // namespace
