// MIDI files this program did not write: abc2midi (Debian's abcmidi) makes them from public-domain tunes in
// data/, the importer turns them into H-MML, and the song as the pocket computer plays it starts every note
// (read from the file by midicsv) within the timing error the report gives.

#include "import_support.h"
#include "support/midicsv_reader.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

using ForeignFiles = TempDirTest;
using testsupport::NoteStart;

double reportedMs(const QString &report, const QString &label)
{
    const QRegularExpressionMatch m = QRegularExpression(label + " ([0-9.]+) ms").match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

TEST_F(ForeignFiles, AbcTunesImportCompileAndKeepTheirTime)
{
    importer::ImportOptions lead;
    lead.track = 2;
    // The tune; its options; midicsv's track of the melody that must come back note for note (0: not compared).
    const std::tuple<QString, importer::ImportOptions, int, const char *> cases[] = {
        {"twinkle", {}, 1, "チャンネル 1 の 42 音"},
        {"ode", {}, 1, "チャンネル 1 の 47 音"},
        {"greensleeves", {}, 1, "チャンネル 1 の 38 音"},
        {"tempo_change", {}, 1, "ファイルのテンポ 3"},
        {"two_voices", lead, 2, "トラック 2"},
        {"two_voices", {}, 0, "トラック 3"}, // the accompaniment has the most notes: its strummed chords become their highest
    };
    for (const auto &[tune, options, part, reports] : cases) {
        const QString mid = path(tune + ".mid");
        const QString abc = VLTN_SOURCE_DIR "/tests/core/importer/data/" + tune + ".abc";
        ASSERT_EQ(QProcess::execute("abc2midi", {abc, "-o", mid}), 0) << str(tune);
        const importer::ImportResult r = importer::importMidiFile(mid, options);
        const Played song = played(r.hmml);
        ASSERT_TRUE(r.report.contains(reports) && !song.starts.empty()) << str(tune + ": " + r.error + r.report);
        if (part == 0)
            continue;
        std::vector<NoteStart> melody = testsupport::readNoteStartsWithMidicsv(mid).notes;
        std::erase_if(melody, [&](const NoteStart &n) { return n.track != part; });
        ASSERT_EQ(song.starts.size(), melody.size()) << str(tune);
        double sum = 0;
        for (std::size_t i = 0; i < melody.size(); ++i) {
            const double ms = std::abs(song.starts[i].first - melody[i].seconds) * 1000.0;
            sum += ms;
            EXPECT_TRUE(song.starts[i].second % 12 == melody[i].key % 12 && ms <= reportedMs(r.report, "最大") + 0.06)
                << str(tune) << ", note " << i << ": " << ms << " ms";
        }
        // The report tells the error as it is, not only a bound of it.
        EXPECT_NEAR(sum, reportedMs(r.report, "合計"), 0.06 + 0.001 * sum) << str(tune);
    }
}

} // namespace
