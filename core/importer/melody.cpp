#include "core/importer/melody.h"

#include <algorithm>
#include <array>

namespace importer {

namespace {

bool inPart(const MidiNoteEvent &e, std::optional<int> channel)
{
    return channel ? e.channel == *channel : e.channel != DrumChannel;
}

// One note at a time from the events of the part, in tick order.
void makeMonophonic(const std::vector<MidiNoteEvent> &all, std::optional<int> channel, std::int64_t endTick,
                    Melody &melody)
{
    // The part's events, looked at in place.
    std::vector<const MidiNoteEvent *> events;
    events.reserve(all.size());
    for (const MidiNoteEvent &e : all)
        if (inPart(e, channel))
            events.push_back(&e);
    std::optional<MelodyNote> sounding;
    const auto close = [&](std::int64_t tick) {
        sounding->off = tick;
        if (sounding->off > sounding->on)
            melody.notes.push_back(*sounding);
        else
            ++melody.emptyNotes;
        sounding.reset();
    };
    std::vector<char> used; // note-offs already taken, in the tick's group
    std::size_t i = 0;
    while (i < events.size()) {
        const std::int64_t tick = events[i]->tick;
        std::size_t end = i;
        while (end < events.size() && events[end]->tick == tick)
            ++end;
        // A note ending where the next begins is not cut by it: note-offs
        // of notes started earlier go first, then the note-ons, then a
        // note-off that follows the note-on it ends (a note of no length).
        used.assign(end - i, 0);
        for (std::size_t j = i; j < end; ++j) {
            const MidiNoteEvent &e = *events[j];
            if (!e.on && sounding && sounding->key == e.key && sounding->on < tick) {
                close(tick);
                used[j - i] = 1;
            }
        }
        int highest = -1;
        int ons = 0;
        std::size_t highestAt = end;
        for (std::size_t j = i; j < end; ++j) {
            if (events[j]->on) {
                ++ons;
                if (int(events[j]->key) > highest) {
                    highest = events[j]->key;
                    highestAt = j;
                }
            }
        }
        if (ons > 0) {
            melody.chordNotes += ons - 1;
            if (sounding) {
                ++melody.cutNotes;
                close(tick);
            }
            sounding = MelodyNote{tick, tick, highest};
            for (std::size_t j = highestAt + 1; j < end && sounding; ++j) {
                if (!events[j]->on && !used[j - i] && events[j]->key == highest)
                    close(tick);
            }
        }
        i = end;
    }
    if (sounding)
        close(std::max(endTick, sounding->on));
}

} // namespace

Melody extractMelody(const MidiFile &file, std::optional<int> track, std::optional<int> channel)
{
    Melody melody;
    const int trackCount = int(file.tracks.size());
    if (track && (*track < 0 || *track >= trackCount)) {
        melody.error = QStringLiteral("トラック %1 はありません (このファイルのトラックは 1 から %2 までです)。")
                           .arg(*track + 1)
                           .arg(trackCount);
        return melody;
    }
    if (!track && !channel) {
        // The part with the most notes: one channel of one track.
        qint64 best = 0;
        for (int t = 0; t < trackCount; ++t) {
            std::array<qint64, 16> counts{};
            for (const MidiNoteEvent &e : file.tracks[std::size_t(t)].notes)
                counts[e.channel] += e.on ? 1 : 0;
            for (int c = 0; c < 16; ++c) {
                if (c != DrumChannel && counts[std::size_t(c)] > best) {
                    best = counts[std::size_t(c)];
                    track = t;
                    channel = c;
                }
            }
        }
        const bool anyNote = std::any_of(file.tracks.begin(), file.tracks.end(),
                                         [](const MidiTrack &t) { return !t.notes.empty(); });
        if (!anyNote) {
            melody.error = QStringLiteral("このファイルには音符がひとつもありません (テンポなどの情報だけです)。"
                                          "音符の入った MIDI ファイルを選んでください。");
            return melody;
        }
        if (!track) {
            melody.onlyDrums = true;
            melody.error = QStringLiteral("旋律にできる音がありません (チャンネル 10 のドラムは除きます。"
                                          "ドラムを読み込むには --channel 10 を指定してください)。");
            return melody;
        }
    }
    melody.track = track.value_or(-1);
    melody.channel = channel.value_or(-1);

    // One track's events are in tick order already; the parts of several
    // are merged.
    std::vector<MidiNoteEvent> events;
    std::int64_t endTick = 0;
    for (int t = 0; t < trackCount; ++t) {
        if (track && t != *track)
            continue;
        const MidiTrack &tr = file.tracks[std::size_t(t)];
        endTick = std::max(endTick, tr.endTick);
        for (const MidiNoteEvent &e : tr.notes)
            melody.sourceNotes += (e.on && inPart(e, channel)) ? 1 : 0;
        if (!track)
            std::copy_if(tr.notes.begin(), tr.notes.end(), std::back_inserter(events),
                         [&](const MidiNoteEvent &e) { return inPart(e, channel); });
    }
    if (melody.sourceNotes == 0) {
        melody.error = track ? QStringLiteral("トラック %1 には旋律にできる音がありません。").arg(*track + 1)
                             : QStringLiteral("チャンネル %1 には音がありません。").arg(*channel + 1);
        return melody;
    }
    if (track) {
        makeMonophonic(file.tracks[std::size_t(*track)].notes, channel, endTick, melody);
    } else {
        std::stable_sort(events.begin(), events.end(),
                         [](const MidiNoteEvent &a, const MidiNoteEvent &b) { return a.tick < b.tick; });
        makeMonophonic(events, channel, endTick, melody);
    }
    if (melody.notes.empty())
        melody.error = QStringLiteral("長さのある音がありません。");
    return melody;
}

PitchFit fitPitches(std::vector<MelodyNote> &notes, std::optional<int> transpose)
{
    const auto countInRange = [&](int shift) {
        qint64 n = 0;
        for (const MelodyNote &m : notes)
            n += (m.key + shift >= LowestKey && m.key + shift <= HighestKey) ? 1 : 0;
        return n;
    };
    PitchFit fit;
    if (transpose) {
        fit.shift = *transpose;
        fit.inRange = countInRange(fit.shift);
    } else {
        // Keys 0 to 127 reach the range within five octaves either way;
        // nearer shifts come first, upward before downward.
        fit.inRange = -1;
        for (int octaves : {0, 1, -1, 2, -2, 3, -3, 4, -4, 5, -5}) {
            const qint64 n = countInRange(12 * octaves);
            if (n > fit.inRange) {
                fit.inRange = n;
                fit.shift = 12 * octaves;
            }
        }
    }
    for (MelodyNote &m : notes) {
        int key = m.key + fit.shift;
        if (key < LowestKey || key > HighestKey) {
            ++fit.folded;
            while (key < LowestKey)
                key += 12;
            while (key > HighestKey)
                key -= 12;
        }
        m.key = key;
    }
    return fit;
}

} // namespace importer
