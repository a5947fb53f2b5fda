// vltn midi: a song as a Standard MIDI File.

#include "cli/cli_common.h"
#include "cli/song_input.h"
#include "cli/verbs.h"

#include "core/formats/midi_writer.h"

namespace cli {

int runMidi(const QStringList &args)
{
    const QString verb = QStringLiteral("midi");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("H-MML ファイル、または OMP データのファイル (.omp) を MIDI ファイルに書き出します。"));
    const QCommandLineOption toneOpt(QStringLiteral("tone"),
                                     QStringLiteral("音色 (GM プログラム番号 - 1、0 から 127)。"
                                                    "既定: H-MML の PROGRAM - 1、なければ 0"),
                                     QStringLiteral("N"));
    const QCommandLineOption outOpt = outputOption(QStringLiteral("書き出す MIDI ファイル (必須。- は標準出力)"));
    parser.addOption(toneOpt);
    parser.addOption(outOpt);
    addSongArgument(parser);

    int exitCode = ExitOk;
    int tone = -1;
    if (!parseVerb(parser, args, verb, 1, exitCode)
        || !intOption(parser, toneOpt.names().constFirst(), 0, 127, tone, verb, exitCode))
        return exitCode;
    QString input, outPath;
    if (!inputAndRequiredOutput(parser, outOpt, verb, input, outPath, exitCode))
        return exitCode;

    const SongInput song = loadSongInput(input);
    if (!song.ok())
        return reported(verb, song.error);
    if (tone < 0) {
        QString warning;
        tone = song.midiProgram(&warning);
        if (!warning.isEmpty())
            err(QStringLiteral("vltn %1: 警告: %2\n").arg(verb, warning));
    }
    const MidiResult built = MIDI_Build(song.omp, tone);
    QString error = built.error;
    if (error.isEmpty())
        error = writeOutput(outPath, built.bytes);
    return reported(verb, error);
}

} // namespace cli
