#pragma once
// Whole numbers as the settings and song files store them: decimal text in
// the 16-bit signed range.

#include <QString>

#include <optional>

// Optional sign and decimal digits, with blanks allowed around them (a hand-
// edited "ループ再生= 1"). Anything else, or a number outside -32768 to
// 32767, is not a 16-bit whole number.
std::optional<qint16> parseInt16(const QString &text);
