#include "app/hmml_highlighter.h"

#include "core/hmml/compiler.h"

#include <QTextDocument>

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace {

// The LANGUAGE values, by their index.
const std::array<QStringView, 5> Languages = {u"", u"ITALY", u"GERMANY", u"JAPANESE", u"KATAKANA"};

// An edit of at most this many lines is coloured at once, before it is
// laid out; a longer one (a paste, a file read) when its lines are shown.
constexpr int FewBlocks = 64;

// What a block's colours were made for: the LANGUAGE in force before it.
// An edit of the block removes it.
class Colours : public QTextBlockUserData {
public:
    explicit Colours(int language) : language(language) {}
    int language;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

char16_t upper(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'a' && u <= u'z' ? char16_t(u - 32) : u;
}

int languageIndex(QStringView value)
{
    const QString v = value.trimmed().toString().toUpper();
    for (size_t i = 1; i < Languages.size(); ++i) {
        if (v == Languages[i])
            return int(i);
    }
    return 0;
}

// A command line's parts: the name from `start` to `nameEnd`, the argument
// after the colon up to `end` (the comment or the end of the line).
struct Command {
    qsizetype start = -1, nameEnd = 0, end = 0;
    bool found() const { return start >= 0; }
    bool hasArgument() const { return nameEnd < end; }
};

// Where the line's comment starts (its length when it has none), and the
// first character that is not blank.
qsizetype commentStart(QStringView text)
{
    const qsizetype quote = text.indexOf(u'\'');
    return quote >= 0 ? quote : text.size();
}

qsizetype firstNonBlank(QStringView text, qsizetype end)
{
    qsizetype i = 0;
    while (i < end && isBlank(text[i]))
        ++i;
    return i;
}

Command commandOf(QStringView text, qsizetype i, qsizetype end)
{
    Command c;
    if (end - i >= 2 && upper(text[i]) == u'C' && text[i + 1] == u'-') {
        const qsizetype colon = text.indexOf(u':', i);
        c.start = i;
        c.nameEnd = colon >= 0 && colon < end ? colon : end;
        c.end = end;
    }
    return c;
}

// A command that sets the LANGUAGE.
bool isLanguage(QStringView text, const Command &c)
{
    return c.hasArgument() && text.sliced(c.start + 2, c.nameEnd - c.start - 2).toString().toUpper() == u"LANGUAGE";
}

// The LANGUAGE a command sets, or `language` when it sets none.
int languageSet(QStringView text, const Command &c, int language)
{
    return isLanguage(text, c) ? languageIndex(text.sliced(c.nameEnd + 1, c.end - c.nameEnd - 1)) : language;
}

} // namespace

HmmlHighlighter::HmmlHighlighter(QObject *parent) : QObject(parent) {}

QTextCharFormat HmmlHighlighter::format(Kind kind)
{
    QTextCharFormat f;
    switch (kind) {
    case Kind::Command:
        f.setForeground(QColor(0x1a, 0x4f, 0xb0));
        f.setFontWeight(QFont::Bold);
        break;
    case Kind::Argument: f.setForeground(QColor(0x8a, 0x2b, 0x8a)); break;
    case Kind::Length: f.setForeground(QColor(0xb0, 0x5a, 0x00)); break;
    case Kind::Pitch:
        f.setForeground(QColor(0x11, 0x7a, 0x3a));
        f.setFontWeight(QFont::Bold);
        break;
    case Kind::Octave: f.setForeground(QColor(0x00, 0x6f, 0x8a)); break;
    case Kind::Rest: f.setForeground(QColor(0x70, 0x70, 0x90)); break;
    case Kind::Comment:
        f.setForeground(QColor(0x80, 0x80, 0x80));
        f.setFontItalic(true);
        break;
    }
    return f;
}

std::optional<int> HmmlHighlighter::languageOf(QStringView text)
{
    const qsizetype end = commentStart(text);
    const Command c = commandOf(text, firstNonBlank(text, end), end);
    return c.found() && isLanguage(text, c) ? std::optional(languageSet(text, c, 0)) : std::nullopt;
}

QList<QTextLayout::FormatRange> HmmlHighlighter::lineFormats(QStringView text, int &language)
{
    static const std::array<QTextCharFormat, 7> formats = {
        format(Kind::Command), format(Kind::Argument), format(Kind::Length), format(Kind::Pitch),
        format(Kind::Octave),  format(Kind::Rest),     format(Kind::Comment)};
    QList<QTextLayout::FormatRange> ranges;
    const auto mark = [&](qsizetype start, qsizetype length, Kind kind) {
        if (length > 0)
            ranges.append({int(start), int(length), formats[size_t(kind)]});
    };
    const qsizetype end = commentStart(text);
    if (end < text.size())
        mark(end, text.size() - end, Kind::Comment);
    qsizetype i = firstNonBlank(text, end);

    if (const Command c = commandOf(text, i, end); c.found()) {
        mark(c.start, c.nameEnd - c.start, Kind::Command);
        if (c.hasArgument())
            mark(c.nameEnd + 1, end - c.nameEnd - 1, Kind::Argument);
        language = languageSet(text, c, language);
    } else if (i < end && text[i].isDigit()) {
        const std::array<char16_t, 7> names = hmml::noteNames(Languages[size_t(language)]);
        for (int field = 0; i < end && field < 3; ++field) {
            qsizetype j = i;
            while (j < end && !isBlank(text[j]))
                ++j;
            const QStringView word = text.sliced(i, j - i);
            const bool rest = field == 1 && word == u"*";
            const bool pitch = field == 1 && word.size() <= 2
                               && std::find(names.begin(), names.end(), upper(word[0])) != names.end();
            if (field != 1 || rest || pitch)
                mark(i, j - i, field == 0 ? Kind::Length : field == 2 ? Kind::Octave : rest ? Kind::Rest : Kind::Pitch);
            i = j;
            while (i < end && isBlank(text[i]))
                ++i;
        }
    }
    std::sort(ranges.begin(), ranges.end(), [](const auto &a, const auto &b) { return a.start < b.start; });
    return ranges;
}

void HmmlHighlighter::setDocument(QTextDocument *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    m_languageLines.clear();
    if (!m_document)
        return;
    connect(m_document, &QTextDocument::contentsChange, this, &HmmlHighlighter::contentsChange);
    findLanguageLines(0, m_document->characterCount() - 1);
}

void HmmlHighlighter::findLanguageLines(int start, int end)
{
    QTextCursor range(m_document);
    range.setPosition(start);
    range.setPosition(end, QTextCursor::KeepAnchor);
    findLanguageLines(start, range.selectedText(), QChar::ParagraphSeparator);
}

void HmmlHighlighter::aboutToInsert(int position, QStringView text)
{
    // Each character of it becomes one of the document's only when none of
    // them is a line break other than LF (a CR LF goes in as one).
    const bool plain = std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
    });
    m_comingAt = plain ? position : -1;
    m_coming = text;
}

void HmmlHighlighter::findLanguageLines(int start, QStringView text, QChar lineEnd)
{
    auto at = std::partition_point(m_languageLines.begin(), m_languageLines.end(),
                                   [start](const LanguageLine &l) { return l.at.position() < start; });
    for (qsizetype line = 0; line <= text.size();) {
        qsizetype next = text.indexOf(lineEnd, line);
        if (next < 0)
            next = text.size();
        if (const std::optional<int> language = languageOf(text.sliced(line, next - line))) {
            QTextCursor cursor(m_document);
            cursor.setPosition(start + int(line));
            at = std::next(m_languageLines.insert(at, LanguageLine{cursor, *language}));
        }
        line = next + 1;
    }
}

void HmmlHighlighter::contentsChange(int from, int, int added)
{
    const int comingAt = std::exchange(m_comingAt, -1);
    const QStringView coming = std::exchange(m_coming, QStringView());
    if (m_colouring || !m_document)
        return;
    const QTextBlock first = m_document->findBlock(from);
    if (!first.isValid())
        return;
    QTextBlock last = m_document->findBlock(from + added);
    if (!last.isValid())
        last = m_document->lastBlock();
    // The LANGUAGE lines of the lines changed are read again (a line
    // removed leaves its cursor among them).
    const int start = first.position(), end = last.position() + last.length() - 1;
    std::erase_if(m_languageLines, [&](const LanguageLine &l) { return l.at.position() >= start && l.at.position() <= end; });
    // A text put in by pieces is read where it is, as it was handed over,
    // when its lines are all the lines changed.
    if (comingAt == from && from == start && added == coming.size() && from + added == end)
        findLanguageLines(start, coming, u'\n');
    else
        findLanguageLines(start, end);
    // Coloured now, the lines are laid out once, as the change is.
    const bool few = last.blockNumber() - first.blockNumber() < FewBlocks;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (few)
            colourBlock(b, languageBefore(b));
        else
            b.setUserData(nullptr);
        if (b == last)
            break;
    }
}

int HmmlHighlighter::languageBefore(const QTextBlock &block) const
{
    const int position = block.position();
    const auto after = std::partition_point(m_languageLines.begin(), m_languageLines.end(),
                                            [position](const LanguageLine &l) { return l.at.position() < position; });
    return after == m_languageLines.begin() ? 0 : std::prev(after)->language;
}

bool HmmlHighlighter::colourBlock(const QTextBlock &block, int language)
{
    int after = language;
    const QList<QTextLayout::FormatRange> ranges = lineFormats(block.text(), after);
    QTextBlock b = block;
    if (auto *colours = static_cast<Colours *>(b.userData()))
        colours->language = language;
    else
        b.setUserData(new Colours(language));
    QTextLayout *layout = b.layout();
    if (layout->formats() == ranges)
        return false;
    layout->setFormats(ranges);
    return true;
}

void HmmlHighlighter::colour(const QTextBlock &first, const QTextBlock &last)
{
    if (!m_document)
        return;
    m_colouring = true;
    int from = -1, to = -1;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        const int language = languageBefore(b);
        const auto *colours = static_cast<const Colours *>(b.userData());
        if ((!colours || colours->language != language) && colourBlock(b, language)) {
            if (from < 0)
                from = b.position();
            to = b.position() + b.length();
        }
        if (b == last)
            break;
    }
    // Laid out again with their colours, in one go.
    if (from >= 0)
        m_document->markContentsDirty(from, to - from);
    m_colouring = false;
}
