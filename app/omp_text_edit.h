#pragma once
// The main window's OMP box. OMP data is one line, which a long song makes
// hundreds of thousands of characters long; a text box lays a paragraph out
// whole again at every keystroke, so the box holds the data in paragraphs
// of at most PieceLength characters, each ended after a separator where it
// has one (a place a line wraps at anyway). Those breaks are the box's
// own: the data read back, copied or dragged away has none of them. A line
// break in the data itself is a line break inside a paragraph.
//
// Lines break after the separators. Data without them (no separators set,
// or a song file written without) has no place to break a word, and looking
// for one along a paragraph for every line takes time that grows with the
// square of its length: such data breaks anywhere.

#include <QPlainTextEdit>

class OmpTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype PieceLength = 32768;

    explicit OmpTextEdit(QWidget *parent = nullptr);

    // Shows `omp` (not an edit: ompEdited does not follow).
    void showOmp(const QString &omp);
    // The data as the box holds it.
    QString omp() const;
    // Selects the data's characters [start, end) (data without line breaks,
    // as compiled).
    void selectData(qsizetype start, qsizetype end);

    // How a box lays out `omp`.
    static QTextOption::WrapMode wrapMode(QStringView omp);

signals:
    // The user changed the data.
    void ompEdited(const QString &omp);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int positionOf(qsizetype index) const;

    bool m_showing = false;
};
