#pragma once
// Reads a MIDI file back with Debian's midicsv, an independent reader, so the
// tests do not judge our files by our own parsing alone.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace testsupport {

// midicsv's listing of `path`, a record a line; `error` set when it failed or complained.
inline QStringList midicsvListing(const QString &path, QString &error)
{
    QProcess midicsv;
    midicsv.start(QStringLiteral("midicsv"), {path});
    if (!midicsv.waitForFinished(60000) || midicsv.exitStatus() != QProcess::NormalExit || midicsv.exitCode() != 0) {
        error = QStringLiteral("midicsv failed: ") + QString::fromLocal8Bit(midicsv.readAllStandardError());
        return {};
    }
    if (!midicsv.readAllStandardError().isEmpty())
        error = QStringLiteral("midicsv complained");
    return QString::fromLatin1(midicsv.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

struct MidiCsvNote {
    qint64 tick;
    bool on; // Note_on_c with a velocity above 0; otherwise a Note_off_c
    int note;
    bool operator==(const MidiCsvNote &) const = default;
};

struct MidiCsvSummary {
    // Empty when midicsv read one track of format 0 at 480 ticks per quarter
    // note that ends with End_track and holds only program changes and notes.
    QString error;
    int program = -1;
    std::vector<MidiCsvNote> notes;
    qint64 endTick = -1;
};

// A file as our MIDI writer makes them.
inline MidiCsvSummary readWithMidicsv(const QString &path)
{
    MidiCsvSummary s;
    const QStringList lines = midicsvListing(path, s.error);
    // midicsv reads on past a wrong track end and turns whatever follows into
    // events, so the shape of the whole listing is checked.
    if (!s.error.isEmpty() || lines.size() < 4 || lines.first() != u"0, 0, Header, 0, 1, 480"
        || lines.at(1) != u"1, 0, Start_track" || lines.last() != u"0, 0, End_of_file") {
        s.error += QStringLiteral(" unexpected listing: ") + lines.join(u'|').left(300);
        return s;
    }
    for (qsizetype i = 2; i < lines.size() - 1; ++i) {
        const QStringList f = lines.at(i).split(QStringLiteral(", "));
        const QString type = f.value(2);
        if (type == u"Program_c" && f.size() == 5)
            s.program = f.at(4).toInt();
        else if ((type == u"Note_on_c" || type == u"Note_off_c") && f.size() == 6)
            s.notes.push_back({f.at(1).toLongLong(), type == u"Note_on_c" && f.at(5).toInt() > 0, f.at(4).toInt()});
        else if (type == u"End_track" && f.size() == 3 && i == lines.size() - 2)
            s.endTick = f.at(1).toLongLong();
        else
            return s.error = QStringLiteral("unexpected record: ") + lines.at(i), s;
    }
    if (s.endTick < 0)
        s.error = QStringLiteral("no End_track");
    return s;
}

struct NoteStart {
    int track = 0;   // as midicsv numbers them, from 1
    int channel = 0; // 0 to 15
    int key = 0;
    double seconds = 0;
};

struct MidiCsvNotes {
    QString error;
    std::vector<NoteStart> notes; // every note-on of velocity above 0, in time order
};

// Any MIDI file's note starts in seconds, by its own tempo map.
inline MidiCsvNotes readNoteStartsWithMidicsv(const QString &path)
{
    MidiCsvNotes r;
    double division = 0;
    std::vector<std::pair<qint64, double>> tempos{{0, 500000}}; // tick, microseconds per quarter
    std::vector<std::pair<qint64, NoteStart>> ons;
    for (const QString &line : midicsvListing(path, r.error)) {
        const QStringList f = line.trimmed().split(QStringLiteral(", "));
        if (f.value(2) == u"Header")
            division = f.value(5).toDouble();
        else if (f.value(2) == u"Tempo")
            tempos.push_back({f.value(1).toLongLong(), f.value(3).toDouble()});
        else if (f.value(2) == u"Note_on_c" && f.value(5).toInt() > 0)
            ons.push_back({f.value(1).toLongLong(), {f.value(0).toInt(), f.value(3).toInt(), f.value(4).toInt(), 0}});
    }
    std::stable_sort(tempos.begin(), tempos.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &[tick, note] : ons) {
        for (std::size_t i = 0; i < tempos.size() && tempos[i].first < tick; ++i) {
            const qint64 to = i + 1 < tempos.size() ? std::min(tick, tempos[i + 1].first) : tick;
            note.seconds += double(to - tempos[i].first) * tempos[i].second / 1e6 / division;
        }
        r.notes.push_back(note);
    }
    std::stable_sort(r.notes.begin(), r.notes.end(), [](const NoteStart &a, const NoteStart &b) { return a.seconds < b.seconds; });
    if (r.error.isEmpty() && division <= 0)
        r.error = QStringLiteral("no header");
    return r;
}

} // namespace testsupport
