#pragma once
// Colours H-MML as the compiler reads it: commands and their arguments,
// the length, pitch name and octave of note lines, rests and comments. A
// pitch name is coloured only when the LANGUAGE in force knows it, so a name
// of another language stands out before the compiler says so.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class HmmlHighlighter : public QSyntaxHighlighter {
public:
    enum class Kind { Command, Argument, Length, Pitch, Octave, Rest, Comment };

    explicit HmmlHighlighter(QTextDocument *document);

    static QTextCharFormat format(Kind kind);

protected:
    void highlightBlock(const QString &text) override;
};
