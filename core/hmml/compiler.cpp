#include "core/hmml/compiler.h"

#include "core/omp/formatter.h"
#include "core/hmml/note_lines.h"
#include "core/hmml/number_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

using namespace Qt::StringLiterals;

namespace {

namespace Msg {
const QString Unexpected = QStringLiteral("予期せぬエラーが発生しました。");
}

QString messageFor(int code, const QString &badChar = {})
{
    switch (code) {
    case 200: return QStringLiteral("命令／音譜データ以外を以外を検出しました。H-MMLを確認してください。");
    case 201: return QStringLiteral("命令文字列に不明な文字[") + badChar + QStringLiteral("]があります。");
    case 202: return QStringLiteral("テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。");
    case 203: return QStringLiteral("音譜データの後に指定できない命令が指定されています。");
    case 204: return QStringLiteral("再定義できない命令が再定義されています。");
    case 205: return QStringLiteral("多重ループにはできません。");
    case 206: return QStringLiteral("ループ回数の指定が異常です。(1回～999回が有効です)");
    case 207: return QStringLiteral("ループ外にループ終了命令が存在します。");
    case 208: return QStringLiteral("音譜データの前にはテンポデータが必要です。");
    case 209: return QStringLiteral("音譜データに指定されている長さが１～１６の範囲にありません。");
    case 210: return QStringLiteral("音程が異常です。言語指定にあったものを使用してください。");
    case 211: return QStringLiteral("音の高さが１～４の指定範囲外です。");
    case 212: return QStringLiteral("音色データは再定義できません。");
    default: return Msg::Unexpected;
    }
}

// Note names per LANGUAGE, in the slots of the natural notes C D E F G A B.
using NoteNames = std::array<char16_t, 7>;
constexpr std::array<int, 7> NaturalSlots = {0, 2, 4, 5, 7, 9, 11};
constexpr NoteNames English = {u'C', u'D', u'E', u'F', u'G', u'A', u'B'};
constexpr NoteNames Italy = {u'D', u'R', u'M', u'F', u'S', u'L', u'C'};
constexpr NoteNames Germany = {u'C', u'D', u'E', u'F', u'G', u'A', u'H'};
constexpr NoteNames Japanese = {u'ハ', u'ニ', u'ホ', u'ヘ', u'ト', u'イ', u'ロ'};
constexpr NoteNames Katakana = {u'ド', u'レ', u'ミ', u'フ', u'ソ', u'ラ', u'シ'};

char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

QString asciiUpper(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i)
        out[i] = QChar(asciiUpper(s[i].unicode()));
    return out;
}

// indexOf() for the separator, quicker for the usual short one: look for
// its first character, then compare the rest.
qsizetype findSeparator(QStringView text, QStringView sep, qsizetype from)
{
    const char16_t first = sep.front().unicode();
    const char16_t *const data = text.utf16();
    const qsizetype last = text.size() - sep.size();
    for (qsizetype at = from; at <= last; ++at) {
        if (data[at] != first)
            continue;
        qsizetype k = 1;
        while (k < sep.size() && data[at + k] == sep[k].unicode())
            ++k;
        if (k == sep.size())
            return at;
    }
    return -1;
}

// "C-TEMPO:120" and the like; "C-" in either case.
bool isCommandLine(QStringView line)
{
    return line.size() >= 2 && (line[0] == u'C' || line[0] == u'c') && line[1] == u'-';
}

bool isNameChar(char16_t upper)
{
    return upper == u'-' || (upper >= u'A' && upper <= u'Z');
}

// `name` (checked by isNameChar) in any case is `upper`.
bool nameIs(QStringView name, QLatin1StringView upper)
{
    if (name.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (asciiUpper(name[i].unicode()) != char16_t(upper[i].unicode()))
            return false;
    }
    return true;
}

// A field's number rounded down, as the note fields read it. Lengths and
// octaves of one or two digits, nearly all of them, are read in place.
double wholePart(QStringView field)
{
    if (!field.isEmpty() && field.size() <= 2) {
        const unsigned first = field.front().unicode() - u'0';
        const unsigned last = field.back().unicode() - u'0';
        if (first <= 9 && last <= 9)
            return field.size() == 1 ? first : first * 10 + last;
    }
    return std::floor(hmml::readNumber(field));
}

} // namespace

namespace hmml {

class Compiler {
public:
    Compiler(ConversionStatus &status, HmmlSongFields &song, ConvertDetails &details)
        : m_status(status), m_song(song), m_details(details)
    {
        m_status.clear();
        m_song = HmmlSongFields{};
        if (m_details.lines)
            m_details.lines->clear();
        setNoteNames(English);
    }

    // Lines are numbered from 1 as they come, empty ones too; after a
    // failure they are only counted.
    template <typename Char>
    bool addLine(const Char *begin, const Char *end)
    {
        ++m_lineNo;
        if (m_failed)
            return false;
        if (m_partEnded || begin == end)
            return true;
        m_failed = !processLine(cleanLine(begin, end));
        passOn(PassOnSize);
        return !m_failed;
    }

    void passOutputTo(omp::Formatter *formatter) { m_formatter = formatter; }

    std::string takeOutput()
    {
        if (m_failed)
            return {};
        if (m_details.lines)
            m_details.lines->squeeze();
        passOn(0);
        return std::move(m_out);
    }

private:
    bool fail(int code, const QString &badChar = {})
    {
        m_status.code = code;
        m_status.line = code == -1 ? 0 : m_lineNo;
        m_status.message = messageFor(code, badChar);
        return false;
    }
    // Code -1 for a limit of ours, with the reason on the next line.
    bool failLimit(const QString &reason)
    {
        fail(-1);
        m_status.message += u'\n' + reason;
        return false;
    }
    bool failOutputTooLong()
    {
        return failLimit(QStringLiteral("変換結果の OMP データが 256 MiB を超えます。ループの回数を減らしてください。"));
    }

    void setNoteNames(const NoteNames &names)
    {
        m_noteNames.fill(0);
        m_asciiSemitones.fill(-1);
        for (size_t i = 0; i < names.size(); ++i) {
            const int slot = NaturalSlots[i];
            m_noteNames[size_t(slot)] = names[i];
            if (names[i] < m_asciiSemitones.size() && m_asciiSemitones[names[i]] < 0)
                m_asciiSemitones[names[i]] = qint8(slot);
        }
    }

    int semitoneOf(char16_t c) const
    {
        if (c < m_asciiSemitones.size())
            return m_asciiSemitones[c];
        for (size_t slot = 0; slot < m_noteNames.size(); ++slot) {
            if (m_noteNames[slot] == c)
                return int(slot);
        }
        return -1;
    }

    void put(std::string_view text)
    {
        m_out += text;
        if (m_inLoop)
            m_loopBody += text;
    }

    // With a formatter, the output it holds goes there once it reaches
    // `size` characters.
    void passOn(qsizetype size)
    {
        if (m_formatter && qsizetype(m_out.size()) >= size && !m_out.empty()) {
            m_formatter->add(QByteArrayView(m_out.data(), qsizetype(m_out.size())));
            m_passedOn += qsizetype(m_out.size());
            m_out.clear(); // keeps its room
        }
    }

    // Appends the loop body loop-count times; false when that would pass the
    // output limit.
    bool expandLoop()
    {
        const qsizetype emitted = std::min(m_passedOn + qsizetype(m_out.size()), MaxOutputLength);
        const size_t room = size_t(MaxOutputLength - emitted);
        if (!m_loopBody.empty() && size_t(m_loopCount) > room / m_loopBody.size())
            return false;
        if (!m_formatter)
            m_out.reserve(m_out.size() + m_loopBody.size() * size_t(m_loopCount));
        for (qint32 i = 0; i < m_loopCount; ++i) {
            m_out += m_loopBody;
            passOn(PassOnSize);
        }
        if (m_details.lines)
            m_details.lines->addRepeat(m_loopFirstNote, m_details.lines->noteCount() - m_loopFirstNote, m_loopCount);
        m_inLoop = false;
        m_loopBody.clear();
        return true;
    }

    // Blanks and tabs reduced to single blanks, the ends trimmed, a comment
    // from the first apostrophe dropped, CR and LF removed.
    template <typename Char>
    QStringView cleanLine(const Char *raw, const Char *end)
    {
        if (m_line.size() < size_t(end - raw))
            m_line.resize(size_t(end - raw));
        char16_t *const begin = m_line.data();
        char16_t *out = begin;
        bool afterBlank = true; // blanks leading the line go as those after a blank
        for (; raw != end; ++raw) {
            char16_t c = *raw;
            if (c < u' ' || c == u'\'') { // rare characters
                if (c == u'\'')
                    break;
                if (c == u'\r' || c == u'\n')
                    continue;
                if (c == u'\t')
                    c = u' ';
            }
            // Blanks come anywhere, too often to guess: a blank after a
            // blank is written over, without a branch.
            const bool blank = c == u' ';
            *out = c;
            out += !(blank && afterBlank);
            afterBlank = blank;
        }
        if (out != begin && out[-1] == u' ')
            --out;
        return QStringView(begin, out - begin);
    }

    bool processLine(QStringView line)
    {
        if (line.isEmpty())
            return true;
        if (line[0] >= u'0' && line[0] <= u'9')
            return noteLine(line);
        if (isCommandLine(line))
            return commandLine(line);
        return fail(200);
    }

    bool commandLine(QStringView line)
    {
        const qsizetype colon = line.indexOf(u':', 2);
        const QStringView name = colon < 0 ? line.sliced(2) : line.sliced(2, colon - 2);
        for (const QChar ch : name) {
            if (!isNameChar(asciiUpper(ch.unicode())))
                return fail(201, QString(ch));
        }
        QStringView arg;
        if (colon >= 0) {
            arg = line.sliced(colon + 1);
            while (!arg.isEmpty() && arg.front() == u' ')
                arg = arg.sliced(1);
        }

        if (nameIs(name, "TEMPO"_L1))
            return tempo(arg);
        if (nameIs(name, "LANGUAGE"_L1))
            return language(arg);
        if (nameIs(name, "TITLE"_L1))
            return single(m_titleSet, m_song.title, arg);
        if (nameIs(name, "COPYRIGHT"_L1))
            return single(m_copyrightSet, m_song.copyright, arg);
        if (nameIs(name, "AUTHOR"_L1))
            return single(m_authorSet, m_song.author, arg);
        if (nameIs(name, "PROGRAM"_L1))
            return program(arg);
        if (nameIs(name, "LOOP"_L1))
            return loop(arg);
        if (nameIs(name, "LEND"_L1)) {
            if (!m_inLoop)
                return fail(207);
            return expandLoop() || failOutputTooLong();
        }
        if (nameIs(name, "PARTEND"_L1)) {
            if (m_inLoop && !expandLoop())
                return failOutputTooLong();
            m_partEnded = true;
            return true;
        }
        return true; // unknown commands do nothing
    }

    bool tempo(QStringView arg)
    {
        // The tempo is used rounded down: below 1 it would be 0, a field
        // "$0:" that the formatter drops, leaving the song without a tempo
        // and every player dividing by 0.
        const double value = readNumber(arg);
        if (!(value >= 1))
            return fail(202);
        const double whole = std::floor(value);
        if (whole > 2147483647.0)
            return failLimit(QStringLiteral("テンポが大きすぎます (2147483647 まで)。"));
        m_tempoSet = true;
        // V = T / 60 rounded half up to two decimals, in integers:
        // hundredths = floor((10 T + 3) / 6).
        const std::int64_t t = std::int64_t(whole);
        const std::int64_t hundredths = (10 * t + 3) / 6;
        const std::int64_t units = hundredths / 100;
        const int cents = int(hundredths % 100);
        std::string &field = m_tempoField;
        field.assign(1, '$');
        if (cents == 0 || units != 0)
            field += std::to_string(units);
        if (cents != 0) {
            field += '.';
            field += char('0' + cents / 10);
            if (cents % 10 != 0)
                field += char('0' + cents % 10);
        }
        field += ':';
        put(field);
        return true;
    }

    bool language(QStringView arg)
    {
        if (m_noteDataSeen)
            return fail(203);
        if (m_languageSet)
            return fail(204);
        setNoteNames(noteNames(arg));
        m_languageSet = true;
        return true;
    }

    bool single(bool &setFlag, QString &field, QStringView arg)
    {
        if (setFlag)
            return fail(204);
        field = arg.toString();
        setFlag = true;
        return true;
    }

    bool program(QStringView arg)
    {
        if (m_programSet)
            return fail(212);
        double value = 0;
        if (!readWholeNumber(arg, value))
            return fail(-1);
        const double rounded = std::nearbyint(value); // ties to even
        if (!(rounded >= -32768.0 && rounded <= 32767.0))
            return fail(-1);
        m_song.program = qint16(rounded);
        m_programSet = true;
        return true;
    }

    bool loop(QStringView arg)
    {
        if (m_inLoop)
            return fail(205);
        const double count = std::floor(readNumber(arg));
        if (!(count >= 1 && count <= 999))
            return fail(206);
        m_inLoop = true;
        m_loopBody = m_tempoField;
        m_loopCount = qint32(count);
        if (m_details.lines)
            m_loopFirstNote = m_details.lines->noteCount();
        return true;
    }

    bool noteLine(QStringView line)
    {
        if (!m_tempoSet)
            return fail(208);
        m_noteDataSeen = true;

        // The line is cleaned: its fields stand between single blanks.
        std::array<QStringView, 3> fields;
        qsizetype count = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != u' ')
                continue;
            if (count == 2)
                return fail(-1); // more than three fields
            fields[size_t(count++)] = line.sliced(start, i - start);
            start = i + 1;
        }
        fields[size_t(count++)] = line.sliced(start);

        const double length = wholePart(fields[0]);
        if (count == 3)
            m_lastOctave = wholePart(fields[2]);
        if (!(length >= 1 && length <= 16))
            return fail(209);
        if (count < 2)
            return fail(-1); // no pitch field
        const QStringView pitch = fields[1];
        if (pitch.size() < 1 || pitch.size() > 2)
            return fail(210);
        char note[2] = {char('0' + int(length)), '*'}; // the length, then the pitch or rest
        if (pitch.size() != 1 || pitch[0] != u'*') {
            int semitone = semitoneOf(asciiUpper(pitch[0].unicode()));
            if (semitone < 0)
                return fail(210);
            const char16_t sign = pitch.back().unicode(); // the name itself when there is none
            semitone += int(sign == u'#') | int(sign == u'+');
            if (!(m_lastOctave >= 1 && m_lastOctave <= 4))
                return fail(211);
            note[1] = char('A' + (int(m_lastOctave) - 1) * 12 + semitone);
        }
        put(std::string_view(note, 2));
        if (m_details.lines)
            m_details.lines->addNote(m_lineNo);
        return true;
    }

    ConversionStatus &m_status;
    HmmlSongFields &m_song;
    ConvertDetails &m_details;
    qint32 m_lineNo = 0;
    bool m_failed = false;
    qsizetype m_loopFirstNote = 0; // the first note of the open loop, in the line map
    std::array<char16_t, 12> m_noteNames{};
    std::array<qint8, 128> m_asciiSemitones{}; // the slot of each ASCII name, -1 for none
    bool m_noteDataSeen = false, m_tempoSet = false, m_languageSet = false;
    bool m_titleSet = false, m_copyrightSet = false, m_authorSet = false;
    bool m_partEnded = false, m_inLoop = false, m_programSet = false;
    std::string m_tempoField;
    std::string m_loopBody;
    qint32 m_loopCount = 0;
    double m_lastOctave = 0; // kept from the last note line that had one
    std::u16string m_line;   // buffer for the line being compiled, cleaned
    std::string m_out;       // printable ASCII only
    omp::Formatter *m_formatter = nullptr;
    qsizetype m_passedOn = 0; // output handed to the formatter
    static constexpr qsizetype PassOnSize = 64 * 1024;
};

LineCompiler::LineCompiler(ConversionStatus &status, HmmlSongFields &song, ConvertDetails &details)
    : m_compiler(std::make_unique<Compiler>(status, song, details))
{
}

LineCompiler::~LineCompiler() = default;

bool LineCompiler::addLine(QStringView line)
{
    const auto *begin = reinterpret_cast<const char16_t *>(line.utf16());
    return m_compiler->addLine(begin, begin + line.size());
}

bool LineCompiler::addLine(QLatin1StringView line)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(line.data());
    return m_compiler->addLine(begin, begin + line.size());
}

bool LineCompiler::addText(QStringView text, QStringView lineSeparator)
{
    const QStringView separator = lineSeparator.isEmpty() ? QStringView(u"\r\n") : lineSeparator;
    // The text's own speed makes yields to the event loop unnecessary: a
    // million lines compile in well under a second.
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = findSeparator(text, separator, start);
        if (!addLine(at < 0 ? text.sliced(start) : text.sliced(start, at - start)))
            return false;
        if (at < 0)
            return true;
        start = at + separator.size();
    }
}

void LineCompiler::passOutputTo(omp::Formatter *formatter)
{
    m_compiler->passOutputTo(formatter);
}

std::string LineCompiler::takeOutput()
{
    return m_compiler->takeOutput();
}

QString convert(const QString &source, const QString &lineSeparator, bool raw, ConversionStatus &status,
                HmmlSongFields &song, ConvertDetails &details)
{
    LineCompiler compiler(status, song, details);
    if (!compiler.addText(source, lineSeparator))
        return {};
    const std::string out = compiler.takeOutput();
    const QByteArrayView bytes(out.data(), qsizetype(out.size()));
    if (raw)
        return QString::fromLatin1(bytes);
    return QString::fromLatin1(omp::formatAscii(bytes, QString(), 0, status));
}

std::array<char16_t, 7> noteNames(QStringView language)
{
    const QString value = asciiUpper(language);
    if (value == u"ITALY")
        return Italy;
    if (value == u"GERMANY")
        return Germany;
    if (value == u"JAPANESE")
        return Japanese;
    if (value == u"KATAKANA")
        return Katakana;
    return English;
}

} // namespace hmml

QString HMML_Convert(const QString &source, const QString &lineSeparator, bool raw,
                     ConversionStatus &status, HmmlSongFields &song)
{
    hmml::ConvertDetails details;
    return hmml::convert(source, lineSeparator, raw, status, song, details);
}
