// "MIDIファイルを開く" driven as a user would, with scripted dialogs and
// message boxes: the report, the song loaded, and saving its H-MML.

#include "window_fixture.h"

#include "support/test_midi.h"

#include <QAction>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

using ImportCommand = WindowTest;
using Answer = MessageBoxes::Answer;

TEST_F(ImportCommand, LoadsTheSongShowsTheReportAndOffersToSave)
{
    testmidi::Track t;
    write("tune.mid", testmidi::file(0, 480, {t.name("Tune").note(0, 480, 60).note(480, 480, 64).note(960, 960, 67).bytes()}));
    // What happens; save?, then overwrite?; the name chosen (nullptr: the save dialog is cancelled); the file saved.
    const std::tuple<const char *, std::vector<Answer>, const char *, QString> cases[] = {
        {"not saved", {Answer::No}, nullptr, ""},
        {"save cancelled", {Answer::Yes}, nullptr, ""},
        {"saved", {Answer::Yes}, "tune.hml", "tune.hml"},
        {"not over an old file", {Answer::Yes, Answer::No}, "old.hml", ""},
        {"over an old file", {Answer::Yes, Answer::Yes}, "old.hml", "old.hml"},
    };
    MainWindow &f = started();
    for (const auto &[what, answers, saveAs, saved] : cases) {
        QFile::remove(path("tune.hml"));
        write("old.hml", "old");
        messages.shown.clear();
        dialogs.shown.clear();
        f.notepadDialog.fileName.clear();
        for (Answer a : answers)
            messages.answerNext(a);
        dialogs.chooseNext(path("tune.mid"));
        const bool offered = answers[0] == Answer::Yes;
        if (offered && saveAs)
            dialogs.chooseNext(path(saveAs));
        f.openMidiAction->trigger();
        // The song is in the window, compiled as a loaded H-MML file is, the report asks to save it next to
        // the MIDI file, and what is saved is the song's H-MML file from then on: the edit button opens it.
        const QString said = messages.shown.empty() ? QString() : messages.shown[0].text;
        EXPECT_EQ(std::tuple(song(f).section(u'|', 0, 1), said.contains("tune.mid から読み込みました") && said.endsWith("保存しますか?"),
                             dialogs.shown.size(), dialogs.shown.back().initialPath, QFile::exists(path("tune.hml")),
                             read("old.hml") == "old", f.notepadDialog.fileName, saved.isEmpty() ? f.session().hmmlSource() : Cp932::decode(read(saved))),
                  std::tuple("$2:1MQ2T|Tune", true, offered ? 2u : 1u, offered ? path("tune.hml") : QString(), saved == u"tune.hml",
                             saved != u"old.hml", saved.isEmpty() ? QString() : path(saved), f.session().hmmlSource()))
            << what;
    }
}

TEST_F(ImportCommand, AFileItCannotUseChangesNothing)
{
    write("song.hml", "C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write("bad.mid", "not a MIDI file at all");
    testmidi::Track drums, many;
    drums.note(0, 480, 36, 9);
    for (std::uint32_t i = 0; i <= 100000; ++i)
        many.note(i * 120, 120, 60 + int(i % 12));
    write("drums.mid", testmidi::file(0, 480, {drums.bytes()}));
    write("many.mid", testmidi::file(0, 480, {many.bytes()}));
    MainWindow &f = started({path("song.hml")});
    // The file; what its message says. The window has no options: advice names what to do there.
    const std::pair<const char *, const char16_t *> cases[] = {
        {"bad.mid", u"MIDI ファイルではありません"},
        {"/dev/zero", u"通常のファイルではない"}, // read without end, the window with it
        {"drums.mid", u"vltn import --channel 10 を使って"},
        {"many.mid", u"MIDI ファイルを音の少ないパートだけにするか、vltn import の --track"},
    };
    for (const auto &[file, says] : cases) {
        messages.shown.clear();
        dialogs.chooseNext(QString::fromUtf8(file).startsWith(u'/') ? QString::fromUtf8(file) : path(QString::fromUtf8(file)));
        f.openMidiAction->trigger();
        ASSERT_EQ(messages.shown.size(), 1u) << file;
        const QString told = lastMessage();
        // An option is only ever named as one of vltn import.
        const QString withoutVltn = QString(told).remove(QRegularExpression(u"vltn import( の)? --[a-z0-9 ]+(か --[a-z]+)?"_s));
        EXPECT_EQ(std::tuple(messages.shown[0].icon, told.contains(QString::fromUtf16(says)), withoutVltn.contains(u"--"), f.titleEdit->text()),
                  std::tuple(MessageBoxes::Icon::Critical, true, false, "Kept"))
            << file << ": " << str(told);
    }
    messages.shown.clear();
    dialogs.cancelNext();
    f.openMidiAction->trigger(); // cancelled: says nothing
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
