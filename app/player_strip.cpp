#include "app/player_strip.h"

#include "core/io/clock_text.h"

#include "platform/audio/media_player.h"
#include "platform/audio/sample_player.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>


PlayerStrip::PlayerStrip(MediaPlayer &player, SamplePlayer &samplePlayer, QWidget *parent)
    : QWidget(parent), cancelButton(new QPushButton(QStringLiteral("キャンセル"), this)), m_player(player), m_samples(samplePlayer),
      m_state(new QLabel(this)), m_progress(new QProgressBar(this)), m_time(new QLabel(this)), m_timer(new QTimer(this))
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    m_state->setObjectName(QStringLiteral("MP1State"));
    m_progress->setObjectName(QStringLiteral("MP1Position"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 1000);
    m_time->setObjectName(QStringLiteral("MP1Time"));
    cancelButton->setObjectName(QStringLiteral("MP1Cancel"));
    cancelButton->hide();
    layout->addWidget(m_state);
    layout->addWidget(m_progress, 1);
    layout->addWidget(m_time);
    layout->addWidget(cancelButton);
    connect(cancelButton, &QPushButton::clicked, this, &PlayerStrip::cancelRequested);
    connect(m_timer, &QTimer::timeout, this, &PlayerStrip::refresh);
    m_timer->start(250);
    refresh();
}

void PlayerStrip::refresh()
{
    if (m_working)
        return;
    const bool samples = m_samples.isPlaying();
    const bool playing = samples || m_player.isPlaying();
    const double length = !playing ? 0.0 : samples ? m_samples.duration() : m_player.duration();
    const double position = !playing ? 0.0 : samples ? m_samples.position() : m_player.position();
    m_state->setText(playing ? QStringLiteral("▶ 再生中") : QStringLiteral("■ 停止"));
    m_progress->setValue(length > 0 ? int(std::lround(1000.0 * std::min(position, length) / length)) : 0);
    m_time->setText(clockText(position) + QStringLiteral(" / ") + clockText(length));
}

QString PlayerStrip::stateText() const
{
    return m_state->text();
}

QString PlayerStrip::timeText() const
{
    return m_time->text();
}

void PlayerStrip::showWork(const QString &what)
{
    m_working = true;
    m_state->setText(what);
    m_progress->setValue(0);
    m_time->hide();
    cancelButton->show();
}

void PlayerStrip::setWorkProgress(int permille)
{
    if (m_working)
        m_progress->setValue(permille);
}

int PlayerStrip::workProgress() const
{
    return m_working ? m_progress->value() : -1;
}

void PlayerStrip::endWork()
{
    m_working = false;
    cancelButton->hide();
    m_time->show();
    refresh();
}
