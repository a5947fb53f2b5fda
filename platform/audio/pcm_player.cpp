#include "platform/audio/pcm_player.h"

#include "platform/audio/fluidsynth_engine.h"

#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// The silent output asks for blocks this long (1.5 ms), like a sound card.
constexpr int SilentBlockFrames = 64;

} // namespace

struct PcmPlayer::Impl {
    enum class OpenState { Idle, Opening, Ready, Failed };

    explicit Impl(Options o) : options(std::move(o)) {}

    Options options;
    QObject context; // queued calls land on the owner's thread through it
    std::function<void(const QString &)> errorHandler;

    // Owner's thread only.
    OpenState openState = OpenState::Idle;
    std::thread opener;
    int count = 1;

    // Set by the opener before it hands over, then left alone until the end.
    fluid_settings_t *settings = nullptr;
    fluid_audio_driver_t *driver = nullptr;
    std::thread silentOutput;
    std::atomic<bool> silentStop{false};

    // Shared with the audio thread, which reads the stream under mutex. A
    // stream given before the output is open waits here; the output plays
    // it from its first block.
    std::mutex mutex;
    SampleStream stream;
    qint64 from = 0;
    qint64 frame = 0;
    int passCount = 1;
    int passesEnded = 0;
    std::atomic<bool> playing{false};
    std::atomic<qint64> handedOver{0};

    static int render(void *data, int len, int nfx, float *fx[], int nout, float *out[]);
    void fill(float *mono, int len);
    void open();
    void startOpen();
    void finishOpen(const QString &error);
    void clear();
};

int PcmPlayer::Impl::render(void *data, int len, int nfx, float *fx[], int nout, float *out[])
{
    auto *d = static_cast<Impl *>(data);
    // Effect buffers go out mixed with the rest where the driver has them.
    for (int i = 0; i < nfx; ++i)
        std::fill(fx[i], fx[i] + len, 0.0f);
    if (nout < 1)
        return FLUID_OK;
    d->fill(out[0], len);
    for (int c = 1; c < nout; ++c)
        std::copy(out[0], out[0] + len, out[c]);
    if (d->options.blockTap)
        d->options.blockTap(out[0], len);
    return FLUID_OK;
}

void PcmPlayer::Impl::fill(float *mono, int len)
{
    int done = 0;
    {
        std::lock_guard lock(mutex);
        while (done < len && playing.load()) {
            if (frame >= stream.frames) {
                ++passesEnded;
                // A stream with nothing to play from `from` on would be begun
                // again and again within one block: it is played once.
                if (stream.frames <= from || (passCount != 0 && passesEnded >= passCount)) {
                    playing = false;
                    break;
                }
                frame = from;
            }
            const int n = int(std::min<qint64>(len - done, stream.frames - frame));
            stream.render(frame, mono + done, n);
            frame += n;
            done += n;
        }
        handedOver = frame;
    }
    std::fill(mono + done, mono + len, 0.0f);
}

void PcmPlayer::Impl::open()
{
    QString error;
    settings = FluidSynthEngine::newOutputSettings(options.settings);
    if (!settings) {
        error = QStringLiteral("音声の出力を準備できません (メモリー不足)。");
    } else if (options.output == Options::Output::Silent) {
        silentStop = false;
        silentOutput = std::thread([this] {
            float left[SilentBlockFrames];
            float right[SilentBlockFrames];
            float *out[2] = {left, right};
            const auto block = std::chrono::nanoseconds(1000000000LL * SilentBlockFrames / FluidSynthEngine::SampleRate);
            auto next = std::chrono::steady_clock::now();
            while (!silentStop.load()) {
                render(this, SilentBlockFrames, 0, nullptr, 2, out);
                next += block;
                std::this_thread::sleep_until(next);
            }
        });
    } else {
        driver = new_fluid_audio_driver2(settings, &Impl::render, this);
        if (!driver) {
            error = FluidSynthEngine::audioDriverError(settings);
            delete_fluid_settings(settings);
            settings = nullptr;
        }
    }
    QMetaObject::invokeMethod(&context, [this, error] { finishOpen(error); }, Qt::QueuedConnection);
}

void PcmPlayer::Impl::startOpen()
{
    if (opener.joinable())
        opener.join(); // the last attempt has finished: its result was handed over
    openState = OpenState::Opening;
    opener = std::thread([this] { open(); });
}

void PcmPlayer::Impl::finishOpen(const QString &error)
{
    openState = error.isEmpty() ? OpenState::Ready : OpenState::Failed;
    // A failure at start-up waits until the user plays something.
    if (error.isEmpty() || !playing.load())
        return;
    clear();
    if (errorHandler)
        errorHandler(error);
}

void PcmPlayer::Impl::clear()
{
    std::lock_guard lock(mutex);
    playing = false;
    stream = SampleStream();
    from = 0;
    frame = 0;
    handedOver = 0;
}

PcmPlayer::PcmPlayer() : PcmPlayer(Options{}) {}

PcmPlayer::PcmPlayer(Options options) : d(std::make_unique<Impl>(std::move(options)))
{
    d->startOpen();
}

PcmPlayer::~PcmPlayer()
{
    if (d->opener.joinable())
        d->opener.join();
    // The output goes first, so that nothing asks for samples while the rest is deleted.
    if (d->driver)
        delete_fluid_audio_driver(d->driver);
    if (d->silentOutput.joinable()) {
        d->silentStop = true;
        d->silentOutput.join();
    }
    if (d->settings)
        delete_fluid_settings(d->settings);
}

void PcmPlayer::play(SampleStream stream, qint64 from)
{
    {
        std::lock_guard lock(d->mutex);
        d->stream = std::move(stream);
        d->from = std::clamp<qint64>(from, 0, d->stream.frames);
        d->frame = d->from;
        d->handedOver = d->from;
        d->passCount = d->count;
        d->passesEnded = 0;
        d->playing = bool(d->stream.render);
    }
    // The output could not be opened before; the sound device may be free
    // by now, so it is tried again.
    if (d->openState == Impl::OpenState::Failed || d->openState == Impl::OpenState::Idle)
        d->startOpen();
}

void PcmPlayer::stop()
{
    d->clear();
}

void PcmPlayer::setPlayCount(int count)
{
    // A negative count is taken as one pass: endless play must be asked for.
    d->count = count < 0 ? 1 : count;
    std::lock_guard lock(d->mutex);
    d->passCount = d->count;
}

int PcmPlayer::playCount() const
{
    return d->count;
}

bool PcmPlayer::isPlaying() const
{
    return d->playing.load();
}

qint64 PcmPlayer::positionFrame() const
{
    return d->playing.load() ? d->handedOver.load() : 0;
}

double PcmPlayer::position() const
{
    return double(positionFrame()) / FluidSynthEngine::SampleRate;
}

double PcmPlayer::duration() const
{
    std::lock_guard lock(d->mutex);
    return double(d->stream.frames) / FluidSynthEngine::SampleRate;
}

void PcmPlayer::setErrorHandler(std::function<void(const QString &message)> handler)
{
    d->errorHandler = std::move(handler);
}
