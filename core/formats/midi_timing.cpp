#include "core/formats/midi_timing.h"

#include "core/io/read_file.h"


#include <algorithm>

double MidiTiming::secondsAt(std::int64_t tick) const
{
    if (division <= 0 || tempos.empty())
        return 0;
    // The last change at or before `tick` sets the pace from its own time on.
    auto after = std::upper_bound(tempos.begin(), tempos.end(), tick,
                                  [](std::int64_t t, const MidiTempoChange &c) { return t < c.tick; });
    const MidiTempoChange &at = after == tempos.begin() ? tempos.front() : *(after - 1);
    return at.seconds + double(tick - at.tick) * double(at.microsecondsPerQuarter) / 1e6 / division;
}

MidiTiming midiTiming(const MidiFile &file)
{
    MidiTiming timing;
    timing.error = file.error;
    if (!file.ok())
        return timing;
    timing.format = file.format;
    timing.division = file.division;
    timing.trackCount = int(file.tracks.size());
    for (const MidiTrack &track : file.tracks)
        timing.totalTicks = std::max(timing.totalTicks, track.endTick);

    // One tempo map for all tracks, as format 1 keeps it in the first track;
    // a change at the same tick as another replaces it.
    std::vector<MidiTempoChange> tempos = file.tempos;
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const MidiTempoChange &a, const MidiTempoChange &b) { return a.tick < b.tick; });
    timing.tempos.push_back({0, 500000, 0});
    for (const MidiTempoChange &t : tempos) {
        MidiTempoChange &last = timing.tempos.back();
        if (t.tick == last.tick) {
            last.microsecondsPerQuarter = t.microsecondsPerQuarter;
            continue;
        }
        MidiTempoChange next = t;
        next.seconds = last.seconds
                       + double(t.tick - last.tick) * double(last.microsecondsPerQuarter) / 1e6 / timing.division;
        timing.tempos.push_back(next);
    }
    return timing;
}

MidiTiming readMidiTiming(const QByteArray &bytes)
{
    return midiTiming(readMidi(bytes));
}

MidiFileRead readMidiFile(const QString &path)
{
    MidiFileRead read;
    const ReadFile::Result file = ReadFile::readAll(path);
    if (!file.ok()) {
        read.error = file.error;
        return read;
    }
    read.bytes = file.bytes;
    read.timing = readMidiTiming(read.bytes);
    if (!read.timing.ok())
        read.error = QStringLiteral("「%1」を再生できません: %2").arg(path, read.timing.error);
    return read;
}
