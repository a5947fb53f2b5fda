#include "app/hmml_text_edit.h"

#include "app/hmml_highlighter.h"

#include <QElapsedTimer>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>
#include <climits>

namespace {

class Gutter : public QWidget {
public:
    explicit Gutter(HmmlTextEdit *edit) : QWidget(edit), m_edit(edit) {}
    QSize sizeHint() const override { return QSize(m_edit->gutterWidth(), 0); }

protected:
    void paintEvent(QPaintEvent *event) override { m_edit->paintGutter(event); }

private:
    HmmlTextEdit *m_edit;
};

const QColor ErrorColour(0xd0, 0x20, 0x20);
const QColor OffTuneColour(0xe0, 0x80, 0x00);

// A long text goes in by pieces of this many lines (some 6 ms of the text
// box's work), as many as fit in a stretch of StretchMs before the event
// loop runs again (and paints: a paint for every piece would cost more than
// the pieces).
constexpr int PieceLines = 2000;
constexpr int StretchMs = 25;
constexpr int FirstStretchDelayMs = 5;

// The end of the piece of `text` from `from` on: after its PieceLines-th
// line break (a CR LF is never cut in two), or its end.
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    qsizetype at = from;
    for (int lines = 0; lines < PieceLines; ++lines) {
        const qsizetype next = text.indexOf(u'\n', at);
        if (next < 0)
            return text.size();
        at = next + 1;
    }
    return at;
}

} // namespace

HmmlTextEdit::HmmlTextEdit(QWidget *parent)
    : QPlainTextEdit(parent), m_gutter(new Gutter(this)), m_highlighter(new HmmlHighlighter(this))
{
    m_highlighter->setDocument(document());
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_highlighter->isColouring())
            emit textEdited();
    });
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, [this] {
        if (loadStretch())
            m_loadTimer.start(0);
        else
            endLoading();
    });
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    setFont(mono);
    // Wider when the line numbers take another digit (placing it anew lays
    // the whole text out again: not for every line added).
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] {
        if (gutterWidth() != m_gutter->width())
            placeGutter();
    });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy != 0)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
        // Lines come into view: their marks with them.
        if (dy != 0 && !m_offTuneLines.empty())
            updateSelections();
    });
    placeGutter();
}

int HmmlTextEdit::gutterWidth() const
{
    int digits = 1;
    for (int n = std::max({1, blockCount(), m_linesComing}); n >= 10; n /= 10)
        ++digits;
    // Room for the error mark before the numbers.
    return 8 + fontMetrics().height() + fontMetrics().horizontalAdvance(u'9') * std::max(digits, 3);
}

void HmmlTextEdit::placeGutter()
{
    setViewportMargins(gutterWidth(), 0, 0, 0);
    const QRect r = contentsRect();
    m_gutter->setGeometry(QRect(r.left(), r.top(), gutterWidth(), r.height()));
}

void HmmlTextEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    placeGutter();
    if (!m_offTuneLines.empty())
        updateSelections();
}

void HmmlTextEdit::paintGutter(QPaintEvent *event)
{
    QPainter painter(m_gutter);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const int h = fontMetrics().height();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int line = block.blockNumber() + 1;
        if (block.isVisible() && top + h >= event->rect().top()) {
            if (line == m_errorLine) {
                painter.setBrush(ErrorColour);
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QRect(3, top + h / 4, h / 2, h / 2));
            }
            painter.setPen(line == m_errorLine ? ErrorColour : palette().color(QPalette::PlaceholderText));
            painter.drawText(0, top, m_gutter->width() - 4, h, Qt::AlignRight, QString::number(line));
        }
        top += qRound(blockBoundingRect(block).height());
        block = block.next();
    }
}

void HmmlTextEdit::setErrorLine(int line)
{
    if (line == m_errorLine)
        return;
    m_errorLine = line;
    updateSelections();
    m_gutter->update();
}

void HmmlTextEdit::setSoundingLine(int line)
{
    if (line == m_soundingLine)
        return;
    m_soundingLine = line;
    updateSelections();
    if (const QTextBlock block = document()->findBlockByNumber(line - 1); block.isValid() && line > 0) {
        // Followed as it plays, without moving the user's cursor.
        const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
        if (r.top() < 0 || r.bottom() > viewport()->height())
            verticalScrollBar()->setValue(std::max(0, block.firstLineNumber() - 3));
    }
}

void HmmlTextEdit::setOffTuneLines(std::vector<int> lines)
{
    if (lines == m_offTuneLines)
        return;
    m_offTuneLines = std::move(lines);
    updateSelections();
}

bool HmmlTextEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QPoint at = viewport()->mapFrom(this, help->pos());
        const QString tip = viewport()->rect().contains(at) ? lineToolTip(cursorForPosition(at).blockNumber() + 1) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QPlainTextEdit::event(event);
}

void HmmlTextEdit::updateSelections()
{
    QList<QTextEdit::ExtraSelection> selections;
    // A line's text underlined.
    const auto underlined = [](const QTextBlock &block, QTextCharFormat::UnderlineStyle style, const QColor &colour) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(block);
        s.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        s.format.setUnderlineStyle(style);
        s.format.setUnderlineColor(colour);
        return s;
    };
    // Only the lines in view are marked out of tune: the marks of every line
    // of a long song would each be moved along at every keystroke.
    const int first = firstVisibleBlock().blockNumber() + 1;
    const int last = first + viewport()->height() / std::max(1, fontMetrics().lineSpacing()) + 1;
    for (auto line = std::lower_bound(m_offTuneLines.begin(), m_offTuneLines.end(), first);
         line != m_offTuneLines.end() && *line <= last; ++line) {
        if (const QTextBlock block = document()->findBlockByNumber(*line - 1); block.isValid())
            selections << underlined(block, QTextCharFormat::DotLine, OffTuneColour);
    }
    if (const QTextBlock block = document()->findBlockByNumber(m_soundingLine - 1); m_soundingLine > 0 && block.isValid()) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(block);
        s.format.setBackground(QColor(0xff, 0xf0, 0xa0));
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        selections << s;
    }
    if (const QTextBlock block = document()->findBlockByNumber(m_errorLine - 1); m_errorLine > 0 && block.isValid())
        selections << underlined(block, QTextCharFormat::WaveUnderline, ErrorColour);
    setExtraSelections(selections);
}

void HmmlTextEdit::goToLine(int line)
{
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    setTextCursor(QTextCursor(block));
    centerCursor();
    setFocus();
}

int HmmlTextEdit::cursorLine() const
{
    return textCursor().blockNumber() + 1;
}

void HmmlTextEdit::paintEvent(QPaintEvent *event)
{
    // The lines about to be shown are coloured first.
    const QTextBlock first = firstVisibleBlock();
    QTextBlock last = first;
    qreal top = blockBoundingGeometry(first).translated(contentOffset()).top();
    for (QTextBlock b = first; b.isValid() && top <= viewport()->height(); b = b.next()) {
        last = b;
        top += blockBoundingRect(b).height();
    }
    m_highlighter->colour(first, last);
    QPlainTextEdit::paintEvent(event);
}

void HmmlTextEdit::loadText(const QString &text)
{
    stopLoading(); // what was left of it goes with the text it replaces
    const qsizetype end = pieceEnd(text, 0);
    if (end == text.size()) {
        setPlainText(text);
        emit loaded();
        return;
    }
    // The first piece replaces the text (and what there was to undo), the
    // others follow it with nothing to undo.
    setPlainText(text.first(end));
    startLoading(QTextCursor(document()), text.sliced(end), false);
}

void HmmlTextEdit::insertText(const QString &text)
{
    finishLoading();
    QTextCursor cursor = textCursor();
    const qsizetype end = pieceEnd(text, 0);
    cursor.beginEditBlock();
    cursor.insertText(end == text.size() ? text : text.first(end));
    cursor.endEditBlock();
    setTextCursor(cursor);
    if (end == text.size()) {
        ensureCursorVisible();
        emit loaded();
        return;
    }
    startLoading(cursor, text.sliced(end), true);
}

void HmmlTextEdit::startLoading(const QTextCursor &cursor, const QString &text, bool undoable)
{
    // The gutter as wide as the lines to come ask at once: widened on the
    // way, it would have the whole text laid out again.
    m_linesComing = blockCount() + int(std::min<qsizetype>(text.count(u'\n'), INT_MAX - blockCount()));
    if (gutterWidth() != m_gutter->width())
        placeGutter();
    m_rest = text;
    m_restAt = 0;
    m_loadCursor = cursor;
    m_undoable = undoable;
    if (!undoable)
        document()->setUndoRedoEnabled(false);
    m_wasReadOnly = isReadOnly();
    setReadOnly(true);
    // The first piece is painted before the next ones go in.
    m_loadTimer.start(FirstStretchDelayMs);
}

bool HmmlTextEdit::loadStretch()
{
    QElapsedTimer stretch;
    stretch.start();
    do {
        const qsizetype end = pieceEnd(m_rest, m_restAt);
        if (m_undoable) {
            m_loadCursor.joinPreviousEditBlock();
        } else {
            m_loadCursor.movePosition(QTextCursor::End);
            m_loadCursor.beginEditBlock();
        }
        const QString piece = QStringView(m_rest).sliced(m_restAt, end - m_restAt).toString();
        m_highlighter->aboutToInsert(m_loadCursor.position(), piece);
        m_loadCursor.insertText(piece);
        m_loadCursor.endEditBlock(); // the document tells its change here
        m_highlighter->aboutToInsert(-1, {}); // the piece is about to go
        m_restAt = end;
    } while (m_restAt < m_rest.size() && stretch.elapsed() < StretchMs);
    return m_restAt < m_rest.size();
}

void HmmlTextEdit::stopLoading()
{
    if (!isLoading())
        return;
    m_loadTimer.stop();
    m_rest = QString();
    m_linesComing = 0;
    m_loadCursor = QTextCursor();
    setReadOnly(m_wasReadOnly);
    if (!m_undoable)
        document()->setUndoRedoEnabled(true);
}

void HmmlTextEdit::endLoading()
{
    const QTextCursor cursor = m_loadCursor;
    const bool undoable = m_undoable;
    stopLoading();
    if (undoable) {
        setTextCursor(cursor);
        ensureCursorVisible();
    } else {
        // As after setPlainText(): nothing to undo, nothing changed.
        document()->setModified(false);
    }
    emit loaded();
}

void HmmlTextEdit::finishLoading()
{
    if (!isLoading())
        return;
    m_loadTimer.stop();
    while (loadStretch()) {
    }
    endLoading();
}

void HmmlTextEdit::insertFromMimeData(const QMimeData *source)
{
    // Pasted or dropped text as the box takes any; a long one by stretches.
    if (source->hasText() && !isReadOnly())
        insertText(source->text());
    else
        QPlainTextEdit::insertFromMimeData(source);
}
