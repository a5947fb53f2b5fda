#pragma once
// The text box of the H-MML editor: line numbers in a gutter beside the
// text, H-MML coloured as each line is shown, the line of a conversion
// error underlined with a mark in the gutter, the line of the note that is
// sounding highlighted, lines whose notes the machine plays out of tune
// marked, and a tooltip for each line.
//
// A long text (a file read, a paste) goes into the box a stretch of lines
// at a time with the event loop running between: its first lines show at
// once and the window never waits long for the rest. The box is read-only
// meanwhile.

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <vector>

class HmmlHighlighter;

class HmmlTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HmmlTextEdit(QWidget *parent = nullptr);

    // Replaces the text as setPlainText() does (nothing to undo, not
    // modified), a long one by stretches: loaded() tells when it is all in.
    void loadText(const QString &text);
    // Puts `text` in place of the cursor's selection as one edit to undo,
    // a long one by stretches; the cursor ends after it.
    void insertText(const QString &text);
    // A text is still going in.
    bool isLoading() const { return !m_rest.isNull(); }
    // Puts the rest of the text in at once.
    void finishLoading();

    // 1-based lines; 0 marks nothing.
    void setErrorLine(int line);
    void setSoundingLine(int line);
    // Lines with a note the machine plays more than 20 cents off (dotted
    // underline on those in view); none: an empty list. In order.
    void setOffTuneLines(std::vector<int> lines);
    const std::vector<int> &offTuneLines() const { return m_offTuneLines; }
    // The tooltip of a 1-based line (empty: none).
    void setLineToolTips(std::function<QString(int line)> tips) { m_tips = std::move(tips); }
    QString lineToolTip(int line) const { return m_tips ? m_tips(line) : QString(); }

    // The cursor at the start of `line`, shown.
    void goToLine(int line);
    int cursorLine() const;

    // The gutter: line numbers, and the error mark.
    QWidget *gutter() const { return m_gutter; }
    int gutterWidth() const;
    void paintGutter(QPaintEvent *event);

signals:
    // The text changed by an edit (the user's or the program's), not by
    // its colours.
    void textEdited();
    // A text given to loadText() or insertText() is all in.
    void loaded();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void updateSelections();
    void placeGutter();
    // Starts putting `text` in at `cursor` (a first stretch now).
    void startLoading(const QTextCursor &cursor, const QString &text, bool undoable);
    // Puts the next stretch in (as many pieces as fit in its time); true
    // while more is left.
    bool loadStretch();
    // Stops putting text in, leaving what is in.
    void stopLoading();
    void endLoading();

    QWidget *m_gutter;
    HmmlHighlighter *m_highlighter;
    // What is still to go in, from m_restAt on (null: nothing), where, and
    // whether it is part of an edit to undo.
    QString m_rest;
    qsizetype m_restAt = 0;
    QTextCursor m_loadCursor;
    bool m_undoable = false;
    int m_linesComing = 0; // the lines there will be once it is in
    bool m_wasReadOnly = false;
    QTimer m_loadTimer;
    int m_errorLine = 0;
    int m_soundingLine = 0;
    std::vector<int> m_offTuneLines;
    std::function<QString(int)> m_tips;
};
