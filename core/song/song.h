#pragma once
// The song: what the main window shows, what a song file keeps and what a
// verb of the command line works on.

#include <QString>

struct Song {
    QString omp;
    QString title;
    QString copyright;
    QString author;
    // The tone list position, 0 to 127 (General MIDI program - 1), or -1 for
    // none. An H-MML PROGRAM outside 1 to 128 gives a value outside, which no
    // list shows and no MIDI file carries.
    int tone = -1;
    // The H-MML text the song was compiled from, every line followed by
    // "\r\n", and the file it was read from; empty when there is none.
    QString hmmlSource;
    QString hmmlPath;
};
