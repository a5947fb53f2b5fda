#include "app/hmml_highlighter.h"

#include "core/hmml/compiler.h"

#include <QTextDocument>

#include <algorithm>
#include <array>

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

// The LANGUAGE a command sets, or `language` when it sets none.
int languageSet(QStringView text, const Command &c, int language)
{
    if (c.hasArgument() && text.sliced(c.start + 2, c.nameEnd - c.start - 2).toString().toUpper() == u"LANGUAGE")
        return languageIndex(text.sliced(c.nameEnd + 1, c.end - c.nameEnd - 1));
    return language;
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

int HmmlHighlighter::languageAfter(QStringView text, int language)
{
    const qsizetype end = commentStart(text);
    return languageSet(text, commandOf(text, firstNonBlank(text, end), end), language);
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
    m_languagesKnown = 0;
    if (m_document)
        connect(m_document, &QTextDocument::contentsChange, this, &HmmlHighlighter::contentsChange);
}

void HmmlHighlighter::contentsChange(int from, int, int added)
{
    if (m_colouring || !m_document)
        return;
    const QTextBlock first = m_document->findBlock(from);
    if (!first.isValid())
        return;
    m_languagesKnown = std::min(m_languagesKnown, first.blockNumber());
    QTextBlock last = m_document->findBlock(from + added);
    if (!last.isValid())
        last = m_document->lastBlock();
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

int HmmlHighlighter::languageBefore(const QTextBlock &block)
{
    const int n = block.blockNumber();
    if (n <= 0)
        return 0;
    if (m_languagesKnown < n) {
        QTextBlock b = m_document->findBlockByNumber(m_languagesKnown);
        int language = m_languagesKnown == 0 ? 0 : std::max(0, b.previous().userState());
        for (int i = m_languagesKnown; i < n && b.isValid(); ++i, b = b.next()) {
            // Most lines are told from a command by their first characters,
            // without making their text.
            int at = b.position();
            while (isBlank(m_document->characterAt(at)))
                ++at;
            if (upper(m_document->characterAt(at)) == u'C' && m_document->characterAt(at + 1) == u'-')
                language = languageAfter(b.text(), language);
            b.setUserState(language);
        }
        m_languagesKnown = n;
    }
    return std::max(0, block.previous().userState());
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
