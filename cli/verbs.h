#pragma once
// The verbs of the command-line tool. Each takes its own arguments (the verb
// itself first, as QCommandLineParser expects) and returns the exit code:
// 0 success, 1 a failure of the work, 2 a usage error.

#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

struct Verb {
    const char *name;
    const char *synopsis; // one line for `vltn --help`
    int (*run)(const QStringList &args);
};

int runCompile(const QStringList &args);
int runFormat(const QStringList &args);
int runVtd(const QStringList &args);
int runMidi(const QStringList &args);
int runBasic(const QStringList &args);
int runOmpList(const QStringList &args);
int runDraw(const QStringList &args);
int runSend(const QStringList &args);
int runPorts(const QStringList &args);
int runImport(const QStringList &args);
int runTuning(const QStringList &args);
// In vltn-sound, which links the synthesizer.
int runPlay(const QStringList &args);
int runWav(const QStringList &args);
// The same with the pocket computer's own voice (play --machine, wav
// --machine), once their options are read.
struct MachineChoice;
int runMachinePlay(const QString &input, const MachineChoice &choice, bool loop, bool watch);
int runMachineWav(const QString &input, const MachineChoice &choice, const QString &outPath);
// In vltn: hands the verb over to vltn-sound, replacing this process.
int runSoundVerb(const QStringList &args);

// Every verb, in the order `vltn --help` lists them.
const std::vector<Verb> &verbs();

} // namespace cli
