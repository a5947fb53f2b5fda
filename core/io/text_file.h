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
Encoding detect(QByteArrayView bytes);

struct DecodeResult {
    QString text;
    Encoding encoding = Encoding::Cp932;
    QString error; // Japanese, naming the line; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Decodes by detect(); a UTF-8 byte-order mark is dropped. UTF-16 text is
// refused with a word on how to save it instead, and so are bytes the chosen
// encoding cannot read: a replacement character would otherwise travel on
// into songs and lists as if it were text.
DecodeResult decodeText(QByteArrayView bytes);

// decodeText for a whole file the user named as text: a MIDI file, or any
// other file that is not text (it holds NUL bytes), is refused with a word
// on what it is and what to do with it, rather than read as garbled text.
DecodeResult decodeTextFile(QByteArrayView bytes);

// The text's lines, each followed by "\r\n" (the form the compiler reads):
// CR LF, CR and LF alone each end a line, and a final line break ends the
// last line rather than starting an empty one.
QString withCrLfLineEnds(const QString &text);

} // namespace TextFile
