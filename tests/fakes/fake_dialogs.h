#pragma once
// Scripted stand-ins for the platform's file dialogs and message boxes.

#include "platform/desktop/file_dialogs.h"
#include "platform/desktop/message_boxes.h"

#include <QStringList>

#include <deque>
#include <vector>

class FakeFileDialogs final : public FileDialogs {
public:
    struct Shown {
        Mode mode;
        QString filter, initialPath;
    };
    // The next dialog returns `path`; cancelNext() makes it cancel, and so
    // does a dialog nothing was scripted for.
    void chooseNext(const QString &path) { m_answers.push_back({true, path}); }
    void cancelNext() { m_answers.push_back({false, {}}); }

    std::optional<QString> choose(QWidget *, Mode mode, const QString &filter, const QString &initialPath) override
    {
        shown.push_back({mode, filter, initialPath});
        if (m_answers.empty())
            return std::nullopt;
        const auto [chosen, path] = m_answers.front();
        m_answers.pop_front();
        return chosen ? std::optional(path) : std::nullopt;
    }

    std::vector<Shown> shown;

private:
    std::deque<std::pair<bool, QString>> m_answers;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        Icon icon;
        Buttons buttons;
        QString title, text;
    };
    // Yes/No boxes take these answers in turn, then Yes.
    void answerNext(Answer answer) { m_answers.push_back(answer); }

    Answer show(QWidget *, Icon icon, Buttons buttons, const QString &title, const QString &text) override
    {
        shown.push_back({icon, buttons, title, text});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        const Answer answer = m_answers.empty() ? Answer::Yes : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        return answer;
    }
    void beep() override { ++beeps; }

    std::vector<Shown> shown;
    int beeps = 0;

private:
    std::deque<Answer> m_answers;
};
