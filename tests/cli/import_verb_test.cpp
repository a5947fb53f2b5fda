// vltn import as a user runs it: what it writes, what it says, how it exits.

#include "support/test_files.h"
#include "support/test_midi.h"
#include "support/vltn_runner.h"

#include <QFileInfo>

namespace {

using ImportVerb = TempDirTest;

TEST_F(ImportVerb, WritesTheSongAsCp932OrUtf8WithTheReportOrRefusesAndWritesNothing)
{
    testmidi::Track t;
    t.name("\x82\xA4\x82\xBD").note(0, 480, 60).note(480, 960, 67); // named "うた" in CP932
    const QString in = write("歌.mid", testmidi::file(1, 480, {t.bytes()})), out = path("out.hml");
    const QString text = write("song.hml", "C-TEMPO:120\r\n");
    // What changed is told on standard error, and stands at the top of the song as comments.
    const auto report = [](const char *unit) {
        return QStringLiteral("歌.mid から読み込みました (フォーマット 1、トラック 1 個、四分音符 480 ティック)。\n"
                              "旋律: トラック 1「うた」 のチャンネル 1 の 2 音。\n"
                              "単位: ファイルの 480 ティック (最初のテンポで 500.0 ms)、%1。\n"
                              "テンポ: C-TEMPO 行 1 (ファイルのテンポ 1、長さを合わせるため 0)。\n"
                              "タイミングの誤差: 合計 0.0 ms (曲の長さ 1.5 秒の 0.00%)、1 音で最大 0.0 ms。\n"
                              "書き出した音: 2 音。\n")
            .arg(unit);
    };
    const auto song = [](QString report) {
        return "' " + report.replace("\n", "\r\n' ").chopped(2) + "C-TITLE:うた\r\nC-TEMPO:120\r\n1 C 2\r\n2 G 2\r\n";
    };
    const QString asked = report("指定のとおり"), chosen = report("誤差が最も小さくなるもの");
    // The exit code; the file written; standard error, or part of it for a refusal.
    const std::tuple<QStringList, int, QByteArray, QString> cases[] = {
        {{"--unit=480", "-o", out, in}, 0, sjis(song(asked)), asked},
        {{"--utf8", "-o", out, in}, 0, "\xEF\xBB\xBF" + song(chosen).toUtf8(), chosen},
        {{"--track", "1", "--channel", "1", "-o", out, in}, 2, "", "どちらか一方"},
        {{in}, 2, "", "-o"},
        {{"--channel", "17", "-o", out, in}, 2, "", "--channel には 1 から 16"},
        {{"-o", out, path("missing.mid")}, 1, "", "開けません"},
        {{"-o", out, text}, 1, "", "MIDI ファイルではありません"},
        {{"--track", "4", "-o", out, in}, 1, "", "トラック 4 はありません"},
        {{"--unit", "7", "-o", out, in}, 2, "", "使える単位"},
    };
    for (const auto &[args, exitCode, bytes, says] : cases) {
        QFile::remove(out);
        const VltnRun r = runVltn(QStringList{"import"} + args);
        const QByteArray written = QFileInfo::exists(out) ? readFile(out) : QByteArray();
        EXPECT_EQ(std::tuple(r.exitCode, r.out, written, exitCode ? r.err.contains(says) : r.err == says),
                  std::tuple(exitCode, QString(), bytes, true))
            << str(args.join(u' ') + ": " + r.err);
        EXPECT_TRUE(exitCode || runVltn({"compile", out}).exitCode == 0) << "the song written compiles";
    }
}

} // namespace
