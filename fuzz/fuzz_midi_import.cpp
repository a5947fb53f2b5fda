// Imports any bytes as a MIDI file: the user names the file, so no input may
// crash the importer, hang it or read past its end; whatever it accepts
// must be a song that compiles and stays within the line limit, and only an
// option asked for may be refused as such.
#include "core/hmml/compiler.h"
#include "core/importer/midi_import.h"
#include "core/importer/timing_fit.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the options; the rest is the file.
    importer::ImportOptions options;
    const std::uint8_t pick = data[0];
    if (pick & 1)
        options.channel = 1 + (pick >> 4);
    if (pick & 2)
        options.transpose = int(pick >> 2) - 32;
    if (pick & 4)
        options.unit = 1 + (pick >> 3) * 15;
    options.utf8 = pick & 8;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const importer::ImportResult r = importer::importMidi(bytes, QStringLiteral("fuzz.mid"), options);
    if (r.ok()) {
        // The report's comments and the title come on top of the lines counted.
        if (r.hmml.count(u'\n') > importer::MaxLines + 32)
            std::abort();
        ConversionStatus status;
        HmmlSongFields fields;
        HMML_Convert(r.hmml, QStringLiteral("\r\n"), true, status, fields);
        if (!status.ok())
            std::abort();
        QString error;
        if (importer::encodeHmml(r.hmml, options.utf8, error).isEmpty())
            std::abort();
    } else if (r.error.isEmpty() || !r.hmml.isEmpty() || (r.optionRefused && !options.unit)) {
        std::abort();
    }
    return 0;
}
