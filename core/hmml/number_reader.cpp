#include "core/hmml/number_reader.h"

#include "core/omp/decimal.h"

#include <string>

namespace hmml {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct Cursor {
    QStringView text;
    qsizetype pos = 0;

    void skipBlanks()
    {
        while (pos < text.size() && isBlank(text[pos].unicode()))
            ++pos;
    }
    // The next character after any blanks, without taking it (0 at the end).
    char16_t peek()
    {
        skipBlanks();
        return pos < text.size() ? text[pos].unicode() : 0;
    }
};

int digitValue(char16_t c, int radix)
{
    int v = -1;
    if (c >= u'0' && c <= u'9')
        v = c - u'0';
    else if (c >= u'a' && c <= u'f')
        v = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        v = c - u'A' + 10;
    return v < radix ? v : -1;
}

double readRadixInteger(Cursor &cur, int radix, bool &found)
{
    // Saturates instead of wrapping: a value this large fails every range
    // check that follows anyway.
    double value = 0.0;
    for (;;) {
        const qsizetype before = cur.pos;
        const int d = digitValue(cur.peek(), radix);
        if (d < 0) {
            cur.pos = before;
            break;
        }
        ++cur.pos;
        found = true;
        value = value * radix + d;
    }
    return value;
}

} // namespace

double readNumber(QStringView text, qsizetype *consumed, bool *found)
{
    // Nearly every field is a few plain digits: read those directly.
    if (!text.isEmpty() && text.size() <= 9) {
        int value = 0;
        qsizetype i = 0;
        for (; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                break;
            value = value * 10 + (c - u'0');
        }
        if (i == text.size()) {
            if (consumed)
                *consumed = i;
            if (found)
                *found = true;
            return value;
        }
    }

    Cursor cur{text};
    bool any = false;
    double result = 0.0;
    qsizetype end = 0;

    const char16_t first = cur.peek();
    if (first == u'&') {
        Cursor probe = cur;
        ++probe.pos;
        const char16_t kind = probe.peek();
        if (kind == u'H' || kind == u'h' || kind == u'O' || kind == u'o') {
            ++probe.pos;
            result = readRadixInteger(probe, (kind == u'H' || kind == u'h') ? 16 : 8, any);
            end = probe.pos;
        }
    } else {
        std::string ascii;
        char16_t c = first;
        if (c == u'+' || c == u'-') {
            if (c == u'-')
                ascii.push_back('-');
            ++cur.pos;
        }
        qsizetype mantissaDigits = 0;
        while ((c = cur.peek()) >= u'0' && c <= u'9') {
            ascii.push_back(char(c));
            ++cur.pos;
            ++mantissaDigits;
            end = cur.pos;
        }
        if (cur.peek() == u'.') {
            ++cur.pos;
            ascii.push_back('.');
            while ((c = cur.peek()) >= u'0' && c <= u'9') {
                ascii.push_back(char(c));
                ++cur.pos;
                ++mantissaDigits;
                end = cur.pos;
            }
        }
        any = mantissaDigits > 0;
        if (any) {
            c = cur.peek();
            if (c == u'E' || c == u'e' || c == u'D' || c == u'd') {
                Cursor exp = cur;
                ++exp.pos;
                std::string expText = "e";
                char16_t s = exp.peek();
                if (s == u'+' || s == u'-') {
                    expText.push_back(char(s));
                    ++exp.pos;
                }
                bool expDigits = false;
                while ((s = exp.peek()) >= u'0' && s <= u'9') {
                    expText.push_back(char(s));
                    ++exp.pos;
                    expDigits = true;
                }
                if (expDigits) {
                    ascii += expText;
                    end = exp.pos;
                }
            }
            result = omp::parseDecimalAscii(ascii);
        }
    }
    if (!any) {
        result = 0.0;
        end = 0;
    }
    if (consumed)
        *consumed = end;
    if (found)
        *found = any;
    return result;
}

bool readWholeNumber(QStringView text, double &value)
{
    qsizetype used = 0;
    bool found = false;
    value = readNumber(text, &used, &found);
    if (!found)
        return false;
    for (qsizetype i = used; i < text.size(); ++i) {
        if (!isBlank(text[i].unicode()))
            return false;
    }
    return true;
}

} // namespace hmml
