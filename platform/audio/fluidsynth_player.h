#pragma once
// The media player built on FluidSynth and a General MIDI SoundFont, so that
// a song sounds the same on every system. The synthesizer and the SoundFont
// are loaded once, on a thread of their own, as soon as the player is made;
// a file given before that has finished is played when it has. Nothing here
// waits for the load: the window stays responsive however slow the disk is.

#include "platform/audio/media_player.h"

#include <QByteArray>

#include <memory>
#include <utility>
#include <vector>

class FluidSynthPlayer final : public MediaPlayer {
public:
    struct Options {
        enum class Output {
            System, // FluidSynth's default audio driver for the system
            Silent, // renders in real time and throws the sound away (machines without a sound card)
        };
        Output output = Output::System;
        // Empty: the first standard General MIDI SoundFont that exists.
        QString soundFont;
        // Further FluidSynth settings, such as "audio.driver" or a device name.
        std::vector<std::pair<QByteArray, QByteArray>> settings;
        // Runs first on the loading thread (lets a test hold the load back).
        std::function<void()> beforeLoad;
        // Receives the peak level of every block rendered, on the audio thread.
        std::function<void(float peak)> levelTap;
    };

    FluidSynthPlayer();
    explicit FluidSynthPlayer(Options options);
    ~FluidSynthPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override;
    void setPlayCount(int count) override;
    int playCount() const override;
    bool isPlaying() const override;
    double position() const override;
    double duration() const override;
    void setErrorHandler(std::function<void(const QString &message)> handler) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
