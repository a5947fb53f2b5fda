#pragma once
// Colours H-MML as the compiler reads it: commands and their arguments,
// the length, pitch name and octave of note lines, rests and comments. A
// pitch name is coloured only when the LANGUAGE in force knows it, so a name
// of another language stands out before the compiler says so.
//
// Each line is coloured on its own, and only when it is about to be shown
// (colour()) or when an edit of a few lines changes it: a text of a hundred
// thousand lines costs nothing for the lines nobody looks at. Which
// LANGUAGE is in force before a line is told by the LANGUAGE lines above it:
// a cursor is kept at each (the text box moves them along with the edits),
// and the lines an edit changes are read again for them.

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextLayout>

#include <optional>
#include <vector>

class QTextDocument;

class HmmlHighlighter : public QObject {
    Q_OBJECT
public:
    enum class Kind { Command, Argument, Length, Pitch, Octave, Rest, Comment };

    explicit HmmlHighlighter(QObject *parent = nullptr);

    static QTextCharFormat format(Kind kind);
    // The colours of a line read with LANGUAGE `language` (its index; 0 is
    // none) in force; `language` becomes the one in force after it.
    static QList<QTextLayout::FormatRange> lineFormats(QStringView text, int &language);
    // The LANGUAGE a line sets (its index), or nothing when it sets none.
    static std::optional<int> languageOf(QStringView text);

    // The document coloured; its blocks' user states and user data are the
    // highlighter's.
    void setDocument(QTextDocument *document);
    // Colours the blocks from `first` to `last` (both included) that are not
    // coloured as their text and the LANGUAGE before them ask, and has the
    // document lay them out again.
    void colour(const QTextBlock &first, const QTextBlock &last);
    // True while colouring: the document's change signals then are about
    // colours, not about the text.
    bool isColouring() const { return m_colouring; }
    // `text` is about to go in at `position` (a piece of a long text): when
    // it makes whole lines there, its LANGUAGE lines are read from it rather
    // than from the document. It must stay as it is until the insertion;
    // a `position` of -1 forgets it.
    void aboutToInsert(int position, QStringView text);

private:
    void contentsChange(int from, int removed, int added);
    // Adds the LANGUAGE lines between the positions `start` and `end`.
    void findLanguageLines(int start, int end);
    // The same from the text of the lines from `start` on, each ended by
    // `lineEnd` (the document's own text, or the text that went in there).
    void findLanguageLines(int start, QStringView text, QChar lineEnd);
    int languageBefore(const QTextBlock &block) const;
    // Sets the block's colours for `language` before it; true when they changed.
    bool colourBlock(const QTextBlock &block, int language);

    struct LanguageLine {
        QTextCursor at; // in the line
        int language;   // the one it sets
    };

    QPointer<QTextDocument> m_document;
    std::vector<LanguageLine> m_languageLines; // in the text's order
    bool m_colouring = false;
    int m_comingAt = -1; // where the text told by aboutToInsert() goes in
    QStringView m_coming;
};
