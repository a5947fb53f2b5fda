#pragma once
// The song as an SVG picture (`vltn draw`): time from left to right, pitch
// from bottom to top, one <rect> per note heard (rests and pitches the MIDI
// writer leaves silent draw none), with the note names on the left edge and a
// ruler of seconds on top. Every note's rect carries, for programs that read
// the picture:
//
//   data-line       its H-MML line (songs compiled from H-MML only)
//   data-pitch      its pitch as H-MML writes it ("C 2", "F# 4")
//   data-start-ms   when it starts and how long it lasts, in milliseconds, as
//   data-length-ms  `vltn midi` plays it (ticks of 1/960 s, to 3 decimals)
//   data-cents      with a machine's cents: how far its tone is off equal
//                   temperament; a note further off than 20 cents is drawn
//                   in red and has class="off"
//
// Decoration uses no <rect>, so the rects are exactly the notes, in the order
// they play.

#include "core/voice/pitch_cents.h"
#include "core/notes/song_notes.h"

#include <QByteArray>
#include <QString>

namespace formats {

struct SvgPictureOptions {
    QString title; // the picture's <title>
    // The width of the whole picture in pixels; 0 draws a second as 100 pixels.
    int width = 0;
    const voice::PitchCents *cents = nullptr;
};

// The picture as UTF-8 bytes.
QByteArray svgPicture(const notes::SongNotes &notes, const SvgPictureOptions &options);

} // namespace formats
