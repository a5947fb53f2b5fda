#pragma once
// A sample player for window tests: it records what it is given and plays
// nothing. A test sets the frame it reports and raises a failure with
// fail(), as the real player would from its event loop.

#include "platform/audio/sample_player.h"

#include <QStringList>

class FakeSamplePlayer final : public SamplePlayer {
public:
    QStringList calls; // "play:<frames>:<from>", "stop", "setPlayCount:<n>"
    SampleStream stream;
    bool playing = false;
    qint64 reportedFrame = 0;

    void play(SampleStream s, qint64 from) override
    {
        calls << QStringLiteral("play:%1:%2").arg(s.frames).arg(from);
        stream = std::move(s);
        playing = true;
    }
    void stop() override
    {
        calls << QStringLiteral("stop");
        playing = false;
    }
    void setPlayCount(int count) override
    {
        calls << QStringLiteral("setPlayCount:%1").arg(count);
        m_count = count;
    }
    int playCount() const override { return m_count; }
    bool isPlaying() const override { return playing; }
    qint64 positionFrame() const override { return reportedFrame; }
    double position() const override { return reportedFrame / 44100.0; }
    double duration() const override { return stream.frames / 44100.0; }
    void setErrorHandler(std::function<void(const QString &)> handler) override { m_handler = std::move(handler); }

    void fail(const QString &message)
    {
        playing = false;
        if (m_handler)
            m_handler(message);
    }

private:
    int m_count = 1;
    std::function<void(const QString &)> m_handler;
};
