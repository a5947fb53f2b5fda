#pragma once
// A scripted media player for window tests: it records every call in order
// and plays nothing. A test sets what it reports (playing, position, length)
// and raises a failure with fail(), as the real player would from its event loop.

#include "platform/media_player.h"

#include <QStringList>

class FakeMediaPlayer final : public MediaPlayer {
public:
    // "setFileName:<path>", "setPlayCount:<n>", in the order they came.
    QStringList calls;

    // What the player reports; setFileName starts "playing" and the empty
    // name stops it, as the real one does.
    bool playing = false;
    double reportedPosition = 0;
    double reportedDuration = 0;

    void setFileName(const QString &path) override
    {
        calls << QStringLiteral("setFileName:%1").arg(path);
        m_file = path;
        playing = !path.isEmpty();
    }
    QString fileName() const override { return m_file; }

    void setPlayCount(int count) override
    {
        calls << QStringLiteral("setPlayCount:%1").arg(count);
        m_count = count;
    }
    int playCount() const override { return m_count; }

    bool isPlaying() const override { return playing; }
    double position() const override { return reportedPosition; }
    double duration() const override { return reportedDuration; }

    void setErrorHandler(std::function<void(const QString &)> handler) override { m_handler = std::move(handler); }

    // A failure found while playing: playback stops and the handler hears of it.
    void fail(const QString &message)
    {
        playing = false;
        if (m_handler)
            m_handler(message);
    }

private:
    QString m_file;
    int m_count = 1;
    std::function<void(const QString &)> m_handler;
};
