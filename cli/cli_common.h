#pragma once
// Small helpers the verbs share: output, usage errors, option values.

#include "core/io/save_file.h"
#include "core/machines/machines.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>

#include <functional>
#include <memory>

namespace cli {

class StopSignals;

enum ExitCode { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// Standard output and standard error take UTF-8 text. A failed write to
// standard output is remembered for finish().
void out(const QString &text);
void err(const QString &text);

// The exit code once a verb has returned `exitCode`: standard output is
// flushed, and a write to it that failed (a full disk, /dev/full) turns
// success into failure, with the reason on standard error.
int finish(int exitCode);

// Runs a verb; running out of memory is a message and exit 1, never an
// abort.
int runGuarded(int (*verb)(const QStringList &), const QStringList &args);

// The end of a verb's work: ExitOk for an empty `error`, else the error
// told on standard error as "vltn VERB: ERROR" and ExitFailure.
int reported(const QString &verb, const QString &error);

// Prints "vltn VERB: MESSAGE" and a hint to stderr; returns ExitUsage.
int usageError(const QString &verb, const QString &message);

// Parses the verb's arguments; on a parse error or a wrong number of
// positional arguments it reports a usage error and returns false with
// `exitCode` set. `--help` prints the verb's help and returns false with
// exitCode 0.
bool parseVerb(QCommandLineParser &parser, const QStringList &args, const QString &verb,
               int positionals, int &exitCode);

// An option that must be a whole number in [min, max].
bool intOption(const QCommandLineParser &parser, const QString &name, int min, int max,
               int &value, const QString &verb, int &exitCode);

// The machine `--NAME` names (e500 or g800, in any case). Without the
// option, nothing and true when it is optional; a wrong or missing value
// reports a usage error and returns false with `exitCode` set.
bool machineOption(const QCommandLineParser &parser, const QString &name, bool required,
                   std::optional<Machine> &machine, const QString &verb, int &exitCode);

// "-" names standard output (or standard input) on the command line.
bool isStandardStream(const QString &path);

// Writes `bytes` unchanged to the file `path` (replaced whole or not at all;
// a device or FIFO is written into), or to standard output when `path` is
// empty or "-". Returns an empty string on success, otherwise a Japanese
// message.
QString writeOutput(const QString &path, const QByteArray &bytes);

// A writer for output streamed to `path` as it is made: standard output for
// "-", otherwise the file, replaced only once committed.
std::unique_ptr<SaveFile::Writer> streamWriter(const QString &path);
// The end of a WAV file streamed to `outPath`: stopped by a signal (nothing
// kept, exit 128 + the signal), failed with `error`, or written.
int wavWritten(bool cancelled, const QString &error, const QString &outPath, const StopSignals &stops);

// False, with the reason told on standard error, when `output` is the file
// `input` itself (also through a link), which writing would destroy.
bool outputIsNotInput(const QString &verb, const QString &input, const QString &output);

// The verb's one input and the file its required `-o` names; false, with
// the reason told and `exitCode` set, when `-o` is missing (a usage error)
// or names the input itself.
bool inputAndRequiredOutput(const QCommandLineParser &parser, const QCommandLineOption &outOpt, const QString &verb,
                            QString &input, QString &outPath, int &exitCode);

// The INPUT the song verbs take (`alsoMidi`: a MIDI file too).
void addSongArgument(QCommandLineParser &parser, bool alsoMidi = false);
// "-o, --output OUT" with the verb's own description.
QCommandLineOption outputOption(const QString &description);

// Runs `onSave` at once and again whenever a program saves `path`, until
// Ctrl-C (or a polite kill); returns the exit code for that signal.
int watchUntilStopped(const QString &path, const std::function<void()> &onSave);
// What a verb says on standard error when it starts watching `path`.
QString watchingText(const QString &path);

// A JSON string literal (quotes included); non-ASCII text is written as is.
QString jsonString(const QString &text);

} // namespace cli
