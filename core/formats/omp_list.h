#pragma once
// The OMP list: a text file with a song's title, its OMP string and three
// ready-to-type BASIC players, for people who play OMP data on the pocket
// computer themselves.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace omplist {

// The title written for a song without one; the window shows it as the
// song's title from then on.
inline const QString UntitledTitle = QStringLiteral("Non titled.");

// The families of machines the list has a player for: the PC-G800 and
// PC-E200, the PC-E500, and the ザウルス PV-F1 and DB-Z.
enum class Player { G800, E500, Zaurus };

// The numbers in the players' formulas, written into their lines from here
// and read by the machine voice (core/machine), so that the list and what
// the voice plays cannot drift apart. A character of code Z above 64 sounds
// X = PitchScale x 10^(PitchStep x Z) (its equal-tempered pitch in hertz) as
// BEEP 1,ToneNumerator/X-ToneOffset,X*Y/T; a rest waits in
// FOR J=1 TO RestPasses*Y/T+RestExtra:NEXT.
inline constexpr char PitchScale[] = "6.13";
inline constexpr char PitchStep[] = "0.02508";
inline constexpr char RestExtra[] = "20";

struct PlayerFormula {
    const char *toneNumerator;
    const char *toneOffset;
    const char *restPasses;
};

// The PC-E500 player's own numbers, and the PC-G800 player's for the others
// (the ザウルス player uses only PitchScale and PitchStep: it makes its rests
// with BEEP and has numbers of its own).
constexpr PlayerFormula playerFormula(Player player)
{
    return player == Player::E500 ? PlayerFormula{"64000", "22", "730"} : PlayerFormula{"59091", "7", "535"};
}

// The lines of `player`'s program with `omp` assigned to its string, without
// line ends: the assignment line, END, and the player subroutine.
QStringList playerLines(Player player, const QString &omp);

// The 43 lines of the list, each followed by "\r\n". `title` and `omp` are
// inserted as they are (a double quote in `omp` is not escaped); an empty
// title is written as UntitledTitle.
QString text(const QString &title, const QString &omp);

struct EncodeResult {
    QByteArray bytes; // CP932
    QString error;    // names the first character CP932 cannot hold
    bool ok() const { return error.isEmpty(); }
};

// The list as the bytes of the file.
EncodeResult bytes(const QString &title, const QString &omp);

// Writes the list to `path` with QSaveFile. Returns an empty string on
// success, otherwise a Japanese message; nothing is written when a character
// cannot be stored in CP932, and an existing file stays untouched on any
// failure.
QString write(const QString &path, const QString &title, const QString &omp);

} // namespace omplist
