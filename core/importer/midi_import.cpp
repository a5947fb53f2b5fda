#include "core/importer/midi_import.h"

#include "core/importer/melody.h"
#include "core/importer/timing_fit.h"
#include "core/io/clock_text.h"
#include "core/io/cp932.h"
#include "core/formats/midi_timing.h"
#include "core/io/read_file.h"
#include "core/io/text_file.h"

#include <QFileInfo>

#include <algorithm>
#include <new>

namespace importer {

namespace {

// A track's name as text: CP932, or UTF-8 when recognisably so. A name
// neither reads is no name, rather than one with characters made up.
QString trackName(const QByteArray &bytes)
{
    const TextFile::DecodeResult decoded = TextFile::decodeText(bytes);
    return decoded.ok() ? decoded.text : QString();
}

constexpr double TicksPerSecond = 960; // MIDI_Exp's ticks

// Text from the file for a title or a comment: no control characters, no
// apostrophe (it would start a comment), and for CP932 only what CP932 holds.
QString cleanText(const QString &text, bool utf8, QStringList &replaced)
{
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x20 || c == 0x7F)
            continue;
        if (c == u'\'') {
            out += QChar(0x2019); // RIGHT SINGLE QUOTATION MARK, which CP932 holds
            continue;
        }
        const QString character = QString::fromUcs4(&c, 1);
        if (!utf8 && !Cp932::encode(character).ok()) {
            // Named by its code: the report stands in the song, which CP932 must hold.
            const QString code = QStringLiteral("U+%1").arg(qulonglong(c), 4, 16, QLatin1Char('0')).toUpper();
            if (!replaced.contains(code))
                replaced << code;
            out += u'_';
            continue;
        }
        out += character;
    }
    return out.trimmed();
}

QString ms(double ticks)
{
    return QString::number(ticks / TicksPerSecond * 1000.0, 'f', 1);
}

QString unitText(double ticks)
{
    return qAbs(ticks - qRound64(ticks)) < 0.005 ? QString::number(qRound64(ticks)) : QString::number(ticks, 'f', 2);
}

const char *const NoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

struct Song {
    std::vector<Slot> spans;
    std::vector<Section> sections;
    double length = 0; // ticks of 1/960 s, to the end of the last note
};

Song slotsOf(const std::vector<MelodyNote> &notes, const MidiTiming &timing)
{
    Song song;
    song.spans.reserve(notes.size() + 1);
    const auto at = [&](std::int64_t tick) { return timing.secondsAt(tick) * TicksPerSecond; };
    std::size_t tempoIndex = 0;
    std::int64_t sectionTempo = -1;
    const auto section = [&](std::int64_t tick) {
        while (tempoIndex + 1 < timing.tempos.size() && timing.tempos[tempoIndex + 1].tick <= tick)
            ++tempoIndex;
        const MidiTempoChange &t = timing.tempos[tempoIndex];
        if (t.microsecondsPerQuarter != sectionTempo) {
            sectionTempo = t.microsecondsPerQuarter;
            song.sections.push_back({song.spans.size(), double(t.microsecondsPerQuarter) / 1e6 / timing.division
                                                            * TicksPerSecond});
        }
    };
    const double first = at(notes.front().on);
    if (first > 0) {
        section(0);
        song.spans.push_back({0, 0, first, -1});
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const MelodyNote &n = notes[i];
        section(n.on);
        const double start = at(n.on);
        const double noteEnd = at(n.off);
        const double end = i + 1 < notes.size() ? at(notes[i + 1].on) : noteEnd;
        song.spans.push_back({start, noteEnd, end, n.key});
        song.length = noteEnd;
    }
    return song;
}

// Why a song passes MaxLines: too many notes, or the longest note or silence.
QString tooLong(const Song &song, const ImportOptions &options)
{
    const QString head = QStringLiteral("曲が長すぎて H-MML にできません (音符・休符・テンポの行が %1 行を超えます)。").arg(MaxLines);
    const qint64 notes = std::count_if(song.spans.begin(), song.spans.end(), [](const Slot &s) { return s.key >= 0; });
    if (notes > MaxLines)
        return head + (options.window ? QStringLiteral("旋律の音が %1 音あります。MIDI ファイルを音の少ないパートだけにするか、"
                                                       "vltn import の --track か --channel でパートを選んでください。")
                                      : QStringLiteral("旋律の音が %1 音あります。--track か --channel で音の少ないパートを選んでください。"))
                          .arg(notes);
    double longest = -1, at = 0;
    bool note = false;
    for (const Slot &s : song.spans) {
        if (s.key >= 0 && s.noteEnd - s.start > longest)
            std::tie(longest, at, note) = std::tuple(s.noteEnd - s.start, s.start, true);
        if (s.end - s.noteEnd > longest)
            std::tie(longest, at, note) = std::tuple(s.end - s.noteEnd, s.noteEnd, false);
    }
    const QString what = note ? QStringLiteral("音") : QStringLiteral("休み");
    return head
           + QStringLiteral("最も長いのは %1 から %2 続く%3です。MIDI ファイルでその%3を短くしてください%4。")
                 .arg(clockText(at / TicksPerSecond), clockText(longest / TicksPerSecond), what,
                      options.unit ? QStringLiteral(" (または --unit でもっと長い単位を指定してください)") : QString());
}

// Why the unit asked for (`ticks` long at the first tempo) is not used, and which would be.
QString unitRefused(int unit, double ticks, const Fit &fit)
{
    QString why;
    if (fit.refusal == UnitRefusal::TooLong)
        why = QStringLiteral("--unit %1 は長すぎます: 最初のテンポで %2 秒になり、H-MML で書ける最も遅いテンポ"
                             " (C-TEMPO:1、1 単位 50 秒) より遅くなります。")
                  .arg(unit)
                  .arg(QString::number(ticks / TicksPerSecond, 'f', 1));
    else if (fit.refusal == UnitRefusal::TooShort)
        why = QStringLiteral("--unit %1 は短すぎます: 最初のテンポで %2 ms になり、曲にできる最も短い単位 (1/960 秒) に足りません。")
                  .arg(unit)
                  .arg(QString::number(ticks / TicksPerSecond * 1000.0, 'g', 2));
    else
        why = QStringLiteral("--unit %1 では、曲のほとんどがこの単位で書けません (音が 16 単位を超えたり半単位に満たなかったりして、"
                             "別のテンポや同じ音の繰り返しになります)。")
                  .arg(unit);
    QStringList units;
    for (const int u : fit.workingUnits)
        units << QString::number(u);
    if (!units.isEmpty())
        why += QStringLiteral("使える単位 (ファイルのティック、よいものから): %1。").arg(units.join(QStringLiteral("、")));
    return why + QStringLiteral("--unit を付けなければ、誤差が最も小さくなる単位を選びます。");
}

QString hmmlText(const Fit &fit, const QString &title, const QString &comments)
{
    // Every length and every pitch written once: a million lines are
    // put together from these.
    QString lengths[17];
    for (int l = 1; l <= 16; ++l)
        lengths[l] = QString::number(l) + u' ';
    QString pitches[HighestKey - LowestKey + 1];
    for (int n = 0; n <= HighestKey - LowestKey; ++n)
        pitches[n] = QLatin1String(NoteNames[n % 12]) + u' ' + QChar(u'1' + n / 12) + QStringLiteral("\r\n");
    const QString rest = QStringLiteral("*\r\n");

    QString text;
    text.reserve(qsizetype(fit.lines.size()) * 9 + comments.size() + title.size() + 64);
    text += comments;
    if (!title.isEmpty())
        text += QStringLiteral("C-TITLE:") + title + QStringLiteral("\r\n");
    for (const Line &l : fit.lines) {
        if (l.kind == Line::Kind::Tempo) {
            text += QStringLiteral("C-TEMPO:") + QString::number(l.value) + QStringLiteral("\r\n");
            continue;
        }
        text += lengths[l.value];
        text += l.kind == Line::Kind::Note ? pitches[l.key - LowestKey] : rest;
    }
    return text;
}

ImportResult import(const QByteArray &bytes, const QString &name, const ImportOptions &options, Progress &progress)
{
    ImportResult result;
    progress.stage(100);
    const MidiFile file = readMidi(bytes, MidiRead::Notes);
    progress.stage(250);
    if (!file.ok()) {
        result.error = file.error;
        return result;
    }
    if (file.format == 2) {
        result.error = QStringLiteral("フォーマット 2 の MIDI ファイル (独立した複数のパターン) は読み込めません。"
                                      "フォーマット 0 か 1 で保存し直してください。");
        return result;
    }
    const MidiTiming timing = midiTiming(file);
    std::optional<int> track, channel;
    if (options.track)
        track = *options.track - 1;
    if (options.channel)
        channel = *options.channel - 1;
    Melody melody = extractMelody(file, track, channel);
    if (!melody.ok()) {
        result.error = melody.onlyDrums && options.window
                           ? QStringLiteral("旋律にできる音がありません (チャンネル 10 のドラムは除きます。"
                                            "ドラムを読み込むには vltn import --channel 10 を使ってください)。")
                           : melody.error;
        return result;
    }
    progress.check();
    const PitchFit pitch = fitPitches(melody.notes, options.transpose);
    const Song song = slotsOf(melody.notes, timing);
    std::optional<double> unit;
    if (options.unit)
        unit = *options.unit;
    progress.stage(950);
    const Fit fit = fitTiming(song.spans, song.sections, timing.division, unit, &progress);
    progress.stage(1000);
    if (fit.tooLong) {
        result.error = tooLong(song, options);
        return result;
    }
    if (fit.refusal != UnitRefusal::None) {
        result.error = unitRefused(*options.unit, *options.unit * song.sections.front().ticksPerSourceTick, fit);
        result.optionRefused = true;
        return result;
    }
    if (fit.notes == 0) {
        result.error = QStringLiteral("書き出せる音符がひとつもありません: どの音も単位 (%1 ms) の半分より短く、除かれます。"
                                      "テンポの設定が正しい MIDI ファイルか確かめてください。")
                           .arg(ms(fit.firstUnitTicks));
        return result;
    }

    // What was taken and what changed, for the report and the song's own comments.
    QStringList replaced;
    const QString fileName = cleanText(QFileInfo(name).fileName(), options.utf8, replaced);
    QString title;
    if (!file.tracks.front().name.isEmpty())
        title = cleanText(trackName(file.tracks.front().name), options.utf8, replaced);
    if (title.isEmpty() && melody.track >= 0)
        title = cleanText(trackName(file.tracks[std::size_t(melody.track)].name), options.utf8, replaced);
    if (title.isEmpty())
        title = cleanText(QFileInfo(name).completeBaseName(), options.utf8, replaced);

    QStringList lines;
    lines << QStringLiteral("%1 から読み込みました (フォーマット %2、トラック %3 個、四分音符 %4 ティック)。")
                 .arg(fileName)
                 .arg(file.format)
                 .arg(file.tracks.size())
                 .arg(file.division);
    QString part;
    if (melody.track >= 0) {
        const QString partName =
            cleanText(trackName(file.tracks[std::size_t(melody.track)].name), options.utf8, replaced);
        part = QStringLiteral("トラック %1").arg(melody.track + 1)
               + (partName.isEmpty() ? QString() : QStringLiteral("「%1」").arg(partName));
    }
    if (melody.channel >= 0)
        part += (part.isEmpty() ? QString() : QStringLiteral(" の")) + QStringLiteral("チャンネル %1").arg(melody.channel + 1);
    else
        part += QStringLiteral(" の全チャンネル (10 を除く)");
    lines << QStringLiteral("旋律: %1 の %2 音。").arg(part).arg(melody.sourceNotes);
    if (melody.chordNotes > 0)
        lines << QStringLiteral("和音: 同時に始まる音のうち最も高い音を残し、%1 音を除きました。").arg(melody.chordNotes);
    if (melody.cutNotes > 0)
        lines << QStringLiteral("重なり: 次の音が始まるところで %1 音を短くしました。").arg(melody.cutNotes);
    if (melody.emptyNotes > 0)
        lines << QStringLiteral("長さのない %1 音を除きました。").arg(melody.emptyNotes);
    if (pitch.shift != 0)
        lines << QStringLiteral("音域: %1 半音%2移調しました%3。")
                     .arg(qAbs(pitch.shift))
                     .arg(pitch.shift > 0 ? QStringLiteral("上へ") : QStringLiteral("下へ"))
                     .arg(options.transpose ? QString() : QStringLiteral(" (オクターブ 1～4 に入る音が最も多くなるよう)"));
    if (pitch.folded > 0)
        lines << QStringLiteral("音域: オクターブ 1～4 を外れる %1 音をオクターブ単位で移しました。").arg(pitch.folded);
    lines << QStringLiteral("単位: ファイルの %1 ティック (最初のテンポで %2 ms)%3。")
                 .arg(unitText(fit.firstUnitTicks / (song.sections.front().ticksPerSourceTick)))
                 .arg(ms(fit.firstUnitTicks))
                 .arg(!options.unit ? QStringLiteral("、誤差が最も小さくなるもの")
                      : unitText(fit.firstUnitTicks / (song.sections.front().ticksPerSourceTick)) == QString::number(*options.unit)
                          ? QStringLiteral("、指定のとおり")
                          : QStringLiteral("、指定の %1 ティックに最も近い、H-MML で書けるもの").arg(*options.unit));
    lines << QStringLiteral("テンポ: C-TEMPO 行 %1 (ファイルのテンポ %2、長さを合わせるため %3)。")
                 .arg(fit.sectionTempos + fit.addedTempos)
                 .arg(fit.sectionTempos)
                 .arg(fit.addedTempos);
    if (fit.asWritten)
        lines << QStringLiteral("長さ: このプログラムが書いた MIDI ファイルと見て、切り捨てられたティックから元の長さとテンポに戻しました"
                                " (下の誤差は、ポケコンで鳴る時刻とファイルの時刻の差です)。");
    if (fit.splitNotes > 0)
        lines << QStringLiteral("16 単位を超える %1 音は、同じ高さの音の繰り返しにしました。").arg(fit.splitNotes);
    if (fit.retimedNotes > 0)
        lines << QStringLiteral("16 単位を超える %1 音は、その音だけ長い単位 (C-TEMPO 行) にして 1 音のまま書きました。")
                     .arg(fit.retimedNotes);
    if (fit.droppedNotes > 0)
        lines << QStringLiteral("半単位に満たない %1 音を除きました。").arg(fit.droppedNotes);
    const double share = song.length > 0 ? fit.errorSum / song.length * 100.0 : 0.0;
    lines << QStringLiteral("タイミングの誤差: 合計 %1 ms (曲の長さ %2 秒の %3%)、1 音で最大 %4 ms。")
                 .arg(ms(fit.errorSum))
                 .arg(QString::number(song.length / TicksPerSecond, 'f', 1))
                 .arg(QString::number(share, 'f', 2))
                 .arg(ms(fit.errorMax));
    lines << QStringLiteral("書き出した音: %1 音。").arg(fit.notes);
    if (!replaced.isEmpty())
        lines << (options.window ? QStringLiteral("CP932 にない文字 (%1) を「_」にしました (vltn import --utf8 ならそのまま書けます)。")
                                 : QStringLiteral("CP932 にない文字 (%1) を「_」にしました (--utf8 ならそのまま書けます)。"))
                     .arg(replaced.join(QStringLiteral(", ")));

    QString comments;
    for (const QString &l : lines) {
        result.report += l + u'\n';
        comments += QStringLiteral("' ") + l + QStringLiteral("\r\n");
    }
    result.hmml = hmmlText(fit, title, comments);
    progress.step(1, 1);
    return result;
}

} // namespace

ImportResult importMidi(const QByteArray &bytes, const QString &name, const ImportOptions &options,
                        const ImportWatch &watch)
{
    Progress progress(watch);
    try {
        return import(bytes, name, options, progress);
    } catch (const Progress::Cancelled &) {
        ImportResult result;
        result.cancelled = true;
        result.error = QStringLiteral("読み込みを取り消しました。");
        return result;
    } catch (const std::bad_alloc &) {
        ImportResult result;
        result.error = QStringLiteral("MIDI ファイルを読み込むためのメモリが足りません。");
        return result;
    }
}

ImportResult importMidiFile(const QString &path, const ImportOptions &options, const ImportWatch &watch)
{
    const ReadFile::Result read = ReadFile::readAll(path);
    if (!read.ok()) {
        ImportResult result;
        result.error = read.error;
        return result;
    }
    ImportResult result =
        importMidi(read.bytes, path == QLatin1String("-") ? QStringLiteral("stdin.mid") : path, options, watch);
    if (!result.ok())
        result.error = QStringLiteral("%1: %2").arg(path, result.error);
    return result;
}

QByteArray encodeHmml(const QString &hmml, bool utf8, QString &error)
{
    if (utf8)
        return QByteArray("\xEF\xBB\xBF") + hmml.toUtf8();
    // The notes are ASCII; only names and the report may be more.
    const bool ascii = std::all_of(hmml.cbegin(), hmml.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return hmml.toLatin1();
    Cp932::EncodeResult encoded = Cp932::encode(hmml);
    error = encoded.error;
    return encoded.ok() ? encoded.bytes : QByteArray();
}

} // namespace importer
