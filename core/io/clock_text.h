#pragma once
// A length of time as people read it on a player: "m:ss", or "h:mm:ss" from
// an hour on. The player strip, the send window and `vltn` all show it so.

#include <QString>

// Whole seconds, rounded down; anything not a positive number is "0:00".
QString clockText(double seconds);
