#include "app/hmml_highlighter.h"

#include "core/hmml/compiler.h"

#include <array>

namespace {

// The block state: which LANGUAGE is in force (its index here).
const std::array<QStringView, 5> Languages = {u"", u"ITALY", u"GERMANY", u"JAPANESE", u"KATAKANA"};

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

} // namespace

HmmlHighlighter::HmmlHighlighter(QTextDocument *document) : QSyntaxHighlighter(document) {}

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

void HmmlHighlighter::highlightBlock(const QString &text)
{
    int language = std::max(previousBlockState(), 0);
    qsizetype end = text.indexOf(u'\'');
    if (end >= 0)
        setFormat(int(end), int(text.size() - end), format(Kind::Comment));
    else
        end = text.size();
    qsizetype i = 0;
    while (i < end && isBlank(text[i]))
        ++i;

    if (end - i >= 2 && upper(text[i]) == u'C' && text[i + 1] == u'-') {
        const qsizetype colon = text.indexOf(u':', i);
        const qsizetype nameEnd = colon >= 0 && colon < end ? colon : end;
        setFormat(int(i), int(nameEnd - i), format(Kind::Command));
        if (nameEnd < end) {
            setFormat(int(nameEnd + 1), int(end - nameEnd - 1), format(Kind::Argument));
            if (QStringView(text).sliced(i + 2, nameEnd - i - 2).toString().toUpper() == u"LANGUAGE")
                language = languageIndex(QStringView(text).sliced(nameEnd + 1, end - nameEnd - 1));
        }
    } else if (i < end && text[i].isDigit()) {
        const std::array<char16_t, 7> names = hmml::noteNames(Languages[size_t(language)]);
        for (int field = 0; i < end && field < 3; ++field) {
            qsizetype j = i;
            while (j < end && !isBlank(text[j]))
                ++j;
            const QStringView word = QStringView(text).sliced(i, j - i);
            const bool rest = field == 1 && word == u"*";
            const bool pitch = field == 1 && word.size() <= 2
                               && std::find(names.begin(), names.end(), upper(word[0])) != names.end();
            if (field != 1 || rest || pitch)
                setFormat(int(i), int(j - i),
                          format(field == 0 ? Kind::Length : field == 2 ? Kind::Octave : rest ? Kind::Rest : Kind::Pitch));
            i = j;
            while (i < end && isBlank(text[i]))
                ++i;
        }
    }
    setCurrentBlockState(language);
}
