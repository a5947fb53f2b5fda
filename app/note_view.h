#pragma once
// The song as a picture beside the H-MML text: time runs left to right,
// pitch bottom to top, one bar a note heard; a keyboard with the note names
// on the left edge and a ruler on top (seconds, and the length units of the
// tempo in force, with the tempo where it changes).
//
// It follows the live compile: a good result is drawn (keeping the zoom and
// the place), a failed one greys the last good picture and names the line of
// the error. A click on a bar tells its H-MML line; the notes of the current
// line are highlighted (each repetition of a loop), and so are the play
// position and the note sounding there. With a machine's cents, notes
// further off than 20 cents are drawn red.
//
// Ctrl+wheel and + / - zoom, the wheel scrolls, fitAll() (and 0) shows the
// whole song. The bars are drawn once into an image a page wider than the view on
// each side; scrolling moves what is on screen and copies the strip that
// comes in from that image, so long songs scroll without redrawing notes.

#include "core/voice/pitch_cents.h"
#include "core/notes/song_notes.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>
#include <optional>

struct HmmlConversion;

class NoteView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit NoteView(QWidget *parent = nullptr);
    ~NoteView() override;

    // The notes to draw (null: none); any error shown is cleared. Until the
    // user zooms, every song is fitted to the view; after that a new song
    // keeps the zoom and the place.
    void setNotes(std::shared_ptr<const notes::SongNotes> notes);
    const std::shared_ptr<const notes::SongNotes> &notes() const { return m_notes; }
    // A live compile's result: a good one is drawn, a failed one shown as
    // showError(). `notes`: a good one's notes, when already made.
    void showConversion(const HmmlConversion &conversion, std::shared_ptr<const notes::SongNotes> notes = nullptr);
    // The text does not compile (at `line`): the last good picture stays,
    // greyed, under a line naming the error.
    void showError(qint32 line, const QString &message);
    // What the view says about the error; empty when there is none.
    const QString &errorText() const { return m_error; }

    // A machine's cents for each pitch; notes further off than 20 are marked.
    void setCents(const voice::PitchCents &cents);
    void clearCents();

    // Highlights the notes read from H-MML line `line` (0: none).
    void setCurrentLine(qint32 line);
    qint32 currentLine() const { return m_currentLine; }
    // The play position in milliseconds (negative: not playing): a line
    // there, the note sounding highlighted, and the view scrolled along when
    // the line leaves it.
    void setPlayPosition(double ms);
    double playPosition() const { return m_playMs; }

    // Zoom: pixels a second of the song takes.
    double pixelsPerSecond() const { return m_pixelsPerSecond; }
    void setPixelsPerSecond(double pixels);
    void zoomIn();
    void zoomOut();
    // The whole song in the width of the view.
    void fitAll();
    // Scrolls so that note `index` is in view.
    void ensureNoteVisible(qsizetype index);

    // Where note `index` is drawn, in the coordinates of viewport(); empty
    // for a note not drawn (a rest, a silent pitch, no such note).
    QRect noteRect(qsizetype index) const;
    // The note drawn at `pos` (viewport coordinates), or -1.
    qsizetype noteAtPoint(QPoint pos) const;

signals:
    // A note's bar was clicked: the H-MML line it was read from.
    void noteClicked(qint32 line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Rows {
        int low = 0, high = 0; // pitch codes, bottom and top row
        int height = 1;        // of a row, in pixels
    };

    QRect plotRect() const;  // the bars' area in the viewport
    QRect rulerRect() const;
    Rows rows() const;
    int rowTop(const Rows &rows, int code) const; // viewport y
    double pixelsPerTick() const { return m_pixelsPerSecond / notes::TicksPerSecond; }
    double contentWidth() const;
    int scrollX() const;
    // Content x (pixels from the song's start) of viewport x, and back.
    int contentX(int viewportX) const { return viewportX - plotRect().left() + scrollX(); }
    int viewportX(double contentX) const;
    // The bar of `note` in content x and viewport y.
    QRect barRect(const notes::Note &note, const Rows &rows) const;
    void zoomAround(double factor, int viewportXAnchor);
    void updateScrollBar();
    void invalidateCache();
    void ensureCache(int contentLeft, int contentRight);
    void drawBars(QPainter &p, int contentLeft, int contentRight, const Rows &rows) const;
    void drawOverlays(QPainter &p, const QRect &area, const Rows &rows) const;
    void drawRuler(QPainter &p, const QRect &area) const;
    void drawKeys(QPainter &p, const QRect &area, const Rows &rows) const;
    void drawError(QPainter &p, const QRect &area) const;
    // Repaints the bars of `line`'s notes and the play line at `ms`.
    void updateLine(qint32 line);
    void updatePlayAt(double ms);

    std::shared_ptr<const notes::SongNotes> m_notes;
    std::optional<voice::PitchCents> m_cents;
    QString m_error;
    qint32 m_currentLine = 0;
    double m_playMs = -1;
    double m_pixelsPerSecond = 100;
    // The song is fitted to the view (after each new song and resize) until
    // the user zooms.
    bool m_autoFit = true;

    // The bars, grid and key rows of content x [m_cacheLeft, + width), at the
    // zoom and height it was drawn for.
    QImage m_cache;
    bool m_cacheValid = false;
    int m_cacheLeft = 0;
    double m_cachePixelsPerSecond = 0;
};
