#pragma once
// The player for sound made of samples rather than read from a file (the
// pocket computer's own voice), the sibling of MediaPlayer: it is driven
// the same way, but is handed a stream of samples where MediaPlayer is
// handed a file name.

#include <QString>

#include <functional>

// Mono float samples at 44.1 kHz, made on request.
struct SampleStream {
    qint64 frames = 0;
    // Fills `out` with frames [first, first + count), 0 <= first and
    // first + count <= frames. Called on the audio thread while the stream
    // plays, so it must not wait, nor touch what another thread changes.
    std::function<void(qint64 first, float *out, int count)> render;
};

class SamplePlayer {
public:
    virtual ~SamplePlayer() = default;

    // Starts `stream` at frame `from` in place of whatever was playing; every
    // pass plays from `from` to the stream's end.
    virtual void play(SampleStream stream, qint64 from = 0) = 0;
    // Stops at once: silence from the next block the sound card asks for.
    virtual void stop() = 0;

    // 0 plays endlessly, 1 once, n n times; kept across streams, and applied
    // to the playback begun just before when set right after play().
    virtual void setPlayCount(int count) = 0;
    virtual int playCount() const = 0;

    // True from play() until the last pass ends, stop() or a failure.
    virtual bool isPlaying() const = 0;
    // The frame of the stream handed to the sound card last (where the
    // song is: a Voice's noteAt() turns it into the sounding note), and the
    // same in seconds; the stream's length in seconds.
    virtual qint64 positionFrame() const = 0;
    virtual double position() const = 0;
    virtual double duration() const = 0;

    // Failures (no audio device) come to this handler as a Japanese message,
    // from the event loop of the thread that owns the player, never from
    // inside play(). Playback has stopped by then.
    virtual void setErrorHandler(std::function<void(const QString &message)> handler) = 0;
};
