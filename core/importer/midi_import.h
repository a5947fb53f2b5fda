#pragma once
// A Standard MIDI File as an H-MML song: one melody taken out of it, its
// notes in the range of the pocket computers and its times in whole units,
// with a report of everything that had to change.

#include "core/importer/import_progress.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace importer {

struct ImportOptions {
    std::optional<int> track;     // 1-based, as the user counts them
    std::optional<int> channel;   // 1 to 16
    std::optional<int> transpose; // semitones; else the best octave shift
    std::optional<int> unit;      // ticks of the file; else the one that fits best
    bool utf8 = false;            // the text will be saved as UTF-8, else as CP932
    // The import is the window's, which has none of the options above: the
    // advice names what to do there rather than an option to give.
    bool window = false;
};

struct ImportResult {
    QString hmml;   // the H-MML text, every line followed by "\r\n"
    QString report; // Japanese, one line per finding, each ended by "\n"
    QString error;  // Japanese; empty on success
    bool optionRefused = false; // the error is about an option asked for, not about the file
    bool cancelled = false;     // stopped by the watcher; nothing else holds
    bool ok() const { return error.isEmpty(); }
};

// `name`: the file's name, for the title when the file has none and for the
// report. `watch`: told how far the import is, and able to stop it.
ImportResult importMidi(const QByteArray &bytes, const QString &name, const ImportOptions &options,
                        const ImportWatch &watch = {});

// Reads `path` ("-": standard input) and imports it.
ImportResult importMidiFile(const QString &path, const ImportOptions &options, const ImportWatch &watch = {});

// The text as it is saved: CP932 (or UTF-8 with a byte-order mark, so that it
// is read back as UTF-8 whatever it holds). Empty with `error` set when CP932
// cannot hold a character.
QByteArray encodeHmml(const QString &hmml, bool utf8, QString &error);

} // namespace importer
