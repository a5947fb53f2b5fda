#pragma once
// Reading the text files people write songs in: CP932 as on the pocket
// computer's home platform, or UTF-8 as most editors on Linux write it.

#include <QByteArray>
#include <QString>

namespace TextFile {

enum class Encoding { Cp932, Utf8 };

// Chooses the encoding of a song text. UTF-8 when the bytes start with a
// UTF-8 byte-order mark, or when they are valid UTF-8 throughout and hold at
// least one character of U+0800 or above (every kana and kanji): half-width
// katakana in CP932 can form short valid UTF-8 by accident, a whole Japanese
// CP932 text practically never does. CP932 otherwise.
Encoding detect(const QByteArray &bytes);

// Decodes by detect(); a UTF-8 byte-order mark is dropped.
QString decode(const QByteArray &bytes, Encoding *used = nullptr);

// The text's lines, each followed by "\r\n" (the form the compiler reads):
// CR LF, CR and LF alone each end a line, and a final line break ends the
// last line rather than starting an empty one.
QString withCrLfLineEnds(const QString &text);

struct ReadResult {
    QByteArray bytes;
    QString error; // Japanese message naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads a whole file. "-" reads standard input.
ReadResult readBytes(const QString &path);

} // namespace TextFile
