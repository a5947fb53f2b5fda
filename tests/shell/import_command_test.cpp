// "MIDIファイルを開く" driven as a user would, with scripted dialogs and
// message boxes: the report, the song loaded, and saving its H-MML.

#include "window_fixture.h"

#include "support/test_midi.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>


namespace {

using ImportCommand = WindowTest;
using Answer = MessageBoxes::Answer;

TEST_F(ImportCommand, LoadsTheSongShowsTheReportAndOffersToSave)
{
    testmidi::Track t;
    t.name("Tune").note(0, 480, 60).note(480, 480, 64).note(960, 960, 67);
    write(QStringLiteral("tune.mid"), testmidi::file(0, 480, {t.bytes()}));
    const struct {
        const char *what;
        std::vector<Answer> answers; // save?, then overwrite?
        const char *saveAs;          // nullptr: the save dialog is cancelled
        bool saved;
    } cases[] = {
        {"not saved", {Answer::No}, nullptr, false},
        {"save cancelled", {Answer::Yes}, nullptr, false},
        {"saved", {Answer::Yes}, "tune.hml", true},
        {"not over an old file", {Answer::Yes, Answer::No}, "old.hml", false},
        {"over an old file", {Answer::Yes, Answer::Yes}, "old.hml", true},
    };
    Form1 &f = started();
    for (const auto &c : cases) {
        QFile::remove(path(QStringLiteral("tune.hml")));
        write(QStringLiteral("old.hml"), "old");
        messages.shown.clear();
        dialogs.shown.clear();
        f.CD4.FileName.clear();
        for (Answer a : c.answers)
            messages.answerNext(a);
        dialogs.chooseNext(path(QStringLiteral("tune.mid")));
        if (c.answers[0] == Answer::Yes && c.saveAs)
            dialogs.chooseNext(path(QLatin1String(c.saveAs)));
        f.MIDIファイルを開く->trigger();

        // The song is in the window, compiled as a loaded H-MML file is.
        EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:1MQ2T")) << c.what;
        EXPECT_EQ(f.Text2->text(), QStringLiteral("Tune")) << c.what;
        ASSERT_GE(messages.shown.size(), 1u) << c.what;
        EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("tune.mid から読み込みました"))) << c.what;
        EXPECT_TRUE(messages.shown[0].text.endsWith(QStringLiteral("保存しますか?"))) << c.what;
        EXPECT_TRUE(dialogs.shown[0].filter.contains(QStringLiteral("*.mid"))) << c.what;
        ASSERT_EQ(dialogs.shown.size(), c.answers[0] == Answer::Yes ? 2u : 1u) << c.what;
        EXPECT_EQ(dialogs.shown.back().initialPath, dialogs.shown.size() == 2 ? path(QStringLiteral("tune.hml")) : QString())
            << c.what;
        const QString saved = c.saved ? QLatin1String(c.saveAs) : QString();
        EXPECT_EQ(QFile::exists(path(QStringLiteral("tune.hml"))), saved == u"tune.hml") << c.what;
        EXPECT_EQ(read(QStringLiteral("old.hml")) == "old", saved != u"old.hml") << c.what;
        EXPECT_EQ(c.saved ? Cp932::decode(read(saved)) : f.hmmlSource(), f.hmmlSource()) << c.what;
        EXPECT_EQ(f.CD4.FileName, c.saved ? path(saved) : QString()) << c.what << ": the edit button opens it";
    }
}

TEST_F(ImportCommand, AFileItCannotUseChangesNothing)
{
    write(QStringLiteral("song.hml"), "C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write(QStringLiteral("bad.mid"), "not a MIDI file at all");
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    dialogs.chooseNext(path(QStringLiteral("bad.mid")));
    dialogs.cancelNext();
    dialogs.chooseNext(QStringLiteral("/dev/zero")); // read without end, the window with it
    for (int i = 0; i < 3; ++i)
        f.MIDIファイルを開く->trigger(); // cancelled: says nothing
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.shown[0].text.contains(u"MIDI ファイルではありません")) << str(messages.shown[0].text);
    EXPECT_TRUE(lastMessage().contains(u"通常のファイルではない")) << str(lastMessage());
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Kept"));
}

} // namespace
