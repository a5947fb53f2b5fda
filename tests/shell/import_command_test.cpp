// "MIDIファイルを開く" driven as a user would, with scripted dialogs and
// message boxes: the report, the song loaded, and saving its H-MML.

#include "window_fixture.h"

#include "tests/support/test_midi.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

using ImportCommand = WindowTest;

QByteArray melody()
{
    testmidi::Track t;
    t.name("Tune").note(0, 480, 60).note(480, 480, 64).note(960, 960, 67);
    return testmidi::file(0, 480, {t.bytes()});
}

TEST_F(ImportCommand, LoadsTheSongShowsTheReportAndOffersToSave)
{
    write(QStringLiteral("tune.mid"), melody());
    write(QStringLiteral("old.hml"), "old");
    const QString hml = path(QStringLiteral("tune.hml"));
    const struct {
        const char *what;
        std::vector<MessageBoxes::Answer> answers; // save?, then overwrite?
        QString saveAs;                            // empty: the save dialog is cancelled
        QString savedTo;                           // where the song ends up; empty: nowhere
    } cases[] = {
        {"not saved", {MessageBoxes::Answer::No}, QString(), QString()},
        {"save cancelled", {MessageBoxes::Answer::Yes}, QString(), QString()},
        {"saved", {MessageBoxes::Answer::Yes}, hml, hml},
        {"not over an old file", {MessageBoxes::Answer::Yes, MessageBoxes::Answer::No}, path("old.hml"), QString()},
        {"over an old file", {MessageBoxes::Answer::Yes, MessageBoxes::Answer::Yes}, path("old.hml"), path("old.hml")},
    };
    Form1 &f = started();
    for (const auto &c : cases) {
        QFile::remove(hml);
        write(QStringLiteral("old.hml"), "old");
        messages.shown.clear();
        dialogs.shown.clear();
        f.CD4.FileName.clear();
        for (MessageBoxes::Answer a : c.answers)
            messages.answerNext(a);
        dialogs.chooseNext(path(QStringLiteral("tune.mid")));
        if (c.answers[0] == MessageBoxes::Answer::Yes && c.saveAs.isEmpty())
            dialogs.cancelNext();
        else if (c.answers[0] == MessageBoxes::Answer::Yes)
            dialogs.chooseNext(c.saveAs);
        f.MIDIファイルを開く->trigger();

        // The song is in the window, compiled as a loaded H-MML file is.
        EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:1MQ2T")) << c.what;
        EXPECT_EQ(f.Text2->text(), QStringLiteral("Tune")) << c.what;
        EXPECT_TRUE(f.hmmlSource().contains(QStringLiteral("\r\n1 C 2\r\n1 E 2\r\n2 G 2\r\n"))) << c.what;
        ASSERT_GE(messages.shown.size(), 1u) << c.what;
        EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("tune.mid から読み込みました"))) << c.what;
        EXPECT_TRUE(messages.shown[0].text.endsWith(QStringLiteral("保存しますか?"))) << c.what;
        EXPECT_EQ(dialogs.shown[0].mode, FileDialogs::Mode::Open);
        EXPECT_TRUE(dialogs.shown[0].filter.contains(QStringLiteral("*.mid"))) << c.what;
        if (c.answers[0] == MessageBoxes::Answer::Yes) {
            ASSERT_EQ(dialogs.shown.size(), 2u) << c.what;
            EXPECT_EQ(dialogs.shown[1].mode, FileDialogs::Mode::Save);
            EXPECT_EQ(dialogs.shown[1].initialPath, hml) << c.what;
        } else {
            EXPECT_EQ(dialogs.shown.size(), 1u) << c.what;
        }
        if (c.savedTo.isEmpty()) {
            EXPECT_FALSE(QFile::exists(hml)) << c.what;
            EXPECT_EQ(read(QStringLiteral("old.hml")), QByteArray("old")) << c.what;
            EXPECT_TRUE(f.CD4.FileName.isEmpty()) << c.what;
        } else {
            EXPECT_EQ(Cp932::decode(read(QFileInfo(c.savedTo).fileName())), f.hmmlSource()) << c.what;
            EXPECT_EQ(f.CD4.FileName, c.savedTo) << c.what << ": the edit button opens it";
        }
    }
}

TEST_F(ImportCommand, AFileItCannotUseChangesNothing)
{
    write(QStringLiteral("song.hml"), "C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write(QStringLiteral("bad.mid"), "not a MIDI file at all");
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    const QString omp = f.Text1->toPlainText();
    dialogs.chooseNext(path(QStringLiteral("bad.mid")));
    f.MIDIファイルを開く->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("MIDI ファイルではありません"))) << lastMessage().toStdString();
    EXPECT_EQ(f.Text1->toPlainText(), omp);
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Kept"));

    dialogs.cancelNext();
    f.MIDIファイルを開く->trigger();
    EXPECT_EQ(messages.shown.size(), 1u) << "a cancelled dialog says nothing";
}

} // namespace
