#include "core/importer/timing_fit.h"

#include "core/importer/import_progress.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>
#include <unordered_map>

namespace importer {

namespace tempo {

// A unit shorter than a tick, or a tempo field of more than a few digits,
// serves no song.
constexpr qint64 MinK = 2;     // TEMPO 1
constexpr qint64 MaxK = 96000; // 960 units a second: a unit of one tick

qint64 forHundredths(qint64 k)
{
    if (k < MinK)
        return 0;
    const qint64 t = (6 * k - 3 + 9) / 10; // the smallest t with (10t + 3) / 6 >= k
    return hundredths(t) == k ? t : 0;
}

double unitTicks(qint64 k)
{
    // The writer reads the tempo field into a float and divides in double.
    return 960.0 / double(static_cast<float>(double(k) / 100.0));
}

qint64 nearest(double unitsPerSecond)
{
    const double t = std::clamp(unitsPerSecond * 60.0, 1.0, 60.0 * double(MaxK) / 100.0);
    qint64 best = hundredths(1);
    double bestDistance = -1;
    for (qint64 c = qint64(t) - 2; c <= qint64(t) + 2; ++c) {
        if (c < 1)
            continue;
        const qint64 k = std::min(hundredths(c), MaxK);
        const double distance = std::abs(double(k) / 100.0 - unitsPerSecond);
        if (bestDistance < 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace tempo

namespace {

constexpr double ExactTicks = 1.000001; // a start this close to the file's counts as exact (times carry rounding noise)
constexpr int Lookahead = 8;       // spans a candidate tempo is tried on
constexpr int CandidatesPerLength = 6; // tempos tried for one length of one span
constexpr qint64 MinFittedTicks = 20; // shortest span a tempo is fitted to
constexpr int MaxOneSpanTempos = 4; // one-span tempos in a row that may lead to a longer one
// What a tempo line, a split note and a dropped note count for when units
// are compared, in ticks of error (about milliseconds).
constexpr double TempoLineCost = 10;
// Errors of a note's start up to this many ticks (about 10 ms) count for
// nothing there: not worth a tempo line.
constexpr double InaudibleTicks = 10;
// How near counts as exact for lengths as played: most of a file's tempos
// fall between two that H-MML writes, and a few milliseconds are not worth
// a tempo line.
constexpr double PlayedExactTicks = InaudibleTicks / 2;
constexpr qint64 BaseNeighbours = 3;     // writable tempos tried either side of a section's own
constexpr std::size_t BaseTrialSpans = 64; // spans they are tried on
constexpr double SplitCost = 100;
constexpr double DropCost = 300;
// Units are chosen on a sample of this many spans at most.
constexpr std::size_t SampleChunk = 500;
constexpr std::size_t SampleChunks = 40;
// How near every start must come, fitted to MIDI_Exp's ticks, for a file
// to be taken as one this program wrote.
constexpr double WrittenTicks = 2.000001;

// How lengths are reckoned: as the song plays, or as MIDI_Exp writes them.
enum class Reckoning : std::uint8_t { Played, Written };

// The ticks of lengths 0 to 16 at one tempo.
struct Unit {
    qint64 k = 0;
    double ticks = 0;  // one unit, in the reckoning fitted
    double played = 0; // one unit as played
    std::array<double, 17> of{};

    explicit Unit(qint64 hundredths = 200, Reckoning r = Reckoning::Played)
        : k(hundredths), ticks(r == Reckoning::Played ? tempo::exactTicks(k) : tempo::unitTicks(k)),
          played(tempo::exactTicks(k))
    {
        for (int l = 0; l <= 16; ++l)
            of[std::size_t(l)] = r == Reckoning::Played ? ticks * l : std::floor(ticks * l);
    }
};

// A length of `n` units as lines of 1 to 16: as many 16s as needed and a
// last one or two lines, split where the total comes nearest `target`
// ticks. `pairs`: may split even a length of 16 or less in two (silences).
struct Pieces {
    qint64 sixteens = 0;
    int a = 0;
    int b = 0; // 0: no second piece
    double ticks = 0;
    qint64 units() const { return 16 * sixteens + a + b; }
    qint64 lineCount() const { return sixteens + (a > 0) + (b > 0); }
};

Pieces split(qint64 n, double target, const Unit &u, bool pairs)
{
    Pieces best;
    if (n <= 0)
        return best;
    if (n <= 16) {
        best.a = int(n);
        best.ticks = u.of[std::size_t(n)];
        if (!pairs || n < 2 || std::abs(best.ticks - target) < 0.5)
            return best;
    } else {
        best.sixteens = (n - 1) / 16 - 1; // leaves 17 to 32 for the last two
        n -= 16 * best.sixteens;
        best.a = 0;
    }
    const double base = double(best.sixteens) * u.of[16];
    double bestError = best.a > 0 ? std::abs(best.ticks - target) : -1;
    for (int a = int(std::min<qint64>(16, n - 1)); a >= 1 && n - a <= 16; --a) {
        const double ticks = base + u.of[std::size_t(a)] + u.of[std::size_t(n - a)];
        const double error = std::abs(ticks - target);
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best.a = a;
            best.b = int(n - a);
            best.ticks = ticks;
        }
    }
    return best;
}

struct Placed {
    double end = 0;      // ticks written when the slot is done
    double endError = 0; // end minus where the next slot should start
    double startError = -1; // the note's start error; -1 when no note was written
    bool split = false;
    bool dropped = false;
    double droppedTicks = 0; // how long the dropped note was
    Pieces note, rest;
    double entryError = 0; // where the span started minus where the file has it
    // Nothing dropped or split, and the next note starts within `near` ticks
    // of where the file has it, or at least no further from it than this
    // span started.
    bool exact(double near) const
    {
        return std::abs(endError) <= std::max(near, std::abs(entryError)) && !split && !dropped;
    }
};

// A dropped note counts for as long as it lasted, up to DropCost: a
// player's grace note of a few milliseconds is no loss.
double dropCost(const Placed &r)
{
    return r.dropped ? std::min(DropCost, r.droppedTicks) : 0.0;
}

// The slot from `p` on: the units that bring the next slot nearest its
// time. The silence after the note gets as many of them as it lasts, the
// note the others: where the file goes straight on to the next note, so
// does the song, and any drift is taken up by the note's length, never by a
// rest the file does not have.
Placed place(const Slot &s, double p, const Unit &u, bool pairs)
{
    Placed r;
    r.entryError = p - s.start;
    const qint64 total = std::max<qint64>(0, std::llround((s.end - p) / u.ticks));
    qint64 restUnits = total;
    double at = p;
    if (s.key >= 0) {
        if (total == 0) {
            r.dropped = true;
            r.droppedTicks = s.noteEnd - s.start;
        } else {
            restUnits = std::clamp<qint64>(std::llround((s.end - s.noteEnd) / u.ticks), 0, total - 1);
            const qint64 noteUnits = total - restUnits;
            r.startError = std::abs(p - s.start);
            r.split = noteUnits > 16;
            const double target = (restUnits == 0 ? s.end : s.noteEnd) - p;
            r.note = split(noteUnits, target, u, false);
            at += r.note.ticks;
        }
    }
    r.rest = split(restUnits, s.end - at, u, pairs);
    r.end = at + r.rest.ticks;
    r.endError = r.end - s.end;
    return r;
}

double cost(const Fit &f)
{
    return f.errorCost + TempoLineCost * double(f.addedTempos) + SplitCost * double(f.splitNotes);
}

constexpr double Unlimited = std::numeric_limits<double>::infinity();

// The fit's part of the import's progress (nothing when nobody watches).
class FitProgress {
public:
    explicit FitProgress(Progress *progress) : m_progress(progress)
    {
        if (progress)
            std::tie(m_from, m_until) = progress->range();
    }
    // The next stage: up to `share` of the fit's part.
    void stage(double share) const
    {
        if (m_progress)
            m_progress->stage(m_from + int(std::floor((m_until - m_from) * share)));
    }
    void step(double done, double total) const
    {
        if (m_progress)
            m_progress->step(done, total);
    }

private:
    Progress *m_progress;
    int m_from = 0;
    int m_until = 0;
};

// Spans fitted between two steps of the progress.
constexpr std::size_t StepSpans = 4096;

class Fitter {
public:
    // `ceiling`: the fit is given up once it costs more. Fitted to written
    // lengths, it is given up too once a start misses by more than WrittenTicks.
    Fitter(const std::vector<Slot> &spans, const std::vector<Section> &sections, double unit, bool adjust,
           Reckoning reckoning, std::vector<Line> *out, double ceiling = Unlimited)
        : m_spans(spans), m_sections(sections), m_unit(unit), m_adjust(adjust), m_reckoning(reckoning),
          m_pairs(reckoning == Reckoning::Written),
          m_exactTicks(reckoning == Reckoning::Written ? ExactTicks : PlayedExactTicks), m_out(out), m_ceiling(ceiling)
    {
    }

    // Given up, or too long: the fit is not to be used.
    bool failed(const Fit &fit) const { return m_givenUp || fit.tooLong; }
    // Told how far run() is.
    void watch(const FitProgress *progress) { m_progress = progress; }

    // Fits spans [from, to) starting at tick `p`; the tempo is chosen afresh at `from`.
    void run(std::size_t from, std::size_t to, double p, Fit &fit)
    {
        std::size_t section = 0;
        while (section + 1 < m_sections.size() && m_sections[section + 1].firstSlot <= from)
            ++section;
        Unit current = unit(200), base = current;
        int backoff = 0;
        m_played = p;
        for (std::size_t i = from; i < to; ++i) {
            if (m_progress && (i - from) % StepSpans == 0)
                m_progress->step(double(i - from), double(to - from));
            const bool sectionStart = i == from || (section + 1 < m_sections.size()
                                                    && m_sections[section + 1].firstSlot == i);
            if (sectionStart && i != from)
                ++section;
            const std::size_t sectionEnd =
                std::min(to, section + 1 < m_sections.size() ? m_sections[section + 1].firstSlot : to);
            const Unit before = current;
            if (sectionStart) {
                base = baseUnit(i, sectionEnd, p, m_sections[section]);
                current = m_adjust ? choose(i, sectionEnd, p, base, base) : base;
                emitTempo(current, fit);
                ++fit.sectionTempos;
                backoff = 0;
            } else if (m_adjust) {
                if (place(m_spans[i], p, current, m_pairs).exact(m_exactTicks)) {
                    backoff = 0;
                } else {
                    if (backoff > 0) {
                        --backoff;
                    } else {
                        const Unit next = choose(i, sectionEnd, p, current, base);
                        if (next.k != current.k) {
                            current = next;
                            emitTempo(current, fit);
                            ++fit.addedTempos;
                        } else {
                            backoff = Lookahead;
                        }
                    }
                }
            }
            const Placed r = place(m_spans[i], p, current, m_pairs);
            if (section == 0)
                countUse(current);
            if (!sectionStart && current.k != before.k && r.startError >= 0 && !r.split
                && place(m_spans[i], p, before, m_pairs).split)
                ++fit.retimedNotes;
            record(m_spans[i], r, current, fit);
            m_givenUp = cost(fit) > m_ceiling || (m_reckoning == Reckoning::Written && fit.fittedErrorMax > WrittenTicks);
            if (failed(fit))
                return;
            p = r.end;
        }
        // The unit told about is the one most of the first stretch is
        // written in: not a tempo its first notes were given alone.
        qint64 most = 0;
        for (const auto &[k, use] : m_use) {
            if (use.first > most || (use.first == most && use.second < m_use.at(m_mostUsed).second)) {
                most = use.first;
                m_mostUsed = k;
            }
        }
        if (most > 0) {
            fit.firstHundredths = m_mostUsed;
            fit.firstUnitTicks = tempo::exactTicks(m_mostUsed);
        }
    }

private:
    Unit unit(qint64 k) const { return Unit(k, m_reckoning); }

    void countUse(const Unit &u)
    {
        // The tempo seldom changes from one span to the next.
        if (!m_lastUse || m_lastK != u.k) {
            m_lastUse = &m_use.try_emplace(u.k, 0, m_use.size()).first->second.first;
            m_lastK = u.k;
        }
        ++*m_lastUse;
    }

    // The section's tempo for the unit: of the writable tempos nearest to
    // it, the one whose lengths drift least from the file's times.
    Unit baseUnit(std::size_t i, std::size_t sectionEnd, double p, const Section &section) const
    {
        const qint64 nearest = tempo::nearest(960.0 / (m_unit * section.ticksPerSourceTick));
        const std::size_t last = std::min(sectionEnd, i + BaseTrialSpans);
        Unit best = unit(nearest);
        double bestError = -1;
        for (qint64 k = nearest - BaseNeighbours; k <= nearest + BaseNeighbours; ++k) {
            if (k < tempo::MinK || k > tempo::MaxK || tempo::forHundredths(k) == 0)
                continue;
            const Unit u = unit(k);
            double error = 0;
            double at = p;
            for (std::size_t j = i; j < last; ++j) {
                const Placed r = place(m_spans[j], at, u, m_pairs);
                error += std::max(0.0, r.startError) + (r.split ? SplitCost : 0.0) + dropCost(r);
                at = r.end;
            }
            // The nearest wins a tie; it comes first only when it is the smallest.
            if (bestError < 0 || error < bestError || (error == bestError && k == nearest)) {
                best = u;
                bestError = error;
            }
        }
        return best;
    }

    // The tempo for span `i` on: `keep` unless another keeps more spans exact.
    Unit choose(std::size_t i, std::size_t sectionEnd, double p, const Unit &keep, const Unit &base) const
    {
        int run = 0;
        const Unit best = longest(i, sectionEnd, p, keep, base, run);
        return best.k == keep.k || goesOn(i, sectionEnd, p, best, base, run, 0) ? best : keep;
    }

    // Whether a tempo that keeps `run` spans from `i` exact is worth a tempo
    // line. One that fits a single span is taken only when the spans after
    // it go on exactly (through a few more such one-span tempos): a
    // tempo of the song that lasted a note or two, not a played note's own
    // length.
    bool goesOn(std::size_t i, std::size_t sectionEnd, double p, const Unit &u, const Unit &base, int run,
                int depth) const
    {
        if (run >= 2 || run >= int(std::min(sectionEnd, i + Lookahead) - i))
            return true;
        if (run < 1 || depth >= MaxOneSpanTempos)
            return false;
        const double next = place(m_spans[i], p, u, m_pairs).end;
        int nextRun = 0;
        const Unit after = longest(i + 1, sectionEnd, next, u, base, nextRun);
        return goesOn(i + 1, sectionEnd, next, after, base, nextRun, depth + 1);
    }

    // The tempo that keeps the most spans from `i` on exact (`run` of them);
    // `keep` unless another does better.
    Unit longest(std::size_t i, std::size_t sectionEnd, double p, const Unit &keep, const Unit &base, int &run) const
    {
        run = 0;
        if (i >= sectionEnd)
            return keep;
        const std::size_t last = std::min(sectionEnd, i + Lookahead);
        const auto exactRun = [&](const Unit &u) {
            int run = 0;
            double at = p;
            for (std::size_t j = i; j < last; ++j) {
                const Placed r = place(m_spans[j], at, u, m_pairs);
                if (!r.exact(m_exactTicks))
                    break;
                ++run;
                at = r.end;
            }
            return run;
        };
        Unit best = keep;
        int bestRun = exactRun(keep);
        const int wanted = int(last - i);
        const auto consider = [&](qint64 k) {
            if (bestRun >= wanted || k < tempo::MinK || k > tempo::MaxK || k == best.k)
                return;
            const Unit u = unit(k);
            const int run = exactRun(u);
            if (run > bestRun) {
                best = u;
                bestRun = run;
            }
        };
        consider(base.k);
        // Tempos at which this slot, or its note, takes a whole number of units.
        const Slot &s = m_spans[i];
        for (const double d : {s.end - p, s.key >= 0 ? s.noteEnd - s.start : 0.0}) {
            // A sliver of silence (a player's gap between notes) names no unit.
            if (d < MinFittedTicks)
                continue;
            for (int l = 1; l <= 16 && bestRun < wanted; ++l) {
                if (m_reckoning == Reckoning::Played) {
                    // l units last 96000 l / k ticks: the writable k either side of the one that fits.
                    const qint64 fits = qint64(std::floor(96000.0 * l / d));
                    for (const qint64 step : {-1, 1}) {
                        int tried = 0;
                        for (qint64 k = step < 0 ? fits : fits + 1;
                             k >= tempo::MinK && k <= tempo::MaxK && tried < CandidatesPerLength / 2; k += step) {
                            if (tempo::forHundredths(k) != 0) {
                                consider(k);
                                ++tried;
                            }
                        }
                    }
                    continue;
                }
                // floor(960 / V * l) == ticks for V in (960 l / (ticks + 1), 960 l / ticks].
                // One more on either side: the float tempo moves the edges.
                const qint64 ticks = std::llround(d);
                const qint64 lo = qint64(std::floor(96000.0 * l / double(ticks + 1)));
                const qint64 hi = qint64(std::floor(96000.0 * l / double(ticks))) + 1;
                for (qint64 k = lo, tried = 0; k <= hi && tried < CandidatesPerLength; ++k) {
                    if (tempo::forHundredths(k) != 0) {
                        consider(k);
                        ++tried;
                    }
                }
            }
        }
        run = bestRun;
        return best;
    }

    void emitTempo(const Unit &u, Fit &fit)
    {
        ++fit.lineCount;
        if (m_out && fit.lineCount <= MaxLines)
            m_out->push_back({Line::Kind::Tempo, -1, tempo::forHundredths(u.k)});
    }

    void record(const Slot &s, const Placed &r, const Unit &u, Fit &fit)
    {
        if (r.dropped) {
            ++fit.droppedNotes;
            fit.errorCost += dropCost(r);
        }
        if (r.split)
            ++fit.splitNotes;
        if (r.startError >= 0) {
            ++fit.notes;
            const double played = std::abs(m_played - s.start);
            fit.errorSum += played;
            fit.errorMax = std::max(fit.errorMax, played);
            fit.errorCost += std::max(0.0, r.startError - InaudibleTicks);
            fit.fittedErrorMax = std::max(fit.fittedErrorMax, r.startError);
        }
        m_played += double(r.note.units() + r.rest.units()) * u.played;
        fit.lineCount += r.note.lineCount() + r.rest.lineCount();
        if (fit.lineCount > MaxLines)
            fit.tooLong = true;
        if (!m_out || fit.tooLong)
            return;
        const auto emit = [&](Line::Kind kind, int key, const Pieces &pieces) {
            for (qint64 n = 0; n < pieces.sixteens; ++n)
                m_out->push_back({kind, key, 16});
            if (pieces.a > 0)
                m_out->push_back({kind, key, pieces.a});
            if (pieces.b > 0)
                m_out->push_back({kind, key, pieces.b});
        };
        if (r.startError >= 0)
            emit(Line::Kind::Note, s.key, r.note);
        emit(Line::Kind::Rest, -1, r.rest);
    }

    const std::vector<Slot> &m_spans;
    const std::vector<Section> &m_sections;
    double m_unit;
    bool m_adjust;
    Reckoning m_reckoning;
    bool m_pairs; // a silence may be split in two: only written lengths differ by how it is split
    double m_exactTicks;
    std::vector<Line> *m_out;
    double m_ceiling;
    const FitProgress *m_progress = nullptr;
    bool m_givenUp = false;
    double m_played = 0; // where the song as played is
    // Spans written at each tempo of the first stretch, and in which order
    // the tempos came.
    std::unordered_map<qint64, std::pair<qint64, std::size_t>> m_use;
    qint64 m_mostUsed = 0;
    qint64 *m_lastUse = nullptr;
    qint64 m_lastK = 0;
};

// One unit tried on a sample of the song: all of it when short, else chunks
// spread over it. None when the trial failed.
std::optional<Fit> trial(Reckoning reckoning, const std::vector<Slot> &spans, const std::vector<Section> &sections,
                         double unit, bool adjust, double ceiling)
{
    Fit fit;
    Fitter fitter(spans, sections, unit, adjust, reckoning, nullptr, ceiling);
    if (spans.size() <= SampleChunk * SampleChunks) {
        fitter.run(0, spans.size(), 0, fit);
    } else {
        const std::size_t stride = spans.size() / SampleChunks;
        for (std::size_t c = 0; c < SampleChunks && !fitter.failed(fit); ++c)
            fitter.run(c * stride, c * stride + SampleChunk, spans[c * stride].start, fit);
    }
    if (fitter.failed(fit))
        return std::nullopt;
    return fit;
}

struct Choice {
    double unit = 0;
    bool adjust = false;
    double cost = 0; // of the sample tried
};

// The unit, and whether to add tempo lines, with the least cost in one
// reckoning. None when every trial failed.
std::optional<Choice> chooseUnit(Reckoning reckoning, const std::vector<Slot> &spans, const std::vector<Section> &sections,
                                 const std::vector<double> &units, double ceiling, const FitProgress &progress)
{
    std::optional<Choice> best;
    std::size_t tried = 0;
    for (const double u : units) {
        for (const bool adjust : {false, true}) {
            progress.step(double(tried++), double(units.size() * 2));
            const std::optional<Fit> fit =
                trial(reckoning, spans, sections, u, adjust, best ? std::min(best->cost, ceiling) : ceiling);
            if (fit && (!best || cost(*fit) < best->cost))
                best = Choice{u, adjust, cost(*fit)};
        }
    }
    return best;
}

// The tempo of `unit` (ticks of the file) at the first stretch's tempo, in
// hundredths of a unit a second.
double hundredthsOf(double unit, const std::vector<Section> &sections)
{
    return 96000.0 / (unit * sections.front().ticksPerSourceTick);
}

// Whether the song is written mostly in `unit`: the first stretch at its
// tempo or one near it (a tempo line that keeps the time is no other unit),
// and most notes neither split, nor at a tempo of their own, nor left out.
bool writtenIn(const Fit &fit, double unit, const std::vector<Section> &sections)
{
    const qint64 own = tempo::nearest(hundredthsOf(unit, sections) / 100.0);
    const qint64 near = std::max(BaseNeighbours, own / 50);
    const qint64 spoilt = fit.splitNotes + fit.retimedNotes + fit.droppedNotes;
    return std::abs(fit.firstHundredths - own) <= near && 2 * spoilt <= fit.notes + fit.droppedNotes;
}

// The units of whole notes to 64ths (in whole ticks of the file) that the
// song would be written in, least cost first.
std::vector<int> workingUnits(const std::vector<Slot> &spans, const std::vector<Section> &sections,
                              const std::vector<double> &ladder, const FitProgress &progress)
{
    std::vector<std::pair<double, int>> found;
    for (std::size_t i = 0; i < ladder.size(); ++i) {
        progress.step(double(i), double(ladder.size()));
        const double u = ladder[i];
        if (u != std::floor(u))
            continue;
        std::optional<Fit> best;
        for (const bool adjust : {false, true}) {
            std::optional<Fit> fit = trial(Reckoning::Played, spans, sections, u, adjust, Unlimited);
            if (fit && (!best || cost(*fit) < cost(*best)))
                best = std::move(fit);
        }
        if (best && writtenIn(*best, u, sections))
            found.emplace_back(cost(*best), int(u));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<int> units;
    for (std::size_t i = 0; i < found.size() && i < 3; ++i)
        units.push_back(found[i].second);
    return units;
}

// The whole song fitted as chosen; none when it is too long or, fitted to
// written lengths, misses a start.
std::optional<Fit> fitWhole(Reckoning reckoning, const std::vector<Slot> &spans, const std::vector<Section> &sections,
                       const Choice &choice, const FitProgress &progress)
{
    Fit fit;
    fit.unit = choice.unit;
    fit.lines.reserve(std::min<std::size_t>(spans.size() + spans.size() / 2 + 16, MaxLines + 1));
    Fitter fitter(spans, sections, choice.unit, choice.adjust, reckoning, &fit.lines);
    fitter.watch(&progress);
    fitter.run(0, spans.size(), 0, fit);
    if (fitter.failed(fit))
        return std::nullopt;
    return fit;
}

// The song fitted in the unit that costs least of `units`.
Fit fitSong(const std::vector<Slot> &spans, const std::vector<Section> &sections, const std::vector<double> &units,
            const FitProgress &progress)
{
    // The song as it plays; unless the file is one this program wrote: its
    // lengths, rounded down as MIDI_Exp does, give every start within a tick
    // or two at no more cost than the lengths as played.
    std::optional<Fit> written;
    progress.stage(0.1);
    const std::optional<Choice> writtenChoice = chooseUnit(Reckoning::Written, spans, sections, units, Unlimited, progress);
    progress.stage(0.5);
    if (writtenChoice)
        written = fitWhole(Reckoning::Written, spans, sections, *writtenChoice, progress);
    if (written) // told about only where the song plays otherwise than the file
        written->asWritten = written->errorMax > WrittenTicks;
    if (written && cost(*written) == 0)
        return *written;
    progress.stage(0.6);
    const std::optional<Choice> playedChoice =
        chooseUnit(Reckoning::Played, spans, sections, units, written ? writtenChoice->cost : Unlimited, progress);
    progress.stage(1.0);
    std::optional<Fit> played;
    if (playedChoice)
        played = fitWhole(Reckoning::Played, spans, sections, *playedChoice, progress);
    if (written && (!played || (cost(*written) <= cost(*played) && written->droppedNotes <= played->droppedNotes)))
        return *written;
    if (played)
        return *played;
    Fit failed; // every fit as played failed, and those only fail for their length
    failed.tooLong = true;
    return failed;
}

} // namespace

Fit fitTiming(const std::vector<Slot> &spans, const std::vector<Section> &sections, int division,
              std::optional<double> unit, Progress *progress)
{
    const FitProgress watched(progress);
    // From a whole note down to a 64th, triplets included; coarse first,
    // so that a tie goes to the longer unit.
    std::vector<double> ladder;
    for (int parts : {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64})
        ladder.push_back(4.0 * division / parts);
    const auto refuse = [&](UnitRefusal why) {
        Fit refused;
        refused.refusal = why;
        watched.stage(1.0);
        refused.workingUnits = workingUnits(spans, sections, ladder, watched);
        return refused;
    };
    if (unit && hundredthsOf(*unit, sections) < double(tempo::MinK))
        return refuse(UnitRefusal::TooLong);
    if (unit && hundredthsOf(*unit, sections) > double(tempo::MaxK) + 0.5)
        return refuse(UnitRefusal::TooShort);
    const Fit fit = fitSong(spans, sections, unit ? std::vector<double>{*unit} : ladder, watched);
    if (unit && !fit.tooLong && !writtenIn(fit, *unit, sections))
        return refuse(UnitRefusal::Unused);
    return fit;
}

} // namespace importer
