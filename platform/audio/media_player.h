#pragma once
// The media player the main window plays its songs through. It is driven like
// a media-player control: giving it a file name starts that file from its
// beginning at once, the empty name stops playback and lets go of the file,
// and a play count says how often the file is played (0 without end).

#include <QString>

#include <functional>

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // Starts playing `path` from its beginning, in place of whatever was
    // playing; the empty name stops playback at once, silencing every note.
    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;

    // 0 plays the file endlessly, 1 once, n n times. The count is kept across
    // files; set just after the name, it applies to the playback that name
    // has just begun.
    virtual void setPlayCount(int count) = 0;
    virtual int playCount() const = 0;

    // True from the moment a file is given until it ends, is stopped or fails.
    virtual bool isPlaying() const = 0;
    // Seconds into the current pass of the file, and the file's length.
    virtual double position() const = 0;
    virtual double duration() const = 0;

    // Failures (no SoundFont, no audio device, a file that cannot be read)
    // come to this handler as a Japanese message, from the event loop of the
    // thread that owns the player, never from inside setFileName. Playback has
    // stopped by then.
    virtual void setErrorHandler(std::function<void(const QString &message)> handler) = 0;
};
