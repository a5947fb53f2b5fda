#pragma once
// What the importer's tests share besides the test files: compiling H-MML to
// MIDI as the program does, and the note starts of a MIDI file.

#include "core/formats/midi_timing.h"
#include "core/formats/midi_writer.h"
#include "core/hmml/compiler.h"
#include "core/importer/midi_import.h"
#include "core/omp/omp_scan.h"
#include "support/test_files.h"

#include <algorithm>
#include <vector>

// The MIDI file of an H-MML text compiled as a loaded song is; empty when it does not compile.
inline QByteArray midiOfHmml(const QString &hmml)
{
    ConversionStatus status;
    HmmlSongFields fields;
    const QString omp = HMML_Convert(hmml, "\r\n", false, status, fields);
    return status.ok() ? MIDI_Build(omp, 0).bytes : QByteArray();
}

struct Onset {
    std::int64_t tick; // 1/960 second
    int key;
};

// Every note-on of the file, in time order.
inline std::vector<Onset> onsets(const QByteArray &midi)
{
    const MidiFile file = readMidi(midi, MidiRead::Notes);
    const MidiTiming timing = midiTiming(file);
    std::vector<Onset> all;
    for (const MidiTrack &t : file.tracks)
        for (const MidiNoteEvent &e : t.notes)
            if (e.on)
                all.push_back({std::llround(timing.secondsAt(e.tick) * 960.0), e.key});
    std::stable_sort(all.begin(), all.end(), [](const Onset &a, const Onset &b) { return a.tick < b.tick; });
    return all;
}

// The notes of an H-MML text as the pocket computer plays them: a note of length L lasts L / T seconds, T the
// tempo field's value. No notes when it does not compile.
struct Played {
    std::vector<std::pair<double, int>> starts; // seconds, key
    double end = 0;
};

inline Played played(const QString &hmml)
{
    ConversionStatus status;
    HmmlSongFields fields;
    const QString omp = HMML_Convert(hmml, "\r\n", false, status, fields);
    Played p;
    double tempo = 0;
    omp::ReaderState state;
    omp::scan(status.ok() ? omp : QString(), state, [&](const omp::Event &e, const omp::ReaderState &s) {
        if (e.kind == omp::EventKind::Tempo)
            tempo = omp::readTempoNumber(QStringView(omp).sliced(e.pos + 1));
        if (e.kind == omp::EventKind::Pitch)
            p.starts.push_back({p.end, e.code - 17});
        if (e.kind == omp::EventKind::Pitch || e.kind == omp::EventKind::Rest)
            p.end += s.length / tempo;
        return true;
    });
    return p;
}
