#include "core/omp/decimal.h"

#include <charconv>
#include <limits>
#include <string>

namespace omp {

double parseDecimalAscii(std::string_view text)
{
    std::string s(text);
    const bool negative = !s.empty() && s.front() == '-';
    const size_t body = (negative || (!s.empty() && s.front() == '+')) ? 1 : 0;
    if (body < s.size() && s[body] == '.')
        s.insert(body, 1, '0');
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    (void)ptr;
    if (ec != std::errc::result_out_of_range)
        return value;

    // from_chars leaves the value alone when it is out of range: work out the
    // decimal magnitude to tell overflow from underflow.
    long long magnitude = 0;
    bool seenPoint = false, seenNonZero = false;
    long long exponent = 0;
    size_t i = body;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        const char c = s[i];
        if (c == '.') {
            seenPoint = true;
        } else if (!seenNonZero) {
            if (c != '0') {
                seenNonZero = true;
                if (seenPoint)
                    --magnitude; // this digit's own place below the point
            } else if (seenPoint) {
                --magnitude;
            }
        } else if (!seenPoint) {
            ++magnitude;
        }
    }
    if (i < s.size()) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            expNegative = s[i++] == '-';
        for (; i < s.size(); ++i) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (s[i] - '0');
        }
        if (expNegative)
            exponent = -exponent;
    }
    const double mag = (magnitude + exponent >= 0) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -mag : mag;
}

} // namespace omp
