#pragma once
// The player strip at the top of the main window: whether a song plays, and
// where it is; or, while the window waits for a long piece of work (an
// import), what it is, how far it is, and a button to cancel it.

#include <QWidget>

class MediaPlayer;
class SamplePlayer;
class QLabel;
class QProgressBar;
class QPushButton;
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

    // A piece of work in place of the player: `what` it is, with Cancel.
    void showWork(const QString &what);
    // How far it is, 0 to 1000.
    void setWorkProgress(int permille);
    int workProgress() const;
    // Back to the player.
    void endWork();
    bool isShowingWork() const { return m_working; }

    QPushButton *cancelButton;

signals:
    // Cancel was pressed.
    void cancelRequested();

private:
    MediaPlayer &m_player;
    SamplePlayer &m_samples;
    QLabel *m_state;
    QProgressBar *m_progress;
    QLabel *m_time;
    QTimer *m_timer;
    bool m_working = false;
};

