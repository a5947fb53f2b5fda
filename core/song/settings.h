#pragma once
// The user's preferences: eleven 16-bit settings in three sections of
// "vltn.ini", read once at start-up and written once at a confirmed exit.

#include "core/formats/ini_file.h"
#include "core/machines/machines.h"
#include "core/transfer/serial_settings.h"

#include <QString>

#include <array>
#include <optional>

// Each field starts at the settings dialog's design-time choice, which is
// also what a missing file, a missing key or an unusable value gives. The
// serial settings (section "通信関連", with the port's device and the pauses
// of a send beyond the eleven keys) are the one SerialSettings type the send
// window and `vltn send` use as well.
struct AppSettings : SerialSettings {
    qint16 LoopPlay = 0;          // 1 = play endlessly, 0 = once
    qint16 DefaultTone = 0;       // tone list position 0 to 127
    qint16 UseSeparator = 1;      // 1 = on, 0 = off
    qint16 SeparatorInterval = 10;
    qint16 SeparatorKind = 0;     // 0 = "/", anything else = " "

    // In section "HMML2OMP": 1 reads the song's H-MML file again when another
    // program saves it, 0 leaves it.
    qint16 AutoReload = 1;
    // In section "一般設定", after the two keys: what plays the song (0 the
    // General MIDI tone, 1 the PC-E500's own voice, 2 the PC-G800's), which
    // of the machine's programs it plays (0 the BEEP program, 1 the OMP
    // player), and the silence after each of its statements in milliseconds.
    qint16 Voice = 0;
    qint16 VoiceProgram = 0;
    qint16 StatementGap = 0;

    static constexpr qint16 MaxStatementGap = 1000;

    bool operator==(const AppSettings &) const = default;
};

// The machine whose voice plays the song; none for the General MIDI tone.
std::optional<Machine> voiceMachine(const AppSettings &settings);

// The layout compiled OMP data is given: "/" for SeparatorKind 0, a blank
// for any other, every SeparatorInterval tokens; none at all when
// "区切り文字を利用する" is switched off.
QString separatorText(const AppSettings &settings);
qint32 separatorInterval(const AppSettings &settings);

// One key of the settings file. List positions must lie in [min, max] (the
// entries of the dialog's list); the other settings take any 16-bit number.
struct SettingsKey {
    const char16_t *section;
    const char16_t *key;
    qint16 AppSettings::*field;
    qint16 min;
    qint16 max;
};

// The eleven keys in the order they are read and written.
const std::array<SettingsKey, 11> &settingsKeys();

// "vltn.ini" in the program's folder when one already stands there (a
// portable install); otherwise in the user's configuration folder.
QString settingsFilePath(const QString &programDir, const QString &configDir);
// The same with this process's program folder and QStandardPaths'
// AppConfigLocation.
QString settingsFilePath();

// The window's settings file as the command-line tool beside it finds it
// (the tool's own name would give another configuration folder).
QString windowSettingsFilePath();

// Reads the settings file at `path`. A missing file, a missing key, a value
// that is not a 16-bit whole number, or a list position outside its list
// gives that setting's default. `error` (when given) receives the message of
// a file that exists but cannot be read; the defaults are used then too.
AppSettings LoadSettings(const QString &path, QString *error = nullptr);
AppSettings LoadSettings(QString *error = nullptr); // at settingsFilePath()

// Writes all eleven keys in one replacement of the file, keeping every other
// line it holds, then the port's device, the pauses and AutoReload when they
// differ from their defaults or the file holds them already (so the file of
// a user who never changes them keeps its eleven keys alone). The folder of `path` must exist.
IniWriteResult SaveSettings(const AppSettings &settings, const QString &path);
// At settingsFilePath(), creating the configuration folder when needed.
IniWriteResult SaveSettings(const AppSettings &settings);
