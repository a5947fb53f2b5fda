#pragma once
// Turns fuzzer bytes into OMP text: either one character per byte (every
// code 0 to 255, so half-width katakana codes and DEL appear), or UTF-8,
// which brings in double-byte and unencodable characters.

#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzzinput {

inline QString ompText(const uint8_t *data, size_t size, bool utf8)
{
    if (utf8)
        return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text(qsizetype(size), Qt::Uninitialized);
    for (size_t i = 0; i < size; ++i) {
        // Bytes 0xA1 to 0xDF stand for half-width katakana, as CP932 reads them.
        const uint8_t b = data[i];
        text[qsizetype(i)] = (b >= 0xA1 && b <= 0xDF) ? QChar(char16_t(0xFF61 + (b - 0xA1))) : QChar(char16_t(b));
    }
    return text;
}

} // namespace fuzzinput
