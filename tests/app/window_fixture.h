#pragma once
// A started main window with scripted services, for the tests of the
// windows it opens.

#include "fakes/fake_browser.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_media_player.h"
#include "fakes/fake_sample_player.h"
#include "fakes/fake_system_services.h"

#include "core/hmml/compiler.h"
#include "app/main_window.h"

#include "support/test_files.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

class WindowTest : public TempDirTest {
protected:
    void SetUp() override
    {
        system.tempDir = path(QStringLiteral("tmp"));
        QDir().mkpath(system.tempDir);
        system.programDir = dir.path();
    }
    void TearDown() override
    {
        m_form.reset();
        flushDeletes();
    }

    // The window, made but not started.
    MainWindow &form()
    {
        if (!m_form)
            m_form = std::make_unique<MainWindow>(MainWindowServices{dialogs, messages, system, player, samplePlayer, browser, settingsPath()});
        return *m_form;
    }
    // The window after its start-up with `arguments` as the command line.
    MainWindow &started(const QStringList &arguments = {})
    {
        if (!m_started) {
            m_started = true;
            EXPECT_TRUE(form().startUp(arguments));
        }
        return *m_form;
    }
    // Closes the window as its close box does; true when it agreed to close.
    bool closeWindow()
    {
        QCloseEvent event;
        QCoreApplication::sendEvent(&form(), &event);
        return event.isAccepted();
    }
    QString settingsPath() const { return path(QStringLiteral("vltn.ini")); }

    // Windows that closed are deleted once the event loop would get to it.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QString lastMessage() const { return messages.shown.empty() ? QString() : messages.shown.back().text; }
    // The song as the window shows it: "OMP|title|copyright|author|tone".
    static QString song(const MainWindow &f)
    {
        return QStringList({f.ompEdit->omp(), f.titleEdit->text(), f.copyrightEdit->text(), f.authorEdit->text(), QString::number(f.toneIndex())})
            .join(u'|');
    }

    FakeFileDialogs dialogs;
    FakeMessageBoxes messages;
    FakeSystemServices system;
    FakeMediaPlayer player;
    FakeSamplePlayer samplePlayer;
    FakeBrowser browser;

private:
    std::unique_ptr<MainWindow> m_form;
    bool m_started = false;
};
