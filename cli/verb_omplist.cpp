// vltn omplist: a song as an OMP list with its three BASIC players.

#include "cli/cli_common.h"
#include "cli/song_input.h"
#include "cli/verbs.h"

#include "core/formats/omp_list.h"

namespace cli {

int runOmpList(const QStringList &args)
{
    const QString verb = QStringLiteral("omplist");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲を OMP リスト (曲名、OMP データ、3 種類の BASIC プレーヤー) にします。"
                       "ファイルにも標準出力にも CP932 で書き出します。"));
    const QCommandLineOption titleOpt(QStringLiteral("title"),
                                      QStringLiteral("曲名。既定: H-MML の TITLE、なければ \"Non titled.\""),
                                      QStringLiteral("T"));
    const QCommandLineOption outOpt = outputOption(QStringLiteral("保存するファイル (- は標準出力)。既定: 標準出力"));
    parser.addOption(titleOpt);
    parser.addOption(outOpt);
    addSongArgument(parser);

    int exitCode = ExitOk;
    if (!parseVerb(parser, args, verb, 1, exitCode))
        return exitCode;

    const QString input = parser.positionalArguments().at(0);
    if (!outputIsNotInput(verb, input, parser.value(outOpt)))
        return ExitFailure;
    const SongInput song = loadSongInput(input);
    if (!song.ok())
        return reported(verb, song.error);
    const QString title = parser.isSet(titleOpt) ? parser.value(titleOpt) : song.title;
    const omplist::EncodeResult list = omplist::bytes(title, song.omp);
    QString error = list.error;
    if (error.isEmpty())
        error = writeOutput(parser.value(outOpt), list.bytes);
    return reported(verb, error);
}

} // namespace cli
