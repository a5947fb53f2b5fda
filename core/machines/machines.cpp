#include "core/machines/machines.h"

#include <algorithm>

namespace {

struct Pitch {
    short e500;
    short g800;
    short hz;
};

// "A" (C of octave 1) to "p" (B of octave 4).
constexpr std::array<Pitch, machines::LastPitchCode - machines::FirstPitchCode + 1> Pitches = {{
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

const Pitch *pitch(int code)
{
    if (code < machines::FirstPitchCode || code > machines::LastPitchCode)
        return nullptr;
    return &Pitches[std::size_t(code - machines::FirstPitchCode)];
}

} // namespace

namespace machines {

QString key(Machine machine)
{
    return machine == Machine::E500 ? QStringLiteral("e500") : QStringLiteral("g800");
}

std::optional<Machine> fromKey(QStringView text)
{
    for (const Machine m : All)
        if (text.compare(key(m), Qt::CaseInsensitive) == 0)
            return m;
    return std::nullopt;
}

QString modelName(Machine machine)
{
    return machine == Machine::E500 ? QStringLiteral("PC-E500") : QStringLiteral("PC-G800");
}

QString seriesName(Machine machine)
{
    return modelName(machine) + QStringLiteral("シリーズ");
}

int beepTone(Machine machine, int code)
{
    const Pitch *p = pitch(code);
    if (!p)
        return -1;
    return machine == Machine::E500 ? p->e500 : p->g800;
}

int durationHz(int code)
{
    const Pitch *p = pitch(code);
    return p ? p->hz : 0;
}

int restLoopConstant(Machine machine)
{
    return machine == Machine::E500 ? 725 : 512;
}

double beepHz(Machine machine, int tone)
{
    const double t = std::clamp(tone, LowestTone, HighestTone);
    return machine == Machine::E500 ? 256000.0 / (90.0 + 4.0 * t) : 1300000.0 / (166.0 + 22.0 * t);
}

double emptyLoopSeconds(Machine machine)
{
    return machine == Machine::E500 ? 1.0 / 730.0 : 1.0 / 535.0;
}

} // namespace machines
