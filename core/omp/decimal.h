#pragma once

#include <string_view>

namespace omp {

// Converts plain ASCII decimal text ("-12.5", "0.25e-3"; at least one digit,
// "." may be first) to the nearest double, independently of the C locale.
// Beyond double range it gives +/-infinity, below it +/-0.
double parseDecimalAscii(std::string_view text);

} // namespace omp
