#pragma once
// The options of the verbs that sound a song as the pocket computer does
// (play, wav, tuning): which machine, which of its programs, and the pause
// after each statement; and the song's sound made from them.

#include "core/voice/machine_voice.h"

#include <QCommandLineParser>
#include <QString>

#include <memory>
#include <optional>

namespace cli {

struct MachineChoice {
    Machine machine = Machine::E500;
    voice::Program program = voice::Program::Beep;
    double gapSeconds = 0;
};

// --machine and --program, and --gap when `withGap`. `required`: --machine
// must be given (tuning); otherwise it chooses the machine's voice over the
// General MIDI one (play, wav).
void addMachineOptions(QCommandLineParser &parser, bool required, bool withGap);

// The choice, or none without --machine. False, with a usage error told and
// `exitCode` set, for a value that is not one of the choices, --program or
// --gap without --machine, and --tone with it.
bool machineOptions(const QCommandLineParser &parser, const QString &verb, bool required,
                    std::optional<MachineChoice> &choice, int &exitCode);

struct MachineVoiceSource {
    std::shared_ptr<const voice::Voice> voice;
    QString error;   // Japanese; empty on success
    QString warning; // Japanese; told, but the voice was made
    bool ok() const { return error.isEmpty(); }
};

// The machine's sound of the song at `input` (H-MML, OMP data or a song file).
MachineVoiceSource machineVoiceForInput(const QString &input, const MachineChoice &choice);

} // namespace cli
