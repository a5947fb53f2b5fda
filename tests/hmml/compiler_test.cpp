#include "hmml/compiler.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct Result {
    QString omp;
    ConversionStatus status;
    HmmlSongFields song;
};

// Lines joined with "\r\n" as the file reader hands them over.
Result compile(const QStringList &lines, bool raw = true)
{
    Result r;
    r.omp = HMML_Convert(lines.join(QStringLiteral("\r\n")), QStringLiteral("\r\n"), raw, r.status, r.song);
    return r;
}

QString rawOmp(const QStringList &lines)
{
    const Result r = compile(lines);
    EXPECT_EQ(r.status.code, 0) << r.status.message.toStdString();
    return r.omp;
}

void expectError(const QStringList &lines, int code, int line)
{
    const Result r = compile(lines);
    EXPECT_EQ(r.status.code, code) << lines.join(u'/').toStdString();
    EXPECT_EQ(r.status.line, line) << lines.join(u'/').toStdString();
    EXPECT_TRUE(r.omp.isEmpty());
    EXPECT_FALSE(r.status.message.isEmpty());
}

TEST(Compiler, EmptyAndCommentOnlyTextsGiveNothing)
{
    EXPECT_EQ(compile({}).omp, QString());
    EXPECT_EQ(compile({}).status.code, 0);
    const Result r = compile({QStringLiteral("  ' just a comment"), QString(), QStringLiteral("\t\t")});
    EXPECT_EQ(r.omp, QString());
    EXPECT_EQ(r.status.code, 0);
}

TEST(Compiler, WorkedExampleRawAndFormatted)
{
    const QStringList song = {"C-TEMPO:120", "4 C 2", "4 E 2", "8 G 2"};
    EXPECT_EQ(rawOmp(song), "$2:4M4Q8T");
    const Result formatted = compile(song, false);
    EXPECT_EQ(formatted.omp, "$2:4MQ8T");
}

TEST(Compiler, TempoFieldsAreExactHundredthsWithoutLeadingZero)
{
    const std::pair<const char *, const char *> cases[] = {
        {"120", "$2:"}, {"100", "$1.67:"}, {"90", "$1.5:"}, {"50", "$.83:"}, {"1", "$.02:"},
        {"150.9", "$2.5:"}, {"&H78", "$2:"}, {"1.2e2", "$2:"}, {"1 2 0", "$2:"},
        {"2147483647", "$35791394.12:"}, {"6000", "$100:"}, {"33", "$.55:"},
    };
    for (const auto &[arg, field] : cases)
        EXPECT_EQ(rawOmp({QStringLiteral("C-TEMPO:") + arg}), field) << arg;
}

TEST(Compiler, TempoErrors)
{
    expectError({"C-TEMPO:0"}, 202, 1);
    expectError({"C-TITLE:x", "C-TEMPO:-5"}, 202, 2);
    expectError({"C-TEMPO:fast"}, 202, 1);
    expectError({"C-TEMPO"}, 202, 1);
    // Below 1 the tempo rounds down to 0, which no player can divide by.
    expectError({"C-TEMPO:0.5"}, 202, 1);
    expectError({"C-TEMPO:.99"}, 202, 1);
    // Beyond a 32-bit tempo the arithmetic overflows.
    expectError({"C-TEMPO:2147483648"}, -1, 0);
    expectError({"C-TEMPO:1e300"}, -1, 0);
}

TEST(Compiler, CommandNamesAndPrefixIgnoreCase)
{
    EXPECT_EQ(rawOmp({"c-tempo:120", "4 c 2"}), "$2:4M");
    const Result r = compile({"C-TEMPO :120"});
    EXPECT_EQ(r.status.code, 201);
    EXPECT_EQ(r.status.message, QStringLiteral("命令文字列に不明な文字[ ]があります。"));
    const Result digit = compile({"C-TEMP0:120"});
    EXPECT_EQ(digit.status.message, QStringLiteral("命令文字列に不明な文字[0]があります。"));
    const Result kana = compile({"C-テンポ:120"});
    EXPECT_EQ(kana.status.message, QStringLiteral("命令文字列に不明な文字[テ]があります。"));
    // A name that is not a command does nothing, nor does a bare "C-".
    EXPECT_EQ(rawOmp({"C-VOLUME:3", "C-", "C-TEMPO:60"}), "$1:");
}

TEST(Compiler, LinesThatAreNeitherCommandsNorNotes)
{
    const Result r = compile({"C-TEMPO:120", "x 4 C 2"});
    EXPECT_EQ(r.status.code, 200);
    EXPECT_EQ(r.status.line, 2);
    EXPECT_EQ(r.status.message, QStringLiteral("命令／音譜データ以外を以外を検出しました。H-MMLを確認してください。"));
    expectError({"-4 C 2"}, 200, 1);
}

TEST(Compiler, CleanUpOfBlanksTabsAndComments)
{
    EXPECT_EQ(rawOmp({"  C-TEMPO:120   ' tempo", "4\t\tC    2 ' first note", "\t4 E 2\t"}), "$2:4M4Q");
    Result r = compile({"C-TITLE:  It's mine"});
    EXPECT_EQ(r.song.title, "It");
    r = compile({"C-TITLE:a:b  c"});
    EXPECT_EQ(r.song.title, "a:b c");
}

TEST(Compiler, SongFieldsAndRedefinition)
{
    const Result r = compile({"C-TITLE:ふるさと", "C-AUTHOR:me", "C-COPYRIGHT:public domain"});
    EXPECT_EQ(r.song.title, QStringLiteral("ふるさと"));
    EXPECT_EQ(r.song.author, "me");
    EXPECT_EQ(r.song.copyright, "public domain");
    for (const char *key : {"TITLE", "AUTHOR", "COPYRIGHT"}) {
        const QString line = QStringLiteral("C-%1:x").arg(QLatin1String(key));
        expectError({line, line}, 204, 2);
    }
    // Fields set before an error stay; the next call empties them.
    Result failed = compile({"C-TITLE:kept", "C-TEMPO:0"});
    EXPECT_EQ(failed.song.title, "kept");
    EXPECT_EQ(compile({"C-TEMPO:120"}).song.title, QString());
}

TEST(Compiler, Loops)
{
    // Each copy restarts at the tempo that was current at LOOP.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "C-LOOP:2", "4 C 2", "C-TEMPO:60", "4 D 2", "C-LEND"}),
              "$2:4M$1:4O$2:4M$1:4O$2:4M$1:4O");
    // A loop left open is emitted once; PARTEND expands it and ends the text.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "C-LOOP:1", "4 C 2"}), "$2:4M");
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "C-LOOP:1", "4 C 2", "C-PARTEND", "nonsense", "C-LEND"}), "$2:4M$2:4M");
    // Loops follow one another; counts are rounded down.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "C-LOOP:1.9", "4 C 2", "C-LEND", "C-LOOP:2", "4 *", "C-LEND"}),
              "$2:4M$2:4M4*$2:4*$2:4*");
    expectError({"C-LOOP:2", "C-LOOP:2"}, 205, 2);
    expectError({"C-LOOP:0"}, 206, 1);
    expectError({"C-LOOP:1000"}, 206, 1);
    expectError({"C-LOOP:many"}, 206, 1);
    expectError({"C-LOOP:1e20"}, 206, 1);
    expectError({"C-TEMPO:120", "C-LEND"}, 207, 2);
}

TEST(Compiler, OutputBeyondTheLimitIsRefused)
{
    // A passage of 140,000 notes repeated 999 times would pass the limit:
    // the call fails instead of exhausting memory.
    QStringList lines = {"C-TEMPO:120", "C-LOOP:999"};
    for (int i = 0; i < 140000; ++i)
        lines << QStringLiteral("%1 C 2").arg(1 + i % 16);
    lines << "C-LEND";
    const Result r = compile(lines);
    EXPECT_EQ(r.status.code, -1);
    EXPECT_EQ(r.status.line, 0);
    EXPECT_TRUE(r.status.message.startsWith(QStringLiteral("予期せぬエラーが発生しました。\n")));
    EXPECT_TRUE(r.status.message.contains(QStringLiteral("256 MiB")));
    EXPECT_TRUE(r.omp.isEmpty());
}

TEST(Compiler, NoteLines)
{
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "16 B# 4"}), "$2:@q");
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "1 C 1", "9 B 4", "10 C+ 3"}), "$2:1A9p:Z");
    // Two fields keep the octave of the last note line that had one.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "4 C 3", "4 D"}), "$2:4Y4[");
    expectError({"C-TEMPO:120", "4 D"}, 211, 2);
    // Rests need no octave and may carry any.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "4 *", "2 * 9"}), "$2:4*2*");
    // No flats, ties or dotted lengths: the extra characters are ignored.
    EXPECT_EQ(rawOmp({"C-TEMPO:120", "4. C- 2"}), "$2:4M");
    expectError({"4 C 2"}, 208, 1);
    expectError({"C-TEMPO:120", "17 C 2"}, 209, 2);
    expectError({"C-TEMPO:120", "0 C 2"}, 209, 2);
    expectError({"C-TEMPO:120", "4 C 5"}, 211, 2);
    expectError({"C-TEMPO:120", "4 C 0"}, 211, 2);
    expectError({"C-TEMPO:120", "4 X 2"}, 210, 2);
    expectError({"C-TEMPO:120", "4 C## 2"}, 210, 2);
    expectError({"C-TEMPO:120", "4 *# 2"}, 210, 2);
    expectError({"C-TEMPO:120", "4 C 2 1"}, -1, 0);
    expectError({"C-TEMPO:120", "4"}, -1, 0);
}

TEST(Compiler, Languages)
{
    EXPECT_EQ(rawOmp({"C-LANGUAGE:katakana", "C-TEMPO:120", "4 フ# 3"}), "$2:4_");
    EXPECT_EQ(rawOmp({"C-LANGUAGE:KATAKANA", "C-TEMPO:120", "4 ファ 3"}), "$2:4^");
    EXPECT_EQ(rawOmp({"C-LANGUAGE:JAPANESE", "C-TEMPO:120", "4 ハ 1", "4 ロ 1"}), "$2:4A4L");
    // Italian: "do" is C, "C" names B, SI reads as G (its first letter).
    EXPECT_EQ(rawOmp({"C-LANGUAGE:Italy", "C-TEMPO:120", "4 do 1", "4 C 1", "4 SI 1"}), "$2:4A4L4H");
    expectError({"C-LANGUAGE:ITALY", "C-TEMPO:120", "4 SOL 1"}, 210, 3);
    EXPECT_EQ(rawOmp({"C-LANGUAGE:GERMANY", "C-TEMPO:120", "4 H 1"}), "$2:4L");
    expectError({"C-LANGUAGE:GERMANY", "C-TEMPO:120", "4 B 1"}, 210, 3);
    EXPECT_EQ(rawOmp({"C-LANGUAGE:ENGLISH", "C-TEMPO:120", "4 B 1"}), "$2:4L");
    expectError({"C-LANGUAGE:ENGLISH", "C-LANGUAGE:ITALY"}, 204, 2);
    expectError({"C-TEMPO:120", "4 C 1", "C-LANGUAGE:ITALY"}, 203, 3);
    // After note data, 203 is reported before a redefinition.
    expectError({"C-LANGUAGE:ITALY", "C-TEMPO:120", "4 D 1", "C-LANGUAGE:ITALY"}, 203, 4);
}

TEST(Compiler, ProgramNumberOutlivesTheCall)
{
    HMML_ResetProgramNumber();
    EXPECT_EQ(HMML_ProgramNumber(), 0);
    compile({"C-PROGRAM:20"});
    EXPECT_EQ(HMML_ProgramNumber(), 20);
    compile({"C-TEMPO:120"});
    EXPECT_EQ(HMML_ProgramNumber(), 20) << "a text without PROGRAM keeps the last one";
    compile({"C-PROGRAM:2.5"});
    EXPECT_EQ(HMML_ProgramNumber(), 2) << "ties round to even";
    compile({"C-PROGRAM:3.5"});
    EXPECT_EQ(HMML_ProgramNumber(), 4);
    compile({"C-PROGRAM:129"});
    EXPECT_EQ(HMML_ProgramNumber(), 129) << "no range check here";
    expectError({"C-PROGRAM:1", "C-PROGRAM:2"}, 212, 2);
    expectError({"C-PROGRAM:piano"}, -1, 0);
    expectError({"C-PROGRAM:12x"}, -1, 0);
    expectError({"C-PROGRAM:40000"}, -1, 0);
    HMML_ResetProgramNumber();
}

TEST(Compiler, EveryMessageMatchesItsCode)
{
    const std::pair<QStringList, QString> cases[] = {
        {{"C-TEMPO:0"}, QStringLiteral("テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。")},
        {{"C-TEMPO:1", "1 C 1", "C-LANGUAGE:ITALY"}, QStringLiteral("音譜データの後に指定できない命令が指定されています。")},
        {{"C-TITLE:a", "C-TITLE:b"}, QStringLiteral("再定義できない命令が再定義されています。")},
        {{"C-LOOP:1", "C-LOOP:1"}, QStringLiteral("多重ループにはできません。")},
        {{"C-LOOP:0"}, QStringLiteral("ループ回数の指定が異常です。(1回～999回が有効です)")},
        {{"C-LEND"}, QStringLiteral("ループ外にループ終了命令が存在します。")},
        {{"1 C 1"}, QStringLiteral("音譜データの前にはテンポデータが必要です。")},
        {{"C-TEMPO:1", "20 C 1"}, QStringLiteral("音譜データに指定されている長さが１～１６の範囲にありません。")},
        {{"C-TEMPO:1", "1 Q 1"}, QStringLiteral("音程が異常です。言語指定にあったものを使用してください。")},
        {{"C-TEMPO:1", "1 C 7"}, QStringLiteral("音の高さが１～４の指定範囲外です。")},
        {{"C-PROGRAM:1", "C-PROGRAM:1"}, QStringLiteral("音色データは再定義できません。")},
    };
    for (const auto &[lines, message] : cases)
        EXPECT_EQ(compile(lines).status.message, message) << lines.join(u'/').toStdString();
    HMML_ResetProgramNumber();
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
    // A text with bare LFs split at CR LF is one line with the LFs removed:
    // here the tempo swallows the note (which is why files are split at LF).
    EXPECT_EQ(HMML_Convert(QStringLiteral("C-TEMPO:120\n4 C 2"), QStringLiteral("\r\n"), true, status, song),
              "$20.07:");
    EXPECT_EQ(status.code, 0);
}

} // namespace
