// vltn draw: a song as an SVG picture, one rectangle a note.

#include "cli/cli_common.h"
#include "cli/song_input.h"
#include "cli/verbs.h"

#include "core/notes/svg_picture.h"
#include "core/voice/tuning_table.h"
#include "core/notes/song_notes.h"
#include "core/formats/midi_writer.h"

#include <QFileInfo>

#include <optional>

namespace cli {

int runDraw(const QStringList &args)
{
    const QString verb = QStringLiteral("draw");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("曲を SVG 形式の絵に書き出します。横が時間 (秒)、縦が音の高さで、鳴る音符 1 つが長方形 1 つです"
                       " (休符は描きません)。長方形には H-MML の行 (data-line)、音名 (data-pitch)、"
                       "vltn midi で鳴るときの開始と長さのミリ秒 (data-start-ms, data-length-ms) が付きます。"));
    const QCommandLineOption machineOpt(
        QStringLiteral("machine"),
        QStringLiteral("機種: e500 または g800。その機種の BEEP の音が平均律から何セントずれるか (data-cents) を付け、"
                       "20 セントを超えてずれる音符を赤で描きます"),
        QStringLiteral("M"));
    const QCommandLineOption widthOpt(QStringLiteral("width"),
                                      QStringLiteral("絵の幅 (ピクセル、100 から 1000000)。既定: 1 秒を 100 ピクセルで描く幅"),
                                      QStringLiteral("PX"));
    const QCommandLineOption outOpt = outputOption(QStringLiteral("書き出す SVG ファイル (必須。- は標準出力)"));
    parser.addOption(machineOpt);
    parser.addOption(widthOpt);
    parser.addOption(outOpt);
    addSongArgument(parser);

    int exitCode = ExitOk;
    int width = 0;
    if (!parseVerb(parser, args, verb, 1, exitCode)
        || !intOption(parser, widthOpt.names().constFirst(), 100, 1000000, width, verb, exitCode))
        return exitCode;
    std::optional<Machine> machine;
    if (!machineOption(parser, machineOpt.names().constFirst(), false, machine, verb, exitCode))
        return exitCode;
    std::optional<voice::PitchCents> cents;
    if (machine)
        cents = voice::pitchCents(*machine, voice::Program::Beep);
    QString input, outPath;
    if (!inputAndRequiredOutput(parser, outOpt, verb, input, outPath, exitCode))
        return exitCode;

    const SongInput song = loadSongInput(input);
    if (!song.ok())
        return reported(verb, song.error);
    const notes::SongNotes notes(song.omp, song.lines);
    // The times are those of `vltn midi`: a song it refuses has none.
    QString error = notes.firstUntimed() >= 0 ? MIDI_Build(song.omp, 0).error : QString();
    if (error.isEmpty()) {
        formats::SvgPictureOptions options;
        options.title = !song.title.isEmpty()       ? song.title
                        : isStandardStream(input) ? QStringLiteral("標準入力")
                                                    : QFileInfo(input).fileName();
        options.width = width;
        options.cents = cents ? &*cents : nullptr;
        error = writeOutput(outPath, formats::svgPicture(notes, options));
    }
    return reported(verb, error);
}

} // namespace cli
