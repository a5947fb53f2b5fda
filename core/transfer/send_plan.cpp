#include "core/transfer/send_plan.h"

#include "core/transfer/pacing.h"

namespace transfer {

QString sentLinesText(int lines, int sent)
{
    return QStringLiteral("%1 行のうち %2 行を送りました。").arg(lines).arg(sent);
}

SendPlan planSend(const SendRequest &request, const SerialSettings &settings)
{
    SendPlan plan;
    plan.line = settings.line();
    ProgramText program;
    if (request.programText)
        program.text = *request.programText;
    else
        program = programForSong(request.kind, request.machine, request.omp);
    const FramedProgram framed = program.ok() ? frameProgram(program.text, request.machine) : FramedProgram{{}, 0, program.error};
    if (!framed.ok()) {
        plan.error = framed.error;
        return plan;
    }
    plan.bytes = framed.bytes;
    plan.lines = framed.lines;
    plan.schedule = pacedSchedule(plan.bytes, effectivePacing(plan.line.flow, settings.CharDelay, settings.LineDelay));
    return plan;
}

} // namespace transfer
