#pragma once
// The text box of the H-MML editor: line numbers in a gutter beside the
// text, the line of a conversion error underlined with a mark in the gutter,
// and the line of the note that is sounding highlighted.

#include <QPlainTextEdit>

class HmmlTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HmmlTextEdit(QWidget *parent = nullptr);

    // 1-based lines; 0 marks nothing.
    void setErrorLine(int line);
    void setSoundingLine(int line);

    // The cursor at the start of `line`, shown.
    void goToLine(int line);
    int cursorLine() const;

    // The gutter: line numbers, and the error mark.
    QWidget *gutter() const { return m_gutter; }
    int gutterWidth() const;
    void paintGutter(QPaintEvent *event);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateSelections();
    void placeGutter();

    QWidget *m_gutter;
    int m_errorLine = 0;
    int m_soundingLine = 0;
};
