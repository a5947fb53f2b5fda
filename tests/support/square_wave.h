#pragma once
// Reading square-wave tones back out of samples, as an ear with a scope
// would: where each tone starts and ends, how many periods it has and at
// what frequency, from its zero crossings alone. And the machines' formulas
// the tones are checked against, written out here from the machines'
// documentation rather than taken from the code under test.

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <vector>

namespace squarewave {

constexpr double SampleRate = 44100;

struct HeardTone {
    double start = 0; // in samples: where the wave's first step is
    double end = 0;   // and its last
    std::int64_t periods = 0;
    double hz = 0;
};

// The tones in `samples`: stretches of sound apart from each other by at
// least `silence` quiet samples. A crossing is where the wave, having
// passed +threshold (or -threshold), next reaches the other side; it is
// placed by linear interpolation at the last change of sign on the way. A
// tone of n periods crosses 2n - 1 times: its first step rises from silence
// and its last falls back to it.
inline std::vector<HeardTone> tonesIn(const std::vector<float> &samples, float amplitude, int silence = 48)
{
    std::vector<HeardTone> tones;
    const float quiet = 0.05f * amplitude, threshold = 0.5f * amplitude;
    std::vector<double> crossings;
    int side = 0;             // +1 or -1 once the wave has passed a threshold
    std::size_t lastSign = 0; // the sample after the last change of sign
    std::size_t quietRun = 0;
    bool inTone = false;
    const auto close = [&] {
        if (crossings.size() >= 1) {
            HeardTone t;
            const auto n = crossings.size();
            t.periods = std::int64_t(n + 1) / 2;
            const double half = n > 1 ? (crossings.back() - crossings.front()) / double(n - 1) : 0;
            t.hz = half > 0 ? SampleRate / (2 * half) : 0;
            t.start = crossings.front() - half;
            t.end = crossings.back() + half;
            tones.push_back(t);
        }
        crossings.clear();
        side = 0;
        inTone = false;
    };
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float x = samples[i];
        if (i > 0 && (samples[i - 1] < 0) != (x < 0))
            lastSign = i;
        quietRun = std::fabs(x) < quiet ? quietRun + 1 : 0;
        if (inTone && quietRun >= std::size_t(silence))
            close();
        if (std::fabs(x) >= threshold) {
            inTone = true;
            const int now = x > 0 ? 1 : -1;
            if (side != 0 && now != side && lastSign > 0) {
                const float a = samples[lastSign - 1], b = samples[lastSign];
                crossings.push_back(double(lastSign - 1) + double(a / (a - b)));
            }
            side = now;
        }
    }
    close();
    return tones;
}

// The left channel of a 16-bit stereo WAV file (44-byte header), from -1 to 1.
inline std::vector<float> wavLeft(const QByteArray &wav)
{
    std::vector<float> left;
    for (qsizetype i = 44; i + 3 < wav.size(); i += 4)
        left.push_back(float(qint16(quint16(quint8(wav[i])) | quint16(quint8(wav[i + 1])) << 8)) / 32767.0f);
    return left;
}

// BEEP's frequency for a tone number and the time of one pass of an empty
// FOR loop, from the machines' documentation: PC-E500 or PC-G800.
inline double beepHz(bool e500, int tone)
{
    return e500 ? 256000.0 / (90 + 4 * tone) : 1300000.0 / (166 + 22 * tone);
}
inline double passSeconds(bool e500)
{
    return e500 ? 1 / 730.0 : 1 / 535.0;
}

} // namespace squarewave
