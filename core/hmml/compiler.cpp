#include "core/hmml/compiler.h"

#include "core/omp/formatter.h"
#include "core/hmml/note_lines.h"
#include "core/hmml/number_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

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

class Compiler {
public:
    Compiler(ConversionStatus &status, HmmlSongFields &song, hmml::ConvertDetails &details)
        : m_status(status), m_song(song), m_details(details)
    {
        setNoteNames(English);
    }

    // Runs over every line; false when a line failed (status set).
    bool run(QStringView source, QStringView separator)
    {
        qint32 lineNo = 0;
        qsizetype start = 0;
        // The text's own speed makes yields to the event loop unnecessary:
        // a million lines compile in well under a second.
        for (;;) {
            const qsizetype at = findSeparator(source, separator, start);
            const QStringView piece = at < 0 ? source.sliced(start) : source.sliced(start, at - start);
            ++lineNo;
            if (!m_partEnded && !piece.isEmpty() && !processLine(piece, lineNo))
                return false;
            if (at < 0)
                break;
            start = at + separator.size();
        }
        return true;
    }

    QString takeOutput() { return QString::fromUtf16(m_out.data(), qsizetype(m_out.size())); }

private:
    bool fail(int code, qint32 line, const QString &badChar = {})
    {
        m_status.code = code;
        m_status.line = code == -1 ? 0 : line;
        m_status.message = messageFor(code, badChar);
        return false;
    }
    // Code -1 for a limit of ours, with the reason on the next line.
    bool failLimit(const QString &reason)
    {
        fail(-1, 0);
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
        for (size_t i = 0; i < names.size(); ++i)
            m_noteNames[size_t(NaturalSlots[i])] = names[i];
    }

    int semitoneOf(char16_t c) const
    {
        for (size_t slot = 0; slot < m_noteNames.size(); ++slot) {
            if (m_noteNames[slot] != 0 && m_noteNames[slot] == c)
                return int(slot);
        }
        return -1;
    }

    void put(QStringView text)
    {
        m_out.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
        if (m_inLoop)
            m_loopBody.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    }
    void put(char16_t c)
    {
        m_out.push_back(c);
        if (m_inLoop)
            m_loopBody.push_back(c);
    }

    // Appends the loop body loop-count times; false when that would pass the
    // output limit.
    bool expandLoop()
    {
        const size_t room = size_t(hmml::MaxOutputLength) - std::min(m_out.size(), size_t(hmml::MaxOutputLength));
        if (!m_loopBody.empty() && size_t(m_loopCount) > room / m_loopBody.size())
            return false;
        m_out.reserve(m_out.size() + m_loopBody.size() * size_t(m_loopCount));
        for (qint32 i = 0; i < m_loopCount; ++i)
            m_out.append(m_loopBody);
        if (m_details.lines)
            m_details.lines->addRepeat(m_loopFirstNote, m_details.lines->noteCount() - m_loopFirstNote, m_loopCount);
        m_inLoop = false;
        m_loopBody.clear();
        return true;
    }

    // Blanks and tabs reduced to single blanks, the ends trimmed, a comment
    // from the first apostrophe dropped, CR and LF removed.
    QStringView cleanLine(QStringView raw)
    {
        if (m_line.size() < size_t(raw.size()))
            m_line.resize(size_t(raw.size()));
        char16_t *const begin = m_line.data();
        char16_t *out = begin;
        for (const QChar ch : raw) {
            char16_t c = ch.unicode();
            if (c == u'\r' || c == u'\n')
                continue;
            if (c == u'\'')
                break;
            if (c == u'\t')
                c = u' ';
            if (c == u' ' && (out == begin || out[-1] == u' '))
                continue;
            *out++ = c;
        }
        if (out != begin && out[-1] == u' ')
            --out;
        return QStringView(begin, out - begin);
    }

    bool processLine(QStringView raw, qint32 lineNo)
    {
        const QStringView line = cleanLine(raw);
        if (line.isEmpty())
            return true;
        if (isCommandLine(line))
            return commandLine(line, lineNo);
        if (line[0] >= u'0' && line[0] <= u'9')
            return noteLine(line, lineNo);
        return fail(200, lineNo);
    }

    bool commandLine(QStringView line, qint32 lineNo)
    {
        const qsizetype colon = line.indexOf(u':', 2);
        const QStringView rawName = colon < 0 ? line.sliced(2) : line.sliced(2, colon - 2);
        for (const QChar ch : rawName) {
            const char16_t c = asciiUpper(ch.unicode());
            if (!(c == u'-' || (c >= u'A' && c <= u'Z')))
                return fail(201, lineNo, QString(ch));
        }
        QStringView arg;
        if (colon >= 0) {
            arg = line.sliced(colon + 1);
            while (!arg.isEmpty() && arg.front() == u' ')
                arg = arg.sliced(1);
        }
        const QString name = asciiUpper(rawName);

        if (name == u"TEMPO")
            return tempo(arg, lineNo);
        if (name == u"LANGUAGE")
            return language(arg, lineNo);
        if (name == u"TITLE")
            return single(m_titleSet, m_song.title, arg, lineNo);
        if (name == u"COPYRIGHT")
            return single(m_copyrightSet, m_song.copyright, arg, lineNo);
        if (name == u"AUTHOR")
            return single(m_authorSet, m_song.author, arg, lineNo);
        if (name == u"PROGRAM")
            return program(arg, lineNo);
        if (name == u"LOOP")
            return loop(arg, lineNo);
        if (name == u"LEND") {
            if (!m_inLoop)
                return fail(207, lineNo);
            return expandLoop() || failOutputTooLong();
        }
        if (name == u"PARTEND") {
            if (m_inLoop && !expandLoop())
                return failOutputTooLong();
            m_partEnded = true;
            return true;
        }
        return true; // unknown commands do nothing
    }

    bool tempo(QStringView arg, qint32 lineNo)
    {
        // The tempo is used rounded down: below 1 it would be 0, a field
        // "$0:" that the formatter drops, leaving the song without a tempo
        // and every player dividing by 0.
        const double value = hmml::readNumber(arg);
        if (!(value >= 1))
            return fail(202, lineNo);
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
        QString field = QStringLiteral("$");
        if (cents == 0) {
            field += QString::number(units);
        } else {
            if (units != 0)
                field += QString::number(units);
            field += u'.';
            field += QChar(u'0' + cents / 10);
            if (cents % 10 != 0)
                field += QChar(u'0' + cents % 10);
        }
        field += u':';
        put(field);
        m_tempoField = field;
        return true;
    }

    bool language(QStringView arg, qint32 lineNo)
    {
        if (m_noteDataSeen)
            return fail(203, lineNo);
        if (m_languageSet)
            return fail(204, lineNo);
        setNoteNames(hmml::noteNames(arg));
        m_languageSet = true;
        return true;
    }

    bool single(bool &setFlag, QString &field, QStringView arg, qint32 lineNo)
    {
        if (setFlag)
            return fail(204, lineNo);
        field = arg.toString();
        setFlag = true;
        return true;
    }

    bool program(QStringView arg, qint32 lineNo)
    {
        if (m_programSet)
            return fail(212, lineNo);
        double value = 0;
        if (!hmml::readWholeNumber(arg, value))
            return fail(-1, lineNo);
        const double rounded = std::nearbyint(value); // ties to even
        if (!(rounded >= -32768.0 && rounded <= 32767.0))
            return fail(-1, lineNo);
        m_song.program = qint16(rounded);
        m_programSet = true;
        return true;
    }

    bool loop(QStringView arg, qint32 lineNo)
    {
        if (m_inLoop)
            return fail(205, lineNo);
        const double count = std::floor(hmml::readNumber(arg));
        if (!(count >= 1 && count <= 999))
            return fail(206, lineNo);
        m_inLoop = true;
        m_loopBody.assign(reinterpret_cast<const char16_t *>(m_tempoField.utf16()), size_t(m_tempoField.size()));
        m_loopCount = qint32(count);
        if (m_details.lines)
            m_loopFirstNote = m_details.lines->noteCount();
        return true;
    }

    bool noteLine(QStringView line, qint32 lineNo)
    {
        if (!m_tempoSet)
            return fail(208, lineNo);
        m_noteDataSeen = true;

        std::array<QStringView, 3> fields;
        qsizetype count = 0;
        qsizetype start = 0;
        const qsizetype n = line.size();
        for (qsizetype i = 0; i <= n; ++i) {
            if (i < n && line[i] != u' ')
                continue;
            if (count == 3)
                return fail(-1, lineNo); // more than three fields
            fields[size_t(count++)] = line.sliced(start, i - start);
            start = i + 1;
        }

        const double length = std::floor(hmml::readNumber(fields[0]));
        if (count == 3)
            m_lastOctave = std::floor(hmml::readNumber(fields[2]));
        if (!(length >= 1 && length <= 16))
            return fail(209, lineNo);
        put(char16_t(u'0' + int(length)));

        if (count < 2)
            return fail(-1, lineNo); // no pitch field
        const QStringView pitch = fields[1];
        if (pitch.size() < 1 || pitch.size() > 2)
            return fail(210, lineNo);
        if (pitch == u"*") {
            put(u'*');
            noteFrom(lineNo);
            return true;
        }
        int semitone = semitoneOf(asciiUpper(pitch[0].unicode()));
        if (semitone < 0)
            return fail(210, lineNo);
        if (pitch.size() == 2 && (pitch[1] == u'#' || pitch[1] == u'+'))
            ++semitone;
        if (!(m_lastOctave >= 1 && m_lastOctave <= 4))
            return fail(211, lineNo);
        put(char16_t(u'A' + (int(m_lastOctave) - 1) * 12 + semitone));
        noteFrom(lineNo);
        return true;
    }

    void noteFrom(qint32 lineNo)
    {
        if (m_details.lines)
            m_details.lines->addNote(lineNo);
    }

    ConversionStatus &m_status;
    HmmlSongFields &m_song;
    hmml::ConvertDetails &m_details;
    qsizetype m_loopFirstNote = 0; // the first note of the open loop, in the line map
    std::array<char16_t, 12> m_noteNames{};
    bool m_noteDataSeen = false, m_tempoSet = false, m_languageSet = false;
    bool m_titleSet = false, m_copyrightSet = false, m_authorSet = false;
    bool m_partEnded = false, m_inLoop = false, m_programSet = false;
    QString m_tempoField;
    std::u16string m_loopBody;
    qint32 m_loopCount = 0;
    double m_lastOctave = 0; // kept from the last note line that had one
    std::u16string m_line;   // buffer for the line being compiled, cleaned
    std::u16string m_out;
};

} // namespace

namespace hmml {

QString convert(const QString &source, const QString &lineSeparator, bool raw, ConversionStatus &status,
                HmmlSongFields &song, ConvertDetails &details)
{
    status.clear();
    song = HmmlSongFields{};
    if (details.lines)
        details.lines->clear();
    if (source.isEmpty())
        return {};
    const QString separator = lineSeparator.isEmpty() ? QStringLiteral("\r\n") : lineSeparator;

    Compiler compiler(status, song, details);
    if (!compiler.run(source, separator))
        return {};
    if (details.lines)
        details.lines->squeeze();
    QString out = compiler.takeOutput();
    if (raw)
        return out;
    return OMP_Format(out, QString(), 0, status);
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
