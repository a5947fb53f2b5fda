// vltn compile / vltn format: the H-MML compiler and the OMP formatter.

#include "cli/cli_common.h"
#include "cli/verbs.h"

#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"
#include "core/hmml/hmml_file.h"
#include "core/song/song_conversion.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"

namespace cli {

namespace {

const QString SeparatorOpt = QStringLiteral("separator");
const QString IntervalOpt = QStringLiteral("interval");

void addLayoutOptions(QCommandLineParser &parser)
{
    parser.addOption({SeparatorOpt,
                      QStringLiteral("区切り文字 (先頭の 1 文字、\" \" から \"/\" まで、$ と * を除く)。既定: なし"),
                      QStringLiteral("C")});
    parser.addOption({IntervalOpt, QStringLiteral("区切り文字を入れる間隔 (トークン数)。既定: 0 (入れない)"),
                      QStringLiteral("N")});
}

bool layoutOptions(const QCommandLineParser &parser, const QString &verb, QString &separator,
                   int &interval, int &exitCode)
{
    separator = parser.value(SeparatorOpt);
    interval = 0;
    return intOption(parser, IntervalOpt, INT_MIN, INT_MAX, interval, verb, exitCode);
}

} // namespace

// Compiles and prints one file as the verb does.
static int compileFile(const QCommandLineParser &parser, const QString &path, const QString &separator, int interval);

int runCompile(const QStringList &args)
{
    const QString verb = QStringLiteral("compile");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("H-MML ファイルを OMP データに変換して表示します。"));
    const QCommandLineOption raw(QStringLiteral("raw"), QStringLiteral("整形せず、変換したままの OMP データを表示します。"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("OMP データ、曲名などと結果を 1 行の JSON で表示します。"));
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   QStringLiteral("FILE が保存されるたびに変換し直して表示します。Ctrl-C で終わります。"));
    parser.addOption(raw);
    parser.addOption(json);
    parser.addOption(watch);
    addLayoutOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("H-MML ファイル (- は標準入力)"));

    int exitCode = ExitOk;
    QString separator;
    int interval = 0;
    if (!parseVerb(parser, args, verb, 1, exitCode) || !layoutOptions(parser, verb, separator, interval, exitCode))
        return exitCode;

    const QString path = parser.positionalArguments().at(0);
    if (parser.isSet(watch)) {
        if (isStandardStream(path))
            return usageError(verb, QStringLiteral("--watch には見張るファイルを指定してください。"));
        // Each save is converted as a new run would convert it.
        return watchUntilStopped(path, [&] { compileFile(parser, path, separator, interval); });
    }
    return compileFile(parser, path, separator, interval);
}

static int compileFile(const QCommandLineParser &parser, const QString &path, const QString &separator, int interval)
{
    const HmmlFileCompile compiled = compileHmmlFile(path, parser.isSet(QStringLiteral("raw")), separator, interval);
    if (!compiled.error.isEmpty()) {
        err(QStringLiteral("vltn: %1\n").arg(compiled.error));
        return ExitFailure;
    }

    const ConversionStatus &status = compiled.status;
    const HmmlSongFields &song = compiled.song;
    const QByteArray &omp = compiled.omp; // ASCII, and so already UTF-8

    if (parser.isSet(QStringLiteral("json"))) {
        out(QStringLiteral("{\"omp\":%1,\"title\":%2,\"author\":%3,\"copyright\":%4,\"program\":%5,"
                           "\"status\":{\"code\":%6,\"line\":%7,\"message\":%8}}\n")
                .arg(jsonString(QString::fromLatin1(omp)), jsonString(song.title),
                     jsonString(song.author), jsonString(song.copyright))
                .arg(song.program)
                .arg(status.code)
                .arg(status.line)
                .arg(jsonString(status.message)));
        return status.ok() ? ExitOk : ExitFailure;
    }
    if (!status.ok()) {
        err(conversionErrorLine(path, status) + u'\n');
        return ExitFailure;
    }
    // A failed write is told by finish().
    writeOutput(QString(), omp);
    out(QStringLiteral("\n"));
    return ExitOk;
}

int runFormat(const QStringList &args)
{
    const QString verb = QStringLiteral("format");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("OMP データを整形して表示します。"));
    addLayoutOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("OMP データのファイル (- は標準入力)"));

    int exitCode = ExitOk;
    QString separator;
    int interval = 0;
    if (!parseVerb(parser, args, verb, 1, exitCode) || !layoutOptions(parser, verb, separator, interval, exitCode))
        return exitCode;

    const QString path = parser.positionalArguments().at(0);
    const ReadFile::Result read = ReadFile::readAll(path);
    if (!read.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(read.error));
        return ExitFailure;
    }
    const TextFile::DecodeResult decoded = TextFile::decodeTextFile(read.bytes);
    if (!decoded.ok()) {
        err(QStringLiteral("vltn: %1 を読めません: %2\n").arg(ReadFile::displayName(path), decoded.error));
        return ExitFailure;
    }
    ConversionStatus status;
    const QString omp = OMP_Format(decoded.text, separator, interval, status);
    if (!status.ok()) {
        err(QStringLiteral("vltn: %1: %2\n").arg(path, status.message));
        return ExitFailure;
    }
    out(omp + u'\n');
    return ExitOk;
}

} // namespace cli
