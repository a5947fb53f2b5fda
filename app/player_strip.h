#pragma once
// The player strip at the top of the main window: whether a song plays, and
// where it is.

#include <QWidget>

class MediaPlayer;
class SamplePlayer;
class QLabel;
class QProgressBar;
class QTimer;

class PlayerStrip : public QWidget {
    Q_OBJECT
public:
    // Shows whichever of the two players plays (the General MIDI one, or
    // the one of the machine's voice).
    PlayerStrip(MediaPlayer &player, SamplePlayer &samplePlayer, QWidget *parent = nullptr);

    // Reads the player's state into the strip (also done by its timer).
    void refresh();

    QString stateText() const;
    QString timeText() const;

private:
    MediaPlayer &m_player;
    SamplePlayer &m_samples;
    QLabel *m_state;
    QProgressBar *m_progress;
    QLabel *m_time;
    QTimer *m_timer;
};

