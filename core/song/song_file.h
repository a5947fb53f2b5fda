#pragma once
// VTD song files: one song (OMP data, tone, title, copyright, data author) in
// the section "Data" of an INI file.

#include "core/formats/ini_file.h"
#include "core/song/song.h"

#include <QString>

#include <optional>

struct SongLoadResult {
    enum class Failure {
        None,
        CannotRead,  // missing, a folder, or unreadable
        NotSongFile, // no section "Data" holding a key "Data"
    };
    Song song; // its tone is songTone(program), or -1
    QString program; // "Program" as written: "0" to "127", or "-1" (no tone)
    Failure failure = Failure::None;
    QString error; // Japanese message naming the file
    bool ok() const { return failure == Failure::None; }
};

// Reads the five fields, each whole however long. A missing key reads as
// empty text. A file that is not a song file is reported, so that opening one
// by mistake does not empty the current song.
SongLoadResult LoadSong(const QString &path);

// The six keys of a song, in the order they are written.
QList<IniEntry> songEntries(const QString &omp, const QString &program, const QString &title,
                            const QString &copyright, const QString &author);

// Writes the six keys in one replacement of the file (`program`: the tone
// list position as text). A new file holds exactly
// the seven lines of the format; over an existing file the keys are replaced
// in place or added, and every other line is kept. A line break in a value
// becomes one blank. Text CP932 cannot hold is an error and nothing is written.
IniWriteResult SaveSong(const QString &path, const QString &omp, const QString &program, const QString &title,
                        const QString &copyright, const QString &author);
IniWriteResult SaveSong(const QString &path, const Song &song);
QList<IniEntry> songEntries(const Song &song);

// The tone a "Program" text selects: a whole number from -1 (none) to 127.
std::optional<qint16> songTone(const QString &program);
