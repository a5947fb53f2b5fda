// MIDI files this program did not write: abc2midi (Debian's abcmidi) makes
// them from public-domain tunes in data/, the importer turns them into H-MML,
// and the song compiled and written by MIDI_Exp, read back by midicsv, starts
// every note within the timing error the report gives.

#include "import_support.h"

#include "tests/support/midicsv_reader.h"
#include "support/test_files.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using ForeignFiles = TempDirTest;

double reportedMs(const QString &report, const QString &label)
{
    const QRegularExpressionMatch m =
        QRegularExpression(label + QStringLiteral(" ([0-9.]+) ms")).match(report);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

TEST_F(ForeignFiles, AbcTunesImportCompileAndKeepTheirTime)
{
    importer::ImportOptions lead;
    lead.track = 2;
    const struct {
        const char *tune;
        importer::ImportOptions options;
        int part; // midicsv's track of the melody that must come back note for note; 0: not compared
        const char *reports;
    } cases[] = {
        {"twinkle", {}, 1, "チャンネル 1 の 42 音"},
        {"ode", {}, 1, "チャンネル 1 の 47 音"},
        {"greensleeves", {}, 1, "チャンネル 1 の 38 音"},
        {"tempo_change", {}, 1, "ファイルのテンポ 3"},
        {"two_voices", lead, 2, "トラック 2"},
        // The accompaniment has the most notes: its strummed chords become
        // their highest notes.
        {"two_voices", {}, 0, "トラック 3"},
    };
    for (const auto &c : cases) {
        const QString abc = QStringLiteral(VLTN_SOURCE_DIR "/tests/importer/data/%1.abc").arg(QLatin1String(c.tune));
        const QString mid = dir.filePath(QLatin1String(c.tune) + QStringLiteral(".mid"));
        ASSERT_EQ(QProcess::execute(QStringLiteral("abc2midi"), {abc, QStringLiteral("-o"), mid}), 0) << c.tune;

        const importer::ImportResult r = importer::importMidiFile(mid, c.options);
        ASSERT_TRUE(r.ok()) << c.tune << ": " << r.error.toStdString();
        EXPECT_TRUE(r.report.contains(QString::fromUtf8(c.reports))) << c.tune << "\n" << r.report.toStdString();
        const QByteArray song = midiOfHmml(r.hmml);
        ASSERT_FALSE(song.isEmpty()) << c.tune << ": does not compile";
        if (c.part == 0)
            continue;

        const QString out = write(QLatin1String(c.tune) + QStringLiteral(".out.mid"), song);
        const testsupport::MidiCsvNotes imported = testsupport::readNoteStartsWithMidicsv(out);
        std::vector<testsupport::NoteStart> melody = testsupport::readNoteStartsWithMidicsv(mid).notes;
        std::erase_if(melody, [&](const testsupport::NoteStart &n) { return n.track != c.part; });
        ASSERT_TRUE(imported.error.isEmpty()) << c.tune;

        const double maxMs = reportedMs(r.report, QStringLiteral("最大"));
        ASSERT_EQ(imported.notes.size(), melody.size()) << c.tune << "\n" << r.report.toStdString();
        double sum = 0;
        for (std::size_t i = 0; i < melody.size(); ++i) {
            const double ms = std::abs(imported.notes[i].seconds - melody[i].seconds) * 1000.0;
            sum += ms;
            EXPECT_EQ(imported.notes[i].key % 12, melody[i].key % 12) << c.tune << ", note " << i;
            EXPECT_LE(ms, maxMs + 0.06) << c.tune << ", note " << i;
        }
        // The report tells the error as it is, not only a bound of it.
        EXPECT_NEAR(sum, reportedMs(r.report, QStringLiteral("合計")), 0.06 + 0.001 * sum) << c.tune;
    }
}

} // namespace
