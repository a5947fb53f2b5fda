#include "platform/audio/fluidsynth_player.h"

#include "platform/audio/fluidsynth_engine.h"
#include "core/formats/midi_timing.h"

#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

// The silent output renders in blocks this long (1.5 ms), like a sound card.
constexpr int SilentBlockFrames = 64;

} // namespace

struct FluidSynthPlayer::Impl {
    enum class LoadState { Idle, Loading, Ready, Failed };

    explicit Impl(Options o) : options(std::move(o)) {}

    Options options;
    QObject context; // queued calls land on the owner's thread through it
    std::function<void(const QString &)> errorHandler;

    // Owner's thread only.
    LoadState loadState = LoadState::Idle;
    std::thread loader;
    QString file;
    int count = 1;
    MidiTiming timing;
    QByteArray pending; // a file given while the synthesizer was loading

    // Set by the loader before it hands over, then left alone until the end.
    fluid_audio_driver_t *driver = nullptr;
    std::thread silentOutput;
    std::atomic<bool> silentStop{false};

    // Shared with the audio thread, which renders under renderMutex. Creating
    // or deleting a FluidSynth player changes the synthesizer's timer list,
    // which must not happen while it renders.
    std::mutex renderMutex;
    std::unique_ptr<FluidSynthEngine::Synth> synth;
    fluid_player_t *player = nullptr;
    int renderCount = 1;
    int playsStarted = 0; // passes of the current file begun so far
    int lastTick = -1;
    int songTicks = -1; // known once FluidSynth has read the file
    std::atomic<bool> playing{false};
    std::atomic<int> tick{0};

    static int render(void *data, int len, int nfx, float *fx[], int nout, float *out[]);
    static int onTick(void *data, int tick);
    void applyPlayCount();
    void load();
    void finishLoad(const QString &error);
    void startLoad();
    void startPlayer(const QByteArray &bytes);
    void stopPlayback();
    void postError(const QString &message);
};

int FluidSynthPlayer::Impl::render(void *data, int len, int nfx, float *fx[], int nout, float *out[])
{
    auto *d = static_cast<Impl *>(data);
    int result = FLUID_OK;
    {
        std::lock_guard lock(d->renderMutex);
        // Between songs nothing is synthesized: the buffers come zeroed, and
        // an idle player costs no processor time.
        if (d->synth && d->player && d->playing.load()) {
            fluid_synth_t *synth = d->synth->synth();
            if (nfx == 0) {
                // Most drivers have no separate effect outputs: reverb and
                // chorus are mixed into the dry signal.
                float *mixed[4] = {out[0], out[1], out[0], out[1]};
                result = fluid_synth_process(synth, len, 4, mixed, nout, out);
            } else {
                result = fluid_synth_process(synth, len, nfx, fx, nout, out);
            }
            if (fluid_player_get_status(d->player) == FLUID_PLAYER_DONE)
                d->playing = false; // the last pass has ended, and its sound has died away
            else
                d->tick = fluid_player_get_current_tick(d->player);
        }
    }
    if (d->options.levelTap) {
        float peak = 0;
        for (int c = 0; c < nout; ++c) {
            for (int i = 0; i < len; ++i)
                peak = std::max(peak, std::fabs(out[c][i]));
        }
        d->options.levelTap(peak);
    }
    return result;
}

// FluidSynth plays the file again by itself while its loop setting is -1,
// and lets the current pass be the last when it is 0; it then waits for the
// notes and the reverb to die away before it reports the end. The setting is
// chosen anew whenever a pass begins or the count changes, so that a count
// set just after the file name applies whether or not the first pass had
// already begun on the audio thread.
void FluidSynthPlayer::Impl::applyPlayCount()
{
    // A song of no length would be begun again and again within one call,
    // never returning to the sound card: it is played once.
    const bool last = songTicks == 0 || (renderCount != 0 && playsStarted >= renderCount);
    fluid_player_set_loop(player, last ? 0 : -1);
}

// Runs on the audio thread, inside fluid_synth_process and so under
// renderMutex, whenever the song's tick moves on.
int FluidSynthPlayer::Impl::onTick(void *data, int tick)
{
    auto *d = static_cast<Impl *>(data);
    if (tick < d->lastTick || d->playsStarted == 0) {
        ++d->playsStarted;
        d->songTicks = fluid_player_get_total_ticks(d->player);
        d->applyPlayCount();
    }
    d->lastTick = tick;
    return FLUID_OK;
}

void FluidSynthPlayer::Impl::load()
{
    if (options.beforeLoad)
        options.beforeLoad();
    FluidSynthEngine::SynthResult created = FluidSynthEngine::createSynth(options.soundFont, options.settings);
    QString error = created.error;
    if (created.ok()) {
        {
            std::lock_guard lock(renderMutex);
            synth = std::move(created.synth);
        }
        if (options.output == Options::Output::Silent) {
            silentStop = false;
            silentOutput = std::thread([this] {
                float left[SilentBlockFrames];
                float right[SilentBlockFrames];
                float *out[2] = {left, right};
                const auto block = std::chrono::nanoseconds(1000000000LL * SilentBlockFrames
                                                            / FluidSynthEngine::SampleRate);
                auto next = std::chrono::steady_clock::now();
                while (!silentStop.load()) {
                    std::fill(std::begin(left), std::end(left), 0.0f);
                    std::fill(std::begin(right), std::end(right), 0.0f);
                    render(this, SilentBlockFrames, 0, nullptr, 2, out);
                    next += block;
                    std::this_thread::sleep_until(next);
                }
            });
        } else {
            driver = new_fluid_audio_driver2(synth->settings(), &Impl::render, this);
            if (!driver) {
                error = FluidSynthEngine::audioDriverError(synth->settings());
                std::lock_guard lock(renderMutex);
                synth.reset();
            }
        }
    }
    QMetaObject::invokeMethod(&context, [this, error] { finishLoad(error); }, Qt::QueuedConnection);
}

void FluidSynthPlayer::Impl::startLoad()
{
    if (loader.joinable())
        loader.join(); // the last attempt has finished: its result was handed over
    loadState = LoadState::Loading;
    loader = std::thread([this] { load(); });
}

void FluidSynthPlayer::Impl::finishLoad(const QString &error)
{
    loadState = error.isEmpty() ? LoadState::Ready : LoadState::Failed;
    if (pending.isEmpty())
        return; // a failure at start-up waits until the user plays something
    const QByteArray bytes = std::exchange(pending, {});
    if (!error.isEmpty()) {
        playing = false;
        if (errorHandler)
            errorHandler(error);
        return;
    }
    startPlayer(bytes);
}

void FluidSynthPlayer::Impl::startPlayer(const QByteArray &bytes)
{
    std::lock_guard lock(renderMutex);
    player = new_fluid_player(synth->synth());
    if (!player || fluid_player_add_mem(player, bytes.constData(), size_t(bytes.size())) != FLUID_OK) {
        if (player)
            delete_fluid_player(player);
        player = nullptr;
        playing = false;
        postError(QStringLiteral("再生を始められません (メモリー不足)。"));
        return;
    }
    renderCount = count;
    playsStarted = 0;
    lastTick = -1;
    songTicks = -1;
    applyPlayCount();
    fluid_player_set_tick_callback(player, &Impl::onTick, this);
    fluid_player_play(player);
    tick = 0;
    playing = true;
}

void FluidSynthPlayer::Impl::stopPlayback()
{
    pending.clear();
    std::lock_guard lock(renderMutex);
    if (player) {
        delete_fluid_player(player);
        player = nullptr;
    }
    if (synth) {
        // Every sounding note ends now, without its release: stop means silence.
        fluid_synth_all_sounds_off(synth->synth(), -1);
        fluid_synth_system_reset(synth->synth());
    }
    playing = false;
    tick = 0;
}

void FluidSynthPlayer::Impl::postError(const QString &message)
{
    QMetaObject::invokeMethod(
        &context,
        [this, message] {
            if (errorHandler)
                errorHandler(message);
        },
        Qt::QueuedConnection);
}

FluidSynthPlayer::FluidSynthPlayer() : FluidSynthPlayer(Options{}) {}

FluidSynthPlayer::FluidSynthPlayer(Options options) : d(std::make_unique<Impl>(std::move(options)))
{
    d->startLoad();
}

FluidSynthPlayer::~FluidSynthPlayer()
{
    if (d->loader.joinable())
        d->loader.join();
    // The output goes first, so that nothing renders while the rest is deleted.
    if (d->driver)
        delete_fluid_audio_driver(d->driver);
    if (d->silentOutput.joinable()) {
        d->silentStop = true;
        d->silentOutput.join();
    }
    if (d->player)
        delete_fluid_player(d->player);
    d->synth.reset();
}

void FluidSynthPlayer::setFileName(const QString &path)
{
    d->stopPlayback();
    d->file = path;
    d->timing = MidiTiming();
    if (path.isEmpty())
        return;

    const MidiFileRead read = readMidiFile(path);
    if (!read.ok()) {
        d->postError(read.error);
        return;
    }
    const QByteArray &bytes = read.bytes;
    d->timing = read.timing;

    switch (d->loadState) {
    case Impl::LoadState::Ready:
        d->startPlayer(bytes);
        break;
    case Impl::LoadState::Loading:
        d->pending = bytes;
        d->playing = true;
        break;
    case Impl::LoadState::Idle:
    case Impl::LoadState::Failed:
        // The synthesizer could not start before; the sound device may be
        // free or the SoundFont installed by now, so it is tried again.
        d->pending = bytes;
        d->playing = true;
        d->startLoad();
        break;
    }
}

QString FluidSynthPlayer::fileName() const
{
    return d->file;
}

void FluidSynthPlayer::setPlayCount(int count)
{
    // A negative count is taken as one pass: endless play must be asked for.
    d->count = count < 0 ? 1 : count;
    std::lock_guard lock(d->renderMutex);
    d->renderCount = d->count;
    if (d->player)
        d->applyPlayCount();
}

int FluidSynthPlayer::playCount() const
{
    return d->count;
}

bool FluidSynthPlayer::isPlaying() const
{
    return d->playing.load();
}

double FluidSynthPlayer::position() const
{
    if (!d->playing.load() || !d->timing.ok() || d->timing.division == 0)
        return 0;
    return std::min(d->timing.secondsAt(d->tick.load()), d->timing.durationSeconds());
}

double FluidSynthPlayer::duration() const
{
    return d->timing.ok() ? d->timing.durationSeconds() : 0;
}

void FluidSynthPlayer::setErrorHandler(std::function<void(const QString &message)> handler)
{
    d->errorHandler = std::move(handler);
}
