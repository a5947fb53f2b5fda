#pragma once
// Message boxes, behind an interface so tests can answer them.

#include <QString>

class QWidget;

class MessageBoxes {
public:
    enum class Icon { Critical, Exclamation, Information };
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    virtual ~MessageBoxes() = default;

    // Shows a modal message and returns the button pressed (closing a Yes/No
    // box without choosing counts as No, a Yes/No/Cancel box as Cancel).
    virtual Answer show(QWidget *parent, Icon icon, Buttons buttons, const QString &title,
                        const QString &text) = 0;
    // The system beep.
    virtual void beep() = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(QWidget *parent, Icon icon, Buttons buttons, const QString &title, const QString &text) override;
    void beep() override;
};
