#pragma once
// Scripted stand-ins for the platform's file dialogs and message boxes.

#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

class FakeFileDialogs final : public FileDialogs {
public:
    struct Shown {
        Mode mode;
        QString filter;
        QString initialPath;
    };

    // The next dialog returns `path`; cancelNext() makes it cancel.
    void chooseNext(const QString &path) { m_answers.push_back(path); }
    void cancelNext() { m_answers.push_back(std::nullopt); }

    std::optional<QString> choose(QWidget *, Mode mode, const QString &filter, const QString &initialPath) override
    {
        shown.push_back({mode, filter, initialPath});
        if (m_answers.empty())
            return std::nullopt; // an unscripted dialog is cancelled
        // Copied out as a flag and a path: GCC misreads a copied
        // optional<QString> as possibly uninitialised.
        const bool chosen = m_answers.front().has_value();
        const QString path = chosen ? *m_answers.front() : QString();
        m_answers.pop_front();
        if (!chosen)
            return std::nullopt;
        return path;
    }

    std::vector<Shown> shown;

private:
    std::deque<std::optional<QString>> m_answers;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        Icon icon;
        Buttons buttons;
        QString title;
        QString text;
    };

    // Yes/No boxes take these answers in turn, then `defaultAnswer`.
    void answerNext(Answer answer) { m_answers.push_back(answer); }
    Answer defaultAnswer = Answer::Yes;

    Answer show(QWidget *, Icon icon, Buttons buttons, const QString &title, const QString &text) override
    {
        shown.push_back({icon, buttons, title, text});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (m_answers.empty())
            return defaultAnswer;
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }

    QStringList texts() const
    {
        QStringList all;
        for (const Shown &s : shown)
            all << s.text;
        return all;
    }

    std::vector<Shown> shown;
    int beeps = 0;

private:
    std::deque<Answer> m_answers;
};
