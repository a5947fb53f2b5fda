#pragma once
// The OMP formatter: compacts OMP data and lays it out with separators.

#include "core/omp/conversion_status.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

// Validates and rewrites every tempo field, drops length characters and tempo
// fields that change nothing, trims what cannot sound at the end, and writes
// the first character of `separator` after every `interval` tokens (when it
// is a usable separator: " " to "/" other than "$" and "*"). On failure the
// result is empty and `status` holds code 100 (a foreign character in a
// tempo field) or -1.
QString OMP_Format(const QString &omp, const QString &separator, qint32 interval, ConversionStatus &status);

namespace omp {
// OMP_Format for data in ASCII, such as the compiler's output: the same
// result, one byte a character.
QByteArray formatAscii(std::string_view omp, const QString &separator, qint32 interval, ConversionStatus &status);
} // namespace omp

namespace hmml {
// A tempo value as a tempo field writes it: the shortest plain decimal form
// with up to 15 significant digits, a "0" before the point below 1, never an
// exponent ("0.83", "2.5", "120").
QString formatTempoValue(double value);
std::string tempoText(double value); // the same, in ASCII
} // namespace hmml
