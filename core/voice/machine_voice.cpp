#include "core/voice/machine_voice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace voice {

namespace {

// The modified Bessel function I0, by its power series (the Kaiser window's).
double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; term > 1e-17 * sum; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// The band-limited unit step, S(x) for x from -StepHalfWidth to
// +StepHalfWidth samples: the integral of a Kaiser-windowed sinc low-pass
// of 19 kHz (beta 9). Everything the ideal square wave holds above about
// 23 kHz is gone before sampling; what folds back below 16 kHz stays under
// -99 dB, and under -92 dB up to 20 kHz.
class BandLimitedStep {
public:
    static constexpr int PerSample = 256; // table points per sample, linearly interpolated

    BandLimitedStep()
    {
        constexpr double cutoff = 19000.0 / SampleRate; // cycles per sample
        constexpr double beta = 9.0;
        constexpr double w = StepHalfWidth;
        const auto kernel = [&](double t) {
            const double x = 2 * cutoff * t;
            const double sinc = x == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
            const double r = t / w;
            const double window = besselI0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / besselI0(beta);
            return 2 * cutoff * sinc * window;
        };
        // The trapezoid rule on the table's own points, then scaled so that
        // the step ends at exactly 1.
        double sum = 0;
        double previous = kernel(-w);
        m_table[0] = 0;
        for (size_t i = 1; i < m_table.size(); ++i) {
            const double value = kernel(-w + double(i) / PerSample);
            sum += (previous + value) / (2.0 * PerSample);
            previous = value;
            m_table[i] = sum;
        }
        for (double &v : m_table)
            v /= sum;
    }

    // S(x) for |x| < StepHalfWidth.
    double operator()(double x) const
    {
        const double at = (x + StepHalfWidth) * PerSample;
        const auto i = size_t(at);
        const double f = at - double(i);
        return m_table[i] + (m_table[i + 1] - m_table[i]) * f;
    }

private:
    std::array<double, 2 * StepHalfWidth * PerSample + 2> m_table{};
};

const BandLimitedStep &bandLimitedStep()
{
    static const BandLimitedStep step; // built once, never changed
    return step;
}

} // namespace

Voice::Voice(std::vector<SoundEvent> events, double gapSeconds) : m_events(std::move(events))
{
    bandLimitedStep(); // built here, so that the audio thread never waits for it
    m_starts.reserve(m_events.size());
    double at = 0; // seconds
    double settled = 0; // samples: where the last step has settled
    for (const SoundEvent &e : m_events) {
        const double start = at * SampleRate;
        m_starts.push_back(start);
        if (!e.isRest() && e.periods > 0) {
            const double half = SampleRate / (2.0 * e.hz);
            m_tones.push_back({start, half, 2 * e.periods});
            settled = start + half * double(2 * e.periods) + StepHalfWidth;
        }
        at += e.seconds + gapSeconds;
    }
    m_frames = std::max(std::llround(at * SampleRate), qint64(std::ceil(settled)));
}

double Voice::eventStart(qsizetype index) const
{
    return index >= 0 && index < qsizetype(m_starts.size()) ? m_starts[size_t(index)] : double(m_frames);
}

qsizetype Voice::eventAt(qint64 frame) const
{
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), double(frame));
    return qsizetype(it - m_starts.begin()) - 1;
}

qsizetype Voice::noteAt(qint64 frame) const
{
    const qsizetype event = eventAt(frame);
    return event < 0 ? -1 : m_events[size_t(event)].note;
}

qint64 Voice::noteStartFrame(qsizetype note) const
{
    const auto it = std::lower_bound(m_events.begin(), m_events.end(), note,
                                     [](const SoundEvent &e, qsizetype n) { return e.note < n; });
    if (it == m_events.end())
        return m_frames;
    return qint64(std::ceil(m_starts[size_t(it - m_events.begin())]));
}

void Voice::render(qint64 first, float *out, qsizetype count) const
{
    std::fill(out, out + std::max<qsizetype>(count, 0), 0.0f);
    if (count <= 0 || m_tones.empty())
        return;
    // The tones whose steps reach into [first, first + count): from the last
    // one begun a step's reach before the block (tones follow each other
    // without overlapping) to the last one begun before its end.
    const double from = double(first) - StepHalfWidth;
    const double to = double(first + count) + StepHalfWidth;
    auto it = std::upper_bound(m_tones.begin(), m_tones.end(), from,
                               [](double t, const Tone &tone) { return t < tone.start; });
    if (it != m_tones.begin())
        --it;
    for (; it != m_tones.end() && it->start < to; ++it)
        renderTone(*it, first, out, count);
}

// The ideal wave is +A from the tone's start, and steps by -2A and +2A at
// every half period, and by +A back to silence at the end of the last
// period. Each sample takes the ideal level, corrected by S(x) - H(x) for
// each step within reach (x: the sample's distance past the step, H the
// unit step). Which steps a sample has passed is decided from one phase,
// so the level and the corrections always agree.
void Voice::renderTone(const Tone &tone, qint64 first, float *out, qsizetype count) const
{
    const BandLimitedStep &step = bandLimitedStep();
    const double reach = StepHalfWidth;
    const double end = tone.start + tone.half * double(tone.steps);
    const qint64 lo = std::max(first, qint64(std::ceil(tone.start - reach)));
    const qint64 hi = std::min(first + qint64(count), qint64(std::floor(end + reach)) + 1);
    const double perHalf = 1.0 / tone.half;
    const double reachInHalves = reach * perHalf;
    const auto height = [&](qint64 k) {
        if (k == 0 || k == tone.steps)
            return double(Amplitude);
        return k % 2 ? -2.0 * Amplitude : 2.0 * Amplitude;
    };
    for (qint64 n = lo; n < hi; ++n) {
        const double phase = (double(n) - tone.start) * perHalf; // in half periods
        const double passed = std::floor(phase);
        double v = 0;
        if (passed >= 0 && passed < double(tone.steps))
            v = (qint64(passed) % 2) ? -Amplitude : Amplitude;
        const qint64 kFrom = std::max<qint64>(0, qint64(std::ceil(phase - reachInHalves)));
        const qint64 kTo = std::min<qint64>(tone.steps, qint64(std::floor(phase + reachInHalves)));
        for (qint64 k = kFrom; k <= kTo; ++k) {
            const double x = (phase - double(k)) * tone.half;
            if (x <= -reach || x >= reach)
                continue;
            v += height(k) * (step(x) - (x >= 0 ? 1.0 : 0.0));
        }
        out[n - first] += float(v);
    }
}

} // namespace voice
