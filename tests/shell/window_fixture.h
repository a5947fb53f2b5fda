#pragma once
// A started main window with scripted services, for the tests of the
// windows it opens.

#include "fakes/fake_browser.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_media_player.h"
#include "fakes/fake_system_services.h"

#include "hmml/compiler.h"
#include "platform/cp932.h"
#include "shell/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HMML_ResetProgramNumber();
        system.tempDir = dir.filePath(QStringLiteral("tmp"));
        QDir().mkpath(system.tempDir);
        system.programDir = dir.path();
    }
    void TearDown() override
    {
        m_form.reset();
        flushDeletes();
    }

    // The window, made but not started.
    Form1 &form()
    {
        if (!m_form)
            m_form = std::make_unique<Form1>(Form1Services{dialogs, messages, system, player, browser, settingsPath()});
        return *m_form;
    }
    // The window after its start-up with `arguments` as the command line.
    Form1 &started(const QStringList &arguments = {})
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
    QString settingsPath() const { return dir.filePath(QStringLiteral("vltn.ini")); }

    // Windows that closed are deleted once the event loop would get to it.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QString path(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray sjis(const QString &text) { return Cp932::encode(text).bytes; }
    QString lastMessage() const { return messages.shown.empty() ? QString() : messages.shown.back().text; }

    QTemporaryDir dir;
    FakeFileDialogs dialogs;
    FakeMessageBoxes messages;
    FakeSystemServices system;
    FakeMediaPlayer player;
    FakeBrowser browser;

private:
    std::unique_ptr<Form1> m_form;
    bool m_started = false;
};
