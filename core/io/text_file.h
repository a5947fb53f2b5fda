#pragma once
// Reading the text files people write songs in: CP932 as on the pocket
// computer's home platform, or UTF-8 as most editors on Linux write it.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

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

// The lines of a file of plain ASCII text, read a piece at a time so that a
// long song is never held whole. Only a regular file of bytes 1 to 0x7F
// (no NUL), not starting as a MIDI or RIFF file and within ReadFile::MaxSize
// reads this way: decodeTextFile then reads it without an error, and its
// text's lines are these (split at CR LF, CR and LF alone, as
// withCrLfLineEnds splits them). Any other file stops the reading wherever
// that shows; it must then be read whole, which tells what is wrong with it.
class AsciiLines {
public:
    explicit AsciiLines(const QString &path, qsizetype pieceSize = 64 * 1024);

    // The next line, without its line break; false at the end of the file
    // or once it turns out not to be one to read this way.
    bool next(QLatin1StringView &line);
    // Whether the whole file was read this way, once next() returned false.
    // When not, the lines handed out so far stand for nothing.
    bool complete() const { return m_state == State::Complete; }

private:
    enum class State { Reading, AtEnd, Complete, Refused };
    // Reads the next piece after the unfinished line; false when refused.
    bool readMore();

    QFile m_file;
    std::vector<char> m_buffer;
    qsizetype m_lineStart = 0; // the unread part of the buffer
    qsizetype m_dataEnd = 0;
    qint64 m_total = 0;        // bytes read so far
    State m_state = State::Reading;
};

} // namespace TextFile
