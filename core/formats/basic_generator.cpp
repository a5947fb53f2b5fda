#include "core/formats/basic_generator.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int LastCode = machines::LastPitchCode;

const QString ErrorMessage = QStringLiteral("エラーが発生しました。入力されたデータに誤りがあります");

// Appends a whole number in plain decimal.
void appendNumber(std::string &out, long long value)
{
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec; // 24 characters hold every long long
    out.append(digits, end);
}

// Int(L / (T + 1) * factor + 20): the duration of a note or the count of a
// rest loop. The divisor is T + 1 so that a tempo of 0 still gives a finite
// value. False when the divisor is 0 or the value is not a whole number a
// BASIC line can hold.
bool duration(const omp::ReaderState &s, int factor, long long &value)
{
    const double divisor = double(s.tempo) + 1.0;
    if (divisor == 0.0)
        return false;
    const double v = std::floor(double(s.length) / divisor * factor + 20.0);
    if (!(std::fabs(v) < 2147483648.0))
        return false;
    value = static_cast<long long>(v);
    return true;
}

} // namespace

namespace basic {

QString resultCaption(Machine machine)
{
    return machines::seriesName(machine) + QStringLiteral("用BASIC変換結果");
}

qsizetype programLineCount(QStringView omp)
{
    qsizetype count = 0;
    for (const QChar c : omp) {
        const int code = omp::charCode(c);
        count += code == omp::CodeRest || (code >= machines::FirstPitchCode && code <= LastCode);
    }
    return count;
}

} // namespace basic

BasicProgramResult generateBasicProgram(QStringView OMP_Data, Machine machine, omp::ReaderState start)
{
    BasicProgramResult result;
    const int restFactor = machines::restLoopConstant(machine);

    // The program is plain ASCII; it is built as bytes and widened once at the
    // end. No yielding to the event loop: a million notes take well under a
    // second.
    // The machines take no line number above 65279, so a longer program
    // could never be typed in. Counted first, so that a song far too long
    // is told so before any memory goes to its program.
    const qsizetype lines = basic::programLineCount(OMP_Data);
    if (lines > basic::MaxSoundingLines) {
        result.error = QStringLiteral("BASIC プログラムにするには長すぎます: 音符と休符が %1 個あり、"
                                      "最後の行番号が %2 になります。ポケコンの BASIC の行番号は %3 までなので、"
                                      "音符と休符を %4 個までにしてください。")
                           .arg(lines)
                           .arg(20 + 10 * qint64(lines))
                           .arg(basic::LastLineNumber)
                           .arg(basic::MaxSoundingLines);
        return result;
    }
    std::string text;
    text.reserve(size_t(lines) * 28 + 32);
    text += "10 CLS\r\n";
    qint64 line = 20;

    omp::ReaderState state = start;
    const bool completed = omp::scan(OMP_Data, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        const bool rest = ev.kind == omp::EventKind::Rest;
        if (!rest && (ev.kind != omp::EventKind::Pitch || ev.code > LastCode))
            return true;
        long long value = 0;
        if (rest) {
            if (!duration(s, restFactor, value))
                return false;
            appendNumber(text, line);
            text += " FOR W=0 TO ";
            appendNumber(text, value);
            text += " : NEXT W\r\n";
        } else {
            if (!duration(s, machines::durationHz(ev.code), value))
                return false;
            appendNumber(text, line);
            text += " BEEP 1,";
            appendNumber(text, machines::beepTone(machine, ev.code));
            text += ',';
            appendNumber(text, value);
            text += "\r\n";
        }
        line += 10;
        return true;
    });
    if (!completed) {
        result.error = ErrorMessage;
        return result;
    }
    appendNumber(text, line);
    text += " GOTO 10";
    result.text = QString::fromLatin1(text.data(), qsizetype(text.size()));
    return result;
}
