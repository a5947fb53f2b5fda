#pragma once
// INI files as the settings file and the song files use them, read and written
// the way other copies of the program and people with a text editor expect:
//
// - a section line holds the name in square brackets; a key line holds the
//   key, "=" and the value, which is the rest of the line after the first "=";
// - sections and keys are matched without regard to case (ASCII letters only:
//   the second byte of a CP932 double-byte character is never folded, or
//   "ア" (83 41) and "ヂ" (83 61) would match);
// - writing a key replaces its line in place, or adds the line after the last
//   key of its section, or adds the section at the end of the file;
// - every line not written is kept byte for byte, with its own line end,
//   even bytes that are not valid CP932;
// - lines are written with "\r\n"; on reading CR LF, LF and CR all end a line;
// - the text is CP932, or UTF-8 in a file that starts with a UTF-8 byte-order
//   mark (kept) or is recognisably UTF-8 as a whole, as some editors save it.
//
// IniDocument is the file in memory (no I/O, so it can be fuzzed); the free
// functions below read and replace whole files.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

class IniDocument
{
public:
    IniDocument() = default;

    // Splits `bytes` into lines. Never fails: lines that are neither a section
    // nor a key (comments, blank lines, stray text) are kept and passed over.
    static IniDocument fromBytes(const QByteArray &bytes);
    // The file again: exactly the bytes read, plus the changes made.
    QByteArray toBytes() const;

    // True when names and values are UTF-8 rather than CP932.
    bool isUtf8() const { return m_utf8; }

    // The value bytes of `key` in `section`, or nothing when either is
    // missing (or the name is not one a file can hold, see nameError).
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;
    bool contains(QByteArrayView section, QByteArrayView key) const { return value(section, key).has_value(); }

    // Writes one key. A line break in the value (CR LF, CR or LF) becomes one
    // blank: the file cannot hold it, and the readers pass blanks over as they
    // pass line breaks. Returns false, changing nothing, when `section` or
    // `key` is not a name a file can hold.
    bool setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // Why a section or key name cannot be used (empty when it can). Blanks
    // around a name are not part of it; a name must not be empty, must not
    // hold a line break, a key must not hold "=" nor start with "[" or ";",
    // and a section must not hold "]". `utf8`: the name is UTF-8, not CP932.
    static QString sectionNameError(QByteArrayView section, bool utf8 = false);
    static QString keyNameError(QByteArrayView key, bool utf8 = false);

    // What setValue writes for `value`.
    static QByteArray singleLineValue(QByteArrayView value);

    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n", "\r", or empty for a last line without one
    };
    const std::vector<Line> &lines() const { return m_lines; }

private:
    std::optional<size_t> findKeyLine(QByteArrayView section, QByteArrayView key) const;
    void insertLine(size_t at, QByteArray text);

    std::vector<Line> m_lines;
    bool m_bom = false;  // a UTF-8 byte-order mark before the first line
    bool m_utf8 = false;
};

// ---- files ---------------------------------------------------------------

struct IniEntry {
    QString section;
    QString key;
    QString value;
};

struct IniLoadResult {
    IniDocument document; // empty when the file is missing or unreadable
    bool missing = false; // no file of that name
    QString error;        // Japanese message when the file exists but cannot be read
    bool ok() const { return error.isEmpty(); }
};

// Reads and parses a whole file. A missing file is not an error: it reads as
// an empty document with `missing` set.
IniLoadResult loadIniFile(const QString &path);

// The file a save is about to write into. A device or a pipe reads as empty:
// it is written into, never read first, since it might never end or wait for
// a writer that never comes.
IniLoadResult loadIniFileToWrite(const QString &path);

// The value of `key` in `section` of a loaded document, decoded as the
// document's text; in a CP932 document a value that is recognisably UTF-8 (a
// title typed in a UTF-8 editor) is read as UTF-8. Missing section or key:
// nothing. A value neither encoding reads gives nothing too, with `error`
// (when given) saying why, naming the key: a replacement character must not
// be saved back as if it were the text.
std::optional<QString> iniValue(const IniDocument &document, const QString &section, const QString &key,
                                QString *error = nullptr);

struct IniWriteResult {
    QString error; // Japanese message; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Applies `entries` in order to `document`, in its own encoding (CP932 for
// an empty one). Text the encoding cannot hold or a name a file cannot hold
// is an error naming the entry, and then nothing changes.
IniWriteResult applyIniEntries(IniDocument &document, const QList<IniEntry> &entries);

// Applies `entries` in order to the file (created when missing) and replaces
// it once, atomically: either the old file or the whole new one is left, never
// a half-written one. Text is written in the file's own encoding (CP932 for a
// new file). Text that CP932 cannot hold, a name a file cannot hold,
// a file that exists but cannot be read, or a failed write is an error, and
// nothing is written. The folder must exist.
IniWriteResult writeIniEntries(const QString &path, const QList<IniEntry> &entries);

// Key-by-key access. IniRead gives "" for a missing file, section or key and
// returns a value whole, however long.
QString IniRead(const QString &file, const QString &section, const QString &key);
IniWriteResult IniWrite(const QString &file, const QString &section, const QString &key, const QString &value);
