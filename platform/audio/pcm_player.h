#pragma once
// The sample player on FluidSynth's audio drivers: the samples go to the
// sound card through the same driver the MIDI player uses
// (new_fluid_audio_driver2 with a callback), without a synthesizer or a
// SoundFont. The driver is opened on a thread of its own as soon as the
// player is made; a stream given before then starts once it is open.

#include "platform/audio/sample_player.h"

#include <QByteArray>

#include <memory>
#include <utility>
#include <vector>

class PcmPlayer final : public SamplePlayer {
public:
    struct Options {
        enum class Output {
            System, // FluidSynth's default audio driver for the system
            Silent, // asks for blocks in real time and throws them away (machines without a sound card)
        };
        Output output = Output::System;
        // Further FluidSynth settings, such as "audio.driver" or a device name.
        std::vector<std::pair<QByteArray, QByteArray>> settings;
        // Receives every block handed to the output, on the audio thread.
        std::function<void(const float *samples, int count)> blockTap;
    };

    PcmPlayer();
    explicit PcmPlayer(Options options);
    ~PcmPlayer() override;

    void play(SampleStream stream, qint64 from = 0) override;
    void stop() override;
    void setPlayCount(int count) override;
    int playCount() const override;
    bool isPlaying() const override;
    qint64 positionFrame() const override;
    double position() const override;
    double duration() const override;
    void setErrorHandler(std::function<void(const QString &message)> handler) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
