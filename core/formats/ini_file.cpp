#include "core/formats/ini_file.h"

#include "core/io/cp932.h"
#include "core/io/read_file.h"
#include "core/io/save_file.h"
#include "core/io/text_file.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Text as a document of that encoding holds it; `error` names the first
// character CP932 cannot hold.
QByteArray encodeFor(bool utf8, const QString &text, QString &error)
{
    if (utf8)
        return text.toUtf8();
    Cp932::EncodeResult encoded = Cp932::encode(text);
    error = encoded.error;
    return encoded.bytes;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// First and second bytes of CP932 double-byte characters. A byte of the
// second range can be "]" or an ASCII letter, so scans and comparisons must
// step over whole characters.
bool isLeadByte(uchar c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool isTrailByte(uchar c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Length of the character at s[i]: 2 for a lead byte followed by a trail
// byte, 1 otherwise (ASCII, half-width kana, or a byte that is not CP932).
// In UTF-8 no byte of a longer character is ever ASCII, so every byte can be
// looked at alone.
qsizetype charLength(QByteArrayView s, qsizetype i, bool utf8)
{
    return (!utf8 && isLeadByte(uchar(s[i])) && i + 1 < s.size() && isTrailByte(uchar(s[i + 1]))) ? 2 : 1;
}

char foldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool equalNames(QByteArrayView a, QByteArrayView b, bool utf8)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        const qsizetype len = charLength(a, i, utf8);
        if (len == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArrayView name;       // trimmed section or key name
    qsizetype valueStart = 0; // for a key: where the value begins
};

ParsedLine parseLine(QByteArrayView text, bool utf8)
{
    ParsedLine parsed;
    qsizetype s = 0;
    while (s < text.size() && isBlank(text[s]))
        ++s;
    if (s == text.size())
        return parsed;
    if (text[s] == '[') {
        for (qsizetype i = s + 1; i < text.size(); i += charLength(text, i, utf8)) {
            if (text[i] == ']') {
                parsed.kind = ParsedLine::Section;
                parsed.name = trimBlanks(text.sliced(s + 1, i - s - 1));
                return parsed;
            }
        }
        return parsed; // an unclosed bracket: neither section nor key
    }
    if (text[s] == ';')
        return parsed; // a comment
    // "=" is never the second byte of a CP932 character, so a plain search
    // finds the real one.
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return parsed;
    parsed.name = trimBlanks(text.first(eq));
    if (parsed.name.isEmpty())
        return parsed;
    parsed.kind = ParsedLine::Key;
    parsed.valueStart = eq + 1;
    return parsed;
}

bool hasLineBreak(QByteArrayView s)
{
    return s.contains('\r') || s.contains('\n');
}

} // namespace

// ---- IniDocument -----------------------------------------------------------

IniDocument IniDocument::fromBytes(const QByteArray &file)
{
    IniDocument doc;
    doc.m_bom = file.startsWith(Utf8Bom);
    const QByteArray bytes = doc.m_bom ? file.sliced(Utf8Bom.size()) : file;
    doc.m_utf8 = doc.m_bom || TextFile::detect(bytes) == TextFile::Encoding::Utf8;
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        const qsizetype endLength = (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
        doc.m_lines.push_back({bytes.sliced(start, i - start), bytes.sliced(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n)
        doc.m_lines.push_back({bytes.sliced(start), QByteArray()});
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    qsizetype size = 0;
    for (const Line &line : m_lines)
        size += line.text.size() + line.end.size();
    QByteArray out;
    out.reserve(size + Utf8Bom.size());
    if (m_bom)
        out.append(Utf8Bom);
    for (const Line &line : m_lines) {
        out.append(line.text);
        out.append(line.end);
    }
    return out;
}

QString IniDocument::sectionNameError(QByteArrayView section, bool utf8)
{
    const QByteArrayView name = trimBlanks(section);
    if (name.isEmpty())
        return QStringLiteral("セクション名が空です。");
    if (hasLineBreak(name))
        return QStringLiteral("セクション名に改行は使えません。");
    // The name must read back as itself between the brackets: no "]", and no
    // unfinished double-byte character that would swallow the closing one.
    const QByteArray line = '[' + name.toByteArray() + ']';
    const ParsedLine parsed = parseLine(line, utf8);
    if (parsed.kind != ParsedLine::Section || parsed.name != name)
        return QStringLiteral("セクション名に「]」は使えません。");
    return {};
}

QString IniDocument::keyNameError(QByteArrayView key, bool utf8)
{
    const QByteArrayView name = trimBlanks(key);
    if (name.isEmpty())
        return QStringLiteral("キー名が空です。");
    if (hasLineBreak(name))
        return QStringLiteral("キー名に改行は使えません。");
    if (name.contains('='))
        return QStringLiteral("キー名に「=」は使えません。");
    const QByteArray line = name.toByteArray() + '=';
    const ParsedLine parsed = parseLine(line, utf8);
    if (parsed.kind != ParsedLine::Key || parsed.name != name)
        return QStringLiteral("キー名を「[」や「;」で始めることはできません。");
    return {};
}

QByteArray IniDocument::singleLineValue(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            out.append(' ');
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}

std::optional<size_t> IniDocument::findKeyLine(QByteArrayView section, QByteArrayView key) const
{
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const ParsedLine parsed = parseLine(m_lines[i].text, m_utf8);
        if (parsed.kind == ParsedLine::Section)
            inSection = equalNames(parsed.name, section, m_utf8);
        else if (inSection && parsed.kind == ParsedLine::Key && equalNames(parsed.name, key, m_utf8))
            return i;
    }
    return std::nullopt;
}

std::optional<QByteArray> IniDocument::value(QByteArrayView section, QByteArrayView key) const
{
    if (!sectionNameError(section, m_utf8).isEmpty() || !keyNameError(key, m_utf8).isEmpty())
        return std::nullopt;
    const std::optional<size_t> at = findKeyLine(trimBlanks(section), trimBlanks(key));
    if (!at)
        return std::nullopt;
    const QByteArray &text = m_lines[*at].text;
    return text.sliced(parseLine(text, m_utf8).valueStart);
}

void IniDocument::insertLine(size_t at, QByteArray text)
{
    // Only the last line can lack a line end; it needs one now that a line
    // follows it.
    if (at > 0 && m_lines[at - 1].end.isEmpty())
        m_lines[at - 1].end = CrLf;
    m_lines.insert(m_lines.begin() + qsizetype(at), Line{std::move(text), CrLf});
}

bool IniDocument::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    if (!sectionNameError(section, m_utf8).isEmpty() || !keyNameError(key, m_utf8).isEmpty())
        return false;
    const QByteArrayView sectionName = trimBlanks(section);
    const QByteArrayView keyName = trimBlanks(key);
    const QByteArray newValue = singleLineValue(value);

    // In place: the key keeps its spelling and spacing as the file has it.
    if (const std::optional<size_t> at = findKeyLine(sectionName, keyName)) {
        Line &line = m_lines[*at];
        line.text = line.text.first(parseLine(line.text, m_utf8).valueStart) + newValue;
        line.end = CrLf;
        return true;
    }

    const QByteArray keyLine = keyName.toByteArray() + '=' + newValue;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const ParsedLine header = parseLine(m_lines[i].text, m_utf8);
        if (header.kind != ParsedLine::Section || !equalNames(header.name, sectionName, m_utf8))
            continue;
        // After the section's last key, so that blank lines and comments
        // before the next section stay where they are.
        size_t insertAt = i + 1;
        for (size_t j = i + 1; j < m_lines.size(); ++j) {
            const ParsedLine parsed = parseLine(m_lines[j].text, m_utf8);
            if (parsed.kind == ParsedLine::Section)
                break;
            if (parsed.kind == ParsedLine::Key)
                insertAt = j + 1;
        }
        insertLine(insertAt, keyLine);
        return true;
    }

    insertLine(m_lines.size(), '[' + sectionName.toByteArray() + ']');
    insertLine(m_lines.size(), keyLine);
    return true;
}

// ---- files -----------------------------------------------------------------

IniLoadResult loadIniFile(const QString &path)
{
    IniLoadResult result;
    if (!QFileInfo::exists(path)) {
        result.missing = true;
        return result;
    }
    const ReadFile::Result read = ReadFile::readAll(path);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    result.document = IniDocument::fromBytes(read.bytes);
    return result;
}

IniLoadResult loadIniFileToWrite(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return IniLoadResult{};
    return loadIniFile(path);
}

std::optional<QString> iniValue(const IniDocument &document, const QString &section, const QString &key,
                                QString *error)
{
    QString encodeError;
    const QByteArray s = encodeFor(document.isUtf8(), section, encodeError);
    const QByteArray k = encodeFor(document.isUtf8(), key, encodeError);
    if (!encodeError.isEmpty())
        return std::nullopt; // a name the file cannot hold is not in it
    const std::optional<QByteArray> bytes = document.value(s, k);
    if (!bytes)
        return std::nullopt;
    bool bad = false;
    QString text;
    if (document.isUtf8() || TextFile::detect(*bytes) == TextFile::Encoding::Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(*bytes);
        bad = utf8.hasError();
    } else {
        text = Cp932::decode(*bytes, &bad);
    }
    if (bad) {
        if (error)
            *error = QStringLiteral("「%1」の値に、%2読めないバイトがあります。")
                         .arg(key, document.isUtf8() ? QStringLiteral("UTF-8 として")
                                                     : QStringLiteral("シフトJIS (CP932) としても UTF-8 としても"));
        return std::nullopt;
    }
    return text;
}

IniWriteResult applyIniEntries(IniDocument &document, const QList<IniEntry> &entries)
{
    IniWriteResult result;
    struct Encoded {
        QByteArray section, key, value;
    };
    std::vector<Encoded> encoded;
    encoded.reserve(size_t(entries.size()));
    const bool utf8 = document.isUtf8();
    for (const IniEntry &entry : entries) {
        const QString where = QStringLiteral("[%1] の %2").arg(entry.section, entry.key);
        Encoded e;
        for (auto [text, bytes] : {std::pair{&entry.section, &e.section}, std::pair{&entry.key, &e.key},
                                   std::pair{&entry.value, &e.value}}) {
            QString error;
            *bytes = encodeFor(utf8, *text, error);
            if (!error.isEmpty()) {
                result.error = QStringLiteral("%1 を保存できません: %2").arg(where, error);
                return result;
            }
        }
        QString nameError = IniDocument::sectionNameError(e.section, utf8);
        if (nameError.isEmpty())
            nameError = IniDocument::keyNameError(e.key, utf8);
        if (!nameError.isEmpty()) {
            result.error = QStringLiteral("%1 を保存できません: %2").arg(where, nameError);
            return result;
        }
        encoded.push_back(std::move(e));
    }
    // Only once every entry is known to fit, so that a refusal changes nothing.
    for (const Encoded &e : encoded)
        document.setValue(e.section, e.key, e.value);
    return result;
}

IniWriteResult writeIniEntries(const QString &path, const QList<IniEntry> &entries)
{
    // An existing file we cannot read is left alone rather than replaced by
    // the few keys we know.
    IniLoadResult loaded = loadIniFileToWrite(path);
    if (!loaded.ok())
        return IniWriteResult{loaded.error};
    IniWriteResult result = applyIniEntries(loaded.document, entries);
    if (result.ok())
        result.error = SaveFile::writeAll(path, loaded.document.toBytes());
    return result;
}

QString IniRead(const QString &file, const QString &section, const QString &key)
{
    const IniLoadResult loaded = loadIniFile(file);
    return iniValue(loaded.document, section, key).value_or(QString());
}

IniWriteResult IniWrite(const QString &file, const QString &section, const QString &key, const QString &value)
{
    return writeIniEntries(file, {IniEntry{section, key, value}});
}
