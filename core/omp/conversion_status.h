#pragma once

#include <QString>

// The outcome of one H-MML conversion or one OMP formatting: code 0 is
// success; otherwise the code, the 1-based source line (0 when the failure
// has no line) and the message to show.
struct ConversionStatus {
    qint32 code = 0;
    qint32 line = 0;
    QString message;

    bool ok() const { return code == 0; }
    void clear() { *this = ConversionStatus{}; }
};
