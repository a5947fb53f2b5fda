#include "app/omp_text_edit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

namespace {

// Where a line of OMP data wraps at a word's end.
bool isSeparator(QChar c)
{
    return c == u' ' || c == u'/';
}

// A character that a text box takes as a paragraph break (CR LF as one).
bool breaksParagraph(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == u'\xfdd0' || c == u'\xfdd1';
}

// Appends `text` with each line break (as a text box reads them) made a
// line break inside the paragraph.
void appendLines(QString &out, QStringView text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!breaksParagraph(text[i]))
            continue;
        out += text.sliced(start, i - start);
        out += QChar(QChar::LineSeparator);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    out += text.sliced(start);
}

// `text` as the box holds it: in paragraphs of at most PieceLength
// characters, with its own line breaks inside them.
QString shownText(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / OmpTextEdit::PieceLength + 1);
    constexpr qsizetype Piece = OmpTextEdit::PieceLength;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = std::min(text.size(), start + Piece);
        if (end < text.size()) {
            // After a separator in the piece's last quarter, where a line
            // wraps anyway; never between the halves of a character or of
            // a CR LF.
            for (qsizetype i = end; i > start + Piece * 3 / 4; --i) {
                if (isSeparator(text[i - 1])) {
                    end = i;
                    break;
                }
            }
            if (text[end - 1].isHighSurrogate() || (text[end - 1] == u'\r' && text[end] == u'\n'))
                ++end;
        }
        if (start > 0)
            out += QChar(QChar::ParagraphSeparator);
        appendLines(out, text.sliced(start, end - start));
        start = end;
    }
    return out;
}

// The data of text the box holds: without its paragraph breaks, a line
// break as "\n", a no-break space as a space (as a text box's plain text).
QString dataOf(QString text)
{
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar::ParagraphSeparator)
            continue;
        text[out++] = c == QChar::LineSeparator || c == u'\xfdd0' || c == u'\xfdd1' ? QChar(u'\n')
                      : c == QChar::Nbsp                                        ? QChar(u' ')
                                                                                 : c;
    }
    text.truncate(out);
    return text;
}

} // namespace

OmpTextEdit::OmpTextEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing)
            return;
        const QString data = omp();
        const QTextOption::WrapMode mode = wrapMode(data);
        if (wordWrapMode() != mode)
            setWordWrapMode(mode);
        emit ompEdited(data);
    });
}

QTextOption::WrapMode OmpTextEdit::wrapMode(QStringView omp)
{
    constexpr qsizetype LongestRun = 1000;
    qsizetype run = 0;
    for (const QChar c : omp) {
        run = isSeparator(c) ? 0 : run + 1;
        if (run > LongestRun)
            return QTextOption::WrapAnywhere;
    }
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

void OmpTextEdit::showOmp(const QString &omp)
{
    m_showing = true;
    // The wrapping is chosen while the box is empty: it lays out whatever
    // it holds the moment the mode changes, and the new text as soon as it
    // goes in.
    clear();
    setWordWrapMode(wrapMode(omp));
    setPlainText(shownText(omp));
    m_showing = false;
}

QString OmpTextEdit::omp() const
{
    return dataOf(document()->toRawText());
}

int OmpTextEdit::positionOf(qsizetype index) const
{
    QTextBlock block = document()->firstBlock();
    qsizetype first = 0; // the data's index of the block's first character
    while (block.next().isValid() && index >= first + block.length() - 1) {
        first += block.length() - 1;
        block = block.next();
    }
    return block.position() + int(std::min<qsizetype>(index - first, block.length() - 1));
}

void OmpTextEdit::selectData(qsizetype start, qsizetype end)
{
    QTextCursor cursor(document());
    cursor.setPosition(positionOf(start));
    cursor.setPosition(positionOf(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void OmpTextEdit::keyPressEvent(QKeyEvent *event)
{
    // A paragraph break is the box's own: a typed line break stays in its
    // paragraph.
    if (event->matches(QKeySequence::InsertParagraphSeparator) && !isReadOnly()) {
        insertPlainText(QString(QChar::LineSeparator));
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

QMimeData *OmpTextEdit::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setText(dataOf(textCursor().selectedText()));
    return data;
}

void OmpTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(shownText(source->text()));
    setTextCursor(cursor);
    ensureCursorVisible();
}
