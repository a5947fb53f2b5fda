#include "core/io/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

bool available()
{
    return QStringDecoder("CP932").isValid() && QStringEncoder("CP932").isValid();
}

namespace {

// ICU's CP932 is IBM's: it swaps three control codes (byte 0x1A is U+001C,
// 0x1C is U+007F, 0x7F is U+001A), where Windows keeps every byte below 0x80
// as itself. No other character maps to them, so they are put back in place
// after decoding and before encoding; a file's end-of-file mark (0x1A) then
// survives being read and written again.
char16_t fromIcu(char16_t c)
{
    switch (c) {
    case 0x1C: return 0x1A;
    case 0x7F: return 0x1C;
    case 0x1A: return 0x7F;
    default: return c;
    }
}

char16_t toIcu(char16_t c)
{
    switch (c) {
    case 0x1A: return 0x1C;
    case 0x1C: return 0x7F;
    case 0x7F: return 0x1A;
    default: return c;
    }
}

bool hasSwappedControl(QStringView text)
{
    for (const QChar c : text) {
        if (c == u'\x1A' || c == u'\x1C' || c == u'\x7F')
            return true;
    }
    return false;
}

QString swapped(QStringView text, char16_t (*map)(char16_t))
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(map(text[i].unicode()));
    return out;
}

} // namespace

QString decode(QByteArrayView bytes, bool *hadErrors)
{
    QStringDecoder decoder("CP932", QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (hadErrors)
        *hadErrors = decoder.hasError();
    return hasSwappedControl(text) ? swapped(text, fromIcu) : text;
}

static QString describeChar(const QString &text, qsizetype i)
{
    char32_t cp = text.at(i).unicode();
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
    QString shown = QString::fromUcs4(&cp, 1);
    return QStringLiteral("「%1」(U+%2)")
        .arg(shown, QString::number(uint(cp), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

EncodeResult encode(const QString &original)
{
    const QString text = hasSwappedControl(original) ? swapped(original, toIcu) : original;
    EncodeResult result;
    QStringEncoder encoder("CP932");
    result.bytes = encoder.encode(text);
    if (!encoder.hasError())
        return result;

    // Find the culprit one character at a time; this path runs only on failure.
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder one("CP932");
        (void)QByteArray(one.encode(QStringView(text).mid(i, len)));
        if (one.hasError()) {
            result.error = QStringLiteral("文字 %1 は CP932 (シフトJIS) で保存できません。")
                               .arg(describeChar(text, i));
            break;
        }
        i += len - 1;
    }
    if (result.error.isEmpty())
        result.error = QStringLiteral("CP932 (シフトJIS) で保存できない文字があります。");
    result.bytes.clear();
    return result;
}

} // namespace Cp932
