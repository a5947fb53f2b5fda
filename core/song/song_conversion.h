#pragma once
// Load-and-convert as one piece: an H-MML text compiled and laid out as the
// main window shows a loaded file. The window uses it on loading, the editor
// on every edit (on another thread), the command line for every song.

#include "core/omp/conversion_status.h"
#include "core/hmml/note_lines.h"
#include "core/song/song.h"

#include <memory>
#include <optional>

struct HmmlConversion {
    ConversionStatus status;
    // The OMP data laid out, title, copyright, author and the source; the
    // tone is left to chooseTone. On an error the fields the lines before it
    // set, and no OMP data.
    Song song;
    qint16 program = 0; // the text's PROGRAM, 0 when it has none
    std::shared_ptr<const hmml::NoteLineMap> lines; // the line of every note
    bool ok() const { return status.ok(); }
};

// Compiles `text` (lines ending in "\r\n") with HMML_Convert, then lays the
// OMP data out with OMP_Format(`separator`, `interval`). Touches nothing
// shared, so it may run on any thread.
HmmlConversion convertHmml(const QString &text, const QString &separator, qint32 interval);

// The tone the window selects after a conversion: the text's PROGRAM - 1,
// or `defaultTone` when that is -1 (no PROGRAM, or PROGRAM 0). Nothing when
// it lies outside the list: the tone stays as it was.
std::optional<int> toneAfterConversion(const HmmlConversion &conversion, int defaultTone);

// What the window says about a conversion error, and what the command line
// says ("FILE:LINE: error: MESSAGE").
QString conversionErrorMessage(const ConversionStatus &status);
QString conversionErrorLine(const QString &path, const ConversionStatus &status);
