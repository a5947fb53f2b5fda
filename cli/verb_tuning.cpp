// vltn tuning: how the pocket computer's pitches stand against equal
// temperament, for every pitch a song uses.

#include "cli/cli_common.h"
#include "cli/machine_options.h"
#include "cli/song_input.h"
#include "cli/verbs.h"

#include "core/voice/tuning_table.h"

#include <cmath>

namespace cli {

namespace {

// Columns on a terminal: kana and kanji take two.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x80 ? 1 : 2;
    return width;
}

QString padLeft(const QString &text, int width)
{
    return QString(std::max(0, width - displayWidth(text)), u' ') + text;
}

QString padRight(const QString &text, int width)
{
    return text + QString(std::max(0, width - displayWidth(text)), u' ');
}

// Cents with one decimal and their sign ("+5.4", "-2.7", "0.0").
QString signedCents(double cents)
{
    const double tenths = std::round(cents * 10);
    const QString digits = QString::number(std::fabs(tenths) / 10, 'f', 1);
    return tenths > 0 ? u'+' + digits : tenths < 0 ? u'-' + digits : digits;
}

QString programName(const MachineChoice &choice)
{
    return QStringLiteral("%1 の %2")
        .arg(choice.machine == Machine::E500 ? QStringLiteral("PC-E500") : QStringLiteral("PC-G800"),
             choice.program == voice::Program::Beep ? QStringLiteral("BEEP プログラム (1 音 1 行)")
                                                      : QStringLiteral("OMP プレーヤー"));
}

QString textTable(const voice::TuningTable &table, const MachineChoice &choice)
{
    const QStringList heads = {QStringLiteral("音名"), QStringLiteral("音符数"), QStringLiteral("音番号"),
                               QStringLiteral("ポケコン Hz"), QStringLiteral("平均律 Hz"), QStringLiteral("差 (セント)")};
    QList<QStringList> cells;
    for (const voice::TuningRow &row : table.rows)
        cells.push_back({row.pitch, QString::number(row.count), QString::number(row.tone), QString::number(row.hz, 'f', 2),
                         QString::number(row.targetHz, 'f', 2), signedCents(row.cents)});
    QList<int> widths;
    for (const QString &head : heads)
        widths.push_back(displayWidth(head));
    for (const QStringList &line : cells)
        for (qsizetype i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(line[i]));

    const auto layout = [&](const QStringList &line) {
        QString text = padRight(line[0], widths[0]);
        for (qsizetype i = 1; i < line.size(); ++i)
            text += QStringLiteral("  ") + padLeft(line[i], widths[i]);
        return text + u'\n';
    };
    QString text = QStringLiteral("%1 の音程 (平均律は A 1 = 440 Hz)\n").arg(programName(choice));
    text += layout(heads);
    for (const QStringList &line : cells)
        text += layout(line);
    const voice::TuningRow *widest = table.widest();
    if (!widest)
        text += QStringLiteral("音の高さのある音符がありません。\n");
    else
        text += QStringLiteral("いちばん大きい差: %1 の %2 セント (ポケコン %3 Hz、平均律 %4 Hz)\n")
                    .arg(widest->pitch, signedCents(widest->cents), QString::number(widest->hz, 'f', 2),
                         QString::number(widest->targetHz, 'f', 2));
    return text;
}

QString jsonTable(const voice::TuningTable &table)
{
    QStringList objects;
    for (const voice::TuningRow &row : table.rows)
        objects << QStringLiteral("{\"pitch\":%1,\"count\":%2,\"tone\":%3,\"hz\":%4,\"target_hz\":%5,\"cents\":%6}")
                       .arg(jsonString(row.pitch))
                       .arg(row.count)
                       .arg(row.tone)
                       .arg(QString::number(row.hz, 'f', 3), QString::number(row.targetHz, 'f', 3),
                            QString::number(row.cents, 'f', 2));
    return u'[' + objects.join(u',') + QStringLiteral("]\n");
}

} // namespace

int runTuning(const QStringList &args)
{
    const QString verb = QStringLiteral("tuning");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲が使う音の高さごとに、ポケコンの音番号と周波数を平均律 (A 1 = 440 Hz) と比べて表示します。"
                       "最後の行は、いちばん大きい差です。"));
    addMachineOptions(parser, true, false);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("JSON の配列で表示します (キー: pitch、count、tone、hz、target_hz、cents)。"));
    parser.addOption(json);
    addSongArgument(parser);

    int exitCode = ExitOk;
    std::optional<MachineChoice> choice;
    if (!parseVerb(parser, args, verb, 1, exitCode) || !machineOptions(parser, verb, true, choice, exitCode))
        return exitCode;
    const QString input = parser.positionalArguments().at(0);
    const SongInput song = loadSongInput(input);
    if (!song.ok())
        return reported(verb, song.error);
    const voice::TuningTable table = voice::tuningTable(song.omp, choice->machine, choice->program);
    if (!table.ok())
        return reported(verb, table.error);
    if (!table.warning.isEmpty())
        err(QStringLiteral("vltn %1: 警告: %2\n").arg(verb, table.warning));
    if (table.silentNotes > 0)
        err(QStringLiteral("vltn %1: 警告: %2 の音符 %3 個は BEEP プログラムに入らず、鳴りません "
                           "(BEEP プログラムは B 4 までです)。\n")
                .arg(verb, table.silentPitches.join(u'、'))
                .arg(table.silentNotes));
    out(parser.isSet(json) ? jsonTable(table) : textTable(table, *choice));
    return ExitOk;
}

} // namespace cli
