// vltn import: a Standard MIDI File as an H-MML song.

#include "cli/cli_common.h"
#include "cli/verbs.h"

#include "core/importer/midi_import.h"

namespace cli {

int runImport(const QStringList &args)
{
    const QString verb = QStringLiteral("import");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "MIDI ファイル (フォーマット 0 か 1) の旋律を H-MML ファイルにします。変えたことは標準エラー出力に表示します。"));
    const QCommandLineOption trackOpt(QStringLiteral("track"), QStringLiteral("旋律にするトラック (1 から)。"),
                                      QStringLiteral("N"));
    const QCommandLineOption channelOpt(QStringLiteral("channel"), QStringLiteral("旋律にするチャンネル (1 から 16)。"),
                                        QStringLiteral("N"));
    const QCommandLineOption transposeOpt(QStringLiteral("transpose"),
                                          QStringLiteral("移調する半音の数。既定: 最も多くの音が音域に入るオクターブ"),
                                          QStringLiteral("N"));
    const QCommandLineOption unitOpt(QStringLiteral("unit"),
                                     QStringLiteral("長さ 1 にするファイルのティック数。既定: 誤差が最も小さくなるもの"),
                                     QStringLiteral("TICKS"));
    const QCommandLineOption utf8Opt(QStringLiteral("utf8"), QStringLiteral("CP932 でなく UTF-8 で書き出します。"));
    const QCommandLineOption outOpt = outputOption(QStringLiteral("書き出す H-MML ファイル (必須)"));
    for (const QCommandLineOption &o : {trackOpt, channelOpt, transposeOpt, unitOpt, utf8Opt, outOpt})
        parser.addOption(o);
    parser.addPositionalArgument(QStringLiteral("IN.mid"), QStringLiteral("MIDI ファイル (- は標準入力)"));

    int exitCode = ExitOk;
    int track = 0, channel = 0, transpose = 0, unit = 0;
    if (!parseVerb(parser, args, verb, 1, exitCode)
        || !intOption(parser, trackOpt.names().constFirst(), 1, 65535, track, verb, exitCode)
        || !intOption(parser, channelOpt.names().constFirst(), 1, 16, channel, verb, exitCode)
        || !intOption(parser, transposeOpt.names().constFirst(), -127, 127, transpose, verb, exitCode)
        || !intOption(parser, unitOpt.names().constFirst(), 1, 1 << 28, unit, verb, exitCode))
        return exitCode;
    if (parser.isSet(trackOpt) && parser.isSet(channelOpt))
        return usageError(verb, QStringLiteral("--track と --channel はどちらか一方だけを指定してください。"));
    QString input, outPath;
    if (!inputAndRequiredOutput(parser, outOpt, verb, input, outPath, exitCode))
        return exitCode;

    importer::ImportOptions options;
    if (parser.isSet(trackOpt))
        options.track = track;
    if (parser.isSet(channelOpt))
        options.channel = channel;
    if (parser.isSet(transposeOpt))
        options.transpose = transpose;
    if (parser.isSet(unitOpt))
        options.unit = unit;
    options.utf8 = parser.isSet(utf8Opt);

    const importer::ImportResult imported = importer::importMidiFile(input, options);
    if (!imported.ok()) {
        err(QStringLiteral("vltn %1: %2\n").arg(verb, imported.error));
        return imported.optionRefused ? ExitUsage : ExitFailure;
    }
    QString error;
    const QByteArray bytes = importer::encodeHmml(imported.hmml, options.utf8, error);
    if (error.isEmpty())
        error = writeOutput(outPath, bytes);
    if (!error.isEmpty()) {
        err(QStringLiteral("vltn %1: %2\n").arg(verb, error));
        return ExitFailure;
    }
    err(imported.report);
    return ExitOk;
}

} // namespace cli
