#include "cli/cli_common.h"

#include "cli/stop_signals.h"

#include "platform/watch/file_watch.h"
#include "core/io/save_file.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

int stdoutError = 0; // errno of the first write to standard output that failed

bool writeStdout(QByteArrayView bytes)
{
    errno = 0;
    if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0) {
        if (stdoutError == 0)
            stdoutError = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

} // namespace

void out(const QString &text)
{
    writeStdout(text.toUtf8());
}

void err(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int finish(int exitCode)
{
    errno = 0;
    if (std::fflush(stdout) != 0 && stdoutError == 0)
        stdoutError = errno != 0 ? errno : EIO;
    if (stdoutError == 0)
        return exitCode;
    if (exitCode == ExitOk)
        err(QStringLiteral("vltn: 標準出力に書き込めません: %1\n").arg(SaveFile::reasonText(stdoutError, QString())));
    return exitCode == ExitOk ? ExitFailure : exitCode;
}

int runGuarded(int (*verb)(const QStringList &), const QStringList &args)
{
    try {
        return verb(args);
    } catch (const std::bad_alloc &) {
        err(QStringLiteral("vltn: メモリーが足りないため、処理を続けられません。\n"));
        return ExitFailure;
    }
}

int reported(const QString &verb, const QString &error)
{
    if (error.isEmpty())
        return ExitOk;
    err(QStringLiteral("vltn %1: %2\n").arg(verb, error));
    return ExitFailure;
}

int usageError(const QString &verb, const QString &message)
{
    err(QStringLiteral("vltn %1: %2 (vltn %1 --help で使い方を表示します)\n").arg(verb, message));
    return ExitUsage;
}

bool parseVerb(QCommandLineParser &parser, const QStringList &args, const QString &verb,
               int positionals, int &exitCode)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("この説明を表示します。"));
    parser.addOption(help);
    if (!parser.parse(args)) {
        exitCode = usageError(verb, parser.errorText());
        return false;
    }
    if (parser.isSet(help)) {
        // "Usage: /full/path/of/the/program [options] ..." becomes
        // "使い方: vltn VERB [options] ...", whichever program runs the verb.
        QString text = parser.helpText();
        const QString program = QCoreApplication::arguments().value(0);
        const QString usage = QStringLiteral("Usage: ") + program;
        if (text.startsWith(usage))
            text.replace(0, usage.size(), QStringLiteral("使い方: vltn ") + verb);
        out(text);
        exitCode = ExitOk;
        return false;
    }
    const qsizetype given = parser.positionalArguments().size();
    if (given != positionals) {
        exitCode = usageError(verb, given < positionals ? QStringLiteral("入力ファイルを指定してください。")
                                                        : QStringLiteral("引数が多すぎます。"));
        return false;
    }
    return true;
}

bool intOption(const QCommandLineParser &parser, const QString &name, int min, int max,
               int &value, const QString &verb, int &exitCode)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < min || v > max) {
        exitCode = usageError(verb, QStringLiteral("--%1 には %2 から %3 までの整数を指定してください。")
                                        .arg(name)
                                        .arg(min)
                                        .arg(max));
        return false;
    }
    value = v;
    return true;
}

bool machineOption(const QCommandLineParser &parser, const QString &name, bool required,
                   std::optional<Machine> &machine, const QString &verb, int &exitCode)
{
    machine = std::nullopt;
    if (!parser.isSet(name) && !required)
        return true;
    machine = machines::fromKey(parser.value(name));
    if (machine)
        return true;
    exitCode = usageError(verb, QStringLiteral("--%1 には e500 か g800 を指定してください。").arg(name));
    return false;
}

bool isStandardStream(const QString &path)
{
    return path == QLatin1String("-");
}

QString writeOutput(const QString &path, const QByteArray &bytes)
{
    if (!path.isEmpty() && !isStandardStream(path))
        return SaveFile::writeAll(path, bytes);
    if (!writeStdout(bytes))
        return QStringLiteral("標準出力に書き込めません: %1").arg(SaveFile::reasonText(stdoutError, QString()));
    return QString();
}

std::unique_ptr<SaveFile::Writer> streamWriter(const QString &path)
{
    return isStandardStream(path) ? SaveFile::Writer::standardOutput() : std::make_unique<SaveFile::Writer>(path);
}

int wavWritten(bool cancelled, const QString &error, const QString &outPath, const StopSignals &stops)
{
    if (cancelled) {
        err(QStringLiteral("vltn: 中断しました。%1 は書き出していません。\n").arg(outPath));
        return stops.exitCode();
    }
    if (!error.isEmpty()) {
        err(QStringLiteral("vltn: %1\n").arg(error));
        return ExitFailure;
    }
    return ExitOk;
}

bool outputIsNotInput(const QString &verb, const QString &input, const QString &output)
{
    if (isStandardStream(output) || output.isEmpty())
        return true;
    struct stat in = {}, outSt = {};
    // "-" reads standard input, which a shell may have opened on the very
    // file the output names ("< song.hml").
    const bool fromStdin = isStandardStream(input);
    if ((fromStdin ? ::fstat(STDIN_FILENO, &in) : ::stat(QFile::encodeName(input).constData(), &in)) != 0
        || ::stat(QFile::encodeName(output).constData(), &outSt) != 0)
        return true;
    // Only a regular file is lost by being replaced; a device stays itself.
    if (!S_ISREG(outSt.st_mode) || in.st_dev != outSt.st_dev || in.st_ino != outSt.st_ino)
        return true;
    if (fromStdin)
        err(QStringLiteral("vltn %1: 出力先 %2 は標準入力から読んでいるファイルと同じファイルです。書き出すと曲が失われるため、"
                           "別のファイル名を指定してください。\n")
                .arg(verb, output));
    else
        err(QStringLiteral("vltn %1: 出力先 %2 は入力ファイル %3 と同じファイルです。書き出すと曲が失われるため、"
                           "別のファイル名を指定してください。\n")
                .arg(verb, output, input));
    return false;
}

bool inputAndRequiredOutput(const QCommandLineParser &parser, const QCommandLineOption &outOpt, const QString &verb,
                            QString &input, QString &outPath, int &exitCode)
{
    outPath = parser.value(outOpt);
    if (outPath.isEmpty()) {
        exitCode = usageError(verb, QStringLiteral("書き出すファイルを -o で指定してください (- は標準出力)。"));
        return false;
    }
    input = parser.positionalArguments().at(0);
    if (!outputIsNotInput(verb, input, outPath)) {
        exitCode = ExitFailure;
        return false;
    }
    return true;
}

void addSongArgument(QCommandLineParser &parser, bool alsoMidi)
{
    parser.addPositionalArgument(
        QStringLiteral("INPUT"),
        QStringLiteral("曲: H-MML ファイル (- は標準入力)、OMP データのファイル (.omp)、VTD ファイル (.vtd)")
            + (alsoMidi ? QStringLiteral("、MIDI ファイル (.mid)") : QString()));
}

QCommandLineOption outputOption(const QString &description)
{
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, description, QStringLiteral("OUT"));
}

QString jsonString(const QString &text)
{
    QString s;
    s.reserve(text.size() + 2);
    s.append(u'"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': s.append(u"\\\""); break;
        case u'\\': s.append(u"\\\\"); break;
        case u'\n': s.append(u"\\n"); break;
        case u'\r': s.append(u"\\r"); break;
        case u'\t': s.append(u"\\t"); break;
        default:
            if (c.unicode() < 0x20)
                s.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
            else
                s.append(c);
        }
    }
    s.append(u'"');
    return s;
}

QString watchingText(const QString &path)
{
    return QStringLiteral("vltn: %1 を見張っています。保存されるたびに読み込み直します (Ctrl-C で終わります)。\n").arg(path);
}

int watchUntilStopped(const QString &path, const std::function<void()> &onSave)
{
    QEventLoop events;
    // Output that cannot be written (a full disk, /dev/full) ends the watch
    // as it ends every other verb: with the reason, not in silence.
    const auto saved = [&] {
        onSave();
        if (stdoutError != 0)
            events.exit(finish(ExitOk));
    };
    FileWatch watch(saved);
    watch.watch(path);
    const StopSignals stops;
    std::unique_ptr<QSocketNotifier> wake;
    if (stops.wakeFd() >= 0) {
        wake = std::make_unique<QSocketNotifier>(stops.wakeFd(), QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&] { events.exit(stops.exitCode()); });
    }
    err(watchingText(path));
    if (const QString folder = watch.missingFolder(); !folder.isEmpty())
        err(QStringLiteral("vltn: フォルダ %1 はまだありません。作られてファイルが保存されたら読み込みます。\n").arg(folder));
    onSave();
    if (stdoutError != 0)
        return finish(ExitOk);
    return events.exec();
}

} // namespace cli
