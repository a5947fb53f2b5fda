#include "app/note_view.h"

#include "core/hmml/pitch_name.h"

#include "core/notes/roll_layout.h"
#include "core/song/song_conversion.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int KeysWidth = 46;
constexpr int RulerHeight = 30;
constexpr int SecondsHeight = 16; // the ruler's upper part; the units below
constexpr int RightMargin = 12;
constexpr double ZoomStep = 1.5;
constexpr double MinPixelsPerSecond = 0.001;
constexpr double MaxPixelsPerSecond = 4000;
constexpr double MaxContentWidth = 1e9; // scroll bar values stay well inside int

const QColor Paper(0xff, 0xff, 0xff);
const QColor BlackRow(0xeb, 0xee, 0xf3);
const QColor OctaveLine(0xc0, 0xc4, 0xcc);
const QColor GridLine(0xe0, 0xe3, 0xe8);
const QColor RulerPaper(0xf4, 0xf5, 0xf7);
const QColor RulerInk(0x55, 0x5a, 0x62);
const QColor Bar(0x3a, 0x6f, 0xc4);
const QColor MarkedBar(0xd0, 0x40, 0x2a);
const QColor LineBar(0xf0, 0x9a, 0x1a);
const QColor SoundingBar(0x22, 0xa8, 0x44);
const QColor PlayLine(0xe0, 0x20, 0x20);
const QColor Grey(0x9a, 0x9a, 0x9a, 0x9c);

QString secondsText(double seconds, double step)
{
    return QString::number(seconds, 'f', step < 1 ? 1 : 0);
}

} // namespace

NoteView::NoteView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("NoteView"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
}

NoteView::~NoteView() = default;

void NoteView::setNotes(std::shared_ptr<const notes::SongNotes> notes)
{
    m_notes = std::move(notes);
    m_error.clear();
    invalidateCache();
    if (m_autoFit)
        fitAll();
    else
        updateScrollBar();
    viewport()->update();
}

void NoteView::showConversion(const HmmlConversion &conversion, std::shared_ptr<const notes::SongNotes> notes)
{
    if (conversion.ok())
        setNotes(notes ? std::move(notes) : std::make_shared<const notes::SongNotes>(conversion));
    else
        showError(conversion.status.line, conversion.status.message);
}

void NoteView::showError(qint32 line, const QString &message)
{
    QString text = message.simplified();
    if (line > 0)
        text = QStringLiteral("%1行目でエラー: %2").arg(line).arg(text);
    // The picture left is the last song that compiled.
    if (m_notes && !m_notes->empty())
        text += QStringLiteral("\n灰色の図は、最後に変換できた曲です。");
    m_error = text;
    viewport()->update();
}

void NoteView::setCents(const voice::PitchCents &cents)
{
    m_cents = cents;
    invalidateCache();
    viewport()->update();
}

void NoteView::clearCents()
{
    m_cents.reset();
    invalidateCache();
    viewport()->update();
}

void NoteView::setCurrentLine(qint32 line)
{
    if (line == m_currentLine)
        return;
    const qint32 old = std::exchange(m_currentLine, line);
    updateLine(old);
    updateLine(line);
}

void NoteView::setPlayPosition(double ms)
{
    const double old = std::exchange(m_playMs, ms < 0 ? -1.0 : ms);
    if (m_playMs >= 0) {
        // The line that leaves the view brings the next page.
        const QRect plot = plotRect();
        const int x = viewportX(m_playMs * m_pixelsPerSecond / 1000);
        if (x < plot.left() || x > plot.right() - RightMargin)
            horizontalScrollBar()->setValue(int(m_playMs * m_pixelsPerSecond / 1000) - plot.width() / 8);
    }
    updatePlayAt(old);
    updatePlayAt(m_playMs);
}

void NoteView::setPixelsPerSecond(double pixels)
{
    zoomAround(pixels / m_pixelsPerSecond, plotRect().left());
}

void NoteView::zoomIn()
{
    const QRect plot = plotRect();
    const int play = m_playMs >= 0 ? viewportX(m_playMs * m_pixelsPerSecond / 1000) : -1;
    zoomAround(ZoomStep, plot.contains(play, plot.top()) ? play : plot.center().x());
}

void NoteView::zoomOut()
{
    const QRect plot = plotRect();
    const int play = m_playMs >= 0 ? viewportX(m_playMs * m_pixelsPerSecond / 1000) : -1;
    zoomAround(1 / ZoomStep, plot.contains(play, plot.top()) ? play : plot.center().x());
}

void NoteView::fitAll()
{
    const double seconds = m_notes ? double(m_notes->totalTicks()) / notes::TicksPerSecond : 0;
    const double width = std::max(1, plotRect().width() - RightMargin);
    m_pixelsPerSecond = seconds > 0 ? std::clamp(width / seconds, MinPixelsPerSecond, MaxPixelsPerSecond) : 100;
    m_autoFit = true;
    invalidateCache();
    updateScrollBar();
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void NoteView::ensureNoteVisible(qsizetype index)
{
    if (!m_notes || index < 0 || index >= m_notes->size())
        return;
    const notes::Note &n = (*m_notes)[index];
    const int left = int(std::floor(n.tick * pixelsPerTick()));
    const int right = int(std::floor(n.endTick() * pixelsPerTick()));
    const int width = plotRect().width();
    if (left < scrollX() || right > scrollX() + width)
        horizontalScrollBar()->setValue(left - width / 8);
}

QRect NoteView::noteRect(qsizetype index) const
{
    if (!m_notes || index < 0 || index >= m_notes->size() || !(*m_notes)[index].sounds())
        return {};
    return barRect((*m_notes)[index], rows()).translated(plotRect().left() - scrollX(), 0);
}

qsizetype NoteView::noteAtPoint(QPoint pos) const
{
    if (!m_notes || !plotRect().contains(pos))
        return -1;
    const Rows r = rows();
    const int x = contentX(pos.x());
    // The note begun by the next pixel, and the few before it that may end there.
    qsizetype i = m_notes->noteAt(qint64(std::floor((x + 1) / pixelsPerTick())));
    for (int k = 0; i >= 0 && k < 64; --i, ++k) {
        const notes::Note &n = (*m_notes)[i];
        if (n.sounds() && barRect(n, r).adjusted(-1, -1, 1, 1).contains(x, pos.y()))
            return i;
        if (std::floor(n.endTick() * pixelsPerTick()) < x - 1)
            break;
    }
    return -1;
}

// Geometry.

QRect NoteView::plotRect() const
{
    return QRect(KeysWidth, RulerHeight, std::max(1, viewport()->width() - KeysWidth),
                 std::max(1, viewport()->height() - RulerHeight));
}

QRect NoteView::rulerRect() const
{
    return QRect(KeysWidth, 0, std::max(1, viewport()->width() - KeysWidth), RulerHeight);
}

NoteView::Rows NoteView::rows() const
{
    const notes::PitchRows p = m_notes ? notes::pitchRows(*m_notes) : notes::pitchRows(notes::SongNotes());
    return {p.low, p.high, std::max(2, plotRect().height() / p.count())};
}

int NoteView::rowTop(const Rows &r, int code) const
{
    return plotRect().bottom() + 1 - (code - r.low + 1) * r.height;
}

double NoteView::contentWidth() const
{
    return (m_notes ? m_notes->totalTicks() * pixelsPerTick() : 0) + RightMargin;
}

int NoteView::scrollX() const
{
    return horizontalScrollBar()->value();
}

int NoteView::viewportX(double x) const
{
    return int(std::floor(x)) + plotRect().left() - scrollX();
}

QRect NoteView::barRect(const notes::Note &note, const Rows &r) const
{
    const int left = int(std::floor(note.tick * pixelsPerTick()));
    int width = std::max(1, int(std::floor(note.endTick() * pixelsPerTick())) - left);
    if (width >= 3)
        width -= 1; // a gap between notes that follow each other
    const int inset = r.height >= 4 ? 1 : 0;
    return QRect(left, rowTop(r, note.code) + inset, width, r.height - 2 * inset);
}

// Zoom and scrolling.

void NoteView::zoomAround(double factor, int anchor)
{
    const QRect plot = plotRect();
    const double seconds = m_notes ? double(m_notes->totalTicks()) / notes::TicksPerSecond : 0;
    const double most = seconds > 0 ? std::min(MaxPixelsPerSecond, MaxContentWidth / seconds) : MaxPixelsPerSecond;
    const double pixels = std::clamp(m_pixelsPerSecond * factor, MinPixelsPerSecond, std::max(MinPixelsPerSecond, most));
    const double at = double(contentX(anchor)) / m_pixelsPerSecond; // seconds under the anchor
    m_pixelsPerSecond = pixels;
    m_autoFit = false;
    invalidateCache();
    updateScrollBar();
    horizontalScrollBar()->setValue(int(std::lround(at * pixels)) - (anchor - plot.left()));
    viewport()->update();
}

void NoteView::updateScrollBar()
{
    const int width = plotRect().width();
    QScrollBar *bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, int(std::ceil(contentWidth())) - width));
    bar->setPageStep(width);
    bar->setSingleStep(24);
}

void NoteView::scrollContentsBy(int dx, int)
{
    // The error's words stay in place: with them everything is drawn again.
    if (!m_error.isEmpty()) {
        viewport()->update();
        return;
    }
    viewport()->scroll(dx, 0, QRect(KeysWidth, 0, viewport()->width() - KeysWidth, viewport()->height()));
}

void NoteView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    invalidateCache();
    if (m_autoFit)
        fitAll();
    else
        updateScrollBar();
}

void NoteView::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        if (angle.y() != 0)
            zoomAround(std::pow(1.25, angle.y() / 120.0), int(event->position().x()));
        event->accept();
        return;
    }
    const QPoint pixels = event->pixelDelta();
    const int delta = !pixels.isNull() ? pixels.y() + pixels.x() : (angle.y() + angle.x()) * 48 / 120;
    horizontalScrollBar()->setValue(scrollX() - delta);
    event->accept();
}

void NoteView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    case Qt::Key_0:
        fitAll();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void NoteView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const qsizetype index = noteAtPoint(event->position().toPoint());
    if (index >= 0 && (*m_notes)[index].line > 0)
        emit noteClicked((*m_notes)[index].line);
}

void NoteView::mouseReleaseEvent(QMouseEvent *event)
{
    // The press did the work; its release belongs to the view too.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

// Painting.

void NoteView::invalidateCache()
{
    m_cacheValid = false;
}

void NoteView::ensureCache(int left, int right)
{
    const QRect plot = plotRect();
    const qreal ratio = devicePixelRatioF();
    if (m_cacheValid && m_cachePixelsPerSecond == m_pixelsPerSecond && m_cache.devicePixelRatio() == ratio
        && m_cache.height() == qRound(plot.height() * ratio) && left >= m_cacheLeft
        && right <= m_cacheLeft + qRound(m_cache.width() / ratio))
        return;
    // A page on either side of the view, and at least what is asked; the
    // image is drawn again in place when its size stays.
    const int width = std::max(3 * plot.width(), right - left);
    int from = std::max(0, std::min(left, scrollX() - plot.width()));
    if (from + width < right)
        from = right - width;
    const QSize size(qRound(width * ratio), qRound(plot.height() * ratio));
    if (m_cache.size() != size || m_cache.devicePixelRatio() != ratio) {
        m_cache = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_cache.setDevicePixelRatio(ratio);
    }
    m_cacheLeft = from;
    m_cachePixelsPerSecond = m_pixelsPerSecond;
    m_cacheValid = true;

    QPainter p(&m_cache);
    p.translate(-from, -plot.top()); // content x, viewport y
    const Rows r = rows();
    p.fillRect(QRect(from, plot.top(), width, plot.height()), Paper);
    for (int code = r.low; code <= r.high; ++code) {
        const int top = rowTop(r, code);
        if (notes::blackKey(code))
            p.fillRect(QRect(from, top, width, r.height), BlackRow);
        if ((code - omp::CodePitchFirst) % 12 == 0)
            p.fillRect(QRect(from, top + r.height - 1, width, 1), OctaveLine);
    }
    const double step = notes::secondsStep(m_pixelsPerSecond, 70) * m_pixelsPerSecond;
    for (double x = std::ceil(from / step) * step; x < from + width; x += step)
        p.fillRect(QRect(int(std::floor(x)), plot.top(), 1, plot.height()), GridLine);
    drawBars(p, from, from + width, r);
}

void NoteView::drawBars(QPainter &p, int left, int right, const Rows &r) const
{
    if (!m_notes || m_notes->empty())
        return;
    const double perTick = pixelsPerTick();
    qsizetype i = std::max<qsizetype>(0, m_notes->noteAt(qint64(std::floor(left / perTick))));
    const qint64 last = qint64(std::ceil(right / perTick));
    std::vector<QRect> plain, marked;
    for (; i < m_notes->size(); ++i) {
        const notes::Note &n = (*m_notes)[i];
        if (n.tick > last)
            break;
        if (!n.sounds())
            continue;
        const QRect bar = barRect(n, r);
        std::vector<QRect> &into = m_cents && m_cents->marked(n.code) ? marked : plain;
        // Notes narrower than a pixel share one bar.
        if (!into.empty() && into.back().top() == bar.top() && bar.left() <= into.back().right())
            into.back().setRight(std::max(into.back().right(), bar.right()));
        else
            into.push_back(bar);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Bar);
    p.drawRects(plain.data(), int(plain.size()));
    p.setBrush(MarkedBar);
    p.drawRects(marked.data(), int(marked.size()));
}

void NoteView::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    const QRect exposed = event->rect();
    p.setClipRect(exposed);
    const QRect plot = plotRect();
    const Rows r = rows();

    if (exposed.intersects(rulerRect()))
        drawRuler(p, exposed & rulerRect());
    const QRect bars = exposed & plot;
    if (!bars.isEmpty()) {
        const int left = contentX(bars.left());
        ensureCache(left, contentX(bars.right()) + 1);
        const qreal ratio = m_cache.devicePixelRatio();
        const QRectF source((left - m_cacheLeft) * ratio, (bars.top() - plot.top()) * ratio, bars.width() * ratio,
                            bars.height() * ratio);
        p.drawImage(QRectF(bars), m_cache, source);
        drawOverlays(p, bars, r);
    }
    if (m_playMs >= 0) {
        const int x = viewportX(m_playMs * m_pixelsPerSecond / 1000);
        if (x >= plot.left())
            p.fillRect(QRect(x, 0, 2, viewport()->height()), PlayLine);
    }
    if (exposed.left() < KeysWidth)
        drawKeys(p, exposed, r);
    if (!m_error.isEmpty())
        drawError(p, exposed);
}

void NoteView::drawOverlays(QPainter &p, const QRect &area, const Rows &r) const
{
    if (!m_notes)
        return;
    const int shift = plotRect().left() - scrollX();
    const auto fill = [&](qsizetype index, const QColor &color) {
        const notes::Note &n = (*m_notes)[index];
        if (!n.sounds())
            return;
        const QRect bar = barRect(n, r).translated(shift, 0);
        if (!bar.intersects(area))
            return;
        p.fillRect(bar, color);
        if (m_cents && m_cents->marked(n.code))
            p.fillRect(QRect(bar.left(), bar.bottom(), bar.width(), 1), MarkedBar);
    };
    if (m_currentLine > 0) {
        const qint64 from = qint64(std::floor(contentX(area.left()) / pixelsPerTick())) - 1;
        const qint64 to = qint64(std::ceil(contentX(area.right() + 1) / pixelsPerTick())) + 1;
        for (const qint32 index : m_notes->notesOfLine(m_currentLine)) {
            const notes::Note &n = (*m_notes)[index];
            if (n.endTick() >= from && n.tick <= to)
                fill(index, LineBar);
        }
    }
    if (m_playMs >= 0) {
        const qsizetype sounding = m_notes->noteAt(qint64(std::floor(m_playMs * notes::TicksPerSecond / 1000)));
        if (sounding >= 0)
            fill(sounding, SoundingBar);
    }
}

void NoteView::drawRuler(QPainter &p, const QRect &area) const
{
    p.fillRect(area, RulerPaper);
    p.fillRect(QRect(area.left(), RulerHeight - 1, area.width(), 1), OctaveLine);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(RulerInk);
    const QFontMetrics metrics(font);
    const int shift = plotRect().left() - scrollX();
    // Seconds, with room for their labels that begin left of the area.
    const double step = notes::secondsStep(m_pixelsPerSecond, 70);
    const double stepPixels = step * m_pixelsPerSecond;
    const int first = std::max(0, int(std::floor((contentX(area.left()) - 70) / stepPixels)));
    for (int i = first;; ++i) {
        const int x = int(std::floor(i * stepPixels)) + shift;
        if (x > area.right())
            break;
        p.fillRect(QRect(x, SecondsHeight - 5, 1, 5), RulerInk);
        p.drawText(x + 3, SecondsHeight - 4, secondsText(i * step, step));
    }
    if (!m_notes)
        return;
    // Length units at the tempo in force, and the tempo where it changes (as
    // C-TEMPO writes it: units a minute).
    const std::vector<notes::TempoSpan> &spans = m_notes->tempos();
    const double perTick = pixelsPerTick();
    const qint64 fromTick = qint64(std::floor((contentX(area.left()) - 100) / perTick));
    const qint64 toTick = qint64(std::ceil((contentX(area.right()) + 1) / perTick));
    auto span = std::upper_bound(spans.begin(), spans.end(), fromTick,
                                 [](qint64 t, const notes::TempoSpan &s) { return t < s.tick; });
    if (span != spans.begin())
        --span;
    for (; span != spans.end() && span->tick <= toTick; ++span) {
        const qint64 end = span + 1 != spans.end() ? (span + 1)->tick : m_notes->totalTicks();
        const int x = int(std::floor(span->tick * perTick)) + shift;
        p.fillRect(QRect(x, SecondsHeight, 1, RulerHeight - SecondsHeight), RulerInk);
        if (span->tempo <= 0)
            continue;
        const double unit = notes::TicksPerSecond / double(span->tempo);
        if (unit * perTick >= 4) {
            const qint64 k0 = std::max<qint64>(1, qint64((fromTick - span->tick) / unit));
            for (qint64 k = k0; span->tick + k * unit < std::min(end, toTick + 1); ++k)
                p.fillRect(QRect(int(std::floor((span->tick + k * unit) * perTick)) + shift, RulerHeight - 5, 1, 4), RulerInk);
        }
        const QString label = QStringLiteral("テンポ %1").arg(QString::number(double(span->tempo) * 60, 'g', 6));
        if ((end - span->tick) * perTick >= metrics.horizontalAdvance(label) + 6)
            p.drawText(x + 3, RulerHeight - 7, label);
    }
}

void NoteView::drawKeys(QPainter &p, const QRect &, const Rows &r) const
{
    p.setClipRect(QRect(0, 0, KeysWidth, viewport()->height()));
    p.fillRect(QRect(0, 0, KeysWidth, viewport()->height()), Paper);
    p.fillRect(QRect(0, 0, KeysWidth, RulerHeight), RulerPaper);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(RulerInk);
    p.drawText(QRect(4, 0, KeysWidth - 6, SecondsHeight), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("秒"));
    p.drawText(QRect(4, SecondsHeight, KeysWidth - 6, RulerHeight - SecondsHeight), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("単位"));
    font.setPixelSize(std::clamp(r.height - 1, 7, 10));
    p.setFont(font);
    for (int code = r.low; code <= r.high; ++code) {
        const int top = rowTop(r, code);
        const bool black = notes::blackKey(code);
        if (black)
            p.fillRect(QRect(0, top, KeysWidth * 3 / 5, r.height), QColor(0x3c, 0x40, 0x46));
        const bool c = (code - omp::CodePitchFirst) % 12 == 0;
        if (c)
            p.fillRect(QRect(0, top + r.height - 1, KeysWidth, 1), OctaveLine);
        // Every white key's name when the rows are tall enough, else the C's.
        if (!black && (c || r.height >= 9)) {
            p.setPen(RulerInk);
            p.drawText(QRect(0, top + r.height - 12, KeysWidth - 4, 12), Qt::AlignRight | Qt::AlignBottom,
                       hmml::pitchName(code));
        }
    }
    p.fillRect(QRect(KeysWidth - 1, 0, 1, viewport()->height()), OctaveLine);
}

void NoteView::drawError(QPainter &p, const QRect &area) const
{
    p.setClipRect(area);
    p.fillRect(QRect(KeysWidth, 0, viewport()->width() - KeysWidth, viewport()->height()), Grey);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    const QRect room = plotRect().adjusted(8, 8, -8, -8);
    const QRect text = p.fontMetrics().boundingRect(room, Qt::TextWordWrap, m_error).adjusted(-6, -4, 6, 4);
    p.fillRect(text, QColor(0xff, 0xf4, 0xf0));
    p.setPen(QColor(0xc0, 0x20, 0x20));
    p.drawRect(text.adjusted(0, 0, -1, -1));
    p.drawText(room, Qt::TextWordWrap, m_error);
}

void NoteView::updateLine(qint32 line)
{
    if (!m_notes || line <= 0)
        return;
    const QRect view = viewport()->rect();
    int shown = 0;
    for (const qint32 index : m_notes->notesOfLine(line)) {
        const QRect bar = noteRect(index);
        if (!bar.intersects(view))
            continue;
        if (++shown > 256) {
            viewport()->update();
            return;
        }
        viewport()->update(bar);
    }
}

void NoteView::updatePlayAt(double ms)
{
    if (ms < 0)
        return;
    const int x = viewportX(ms * m_pixelsPerSecond / 1000);
    viewport()->update(QRect(x - 1, 0, 4, viewport()->height()));
    if (m_notes)
        viewport()->update(noteRect(m_notes->noteAt(qint64(std::floor(ms * notes::TicksPerSecond / 1000)))));
}
