// vltn draw as a user runs it: the picture read back as XML holds one rect
// per note that `vltn midi` sounds (read back with midicsv), in order, with
// its start, length, pitch and H-MML line; options and failures.

#include "support/midicsv_reader.h"
#include "support/random_hmml.h"
#include "support/test_files.h"
#include "support/vltn_runner.h"

#include <QXmlStreamReader>

#include <cmath>

using testrandom::pick;

namespace {

// A note as heard: start and length in ticks of 1/960 s, MIDI note number.
struct Heard {
    qint64 start, length;
    int key;
    bool operator==(const Heard &) const = default;
};

struct Picture {
    QString error; // empty when the bytes are SVG as XML readers take it
    QString title;
    double width = 0;
    std::vector<QXmlStreamAttributes> rects;
    std::vector<Heard> heard; // by the rects' data
};

QStringView attribute(const QXmlStreamAttributes &a, const char *name)
{
    return a.value(QLatin1String(name));
}

// "F# 4" as a MIDI note number: "A" (C 1) is 48.
int keyOf(QStringView name)
{
    static const QString letters = QStringLiteral("C D EF G A B");
    return 48 + int(letters.indexOf(name[0])) + (name[1] == u'#') + 12 * (name.sliced(name.indexOf(u' ') + 1).toInt() - 1);
}

Picture readPicture(const QByteArray &bytes)
{
    Picture p;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"svg") {
            p.error = xml.namespaceUri() == u"http://www.w3.org/2000/svg" ? QString() : QStringLiteral("not SVG");
            p.width = attribute(a, "width").toDouble();
        } else if (xml.name() == u"title" && p.title.isEmpty()) {
            p.title = xml.readElementText();
        } else if (xml.name() == u"rect") {
            p.rects.push_back(a);
            p.heard.push_back({std::llround(attribute(a, "data-start-ms").toDouble() * 0.96),
                               std::llround(attribute(a, "data-length-ms").toDouble() * 0.96), keyOf(attribute(a, "data-pitch"))});
        }
    }
    if (xml.hasError())
        p.error = xml.errorString();
    return p;
}

std::vector<Heard> heardInMidi(const QString &path, QString &error)
{
    const testsupport::MidiCsvSummary midi = testsupport::readWithMidicsv(path);
    error = midi.error;
    std::vector<Heard> heard;
    for (const testsupport::MidiCsvNote &n : midi.notes) {
        if (n.on)
            heard.push_back({n.tick, -1, n.note});
        else if (!heard.empty() && heard.back().length < 0 && heard.back().key == n.note)
            heard.back().length = n.tick - heard.back().start;
    }
    return heard;
}

class Draw : public TempDirTest {
protected:
    VltnRun shell(QString line) { return runVltn({line.replace(u'@', dir.path())}, {}, QProcessEnvironment::systemEnvironment(), true); }
};

// Random H-MML songs (loops included) and random OMP data: the same notes as
// the MIDI file, and each rect's line holds the note it names. OMP data that
// `vltn midi` refuses is refused alike.
TEST_F(Draw, NotesAreThoseVltnMidiPlays)
{
    std::mt19937 rng(99);
    qsizetype compared = 0, refused = 0;
    for (int round = 0; round < 40; ++round) {
        const bool hmml = round < 25;
        const QString source = hmml ? testrandom::hmmlSong(rng, pick(rng, 1, round < 3 ? 1500 : 80))
                                    : QStringLiteral("$2:") + testrandom::ompText(rng, pick(rng, 1, 200));
        const QString song = write(hmml ? "song.hml" : "song.omp", source.toLatin1());
        const VltnRun draw = shell("vltn draw -o - " + song), midi = shell("vltn midi -o @/song.mid " + song);
        ASSERT_EQ(draw.exitCode, midi.exitCode) << str(source) << str(draw.err);
        if (midi.exitCode != 0) {
            EXPECT_EQ(draw.err.section(u':', 1), midi.err.section(u':', 1));
            ++refused;
            continue;
        }
        const Picture picture = readPicture(draw.outBytes);
        QString midiError;
        const std::vector<Heard> want = heardInMidi(path("song.mid"), midiError);
        ASSERT_TRUE(picture.error.isEmpty() && midiError.isEmpty()) << str(picture.error + midiError);
        ASSERT_EQ(picture.heard, want) << str(source);
        const QStringList lines = source.split(QStringLiteral("\r\n"));
        for (const QXmlStreamAttributes &a : picture.rects) {
            ASSERT_EQ(a.hasAttribute(QLatin1String("data-line")), hmml);
            if (!hmml)
                continue;
            // "4 D+ 2 ' comment" names "D# 2".
            const QStringList fields = lines.value(attribute(a, "data-line").toInt() - 1).section(u'\'', 0, 0).simplified().split(u' ');
            ASSERT_EQ(fields.value(1).replace(u'+', u'#') + u' ' + fields.value(2), attribute(a, "data-pitch")) << str(fields.join(u' '));
        }
        // Each rect stands where its start is on one time scale (x written to hundredths of a pixel).
        const auto x = [](const QXmlStreamAttributes &a) { return attribute(a, "x").toDouble(); };
        const auto start = [](const QXmlStreamAttributes &a) { return attribute(a, "data-start-ms").toDouble(); };
        const QXmlStreamAttributes &first = picture.rects.front(), &last = picture.rects.back();
        if (start(last) - start(first) > 1000) {
            const double scale = (x(last) - x(first)) / (start(last) - start(first));
            for (const QXmlStreamAttributes &a : picture.rects)
                ASSERT_NEAR(x(a), x(first) + (start(a) - start(first)) * scale, 0.02) << str(source);
        }
        compared += qsizetype(want.size());
    }
    EXPECT_GT(compared, 2000);
    EXPECT_GT(refused, 0) << "tempo 0 among the random data";
}

TEST_F(Draw, TitleWidthAndMachine)
{
    write("song.hml", "C-TITLE:<\"Tom & Jerry\">\r\nC-TEMPO:60\r\n1 A 1\r\n1 B 3\r\n1 E 4\r\n1 B# 4\r\n");
    write("tune.omp", "$1:1A*B\r\n");
    write("plain.hml", "C-TEMPO:60\r\n1 C 1\r\n1 * \r\n1 C# 1\r\n");
    // Per note: pitch and data-cents for the PC-G800 ("-" for none; "!" marks more than 20 cents off).
    const std::tuple<const char *, const char *, double> cases[] = {
        {"vltn draw --machine g800 -o - @/song.hml", "<\"Tom & Jerry\"> A 1:-3.2 B 3:21.3! E 4:-10.6 B# 4:-", 454},
        {"vltn draw --machine E500 --width 900 -o - @/song.hml", "<\"Tom & Jerry\"> A 1:-0.5 B 3:-5.5 E 4:-16.3 B# 4:-", 900},
        {"vltn draw -o - - < @/plain.hml", "標準入力 C 1:- C# 1:-", 354},
        {"vltn draw -o @/tune.svg @/tune.omp && cat @/tune.svg", "tune.omp C 1:- C# 1:-", 354},
    };
    for (const auto &[line, expected, width] : cases) {
        const VltnRun r = shell(QString::fromUtf8(line));
        const Picture p = readPicture(r.outBytes);
        QString got = p.title;
        for (const QXmlStreamAttributes &a : p.rects) {
            const QStringView cents = attribute(a, "data-cents");
            got += QStringLiteral(" %1:%2").arg(attribute(a, "data-pitch"), cents.isEmpty() ? QStringView(u"-") : cents);
            if (attribute(a, "class") == u"off")
                got += u'!';
            EXPECT_LE(attribute(a, "x").toDouble() + attribute(a, "width").toDouble(), p.width) << line;
        }
        EXPECT_EQ(str(got), expected) << line << str(r.err);
        EXPECT_EQ(std::pair(r.exitCode, p.width), std::pair(0, width)) << line;
    }
}

TEST_F(Draw, UsageErrorsAndFailures)
{
    write("song.hml", "C-TEMPO:120\r\n4 C 2\r\n");
    write("zero.omp", "$0:4M");
    const std::tuple<const char *, int, const char *> cases[] = {
        {"vltn draw @/song.hml", 2, "-o"},
        {"vltn draw -o -", 2, "入力ファイル"},
        {"vltn draw --machine z80 -o - @/song.hml", 2, "e500"},
        {"vltn draw --width 99 -o - @/song.hml", 2, "--width"},
        {"vltn draw -o - @/none.hml", 1, "none.hml"},
        {"vltn draw -o - @/zero.omp", 1, "テンポが 0"},
        {"vltn draw -o @/song.hml @/song.hml", 1, "同じファイル"},
        {"vltn draw -o - @/song.hml > /dev/full", 1, "ディスクの空き"},
    };
    for (const auto &[line, code, says] : cases) {
        const VltnRun r = shell(QString::fromUtf8(line));
        EXPECT_EQ(std::tuple(r.exitCode, r.err.contains(QString::fromUtf8(says)), r.outBytes.isEmpty()), std::tuple(code, true, true))
            << line << ": " << str(r.err);
    }
    EXPECT_EQ(read("song.hml"), "C-TEMPO:120\r\n4 C 2\r\n");
}

} // namespace
