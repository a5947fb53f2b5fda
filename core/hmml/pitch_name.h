#pragma once
// The name of an OMP pitch as H-MML writes it, for people to read: "C 1",
// "F# 4", and "B# 4" for the one above B of octave 4 ("q"). Codes above that,
// which only OMP data can hold, go on as "C# 5" and so on.

#include <QString>

namespace hmml {

// Empty for a code below "A" (65).
QString pitchName(int code);

} // namespace hmml
