#pragma once
// What the user sets on the pocket computer so that it takes what the PC
// sends: the PC-E500's OPEN statement, the PC-G800's Sio Format screen, and
// the steps around them.

#include "core/formats/basic_generator.h"
#include "core/transfer/serial_settings.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace transfer {

// The PC-E500's line settings, typed once: baud, parity (N/E/O), data bits,
// stop bits, A (ASCII), L (CR LF line ends), the end-of-file code, X (Xon/
// Xoff) or N (none), and N (no shift codes), e.g.
// OPEN "9600,N,8,1,A,L,&H1A,X,N":CLOSE. The machine knows no RS/CS setting:
// with the hardware handshake its lines do the work and the field says N.
QString e500OpenStatement(const SerialLine &settings);

struct SioField {
    QString name;  // as the Format screen names it
    QString value; // the entry to choose
};

// The PC-G800's Sio -> Format values for `settings`.
QList<SioField> g800SioFormat(const SerialLine &settings);

// The numbered steps to do on the machine, in Japanese, one per entry.
QStringList machineSteps(Machine machine, const SerialLine &settings);

} // namespace transfer
