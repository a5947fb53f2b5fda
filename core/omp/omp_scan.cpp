#include "core/omp/omp_scan.h"

#include "core/omp/decimal.h"

#include <string>

namespace omp {

double readTempoNumber(QStringView text, qsizetype *consumed)
{
    qsizetype i = 0;
    bool point = false;
    bool digits = false;
    const qsizetype n = text.size();
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9')
            digits = true;
        else if (c == u'.' && !point)
            point = true;
        else
            break;
    }
    if (consumed)
        *consumed = i;
    if (!digits)
        return 0.0;
    std::string ascii;
    ascii.reserve(size_t(i));
    for (qsizetype k = 0; k < i; ++k)
        ascii.push_back(char(text[k].unicode()));
    return parseDecimalAscii(ascii);
}

} // namespace omp
