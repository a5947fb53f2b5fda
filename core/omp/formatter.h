#pragma once
// The OMP formatter: compacts OMP data and lays it out with separators.

#include "core/omp/conversion_status.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

// Validates and rewrites every tempo field, drops length characters and tempo
// fields that change nothing, trims what cannot sound at the end, and writes
// the first character of `separator` after every `interval` tokens (when it
// is a usable separator: " " to "/" other than "$" and "*"). On failure the
// result is empty and `status` holds code 100 (a foreign character in a
// tempo field) or -1.
QString OMP_Format(const QString &omp, const QString &separator, qint32 interval, ConversionStatus &status);

namespace omp {

// OMP_Format for data that comes a piece at a time, one byte a character
// (the compiler's output as it grows): the pieces handed to add() lay out as
// formatAscii lays out all of them at once. What follows a piece's last
// pitch or rest may still change with the next piece: it waits for it.
class Formatter {
public:
    // `expectedSize`: the data's size, when known, to make room for once.
    Formatter(const QString &separator, qint32 interval, qsizetype expectedSize = 0);
    ~Formatter();
    Formatter(const Formatter &) = delete;
    Formatter &operator=(const Formatter &) = delete;

    void add(QByteArrayView piece);
    // The laid-out data; empty on failure, with `status` telling why.
    QByteArray finish(ConversionStatus &status);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// OMP_Format for data one byte a character (Latin-1), such as the
// compiler's output: the same result, as bytes.
QByteArray formatAscii(QByteArrayView omp, const QString &separator, qint32 interval, ConversionStatus &status);

} // namespace omp

namespace hmml {
// A tempo value as a tempo field writes it: the shortest plain decimal form
// with up to 15 significant digits, a "0" before the point below 1, never an
// exponent ("0.83", "2.5", "120").
QString formatTempoValue(double value);
std::string tempoText(double value); // the same, in ASCII
} // namespace hmml
