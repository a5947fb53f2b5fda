// Program texts framed for the pocket computer's line, from random text:
// no crash, no sanitizer report; a framed program is numbered printable
// ASCII lines of at most 255 bytes, each ended by CR LF, and one end-of-file
// byte; its pacing schedule covers every byte once, in order. The OMP
// player is also built from the text as OMP data: what it gives must frame.

#include "fuzz/fuzz_input.h"
#include "core/transfer/pacing.h"
#include "core/transfer/program_frame.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_transfer_frame: %s\n", what);
    std::abort();
}

void checkFramed(const transfer::FramedProgram &framed)
{
    if (!framed.ok()) {
        if (!framed.bytes.isEmpty())
            fail("a refused program has bytes");
        return;
    }
    const QByteArray &b = framed.bytes;
    if (b.isEmpty() || b.back() != transfer::EndOfFile || b.count(transfer::EndOfFile) != 1)
        fail("not exactly one end-of-file byte at the end");
    if (b.count('\n') != framed.lines || b.count('\r') != framed.lines)
        fail("line ends do not match the lines");
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < b.size(); ++i) {
        const char c = b[i];
        if (c == '\n') {
            if (b[i - 1] != '\r' || i + 1 - start > 255 || !(b[start] >= '0' && b[start] <= '9'))
                fail("a line is not numbered, not CR LF ended, or too long");
            start = i + 1;
        } else if (c != '\r' && (c < 0x20 || c > 0x7E)) {
            fail("a character outside printable ASCII");
        }
    }
    for (const transfer::Pacing pacing : {transfer::Pacing{0, 0}, transfer::Pacing{16, 100}}) {
        const PacedSchedule schedule = transfer::pacedSchedule(b, pacing);
        qsizetype end = 0;
        for (const PacedChunk &piece : schedule) {
            if (piece.end <= end)
                fail("pieces out of order");
            end = piece.end;
        }
        if (end != b.size() || schedule.back().pauseMs != 0 || schedule.back().linesDone != framed.lines)
            fail("the schedule does not end with the program");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = fuzzinput::ompText(data + 1, size - 1, data[0] & 1);
    const Machine machine = (data[0] & 2) ? Machine::G800 : Machine::E500;
    checkFramed(transfer::frameProgram(text, machine));
    const transfer::ProgramText player = transfer::programForSong(transfer::ProgramKind::OmpPlayer, machine, text);
    if (player.ok()) {
        const transfer::FramedProgram framed = transfer::frameProgram(player.text, machine);
        if (!framed.ok())
            fail("an OMP player that was made cannot be framed");
        checkFramed(framed);
    }
    return 0;
}
