// "MIDIファイルを開く" driven as a user would, with scripted dialogs and
// message boxes: the report, the song loaded, and saving its H-MML; the
// import on another thread with its progress and Cancel, and what waits for
// it meanwhile.

#include "window_fixture.h"

#include "app/player_strip.h"
#include "app/settings_dialog.h"
#include "support/core_app.h"
#include "support/test_midi.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

using Answer = MessageBoxes::Answer;

class ImportCommand : public WindowTest {
protected:
    // "MIDIファイルを開く" on what the dialogs choose, to its end.
    static void import(MainWindow &f)
    {
        f.openMidiAction->trigger();
        ASSERT_TRUE(testsupport::waitFor([&] { return !f.session().isImporting(); }));
    }
    void import(MainWindow &f, const QString &path)
    {
        dialogs.chooseNext(path);
        import(f);
    }
};

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
        import(f);
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
        import(f, QString::fromUtf8(file).startsWith(u'/') ? QString::fromUtf8(file) : path(QString::fromUtf8(file)));
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

// A melody of 20,000 notes: long enough to tell its progress more than once.
QByteArray longTune()
{
    std::vector<testmidi::Note> notes;
    for (int i = 0; i < 20000; ++i)
        notes.push_back({48 + i * 5 % 36, std::uint32_t(240 + 240 * (i % 2))});
    return testmidi::song(notes);
}

// The strip and the song's fields: "state, Cancel shown, OMP box read-only, title read-only, tone list usable" (1 or 0).
QString importState(const MainWindow &f)
{
    return u"%1 %2 %3 %4 %5"_s.arg(f.playerStrip->stateText())
        .arg(!f.playerStrip->cancelButton->isHidden())
        .arg(f.ompEdit->isReadOnly())
        .arg(f.titleEdit->isReadOnly())
        .arg(f.toneCombo->isEnabled());
}

TEST_F(ImportCommand, RunsBesideTheWindowTellsHowFarItIsAndCancelLeavesTheSong)
{
    write("song.hml", "C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write("long.mid", longTune());
    MainWindow &f = started({path("song.hml")});
    std::vector<int> told;
    QObject::connect(&f.session(), &SongSession::importProgress, [&](int permille) { told.push_back(permille); });
    // How it ends; the title then, and what was said.
    const std::tuple<const char *, const char *, const char16_t *> cases[] = {
        {"taken", "long", u"long.mid から読み込みました"},
        {"cancelled", "Kept", nullptr},
        {"the window closed", "Kept", u"終了します。よろしいですか?"}, // and nothing after it
    };
    for (const auto &[how, title, said] : cases) {
        f.session().openHmmlFile(path("song.hml"));
        messages.shown.clear();
        told.clear();
        messages.answerNext(QByteArray(how) == "taken" ? Answer::No : Answer::Yes); // not saved; the exit question
        dialogs.chooseNext(path("long.mid"));
        f.openMidiAction->trigger();
        const QString during = importState(f);
        if (QByteArray(how) == "cancelled") {
            f.playerStrip->cancelButton->click();
        } else if (QByteArray(how) == "the window closed") {
            EXPECT_TRUE(closeWindow());
        }
        ASSERT_TRUE(testsupport::waitFor([&] { return !f.session().isImporting(); })) << how;
        // A song taken was told about from the start to its end.
        const bool rising = std::is_sorted(told.begin(), told.end()) && (QByteArray(how) != "taken" || (told.size() > 2 && told.back() == 1000));
        EXPECT_EQ(std::tuple(during, importState(f), f.titleEdit->text(), messages.shown.size(), said ? lastMessage().contains(QString::fromUtf16(said)) : true, rising),
                  std::tuple(u"MIDI読み込み中 1 1 1 0"_s, u"■ 停止 0 0 0 1"_s, title, said ? 1u : 0u, true, true))
            << how << ": " << str(lastMessage());
    }
}

TEST_F(ImportCommand, WhileItRunsWhatWouldChangeTheSongSaysSoOrWaits)
{
    write("song.hml", "C-TITLE:Kept\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write("long.mid", longTune());
    MainWindow &f = started({path("song.hml")});
    const std::vector<std::pair<const char *, std::function<void()>>> commands = {
        {"VTDファイルを開く", [&] { f.openSongAction->trigger(); }},
        {"HMLファイルを開く", [&] { f.openHmmlAction->trigger(); }},
        {"ファイル読み込み・変換", [&] { f.loadHmmlButton->click(); }},
        {"メモ帳で編集", [&] { f.notepadButton->click(); }},
        {"MIDIファイルを開く", [&] { f.openMidiAction->trigger(); }},
        {"各種設定", [&] { f.settingsAction->trigger(); }},
    };
    // How the import ends; the song then: the editor's compile that came meanwhile is shown once nothing else took its place.
    for (const auto &[how, title] : {std::pair("cancelled", "Typed"), std::pair("taken", "long")}) {
        messages.answerNext(Answer::No); // not saved
        dialogs.chooseNext(path("long.mid"));
        f.openMidiAction->trigger();
        QStringList refused;
        for (const auto &[command, run] : commands) {
            messages.shown.clear();
            dialogs.shown.clear();
            run();
            if (messages.shown.size() == 1 && lastMessage().contains(u"MIDIファイルの読み込み中です") && dialogs.shown.empty() && !f.settingsDialog())
                refused << QString::fromUtf8(command);
        }
        f.session().showLiveConversion(convertHmml(u"C-TITLE:Typed\r\nC-TEMPO:120\r\n4 D 2\r\n"_s, QString(), 0), QString());
        const QString meanwhile = f.titleEdit->text();
        if (QByteArray(how) == "cancelled")
            f.playerStrip->cancelButton->click();
        ASSERT_TRUE(testsupport::waitFor([&] { return !f.session().isImporting(); })) << how;
        EXPECT_EQ(std::tuple(refused.size(), meanwhile, f.titleEdit->text()), std::tuple(commands.size(), u"Kept"_s, title))
            << how << ": " << str(refused.join(u", "));
        f.session().openHmmlFile(path("song.hml"));
    }
}

} // namespace
