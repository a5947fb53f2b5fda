#pragma once
// Reads a MIDI file back with Debian's midicsv, an independent reader, so the
// tests do not judge our files by our own parsing alone.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

namespace testsupport {

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
    QStringList lines;
};

inline MidiCsvSummary readWithMidicsv(const QString &path)
{
    MidiCsvSummary s;
    QProcess midicsv;
    midicsv.start(QStringLiteral("midicsv"), {path});
    if (!midicsv.waitForFinished(60000) || midicsv.exitStatus() != QProcess::NormalExit
        || midicsv.exitCode() != 0) {
        s.error = QStringLiteral("midicsv failed: ") + QString::fromLocal8Bit(midicsv.readAllStandardError());
        return s;
    }
    if (!midicsv.readAllStandardError().isEmpty()) {
        s.error = QStringLiteral("midicsv complained");
        return s;
    }
    s.lines = QString::fromLatin1(midicsv.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    // midicsv reads on past a wrong track end and turns whatever follows into
    // events, so the shape of the whole listing is checked.
    if (s.lines.size() < 4 || s.lines.first() != u"0, 0, Header, 0, 1, 480" || s.lines.at(1) != u"1, 0, Start_track"
        || s.lines.last() != u"0, 0, End_of_file") {
        s.error = QStringLiteral("unexpected listing: ") + s.lines.join(u'|').left(300);
        return s;
    }
    for (qsizetype i = 2; i < s.lines.size() - 1; ++i) {
        const QStringList f = s.lines.at(i).split(QStringLiteral(", "));
        const QString type = f.value(2);
        if (type == u"Program_c" && f.size() == 5)
            s.program = f.at(4).toInt();
        else if ((type == u"Note_on_c" || type == u"Note_off_c") && f.size() == 6)
            s.notes.push_back({f.at(1).toLongLong(), type == u"Note_on_c" && f.at(5).toInt() > 0, f.at(4).toInt()});
        else if (type == u"End_track" && f.size() == 3 && i == s.lines.size() - 2)
            s.endTick = f.at(1).toLongLong();
        else {
            s.error = QStringLiteral("unexpected record: ") + s.lines.at(i);
            return s;
        }
    }
    if (s.endTick < 0)
        s.error = QStringLiteral("no End_track");
    return s;
}

} // namespace testsupport
