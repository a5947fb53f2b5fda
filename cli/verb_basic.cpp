// vltn basic: a song as a BASIC program for the PC-E500 or the PC-G800.

#include "cli/cli_common.h"
#include "cli/song_input.h"
#include "cli/verbs.h"

#include "core/formats/basic_generator.h"
#include "core/io/cp932.h"

namespace cli {

int runBasic(const QStringList &args)
{
    const QString verb = QStringLiteral("basic");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲を、1 音に 1 つの BEEP で演奏するポケコン用 BASIC プログラムにします。"
                       "保存するファイルは出力ウィンドウで保存したものと同じく、CP932 で最後に改行が付きます。"));
    const QCommandLineOption machineOpt(QStringLiteral("machine"), QStringLiteral("機種: e500 または g800 (必須)"),
                                        QStringLiteral("M"));
    const QCommandLineOption outOpt = outputOption(QStringLiteral("保存するファイル (- は標準出力)。既定: 標準出力"));
    parser.addOption(machineOpt);
    parser.addOption(outOpt);
    addSongArgument(parser);

    int exitCode = ExitOk;
    std::optional<Machine> machine;
    if (!parseVerb(parser, args, verb, 1, exitCode)
        || !machineOption(parser, machineOpt.names().constFirst(), true, machine, verb, exitCode))
        return exitCode;

    const QString input = parser.positionalArguments().at(0);
    if (!outputIsNotInput(verb, input, parser.value(outOpt)))
        return ExitFailure;
    const SongInput song = loadSongInput(input);
    if (!song.ok())
        return reported(verb, song.error);
    const BasicProgramResult program = generateBasicProgram(song.omp, *machine);
    if (!program.ok())
        return reported(verb, program.error);
    // Saved as the output window saves it: the text and one more line break.
    const Cp932::EncodeResult encoded = Cp932::encode(program.text + QStringLiteral("\r\n"));
    QString error = encoded.error;
    if (error.isEmpty())
        error = writeOutput(parser.value(outOpt), encoded.bytes);
    return reported(verb, error);
}

} // namespace cli
