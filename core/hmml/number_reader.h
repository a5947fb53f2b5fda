#pragma once

#include <QStringView>

namespace hmml {

// Reads the leading number of a text as the H-MML commands and note fields
// do: an optional sign, digits, an optional fraction after ".", an optional
// exponent (E or D); blanks between its characters are skipped; a leading
// "&H" or "&O" reads a hexadecimal or octal integer. Reading stops at the
// first character that cannot continue the number; a text without a number
// reads as 0. A magnitude beyond double range reads as +/-infinity.
// `consumed` receives how many characters the number used (blanks included),
// and `found` whether any digit was read.
double readNumber(QStringView text, qsizetype *consumed = nullptr, bool *found = nullptr);

// The whole text (blanks around it allowed) is one number: what a strict
// conversion to an integer accepts.
bool readWholeNumber(QStringView text, double &value);

} // namespace hmml
