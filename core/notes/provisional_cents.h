#pragma once
// PROVISIONAL: the one piece to replace once the machine voice's tuning
// table exists. Until then the cents of each machine come from its own
// formula for the BEEP tone t that the BASIC program plays for a pitch:
//
//   PC-E500  f = 256000 / (90 + 4t) Hz
//   PC-G800  f = 1300000 / (166 + 22t) Hz
//
// against equal temperament with OMP "J" (A of octave 1) at 440 Hz.

#include "core/notes/pitch_cents.h"
#include "export/basic_generator.h"

namespace notes {

// The cents of every pitch the BASIC program for `machine` plays ("A" to "p").
PitchCents provisionalMachineCents(BasicMachine machine);

} // namespace notes
