#include "app/hmml_text_edit.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>

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

} // namespace

HmmlTextEdit::HmmlTextEdit(QWidget *parent) : QPlainTextEdit(parent), m_gutter(new Gutter(this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    setFont(mono);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &HmmlTextEdit::placeGutter);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy != 0)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
    placeGutter();
}

int HmmlTextEdit::gutterWidth() const
{
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
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
    for (const int line : m_offTuneLines) {
        const QTextBlock block = document()->findBlockByNumber(line - 1);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(block);
        s.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        s.format.setUnderlineStyle(QTextCharFormat::DotLine);
        s.format.setUnderlineColor(OffTuneColour);
        selections << s;
    }
    if (const QTextBlock block = document()->findBlockByNumber(m_soundingLine - 1); m_soundingLine > 0 && block.isValid()) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(block);
        s.format.setBackground(QColor(0xff, 0xf0, 0xa0));
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        selections << s;
    }
    if (const QTextBlock block = document()->findBlockByNumber(m_errorLine - 1); m_errorLine > 0 && block.isValid()) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(block);
        s.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        s.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        s.format.setUnderlineColor(ErrorColour);
        selections << s;
    }
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
