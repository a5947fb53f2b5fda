// vltn play --machine / vltn wav --machine: hearing a song as the pocket
// computer sounds it, live through the sample player or as a WAV file.

#include "cli/cli_common.h"
#include "cli/machine_options.h"
#include "cli/play_loop.h"
#include "cli/stop_signals.h"
#include "cli/verbs.h"


#include "platform/audio/pcm_player.h"
#include "core/io/save_file.h"
#include "core/formats/wav_file.h"


#include <memory>

namespace cli {

namespace {

// The voice, told and checked as a source of samples; its warning is told
// on standard error.
MachineVoiceSource voiceFor(const QString &input, const MachineChoice &choice)
{
    MachineVoiceSource source = machineVoiceForInput(input, choice);
    if (source.ok() && !source.warning.isEmpty())
        err(QStringLiteral("vltn: 警告: %1\n").arg(source.warning));
    return source;
}

SampleStream streamOf(const std::shared_ptr<const voice::Voice> &voice)
{
    return SampleStream{voice->frameCount(),
                        [voice](qint64 first, float *out, int count) { voice->render(first, out, count); }};
}

} // namespace

int runMachinePlay(const QString &input, const MachineChoice &choice, bool loop, bool watching)
{
    MachineVoiceSource source;
    PcmPlayer player;
    SongPlayer song;
    song.prepare = [&](bool) {
        MachineVoiceSource next = voiceFor(input, choice);
        if (next.ok())
            source = std::move(next);
        return next.error;
    };
    song.start = [&] {
        player.play(streamOf(source.voice));
        player.setPlayCount(loop ? 0 : 1);
    };
    song.stop = [&] { player.stop(); }; // silence from the next block
    song.isPlaying = [&] { return player.isPlaying(); };
    song.position = [&] { return player.position(); };
    song.duration = [&] { return player.duration(); };
    song.setErrorHandler = [&](std::function<void(const QString &)> handler) { player.setErrorHandler(std::move(handler)); };
    return playUntilDone(input, loop, watching, song);
}

int runMachineWav(const QString &input, const MachineChoice &choice, const QString &outPath)
{
    const MachineVoiceSource source = voiceFor(input, choice);
    if (!source.ok()) {
        err(QStringLiteral("vltn: %1\n").arg(source.error));
        return ExitFailure;
    }
    const StopSignals stops;
    const voice::Voice &voice = *source.voice;
    const WavFile::WriteResult result = WavFile::writeMono(
        *streamWriter(outPath), voice.frameCount(), [&](qint64 first, float *out, int count) { voice.render(first, out, count); },
        stops.flag());
    return wavWritten(result.cancelled, result.error, outPath, stops);
}

} // namespace cli
