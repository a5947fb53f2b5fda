#pragma once
// The main window as the window benchmarks start it: scripted services, its
// settings and temporary files in `folder`.

#include "fakes/fake_browser.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_media_player.h"
#include "fakes/fake_sample_player.h"
#include "fakes/fake_system_services.h"
#include "app/main_window.h"

#include <QDir>

struct BenchWindow {
    explicit BenchWindow(const QString &folder)
        : form(MainWindowServices{dialogs, messages, system, player, samplePlayer, browser, QDir(folder).filePath(QStringLiteral("vltn.ini"))})
    {
        system.tempDir = folder;
        system.programDir = folder;
    }

    FakeFileDialogs dialogs;
    FakeMessageBoxes messages;
    FakeSystemServices system;
    FakeMediaPlayer player;
    FakeSamplePlayer samplePlayer;
    FakeBrowser browser;
    MainWindow form;
};
