// vltn import as a user runs it: what it writes, what it says, how it exits.

#include "vltn_runner.h"

#include "tests/support/temp_dir_test.h"
#include "tests/support/test_files.h"
#include "tests/support/test_midi.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using ImportVerb = TempDirTest;

QByteArray melody(const QByteArray &name)
{
    testmidi::Track t;
    t.name(name).note(0, 480, 60).note(480, 480, 64).note(960, 960, 67);
    return testmidi::file(1, 480, {t.bytes()});
}

TEST_F(ImportVerb, WritesTheSongAndReportsOnStandardError)
{
    const QString in = write(QStringLiteral("歌.mid"), melody("\x82\xA4\x82\xBD")); // "うた" in CP932
    const QString out = dir.filePath(QStringLiteral("out.hml"));
    const struct {
        QStringList options;
        QByteArray starts; // the file's first bytes
        QString title;
    } cases[] = {
        {{}, "' ", QStringLiteral("うた")},
        {{QStringLiteral("--utf8")}, "\xEF\xBB\xBF' ", QStringLiteral("うた")},
        {{QStringLiteral("--transpose"), QStringLiteral("12"), QStringLiteral("--unit"), QStringLiteral("240")}, "' ",
         QStringLiteral("うた")},
    };
    for (const auto &c : cases) {
        const VltnRun r = runVltn(QStringList{QStringLiteral("import")} + c.options
                                  + QStringList{QStringLiteral("-o"), out, in});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("歌.mid から読み込みました"))) << r.err.toStdString();
        const QByteArray bytes = readFile(out);
        EXPECT_TRUE(bytes.startsWith(c.starts));
        const QString text = c.starts.startsWith("\xEF") ? QString::fromUtf8(bytes.mid(3)) : Cp932::decode(bytes);
        EXPECT_TRUE(text.contains(QStringLiteral("\r\nC-TITLE:") + c.title + QStringLiteral("\r\n")));
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\r]\n")))) << "CR LF throughout";
        // It compiles as any song does.
        const VltnRun compiled = runVltn({QStringLiteral("compile"), out});
        EXPECT_EQ(compiled.exitCode, 0) << compiled.err.toStdString();
    }
}

TEST_F(ImportVerb, RefusesWithAMessageAndWritesNothing)
{
    const QString good = write(QStringLiteral("good.mid"), melody("x"));
    const QString text = write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n");
    const QString format2 = write(QStringLiteral("f2.mid"), testmidi::file(2, 480, {testmidi::Track().note(0, 1, 60).bytes()}));
    const QString out = dir.filePath(QStringLiteral("out.hml"));
    const QString missing = dir.filePath(QStringLiteral("missing.mid"));
    const struct {
        QStringList args;
        int exit;
        const char *says;
    } cases[] = {
        {{"--track", "1", "--channel", "1", "-o", out, good}, 2, "どちらか一方"},
        {{good}, 2, "-o"},
        {{"--channel", "17", "-o", out, good}, 2, "--channel には 1 から 16"},
        {{"--unit", "0", "-o", out, good}, 2, "--unit"},
        {{"-o", out}, 2, "入力ファイル"},
        {{"-o", out, missing}, 1, "開けません"},
        {{"-o", out, text}, 1, "MIDI ファイルではありません"},
        {{"-o", out, format2}, 1, "フォーマット 2"},
        {{"--track", "4", "-o", out, good}, 1, "トラック 4 はありません"},
    };
    for (const auto &c : cases) {
        const VltnRun r = runVltn(QStringList{QStringLiteral("import")} + c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(u' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)) << c.args.join(u' ').toStdString();
    }
}

} // namespace
