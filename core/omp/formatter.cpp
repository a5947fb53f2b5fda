#include "core/omp/formatter.h"

#include "core/omp/omp_scan.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace hmml {

QString formatTempoValue(double value)
{
    // 15 significant digits, as "d.dddddddddddddde±x"; then placed without
    // an exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string text(buf);
    const bool negative = text.front() == '-';
    if (negative)
        text.erase(0, 1);
    const size_t e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    const int exponent = std::atoi(text.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (digits == "0") {
        out = "0";
    } else if (exponent >= 0) {
        const size_t intLen = size_t(exponent) + 1;
        if (digits.size() <= intLen) {
            out = digits + std::string(intLen - digits.size(), '0');
        } else {
            out = digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    } else {
        out = "0." + std::string(size_t(-exponent - 1), '0') + digits;
    }
    if (negative)
        out.insert(0, 1, '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

} // namespace hmml

namespace {

bool isLengthChar(QChar c)
{
    return c >= u'0' && c <= u'@';
}

} // namespace

QString OMP_Format(const QString &omp, const QString &separator, qint32 interval, ConversionStatus &status)
{
    status.clear();

    QChar sep;
    bool useSep = false;
    if (!separator.isEmpty()) {
        sep = separator.front();
        useSep = sep >= u' ' && sep <= u'/' && sep != u'$' && sep != u'*';
    }
    if (!useSep || interval < 1)
        interval = 0;

    // Only printable ASCII survives; with a separator in use, the input's
    // own blanks, slashes and other punctuation go too, so that only the new
    // layout remains.
    std::u16string filtered;
    filtered.reserve(size_t(omp.size()));
    for (const QChar c : omp) {
        if (c < u' ' || c > u'~')
            continue;
        if (useSep && c <= u'/' && c != u'.' && c != u'*' && c != u'$')
            continue;
        filtered.push_back(c.unicode());
    }
    const QStringView text(filtered.data(), qsizetype(filtered.size()));

    std::u16string out;
    out.reserve(size_t(text.size()) + (interval > 0 ? size_t(text.size() / interval) + 1 : 0));
    int length = 0;       // the length readers of the output hold at this point
    int sourceLength = 0; // the length readers of the input hold there
    double tempo = 0.0;   // the tempo value in force
    qint32 counter = 0;
    auto token = [&] {
        if (interval > 0 && ++counter == interval) {
            counter = 0;
            out.push_back(sep.unicode());
        }
    };
    auto fail = [&](int code, const QString &message) {
        status.code = code;
        status.line = 0;
        status.message = message;
        return QString();
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'$') {
            // The tempo field: digits and "." up to the first ":" (or the end).
            const qsizetype begin = ++i;
            while (i < n && text[i] != u':') {
                const QChar d = text[i];
                if (!((d >= u'0' && d <= u'9') || d == u'.'))
                    return fail(100, QStringLiteral("テンポ指定中に不明な文字列があります"));
                ++i;
            }
            const QStringView digits = text.sliced(begin, i - begin);
            const bool closed = i < n;
            if (closed)
                ++i; // the ":"
            // Readers of the input take the field's digits and its ":" as
            // lengths too, whether or not the field is kept.
            for (const QChar d : digits) {
                if (d != u'.')
                    sourceLength = d.unicode() - u'0';
            }
            if (closed)
                sourceLength = 10;
            if (digits.isEmpty())
                continue;
            const double value = omp::readTempoNumber(digits);
            if (!std::isfinite(value))
                return fail(-1, QStringLiteral("予期せぬエラーが発生しました。"));
            const bool superseded = closed && i < n && text[i] == u'$';
            if (value <= 0 || value == tempo || superseded)
                continue;
            tempo = value;
            const QString number = hmml::formatTempoValue(value);
            out.push_back(u'$');
            out.append(reinterpret_cast<const char16_t *>(number.utf16()), size_t(number.size()));
            out.push_back(u':');
            // Readers take the field's digits and its ":" as lengths too, so
            // after it they hold length 10 whatever was written before; a
            // length character that follows must stay.
            length = 10; // the value of ":"
            token();
            continue;
        }
        if (!isLengthChar(c)) {
            // A dropped tempo field left the input's readers at another
            // length than the output's: the note gets its length written.
            if ((c == u'*' || c >= u'A') && sourceLength != length) {
                out.push_back(char16_t(u'0' + sourceLength));
                length = sourceLength;
                token();
            }
            out.push_back(c.unicode());
            token();
        } else {
            const int value = c.unicode() - u'0';
            sourceLength = value;
            const bool last = i + 1 == n;
            if (!(value == length || last || isLengthChar(text[i + 1]))) {
                out.push_back(c.unicode());
                length = value;
                token();
            }
        }
        ++i;
    }

    // Nothing at or below "@" can sound at the end except a rest.
    size_t end = out.size();
    while (end > 0 && out[end - 1] <= u'@' && out[end - 1] != u'*')
        --end;
    return QString::fromUtf16(out.data(), qsizetype(end));
}
