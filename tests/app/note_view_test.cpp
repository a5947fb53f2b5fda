// The note view, offscreen, through what a user and the editor window see:
// clicks tell the model's line, the current line and the play position
// paint exactly their notes, errors grey the picture, zoom and scrolling.

#include "app/note_view.h"
#include "core/voice/tuning_table.h"
#include "core/song/song_conversion.h"

#include "support/random_hmml.h"
#include "support/test_files.h"

#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using testrandom::pick;

namespace {

HmmlConversion compiled(const QString &text)
{
    return convertHmml(QString(text).replace(u'|', QStringLiteral("\r\n")), QString(), 0);
}

// Lines: 1 tempo, 2 C 2, 3 loop (twice more), 4 E 2, 5 rest, 6 G 2, 7 loop end, 8 B 3, 9 B# 4.
const QString LoopSong = QStringLiteral("C-TEMPO:240|4 C 2|C-LOOP:2|4 E 2|2 *|4 G 2|C-LEND|8 B 3|4 B# 4");

class NoteViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(700, 260);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        show(LoopSong);
    }
    void show(const QString &song)
    {
        view.showConversion(compiled(song));
        ASSERT_TRUE(view.notes() && view.errorText().isEmpty());
    }
    const notes::SongNotes &song() const { return *view.notes(); }
    QImage picture() { return view.viewport()->grab().toImage(); }
    QPoint centre(qsizetype index) const { return view.noteRect(index).center(); }
    // Which of the notes heard are painted differently in `after` than in `before`.
    QString changed(const QImage &before, const QImage &after) const
    {
        QString out;
        for (qsizetype i = 0; i < song().size(); ++i) {
            if (song()[i].sounds())
                out += before.pixel(centre(i)) != after.pixel(centre(i)) ? u'x' : u'.';
        }
        return out;
    }

    NoteView view;
};

TEST_F(NoteViewTest, AClickTellsTheLineOfTheNote)
{
    QSignalSpy clicked(&view, &NoteView::noteClicked);
    const QImage plain = picture();
    QString lines;
    for (qsizetype i = 0; i < song().size(); ++i) {
        if (!song()[i].sounds())
            continue;
        // Drawn in the view, in the colour of a note.
        ASSERT_TRUE(view.viewport()->rect().contains(view.noteRect(i))) << i;
        ASSERT_EQ(plain.pixel(centre(i)), plain.pixel(centre(0))) << i;
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre(i));
        lines += QString::number(clicked.takeFirst().at(0).toInt()) + u' ';
    }
    EXPECT_EQ(lines, QStringLiteral("2 4 6 4 6 4 6 8 9 "));
    // The silence of the rest (note 2), and above the note beside it.
    const QPoint rest((view.noteRect(1).right() + view.noteRect(3).left()) / 2, centre(1).y());
    for (const QPoint p : {rest, centre(1) - QPoint(0, view.noteRect(1).height() + 2)}) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, p);
        EXPECT_NE(plain.pixel(p), plain.pixel(centre(0)));
    }
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(NoteViewTest, TheCurrentLinePaintsEachOfItsNotes)
{
    const QImage plain = picture();
    // The notes heard: C, then E and G three times, B, B#.
    const std::pair<qint32, const char *> cases[] = {{4, ".x.x.x..."}, {6, "..x.x.x.."}, {9, "........x"}, {5, "........."}, {0, "........."}};
    for (const auto &[line, expected] : cases) {
        view.setCurrentLine(line);
        EXPECT_EQ(changed(plain, picture()), QLatin1String(expected)) << line;
    }
}

TEST_F(NoteViewTest, ThePlayPositionShowsTheSoundingNote)
{
    const QImage plain = picture();
    view.setPlayPosition(song()[3].startMs() + 1);
    const QImage playing = picture();
    EXPECT_EQ(changed(plain, playing), QStringLiteral("..x......"));
    const int x = view.noteRect(3).left();
    EXPECT_NE(playing.pixel(x, 3), plain.pixel(x, 3)) << "the line crosses the ruler";
    view.setPlayPosition(-1);
    EXPECT_EQ(picture(), plain);

    // Far into a song zoomed in, the view follows the sound.
    view.setPixelsPerSecond(2000);
    const qsizetype last = song().size() - 1;
    EXPECT_FALSE(view.viewport()->rect().contains(view.noteRect(last)));
    view.setPlayPosition(song()[last].startMs() + 10);
    EXPECT_TRUE(view.viewport()->rect().contains(view.noteRect(last).topLeft()));
}

TEST_F(NoteViewTest, AnErrorGreysTheLastGoodPicture)
{
    const QImage good = picture();
    const auto *before = view.notes().get();
    view.showConversion(compiled(QStringLiteral("C-TEMPO:120|4 C 2|4 D 7")));
    EXPECT_TRUE(view.errorText().startsWith(QStringLiteral("3行目でエラー: 音の高さが１～４の指定範囲外です。"))) << str(view.errorText());
    EXPECT_EQ(view.notes().get(), before);
    EXPECT_EQ(changed(good, picture()), QStringLiteral("xxxxxxxxx"));
    show(LoopSong);
    EXPECT_EQ(picture(), good) << "a good compile clears it";
}

TEST_F(NoteViewTest, NotesFarOffTheMachinesToneAreMarked)
{
    const QImage plain = picture();
    view.setCents(voice::pitchCents(Machine::G800, voice::Program::Beep));
    EXPECT_EQ(changed(plain, picture()), QStringLiteral(".......x.")) << "B 3 is 21 cents off; B# 4 the machine does not play";
    view.clearCents();
    EXPECT_EQ(picture(), plain);
}

TEST_F(NoteViewTest, ZoomFitAndScroll)
{
    const auto inView = [&] {
        QString out;
        for (qsizetype i = 0; i < song().size(); ++i) {
            if (song()[i].sounds())
                out += view.viewport()->rect().contains(view.noteRect(i)) ? u'v' : u'-';
        }
        return out;
    };
    const double fit = view.pixelsPerSecond();
    EXPECT_EQ(inView(), QStringLiteral("vvvvvvvvv"));
    EXPECT_GT(view.noteRect(song().size() - 1).right(), view.viewport()->width() * 4 / 5) << "the song fills the width";
    QTest::keyClick(&view, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(view.pixelsPerSecond(), fit * 1.5);
    QTest::keyClick(&view, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(view.pixelsPerSecond(), fit);

    // Ctrl+wheel keeps the note under the mouse; the wheel scrolls.
    const QPoint at = centre(4);
    QWheelEvent zoom(at, view.viewport()->mapToGlobal(at), {}, {0, 360}, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &zoom);
    EXPECT_NEAR(view.pixelsPerSecond(), fit * 1.25 * 1.25 * 1.25, 1e-9);
    EXPECT_EQ(view.noteAtPoint(at), 4);
    EXPECT_EQ(inView(), QStringLiteral("--vvvv---"));
    const QRect before = view.noteRect(4);
    QWheelEvent scroll(at, view.viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &scroll);
    EXPECT_EQ(view.noteRect(4), before.translated(-48, 0));
    QTest::keyClick(&view, Qt::Key_0);
    EXPECT_EQ(std::pair(view.pixelsPerSecond(), inView()), std::pair(fit, QStringLiteral("vvvvvvvvv")));
}

// A long song scrolled by the wheel: what is on screen, moved and filled in
// from the cached picture, is what a fresh drawing shows.
TEST_F(NoteViewTest, ScrollingALongSongShowsWhatAFreshDrawingShows)
{
    std::mt19937 rng(5);
    view.showConversion(compiled(testrandom::hmmlSong(rng, 12000)));
    ASSERT_GT(song().size(), 8000);
    view.setPixelsPerSecond(40);
    view.setCurrentLine(200);
    view.setPlayPosition(1000);
    for (int step = 0; step < 12; ++step) {
        QWheelEvent wheel(QPointF(300, 100), view.viewport()->mapToGlobal(QPointF(300, 100)), {}, {0, -120 * (1 + step % 5)},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &wheel);
        QCoreApplication::processEvents();
        const QImage onScreen = view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(onScreen, fresh) << "step " << step << ", scrolled to " << view.horizontalScrollBar()->value();
    }
}

} // namespace
