// vltn play / vltn wav: hearing a song through the synthesizer, live or as
// a WAV file that can be shared and played anywhere.

#include "cli/cli_common.h"
#include "cli/machine_options.h"
#include "cli/song_input.h"
#include "cli/play_loop.h"
#include "cli/stop_signals.h"
#include "cli/verbs.h"


#include "core/formats/midi_writer.h"

#include "platform/audio/fluidsynth_player.h"
#include "platform/audio/midi_render.h"
#include "core/formats/midi_timing.h"
#include "core/io/read_file.h"
#include "core/io/save_file.h"

#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace cli {

namespace {

const QString ToneOpt = QStringLiteral("tone");

// INPUT as the MIDI file to hear, which must last until the song has been
// heard or written: a song (H-MML, OMP data or a song file) is written as
// MIDI into a temporary folder that lives as long as the source; a MIDI file
// is heard as it is.
struct MidiSource {
    QString path;
    QString error;
    std::shared_ptr<QTemporaryDir> folder;
    bool ok() const { return error.isEmpty(); }
};

bool isMidiPath(const QString &path)
{
    return path.endsWith(QLatin1String(".mid"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".midi"), Qt::CaseInsensitive);
}

// `tone`: --tone when given, else the song's own (0 when it has none).
MidiSource midiFileForInput(const QString &input, std::optional<int> tone)
{
    MidiSource source;
    if (isMidiPath(input)) {
        source.path = input;
        return source;
    }
    const SongInput song = loadSongInput(input);
    if (!song.ok()) {
        source.error = song.error;
        return source;
    }
    QString warning;
    const int program = tone ? *tone : song.midiProgram(&warning);
    if (!warning.isEmpty())
        err(QStringLiteral("vltn: 警告: %1\n").arg(warning));
    source.folder = std::make_shared<QTemporaryDir>();
    if (!source.folder->isValid()) {
        source.error = QStringLiteral("一時フォルダを作れません: %1").arg(source.folder->errorString());
        return source;
    }
    source.path = source.folder->filePath(QStringLiteral("song.mid"));
    const MidiResult built = MIDI_Build(song.omp, program);
    if (!built.ok()) {
        source.error = built.error;
        return source;
    }
    // Told here, about the user's song, rather than by the MIDI reader about
    // a temporary file the user never saw.
    if (built.bytes.size() > ReadFile::MaxSize) {
        source.error = QStringLiteral("%1 は長すぎて再生できません (MIDI データが %2 MiB を超えます)。")
                           .arg(input)
                           .arg(ReadFile::MaxSize / (1024 * 1024));
        return source;
    }
    source.error = SaveFile::writeAll(source.path, built.bytes);
    return source;
}

void addToneOption(QCommandLineParser &parser)
{
    parser.addOption({ToneOpt, QStringLiteral("音色 (General MIDI のプログラム番号 - 1、0 から 127)。"), QStringLiteral("N")});
}

// --tone when given; a usage error (exit 2) when it is not a number from 0 to 127.
bool toneOption(const QCommandLineParser &parser, const QString &verb, std::optional<int> &tone, int &exitCode)
{
    int value = 0;
    if (!intOption(parser, ToneOpt, 0, 127, value, verb, exitCode))
        return false;
    if (parser.isSet(ToneOpt))
        tone = value;
    return true;
}

} // namespace

int runPlay(const QStringList &args)
{
    const QString verb = QStringLiteral("play");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("曲を再生します。Ctrl-C で止めます。"));
    const QCommandLineOption loop(QStringLiteral("loop"), QStringLiteral("止めるまで繰り返し再生します。"));
    const QCommandLineOption watch(QStringLiteral("watch"),
                                   QStringLiteral("INPUT が保存されるたびに、最初から再生し直します。"
                                                  "変換エラーのときは前の曲のままです。Ctrl-C で終わります。"));
    parser.addOption(loop);
    parser.addOption(watch);
    addToneOption(parser);
    addMachineOptions(parser, false, true);
    addSongArgument(parser, true);

    int exitCode = ExitOk;
    std::optional<int> tone;
    std::optional<MachineChoice> machine;
    if (!parseVerb(parser, args, verb, 1, exitCode) || !toneOption(parser, verb, tone, exitCode)
        || !machineOptions(parser, verb, false, machine, exitCode))
        return exitCode;

    const QString input = parser.positionalArguments().at(0);
    const bool watching = parser.isSet(watch);
    if (watching && isStandardStream(input))
        return usageError(verb, QStringLiteral("--watch には見張るファイルを指定してください。"));
    if (machine)
        return runMachinePlay(input, *machine, parser.isSet(loop), watching);
    // The song is told about before the synthesizer loads: a MIDI file that
    // cannot be read too, the first time.
    MidiSource source;
    FluidSynthPlayer player;
    SongPlayer song;
    song.prepare = [&](bool first) {
        MidiSource next = midiFileForInput(input, tone);
        if (first && next.ok())
            next.error = readMidiFile(next.path).error;
        if (next.ok())
            source = std::move(next);
        return next.error;
    };
    song.start = [&] {
        player.setFileName(source.path);
        player.setPlayCount(parser.isSet(loop) ? 0 : 1);
    };
    song.stop = [&] { player.setFileName(QString()); };
    song.isPlaying = [&] { return player.isPlaying(); };
    song.position = [&] { return player.position(); };
    song.duration = [&] { return player.duration(); };
    song.setErrorHandler = [&](std::function<void(const QString &)> handler) { player.setErrorHandler(std::move(handler)); };
    return playUntilDone(input, parser.isSet(loop), watching, song);
}

int runWav(const QStringList &args)
{
    const QString verb = QStringLiteral("wav");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("曲を WAV ファイル (16 ビット、ステレオ、44.1 kHz) に書き出します。"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("書き出す WAV ファイル (既にあれば置き換えます。- は標準出力)。"),
                                    QStringLiteral("OUT.wav"));
    parser.addOption(output);
    addToneOption(parser);
    addMachineOptions(parser, false, true);
    addSongArgument(parser, true);

    int exitCode = ExitOk;
    std::optional<int> tone;
    std::optional<MachineChoice> machine;
    if (!parseVerb(parser, args, verb, 1, exitCode) || !toneOption(parser, verb, tone, exitCode)
        || !machineOptions(parser, verb, false, machine, exitCode))
        return exitCode;
    const QString outPath = parser.value(output);
    if (outPath.isEmpty())
        return usageError(verb, QStringLiteral("-o で書き出す WAV ファイルを指定してください (- は標準出力)。"));
    const QString input = parser.positionalArguments().at(0);
    if (!outputIsNotInput(verb, input, outPath))
        return ExitFailure;
    if (machine)
        return runMachineWav(input, *machine, outPath);

    const MidiSource source = midiFileForInput(input, tone);
    if (!source.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(source.error));
        return ExitFailure;
    }

    const StopSignals stops;
    MidiRenderOptions options;
    options.cancel = stops.flag(); // looked at between blocks
    const MidiRenderResult result = renderMidiToWav(source.path, *streamWriter(outPath), options);
    return wavWritten(result.cancelled, result.error, outPath, stops);
}

} // namespace cli
