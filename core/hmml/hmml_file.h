#pragma once
// Reading an H-MML source file into the text the compiler takes.

#include "core/hmml/compiler.h"
#include "core/io/text_file.h"

#include <QByteArray>
#include <QString>

struct HmmlFileText {
    QString text;  // every line followed by "\r\n"
    QString error; // Japanese message naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads `path` ("-" for standard input) as CP932, or as UTF-8 when it starts
// with a UTF-8 byte-order mark or is UTF-8 holding kana or kanji. A line ends
// at CR LF, CR or LF alone.
HmmlFileText readHmmlFile(const QString &path);

// An H-MML file read by readHmmlFile and compiled by hmml::convert.
struct HmmlFileCompile {
    QString error;   // readHmmlFile's message when the file cannot be read
    QByteArray omp;  // the OMP data (ASCII); empty on an error
    ConversionStatus status;
    HmmlSongFields song;
};

// Reads and compiles `path` with the result readHmmlFile and hmml::convert
// give: with `raw` the OMP data as emitted, otherwise laid out as OMP_Format
// lays it out with `separator` and `interval`. A file of plain ASCII (most
// songs) is compiled as it is read, a piece at a time, and laid out as it is
// compiled: neither the file nor the emitted data is held whole.
HmmlFileCompile compileHmmlFile(const QString &path, bool raw, const QString &separator = {}, qint32 interval = 0);

// An H-MML file as an editor holds it: the text with every line break a "\n",
// and what writing it back keeps of the file: its encoding, its byte-order
// mark and its line break (the first one it holds; CR LF for a file without
// one, and for a new file, which is CP932).
struct HmmlDocument {
    QString text;
    TextFile::Encoding encoding = TextFile::Encoding::Cp932;
    bool byteOrderMark = false;
    QString lineBreak = QStringLiteral("\r\n");
    QString error; // Japanese message naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// The bytes of a file read by the rules of readHmmlFile; `name` is the
// file's name for messages.
HmmlDocument decodeHmmlDocument(QByteArrayView bytes, const QString &name);

// `text` (line breaks "\n") as the bytes of a file like `format`. Text the
// encoding cannot hold is refused: `error` names the character and the result
// is empty.
QByteArray encodeHmmlDocument(const QString &text, const HmmlDocument &format, QString &error);
