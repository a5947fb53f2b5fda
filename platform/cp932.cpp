#include "platform/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

bool available()
{
    return QStringDecoder("CP932").isValid() && QStringEncoder("CP932").isValid();
}

QString decode(QByteArrayView bytes, bool *hadErrors)
{
    QStringDecoder decoder("CP932", QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (hadErrors)
        *hadErrors = decoder.hasError();
    return text;
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

EncodeResult encode(const QString &text)
{
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
