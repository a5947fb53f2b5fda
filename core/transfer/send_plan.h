#pragma once
// A send worked out whole before the port opens: the program framed for the
// line, the pieces it goes in with their pauses, and the line itself. The
// send window and `vltn send` both send by it, so a program refused in one is
// refused in the other with the same words.

#include "core/machines/machines.h"
#include "core/transfer/program_frame.h"
#include "core/transfer/serial_settings.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace transfer {

// What is sent: a program as it stands (the output window's text), or the
// program of `kind` made from a song's OMP data.
struct SendRequest {
    Machine machine = Machine::E500;
    ProgramKind kind = ProgramKind::Beep;
    std::optional<QString> programText;
    QString omp;
};

struct SendPlan {
    SerialLine line;
    QByteArray bytes; // the framed program
    int lines = 0;    // program lines in `bytes`
    PacedSchedule schedule;
    QString error; // Japanese, naming the line the machine cannot take; empty on success
    bool ok() const { return error.isEmpty(); }
};

// "N 行のうち M 行を送りました。": how far a send that stopped got.
QString sentLinesText(int lines, int sent);

// The plan for `request` over the line of `settings`, with their pauses.
SendPlan planSend(const SendRequest &request, const SerialSettings &settings);

} // namespace transfer
