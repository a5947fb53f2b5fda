#include "core/formats/basic_generator.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int FirstCode = 65; // "A"
constexpr int LastCode = 112; // "p"
constexpr int PitchCount = LastCode - FirstCode + 1;

struct Pitch {
    short e500;
    short g800;
    short hz; // equal-tempered, rounded; G4 is 3130 as the players have always used
};

// "A" (C of octave 1, middle C) to "p" (B of octave 4).
constexpr std::array<Pitch, PitchCount> Pitches = {{
    {222, 218, 262}, {208, 206, 277}, {195, 194, 294}, {183, 182, 311}, // C1 C#1 D1 D#1
    {172, 172, 330}, {161, 162, 349}, {150, 152, 370}, {141, 143, 392}, // E1 F1 F#1 G1
    {132, 135, 415}, {123, 127, 440}, {115, 119, 466}, {107, 112, 494}, // G#1 A1 A#1 B1
    {100, 105, 523}, {93, 99, 554},   {86, 93, 587},   {80, 87, 622},   // C2 C#2 D2 D#2
    {75, 82, 659},   {69, 77, 698},   {64, 72, 740},   {59, 68, 784},   // E2 F2 F#2 G2
    {55, 64, 831},   {50, 60, 880},   {46, 56, 932},   {42, 52, 988},   // G#2 A2 A#2 B2
    {39, 49, 1047},  {35, 46, 1109},  {32, 43, 1175},  {29, 40, 1245},  // C3 C#3 D3 D#3
    {26, 37, 1319},  {23, 35, 1397},  {21, 32, 1480},  {18, 30, 1568},  // E3 F3 F#3 G3
    {16, 28, 1661},  {14, 26, 1760},  {12, 24, 1865},  {10, 22, 1976},  // G#3 A3 A#3 B3
    {8, 21, 2093},   {6, 19, 2217},   {5, 18, 2349},   {3, 16, 2489},   // C4 C#4 D4 D#4
    {2, 15, 2637},   {0, 14, 2794},   {0, 12, 2960},   {0, 11, 3130},   // E4 F4 F#4 G4
    {0, 10, 3322},   {0, 9, 3520},    {0, 8, 3729},    {0, 7, 3951},    // G#4 A4 A#4 B4
}};

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

QString resultCaption(BasicMachine machine)
{
    return machine == BasicMachine::E500 ? QStringLiteral("PC-E500シリーズ用BASIC変換結果")
                                         : QStringLiteral("PC-G800シリーズ用BASIC変換結果");
}

int restConstant(BasicMachine machine)
{
    return machine == BasicMachine::E500 ? 725 : 512;
}

qsizetype programLineCount(QStringView omp)
{
    qsizetype count = 0;
    for (const QChar c : omp) {
        const int code = omp::charCode(c);
        count += code == omp::CodeRest || (code >= FirstCode && code <= LastCode);
    }
    return count;
}

} // namespace basic

BasicProgramResult generateBasicProgram(QStringView OMP_Data, BasicMachine machine, omp::ReaderState start)
{
    BasicProgramResult result;
    const int restFactor = basic::restConstant(machine);
    const bool e500 = machine == BasicMachine::E500;

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
            const Pitch &p = Pitches[size_t(ev.code - FirstCode)];
            if (!duration(s, p.hz, value))
                return false;
            appendNumber(text, line);
            text += " BEEP 1,";
            appendNumber(text, e500 ? p.e500 : p.g800);
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
