#pragma once
// The text box of the H-MML editor: line numbers in a gutter beside the
// text, the line of a conversion error underlined with a mark in the gutter,
// the line of the note that is sounding highlighted, lines whose notes the
// machine plays out of tune marked, and a tooltip for each line.

#include <QPlainTextEdit>

#include <functional>
#include <vector>

class HmmlTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HmmlTextEdit(QWidget *parent = nullptr);

    // 1-based lines; 0 marks nothing.
    void setErrorLine(int line);
    void setSoundingLine(int line);
    // Lines with a note the machine plays more than 20 cents off (dotted
    // underline); none: an empty list.
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

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void updateSelections();
    void placeGutter();

    QWidget *m_gutter;
    int m_errorLine = 0;
    int m_soundingLine = 0;
    std::vector<int> m_offTuneLines;
    std::function<QString(int)> m_tips;
};
