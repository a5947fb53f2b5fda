// Both BASIC generators on random OMP text and random starting states: no
// crash, no sanitizer report, and every program has the expected shape.

#include "core/formats/basic_generator.h"
#include "fuzz/fuzz_input.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_basic_program: %s\n", what);
    std::abort();
}

bool isNumber(QStringView s)
{
    if (s.startsWith(u'-'))
        s = s.sliced(1);
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

void checkShape(const QString &text, int expectedLines)
{
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() != expectedLines + 2)
        fail("wrong number of lines");
    if (lines.first() != u"10 CLS")
        fail("first line is not 10 CLS");
    if (lines.last() != QStringLiteral("%1 GOTO 10").arg(20 + 10 * expectedLines))
        fail("last line is not the GOTO");
    for (int i = 1; i <= expectedLines; ++i) {
        const QString &l = lines.at(i);
        const QString number = QString::number(10 + 10 * i);
        if (!l.startsWith(number + u' '))
            fail("line numbers do not step by ten");
        QStringView rest = QStringView(l).sliced(number.size() + 1);
        if (rest.startsWith(u"BEEP 1,")) {
            const QStringList args = rest.sliced(7).toString().split(u',');
            if (args.size() != 2 || !isNumber(args.at(0)) || !isNumber(args.at(1)))
                fail("bad BEEP line");
        } else if (rest.startsWith(u"FOR W=0 TO ") && rest.endsWith(u" : NEXT W")) {
            if (!isNumber(rest.sliced(11, rest.size() - 11 - 9)))
                fail("bad rest line");
        } else {
            fail("unexpected line");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    // Usually the fresh state of every run; sometimes any float at all
    // (negative, -1, NaN, infinity) to reach the error path.
    omp::ReaderState start;
    if (data[0] & 1) {
        std::memcpy(&start.tempo, data + 1, sizeof(float));
        start.length = int(data[5]) - 128;
    }
    const bool utf8 = data[0] & 2;
    const QString omp = fuzzinput::ompText(data + 6, size - 6, utf8);

    int lines = 0;
    for (const QChar c : omp) {
        const int code = omp::charCode(c);
        lines += code == omp::CodeRest || (code >= omp::CodePitchFirst && code <= 112);
    }
    for (Machine machine : {Machine::E500, Machine::G800}) {
        const BasicProgramResult r = generateBasicProgram(omp, machine, start);
        if (!r.ok()) {
            if (!(data[0] & 1) && lines <= basic::MaxSoundingLines)
                fail("a run from the fresh state failed");
            if (!r.text.isEmpty())
                fail("text with an error");
            continue;
        }
        checkShape(r.text, lines);
    }
    return 0;
}
