#include "core/omp/formatter.h"

#include "core/omp/omp_scan.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace hmml {

std::string tempoText(double value)
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
    return out;
}

QString formatTempoValue(double value)
{
    const std::string text = tempoText(value);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace hmml

namespace {

bool isLengthChar(char c)
{
    return c >= '0' && c <= '@';
}

struct Layout {
    bool useSeparator = false;
    char separator = 0;
    qint32 interval = 0; // tokens between separators, 0 for none
};

Layout layoutFor(const QString &separator, qint32 interval)
{
    Layout layout;
    if (!separator.isEmpty()) {
        const QChar sep = separator.front();
        layout.useSeparator = sep >= u' ' && sep <= u'/' && sep != u'$' && sep != u'*';
        layout.separator = char(sep.unicode());
    }
    layout.interval = layout.useSeparator && interval >= 1 ? interval : 0;
    return layout;
}

// Only printable ASCII survives; with a separator in use, the input's own
// blanks, slashes and other punctuation go too, so that only the new layout
// remains.
bool kept(char16_t c, const Layout &layout)
{
    if (c < u' ' || c > u'~')
        return false;
    return !(layout.useSeparator && c <= u'/' && c != u'.' && c != u'*' && c != u'$');
}

// The laid-out text, written a character at a time through a pointer:
// room() before each token makes sure it fits.
class Output {
public:
    explicit Output(qsizetype expected)
        : m_text(expected, Qt::Uninitialized), m_at(m_text.data()), m_end(m_at + m_text.size())
    {
    }
    void room(qsizetype chars)
    {
        if (m_end - m_at >= chars)
            return;
        const qsizetype used = m_at - m_text.constData();
        m_text.resize(std::max(2 * m_text.size(), used + chars));
        m_at = m_text.data() + used;
        m_end = m_text.data() + m_text.size();
    }
    void put(char c) { *m_at++ = c; }
    void put(std::string_view s) { m_at = std::copy(s.begin(), s.end(), m_at); }
    // The text written, less what cannot sound at the end: nothing at or
    // below "@" except a rest.
    QByteArray take()
    {
        const char *const begin = m_text.constData();
        while (m_at != begin && m_at[-1] <= '@' && m_at[-1] != '*')
            --m_at;
        m_text.truncate(m_at - begin);
        return std::move(m_text);
    }

private:
    QByteArray m_text;
    char *m_at;
    char *m_end;
};

} // namespace

namespace omp {

struct Formatter::State {
    State(const QString &separator, qint32 interval, qsizetype expectedSize)
        : layout(layoutFor(separator, interval)),
          out(expectedSize + (layout.interval > 0 ? expectedSize / layout.interval : 0) + 16)
    {
    }

    // Lays out `text`, which holds only what `kept` keeps and ends at the
    // end of the data or after a pitch or rest: nothing that follows then
    // changes how it is laid out. False on failure, with `status` set.
    bool layOut(std::string_view text);
    bool fail(int code, const QString &message)
    {
        status.code = code;
        status.message = message;
        return false;
    }

    Layout layout;
    Output out;
    int length = 0;       // the length readers of the output hold at this point
    int sourceLength = 0; // the length readers of the input hold there
    double tempo = 0.0;   // the tempo value in force
    qint32 counter = 0;   // tokens since the last separator
    std::string tail;     // what waits for the next piece
    std::string filtered; // a piece less what the layout drops
    ConversionStatus status;
};

bool Formatter::State::layOut(std::string_view text)
{
    const qint32 interval = layout.interval;
    auto token = [&] {
        if (interval > 0 && ++counter == interval) {
            counter = 0;
            out.put(layout.separator);
        }
    };

    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        out.room(4); // a length, a pitch and their separators
        const char c = text[i];
        if (c == '$') {
            // The tempo field: digits and "." up to the first ":" (or the end).
            const size_t begin = ++i;
            while (i < n && text[i] != ':') {
                const char d = text[i];
                if (!((d >= '0' && d <= '9') || d == '.'))
                    return fail(100, QStringLiteral("テンポ指定中に不明な文字列があります"));
                ++i;
            }
            const std::string_view digits = text.substr(begin, i - begin);
            const bool closed = i < n;
            if (closed)
                ++i; // the ":"
            // Readers of the input take the field's digits and its ":" as
            // lengths too, whether or not the field is kept.
            for (const char d : digits) {
                if (d != '.')
                    sourceLength = d - '0';
            }
            if (closed)
                sourceLength = 10;
            if (digits.empty())
                continue;
            const double value = readTempoNumber(QString::fromLatin1(digits.data(), qsizetype(digits.size())));
            if (!std::isfinite(value))
                return fail(-1, QStringLiteral("予期せぬエラーが発生しました。"));
            const bool superseded = closed && i < n && text[i] == '$';
            if (value <= 0 || value == tempo || superseded)
                continue;
            tempo = value;
            const std::string number = hmml::tempoText(value);
            out.room(qsizetype(number.size()) + 3);
            out.put('$');
            out.put(number);
            out.put(':');
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
            if ((c == '*' || c >= 'A') && sourceLength != length) {
                out.put(char('0' + sourceLength));
                length = sourceLength;
                token();
            }
            out.put(c);
            token();
        } else {
            const int value = c - '0';
            sourceLength = value;
            const bool last = i + 1 == n;
            if (!(value == length || last || isLengthChar(text[i + 1]))) {
                out.put(c);
                length = value;
                token();
            }
        }
        ++i;
    }
    return true;
}

Formatter::Formatter(const QString &separator, qint32 interval, qsizetype expectedSize)
    : m_state(std::make_unique<State>(separator, interval, expectedSize))
{
}

Formatter::~Formatter() = default;

void Formatter::add(QByteArrayView piece)
{
    State &s = *m_state;
    if (!s.status.ok())
        return;
    std::string_view text(piece.data(), size_t(piece.size()));
    const auto keep = [&](char c) { return kept(static_cast<unsigned char>(c), s.layout); };
    if (!std::all_of(text.begin(), text.end(), keep)) { // never the compiler's output
        s.filtered.clear();
        std::copy_if(text.begin(), text.end(), std::back_inserter(s.filtered), keep);
        text = s.filtered;
    }
    // How a length or a tempo field is laid out depends on what follows it
    // up to the next pitch or rest: the piece is laid out up to its last
    // pitch or rest, and what follows that waits for the next piece.
    const auto sounds = [](char c) { return c == '*' || c >= 'A'; };
    const size_t end = size_t(text.rend() - std::find_if(text.rbegin(), text.rend(), sounds));
    if (end == 0) {
        s.tail += text;
        return;
    }
    size_t begin = 0;
    if (!s.tail.empty()) {
        begin = size_t(std::find_if(text.begin(), text.end(), sounds) - text.begin()) + 1;
        s.tail += text.substr(0, begin);
        if (!s.layOut(s.tail))
            return;
    }
    if (s.layOut(text.substr(begin, end - begin)))
        s.tail.assign(text.substr(end));
}

QByteArray Formatter::finish(ConversionStatus &status)
{
    State &s = *m_state;
    if (s.status.ok())
        s.layOut(s.tail);
    status = s.status;
    return status.ok() ? s.out.take() : QByteArray();
}

QByteArray formatAscii(QByteArrayView omp, const QString &separator, qint32 interval, ConversionStatus &status)
{
    Formatter formatter(separator, interval, omp.size());
    formatter.add(omp);
    return formatter.finish(status);
}

} // namespace omp

QString OMP_Format(const QString &omp, const QString &separator, qint32 interval, ConversionStatus &status)
{
    const Layout layout = layoutFor(separator, interval);
    std::string filtered;
    filtered.reserve(size_t(omp.size()));
    for (const QChar c : omp) {
        if (kept(c.unicode(), layout))
            filtered.push_back(char(c.unicode()));
    }
    return QString::fromLatin1(
        omp::formatAscii(QByteArrayView(filtered.data(), qsizetype(filtered.size())), separator, interval, status));
}
