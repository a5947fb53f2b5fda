// vltn send / vltn ports: a song's program straight into the pocket computer
// over its serial line, and the serial devices there are to do it with.

#include "cli/cli_common.h"
#include "cli/song_input.h"
#include "cli/stop_signals.h"
#include "cli/verbs.h"

#include "core/io/clock_text.h"

#include "platform/serial/serial_link.h"
#include "core/song/settings.h"
#include "core/transfer/machine_setup.h"
#include "core/transfer/pacing.h"
#include "core/transfer/send_plan.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <unistd.h>

namespace cli {

namespace {

// One option whose value must be one of `names`; the position found goes
// to `index`.
bool choiceOption(const QCommandLineParser &parser, const QString &name, const QStringList &names, qint16 &index,
                  const QString &verb, int &exitCode)
{
    if (!parser.isSet(name))
        return true;
    const qsizetype found = names.indexOf(parser.value(name).toLower());
    if (found < 0) {
        exitCode = usageError(verb, QStringLiteral("--%1 には %2 のどれかを指定してください。").arg(name, names.join(u'、')));
        return false;
    }
    index = qint16(found);
    return true;
}

} // namespace

int runPorts(const QStringList &args)
{
    const QString verb = QStringLiteral("ports");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("シリアルポート (USB シリアルケーブルなど) の一覧を表示します。"));
    int exitCode = ExitOk;
    if (!parseVerb(parser, args, verb, 0, exitCode))
        return exitCode;
    const QList<SerialPortInfo> ports = availableSerialPorts();
    if (ports.isEmpty())
        err(QStringLiteral("vltn ports: シリアルポートが見つかりません。ケーブルをつないでから、もう一度実行してください。\n"));
    for (const SerialPortInfo &p : ports)
        out(p.description.isEmpty() ? p.path + u'\n' : QStringLiteral("%1\t%2\n").arg(p.path, p.description));
    return ExitOk;
}

int runSend(const QStringList &args)
{
    const QString verb = QStringLiteral("send");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲のプログラムをシリアルケーブルでポケコンへ送ります。先にポケコンを受信待ちにしてください "
                       "(PC-E500: OPEN \"…\":CLOSE のあと LOAD \"COM:\"、PC-G800: TEXT → Sio → Load)。"
                       "指定しない通信設定は Vellotune の設定ファイルのものを使います。Ctrl-C で中断します。"));
    const QCommandLineOption machineOpt(QStringLiteral("machine"), QStringLiteral("機種: e500 または g800 (必須)"),
                                        QStringLiteral("M"));
    const QCommandLineOption programOpt(QStringLiteral("program"),
                                        QStringLiteral("送るもの: beep (1 音 1 行の BASIC、既定) または omp (OMP プレーヤー)"),
                                        QStringLiteral("P"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("通信ポート (例: /dev/ttyUSB0)"),
                                     QStringLiteral("DEV"));
    const QCommandLineOption baudOpt(QStringLiteral("baud"), QStringLiteral("通信速度: 300、600、1200、2400、4800、9600"),
                                     QStringLiteral("N"));
    const QCommandLineOption dataOpt(QStringLiteral("data-bits"), QStringLiteral("データビット: 7 または 8"),
                                     QStringLiteral("N"));
    const QCommandLineOption stopOpt(QStringLiteral("stop-bits"), QStringLiteral("ストップビット: 1 または 2"),
                                     QStringLiteral("N"));
    const QCommandLineOption parityOpt(QStringLiteral("parity"), QStringLiteral("パリティ: none、even、odd"),
                                       QStringLiteral("P"));
    const QCommandLineOption flowOpt(QStringLiteral("flow"), QStringLiteral("フロー制御: rtscts、xonxoff、none"),
                                     QStringLiteral("F"));
    const QCommandLineOption charOpt(QStringLiteral("char-delay"),
                                     QStringLiteral("1 文字ごとの待ち時間 (ミリ秒)。既定: フロー制御 none なら 16、ほかは 0"),
                                     QStringLiteral("MS"));
    const QCommandLineOption lineOpt(QStringLiteral("line-delay"), QStringLiteral("1 行ごとの待ち時間 (ミリ秒)。既定: 0"),
                                     QStringLiteral("MS"));
    const QCommandLineOption dryOpt(QStringLiteral("dry-run"),
                                    QStringLiteral("送らずに、送るバイト列をそのまま標準出力に書きます。"));
    for (const QCommandLineOption &o : {machineOpt, programOpt, portOpt, baudOpt, dataOpt, stopOpt, parityOpt, flowOpt,
                                        charOpt, lineOpt, dryOpt})
        parser.addOption(o);
    addSongArgument(parser);

    int exitCode = ExitOk;
    std::optional<Machine> chosenMachine;
    if (!parseVerb(parser, args, verb, 1, exitCode)
        || !machineOption(parser, machineOpt.names().constFirst(), true, chosenMachine, verb, exitCode))
        return exitCode;
    const Machine machine = *chosenMachine;
    qint16 kind = 0;
    if (!choiceOption(parser, programOpt.names().at(0), {QStringLiteral("beep"), QStringLiteral("omp")}, kind, verb,
                      exitCode))
        return exitCode;

    // The settings file first, then what the command line says.
    QString settingsError;
    SerialSettings settings = LoadSettings(windowSettingsFilePath(), &settingsError);
    if (!settingsError.isEmpty())
        err(QStringLiteral("vltn %1: 警告: %2\n").arg(verb, settingsError));
    if (parser.isSet(portOpt))
        settings.PortDevice = parser.value(portOpt);
    QStringList bauds;
    for (const int b : BaudRates)
        bauds << QString::number(b);
    int charDelay = settings.CharDelay;
    int lineDelay = settings.LineDelay;
    if (!choiceOption(parser, QStringLiteral("baud"), bauds, settings.BaudIndex, verb, exitCode)
        || !choiceOption(parser, QStringLiteral("data-bits"), {QStringLiteral("7"), QStringLiteral("8")},
                         settings.DataBitsIndex, verb, exitCode)
        || !choiceOption(parser, QStringLiteral("stop-bits"), {QStringLiteral("1"), QStringLiteral("2")},
                         settings.StopBitsIndex, verb, exitCode)
        || !choiceOption(parser, QStringLiteral("parity"),
                         {QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd")}, settings.ParityIndex,
                         verb, exitCode)
        || !choiceOption(parser, QStringLiteral("flow"),
                         {QStringLiteral("rtscts"), QStringLiteral("xonxoff"), QStringLiteral("none")},
                         settings.FlowIndex, verb, exitCode)
        || !intOption(parser, QStringLiteral("char-delay"), 0, transfer::MaxCharDelay, charDelay, verb, exitCode)
        || !intOption(parser, QStringLiteral("line-delay"), 0, transfer::MaxLineDelay, lineDelay, verb, exitCode))
        return exitCode;
    settings.CharDelay = qint16(charDelay);
    settings.LineDelay = qint16(lineDelay);

    const SongInput song = loadSongInput(parser.positionalArguments().at(0));
    if (!song.ok())
        return reported(verb, song.error);
    transfer::SendRequest request;
    request.machine = machine;
    request.kind = transfer::ProgramKind(kind);
    request.omp = song.omp;
    const transfer::SendPlan plan = transfer::planSend(request, settings);
    if (!plan.ok()) {
        err(QStringLiteral("vltn %1: %2 何も送っていません。\n").arg(verb, QString(plan.error).replace(QStringLiteral("\r\n"), QStringLiteral(" "))));
        return ExitFailure;
    }
    if (parser.isSet(dryOpt)) {
        const QString error = writeOutput(QString(), plan.bytes);
        if (!error.isEmpty()) {
            err(QStringLiteral("vltn %1: %2\n").arg(verb, error));
            return ExitFailure;
        }
        return ExitOk;
    }
    const SerialLine &line = plan.line;
    const PacedSchedule &schedule = plan.schedule;

    TimerPacingClock clock;
    QtSerialLink link(clock);
    const QString openError = link.open(line);
    if (!openError.isEmpty()) {
        err(QStringLiteral("vltn %1: %2\n").arg(verb, openError));
        return ExitFailure;
    }

    const bool terminal = ::isatty(STDERR_FILENO);
    if (terminal)
        err(QStringLiteral("%1 へ送ります。ポケコンは受信待ちにしてありますか:\n%2\n")
                .arg(line.device, transfer::machineSteps(machine, line).join(u'\n')));
    bool lineShown = false;
    QObject::connect(&link, &SerialLink::progress, [&](const SendProgress &sent) {
        if (!terminal)
            return;
        err(QStringLiteral("\r送信中 %1/%2 行 %3/%4 バイト 残り %5\x1b[K")
                .arg(sent.lines)
                .arg(plan.lines)
                .arg(sent.bytes)
                .arg(plan.bytes.size())
                .arg(clockText(transfer::remainingSeconds(schedule, sent.pieces, line) + 0.999)));
        lineShown = true;
    });
    QEventLoop events;
    SendOutcome outcome;
    QObject::connect(&link, &SerialLink::finished, [&](const SendOutcome &o) {
        outcome = o;
        events.quit();
    });

    const StopSignals stops;
    std::unique_ptr<QSocketNotifier> wake;
    if (stops.wakeFd() >= 0) {
        wake = std::make_unique<QSocketNotifier>(stops.wakeFd(), QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&] { link.cancel(); });
    }
    link.send(plan.bytes, schedule);
    if (link.isSending())
        events.exec();
    if (lineShown)
        err(QStringLiteral("\r\x1b[K"));
    switch (outcome.kind) {
    case SendOutcome::Kind::Done:
        if (terminal)
            err(QStringLiteral("%1 行 (%2 バイト) を送りました。\n").arg(plan.lines).arg(plan.bytes.size()));
        return ExitOk;
    case SendOutcome::Kind::Cancelled:
        err(QStringLiteral("vltn %1: 中断しました。%2\n").arg(verb, transfer::sentLinesText(plan.lines, outcome.sent.lines)));
        return stops.caught() ? stops.exitCode() : ExitFailure;
    case SendOutcome::Kind::Failed:
        break;
    }
    err(QStringLiteral("vltn %1: %2 %3\n").arg(verb, outcome.error, transfer::sentLinesText(plan.lines, outcome.sent.lines)));
    return ExitFailure;
}

} // namespace cli
