// vltn import as a user runs it: what it writes, what it says, how it exits.

#include "support/vltn_runner.h"

#include "support/test_files.h"
#include "tests/support/test_files.h"
#include "tests/support/test_midi.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using ImportVerb = TempDirTest;

TEST_F(ImportVerb, WritesTheSongAsCp932OrUtf8AndReportsOnStandardError)
{
    testmidi::Track t;
    t.name("\x82\xA4\x82\xBD").note(0, 480, 60).note(480, 960, 67); // named "うた" in CP932
    const QString in = write(QStringLiteral("歌.mid"), testmidi::file(1, 480, {t.bytes()}));
    const QString out = dir.filePath(QStringLiteral("out.hml"));
    for (const bool utf8 : {false, true}) {
        const VltnRun r = runVltn({QStringLiteral("import"), utf8 ? QStringLiteral("--utf8") : QStringLiteral("--unit=480"),
                                   QStringLiteral("-o"), out, in});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("歌.mid から読み込みました"))) << r.err.toStdString();
        const QByteArray bytes = readFile(out);
        const QString text = utf8 ? QString::fromUtf8(bytes.mid(3)) : Cp932::decode(bytes);
        EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), utf8);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nC-TITLE:うた\r\nC-TEMPO:120\r\n1 C 2\r\n2 G 2\r\n")))
            << text.toStdString();
        EXPECT_EQ(text.count(u'\n'), text.count(QStringLiteral("\r\n")));
        EXPECT_EQ(runVltn({QStringLiteral("compile"), out}).exitCode, 0);
    }
}

TEST_F(ImportVerb, RefusesWithAMessageAndWritesNothing)
{
    const QString good = write(QStringLiteral("good.mid"), testmidi::song({{60, 480}}));
    const QString text = write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n");
    const QString out = dir.filePath(QStringLiteral("out.hml"));
    const struct {
        QStringList args;
        int exit;
        const char *says;
    } cases[] = {
        {{"--track", "1", "--channel", "1", "-o", out, good}, 2, "どちらか一方"},
        {{good}, 2, "-o"},
        {{"--channel", "17", "-o", out, good}, 2, "--channel には 1 から 16"},
        {{"-o", out, dir.filePath("missing.mid")}, 1, "開けません"},
        {{"-o", out, text}, 1, "MIDI ファイルではありません"},
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
