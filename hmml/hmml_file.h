#pragma once
// Reading an H-MML source file into the text the compiler takes.

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
