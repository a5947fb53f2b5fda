#pragma once
// A media player for window tests: it records every call in order and plays
// nothing. A test sets what it reports and raises a failure with fail(), as
// the real player would from its event loop.

#include "platform/audio/media_player.h"

#include <QStringList>

class FakeMediaPlayer final : public MediaPlayer {
public:
    QStringList calls; // "setFileName:<path>", "setPlayCount:<n>"
    bool playing = false;
    double reportedPosition = 0, reportedDuration = 0;

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
