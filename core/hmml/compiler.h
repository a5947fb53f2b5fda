#pragma once
// The H-MML compiler: one call turns a whole H-MML text into OMP data.

#include "core/omp/conversion_status.h"

#include <QString>

#include <array>
#include <memory>
#include <string>

namespace hmml {
class NoteLineMap;
}
namespace omp {
class Formatter;
}

// What a conversion learns about the song besides its notes. Emptied at the
// start of every call; on an error the fields keep what the lines before it
// had set.
struct HmmlSongFields {
    QString title;
    QString author;
    QString copyright;
    // The text's PROGRAM (General MIDI program 1 to 128 as written), 0 when
    // no line set one. Each text stands on its own: an earlier text's
    // PROGRAM never carries over.
    qint16 program = 0;
};

// Compiles `source`, split into lines at every `lineSeparator` (empty means
// "\r\n"). With `raw` the OMP data comes back as emitted; otherwise it is
// passed through OMP_Format(omp, "", 0). On an error the result is empty and
// `status` tells the code, line and message.
QString HMML_Convert(const QString &source, const QString &lineSeparator, bool raw,
                     ConversionStatus &status, HmmlSongFields &song);

namespace hmml {

// What a conversion tells besides its OMP data.
struct ConvertDetails {
    // When given: filled with the line of every note of the result.
    NoteLineMap *lines = nullptr;
};

// HMML_Convert with the line of every note. It touches nothing shared, so it
// may run on any thread.
QString convert(const QString &source, const QString &lineSeparator, bool raw, ConversionStatus &status,
                HmmlSongFields &song, ConvertDetails &details);

class Compiler;

// The compiler a line at a time, for a text read in pieces: lines handed to
// addLine one after the other compile as `convert` compiles them joined by
// line separators. Starting one empties `status`, `song` and the line map.
class LineCompiler {
public:
    LineCompiler(ConversionStatus &status, HmmlSongFields &song, ConvertDetails &details);
    ~LineCompiler();
    LineCompiler(const LineCompiler &) = delete;
    LineCompiler &operator=(const LineCompiler &) = delete;

    // Compiles the next line (without its line break). False once a line has
    // failed, with `status` telling why; later lines are then only counted.
    bool addLine(QStringView line);
    bool addLine(QLatin1StringView line);
    // Every line of `text` split at `lineSeparator` (empty means "\r\n"), as
    // `convert` splits its source.
    bool addText(QStringView text, QStringView lineSeparator);
    // From now on the OMP data goes to `formatter` as it is emitted, a
    // piece at a time, instead of being kept: it is never held whole. After
    // a failure what it got stands for nothing.
    void passOutputTo(omp::Formatter *formatter);
    // The OMP data as emitted (printable ASCII only); empty after a failure,
    // or when it went to a formatter (the rest of it goes there now).
    std::string takeOutput();

private:
    std::unique_ptr<Compiler> m_compiler;
};

// The names of C, D, E, F, G, A and B (one character each) that a LANGUAGE
// value selects, compared after uppercasing; any other value keeps the
// English names.
std::array<char16_t, 7> noteNames(QStringView language);

// The largest OMP text a conversion builds (in characters); a song of many
// long loops beyond it is refused with code -1 instead of exhausting memory.
inline constexpr qsizetype MaxOutputLength = qsizetype(256) * 1024 * 1024;
} // namespace hmml
