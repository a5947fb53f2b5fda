// The main window driven as a user would: its buttons and menu items, with
// scripted file dialogs and message boxes and a recording media player.

#include "window_fixture.h"

#include "shell/app_info.h"
#include "shell/player_strip.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <sys/stat.h>

namespace {

const QString ErrorTitle = QStringLiteral("ERROR-VLTN 0.70β");
const QString NoData = QStringLiteral("OMPデータがロードされていません\r\nOMPデータをロードするか、%1ファイルをロードしてください");

using Form1Test = WindowTest;

const QByteArray Song = "C-TITLE:Spring\r\nC-AUTHOR:me\r\nC-COPYRIGHT:free\r\nC-PROGRAM:20\r\n"
                        "C-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n";

TEST_F(Form1Test, CommandLine)
{
    struct Case {
        QStringList args; // "@" stands for the test's folder
        const char *omp, *title;
        int tone;
        const char *message; // a part of the one message shown, or null for none
    };
    const Case cases[] = {
        // Quotes stripped, an upper-case extension, opened under its own name.
        {{"\"@/Song.VTD\""}, "$2:4M", "春", -1, nullptr},
        // Compiled and laid out with the settings (a blank every fourth token).
        {{"@/song.hml"}, "$2:4MQ 8T4M Q8T", "Spring", 19, nullptr},
        // The arguments are one text, relative to the current folder; an
        // opening quote alone loses the last character.
        {{"my", "songs/a", "b.hml"}, "$2:4MQ 8T4M Q8T", "Spring", 19, nullptr},
        {{"\"@/song.hmlX"}, "$2:4MQ 8T4M Q8T", "Spring", 19, nullptr},
        // Only the file's own extension makes a song file.
        {{"@/my.vtd.files/song.hml"}, "$2:4MQ 8T4M Q8T", "Spring", 19, nullptr},
        {{"@/bad.hml"}, "", "", 0, "変換を完了できません。\r\n\r\n3行目 音の高さが１～４の指定範囲外です。"},
        {{"@/missing.hml"}, "", "", 0, "missing.hml"},
        {{"@/fifo"}, "", "", 0, "通常のファイルではない"}, // a FIFO would stop the window
        {{"/dev/zero"}, "", "", 0, "通常のファイルではない"},
    };
    write("vltn.ini", sjis(QStringLiteral("[HMML2OMP]\r\n区切り文字数=4\r\n区切り文字=1\r\n")));
    write("Song.VTD", sjis(QStringLiteral("[Data]\r\nData=$2:4M\r\nProgram=-1\r\nTitle=春\r\n")));
    QDir().mkpath(path("my songs"));
    QDir().mkpath(path("my.vtd.files"));
    for (const char *name : {"song.hml", "my songs/a b.hml", "my.vtd.files/song.hml"})
        write(QString::fromUtf8(name), Song);
    write("bad.hml", "C-TITLE:x\r\nC-TEMPO:120\r\n4 C 9\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    const QString current = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const Case &c : cases) {
        QStringList args;
        for (const QString &a : c.args)
            args << QString(a).replace(u'@', dir.path());
        SCOPED_TRACE(str(args.join(u' ')));
        HMML_ResetProgramNumber();
        FakeMessageBoxes shown; // each start-up in a window of its own
        Form1 f({dialogs, shown, system, player, browser, settingsPath()});
        ASSERT_TRUE(f.startUp(args));
        EXPECT_EQ(f.Text1->toPlainText(), QString::fromUtf8(c.omp));
        EXPECT_EQ(f.Text2->text(), QString::fromUtf8(c.title));
        EXPECT_EQ(f.toneIndex(), c.tone);
        ASSERT_EQ(shown.shown.size(), c.message ? 1u : 0u) << str(shown.texts().join(u'|'));
        if (c.message) {
            EXPECT_TRUE(shown.shown[0].text.contains(QString::fromUtf8(c.message))) << str(shown.shown[0].text);
        }
        EXPECT_TRUE(f.isVisible());
    }
    QDir::setCurrent(current);
}

TEST_F(Form1Test, StartUpTakesTheDefaultToneAndASecondCopyOnlyShowsItsMessage)
{
    write("vltn.ini", sjis(QStringLiteral("[一般設定]\r\n音色設定=5\r\n")));
    EXPECT_EQ(started().toneIndex(), 5);
    EXPECT_TRUE(messages.shown.empty());

    FakeMessageBoxes second;
    system.anotherCopy = true;
    Form1 other({dialogs, second, system, player, browser, settingsPath()});
    EXPECT_FALSE(other.startUp({}));
    ASSERT_EQ(second.shown.size(), 1u);
    EXPECT_EQ(second.shown[0].text, u"すでに起動されています。複数起動はできません。");
    EXPECT_EQ(second.shown[0].title, u"VLTN 0.70β");
    EXPECT_FALSE(other.isVisible());
}

TEST_F(Form1Test, LoadAndConvert)
{
    write("vltn.ini", sjis(QStringLiteral("[一般設定]\r\n音色設定=7\r\n")));
    write("song.hml", Song);
    write("p0.hml", "C-PROGRAM:0\r\nC-TITLE:zero\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write("p129.hml", "C-PROGRAM:129\r\nC-TITLE:big\r\nC-TEMPO:120\r\n4 D 2\r\n");
    write("none.hml", "C-TITLE:none\r\nC-TEMPO:120\r\n4 E 2\r\n");
    write("bad.hml", "C-TEMPO:0\r\n");
    Form1 &f = started();
    const auto load = [&](const char *name) {
        dialogs.chooseNext(path(QString::fromUtf8(name)));
        f.Command3->click();
    };
    load("song.hml");
    EXPECT_EQ(f.Text1->toPlainText(), u"$2:4MQ8T4MQ8/T"); // "/" after every tenth token
    EXPECT_EQ(std::tuple(f.Text2->text(), f.Text3->text(), f.Text4->text(), f.toneIndex()),
              std::tuple(QStringLiteral("Spring"), QStringLiteral("free"), QStringLiteral("me"), 19));
    EXPECT_EQ(f.hmmlSource(), QString::fromLatin1(Song));
    EXPECT_EQ(f.CD4.FileName, path("song.hml"));
    // The menu item runs the same command, from the same file; cancelling changes nothing.
    dialogs.cancelNext();
    f.MMLファイルを開く->trigger();
    EXPECT_EQ(dialogs.shown.back().initialPath, path("song.hml"));
    EXPECT_EQ(f.Text2->text(), u"Spring");

    f.setToneIndex(3);
    load("p0.hml");
    EXPECT_EQ(f.toneIndex(), 7) << "PROGRAM 0 selects the default tone";
    f.setToneIndex(3);
    load("p129.hml");
    EXPECT_EQ(f.Text1->toPlainText(), u"$2:4O");
    EXPECT_EQ(f.toneIndex(), 3) << "a program outside the list keeps the tone";
    load("none.hml");
    EXPECT_EQ(f.toneIndex(), 3) << "the last PROGRAM carries over";

    // Errors keep the rest of the song; the OMP box empties.
    load("bad.hml");
    EXPECT_EQ(lastMessage(), u"H-MMLの変換エラーが発生しました。変換を完了できません。\r\n\r\n1行目 "
                             u"テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。");
    EXPECT_TRUE(f.Text1->toPlainText().isEmpty());
    EXPECT_EQ(f.Text2->text(), u"none");
    EXPECT_EQ(f.hmmlSource(), u"C-TEMPO:0\r\n");

    // "区切り文字を利用する" switched off: no separators at all.
    f.settings().UseSeparator = 0;
    load("song.hml");
    EXPECT_EQ(f.Text1->toPlainText(), u"$2:4MQ8T4MQ8T");
}

TEST_F(Form1Test, LongDataWithoutSeparatorsBreaksAnywhere)
{
    // Looking for word breaks in 1,000,000 characters without one froze
    // the window for a minute; separated data keeps its breaks.
    QString omp = QStringLiteral("$2:");
    while (omp.size() < 1000000)
        omp += QStringLiteral("4MMTTVV4T2RRQQOO4M");
    write("long.vtd", "[Data]\r\nData=" + omp.toLatin1() + "\r\n");
    write("short.vtd", "[Data]\r\nData=$2:4MMTTVV4T/2RRQQOO4M2/TTRRQQ4O2T\r\n");
    Form1 &f = started({path("long.vtd")});
    EXPECT_EQ(f.Text1->toPlainText().size(), omp.size());
    EXPECT_EQ(f.Text1->wordWrapMode(), QTextOption::WrapAnywhere);
    dialogs.chooseNext(path("short.vtd"));
    f.OMPファイルを開く->trigger();
    EXPECT_EQ(f.Text1->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

TEST_F(Form1Test, EditInNotepadSharesThePathWithLoadAndConvert)
{
    write("song.hml", Song);
    Form1 &f = started();
    dialogs.chooseNext(path("song.hml"));
    f.Command3->click();
    dialogs.chooseNext(path("other.hml"));
    f.Command4->click();
    EXPECT_EQ(dialogs.shown[1].initialPath, path("song.hml"));
    EXPECT_EQ(system.editedFiles, QStringList{path("other.hml")});
    EXPECT_EQ(f.CD3.FileName, path("other.hml"));
    // Cancelling, or an editor that does not start, ends quietly.
    dialogs.cancelNext();
    f.Command4->click();
    system.editorStarts = false;
    dialogs.chooseNext(path("song.hml"));
    f.Command4->click();
    EXPECT_EQ(system.editedFiles.size(), 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form1Test, SongFiles)
{
    write("a.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4A\r\nProgram=40\r\nTitle=曲\r\n")));
    write("none.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4B\r\nProgram=-1\r\n")));
    write("bad.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4C\r\nProgram=300\r\nTitle=t\r\n")));
    write("song.hml", Song);
    Form1 &f = started();
    const auto open = [&](const char *name) {
        dialogs.chooseNext(path(QString::fromUtf8(name)));
        f.OMPファイルを開く->trigger();
    };
    player.setFileName(QStringLiteral("/x/playing"));
    open("a.vtd");
    EXPECT_EQ(player.calls.last(), u"setFileName:") << "playback stops first";
    EXPECT_EQ(std::tuple(f.Text1->toPlainText(), f.Text2->text(), f.toneIndex()), std::tuple(QStringLiteral("$1:4A"), QStringLiteral("曲"), 40));
    open("none.vtd");
    EXPECT_EQ(f.toneIndex(), -1);
    f.setToneIndex(9);
    open("bad.vtd");
    EXPECT_EQ(f.Text1->toPlainText(), u"$1:4C");
    EXPECT_EQ(f.toneIndex(), 9) << "a Program the list cannot show keeps the tone";
    EXPECT_TRUE(messages.shown.empty());
    // Something that is not a song file is reported and changes nothing.
    open("song.hml");
    EXPECT_TRUE(lastMessage().contains(u"VTD")) << str(lastMessage());
    EXPECT_EQ(f.Text1->toPlainText(), u"$1:4C");

    // Saving: under exactly the name typed; the question before replacing.
    f.Text2->setText(QStringLiteral("題"));
    f.setToneIndex(-1);
    dialogs.chooseNext(path("song"));
    f.VTDファイルの保存->trigger();
    EXPECT_EQ(read("song"), sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$1:4C\r\nProgram=-1\r\nTitle=題\r\n"
                                               "Copyright=\r\nAuthor=\r\n")));
    const size_t shown = messages.shown.size();
    f.Text2->setText(QStringLiteral("new"));
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("song"));
    f.VTDファイルの保存->trigger();
    EXPECT_EQ(messages.shown.at(shown).text, u"そのファイルは既に存在します。上書きしますか?");
    EXPECT_EQ(messages.shown.at(shown).icon, MessageBoxes::Icon::Exclamation);
    EXPECT_TRUE(read("song").contains("Title=\x91\xe8")) << "No leaves the file alone";
    dialogs.chooseNext(path("song"));
    f.VTDファイルの保存->trigger();
    EXPECT_TRUE(read("song").contains("Title=new\r\n"));
    // A failure is told.
    f.Text2->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path("cafe.vtd"));
    f.VTDファイルの保存->trigger();
    EXPECT_TRUE(lastMessage().contains(u"é")) << str(lastMessage());
    EXPECT_FALSE(QFile::exists(path("cafe.vtd")));
}

TEST_F(Form1Test, Play)
{
    Form1 &f = started();
    f.Command1->click();
    EXPECT_EQ(lastMessage(), NoData.arg(QStringLiteral("HML")));
    EXPECT_EQ(messages.shown.back().title, ErrorTitle);
    f.Text1->setPlainText(QStringLiteral(" $2:4M"));
    f.Command1->click();
    EXPECT_EQ(lastMessage(), u"OMPデータが無効です\r\n正しいOMPデータをロードするか、HMLファイルをロードしてください");
    EXPECT_TRUE(player.calls.isEmpty()) << "a running playback is left alone";

    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.setToneIndex(0);
    f.Command1->click();
    const QString temp = QDir(system.tempDir).filePath(QStringLiteral("vltn.dat"));
    EXPECT_EQ(player.calls, QStringList({"setFileName:", "setFileName:" + temp, "setPlayCount:1"}));
    EXPECT_EQ(QFile(temp).size(), 38);
    // Reload: the edited text is heard, from the start; loop playback on.
    f.settings().LoopPlay = 1;
    f.Text1->setPlainText(QStringLiteral("$"));
    player.calls.clear();
    f.Command1->click();
    EXPECT_EQ(player.calls, QStringList({"setFileName:", "setFileName:" + temp, "setPlayCount:0"}));
    EXPECT_EQ(QFile(temp).size(), 29);
    f.Command2->click();
    EXPECT_EQ(player.calls.last(), u"setFileName:");

    // Failures are told and the play button comes back.
    f.Text1->setPlainText(QStringLiteral("$0:4A"));
    player.calls.clear();
    f.Command1->click();
    EXPECT_TRUE(lastMessage().contains(u"テンポが 0")) << str(lastMessage());
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_EQ(player.calls, QStringList({"setFileName:"}));
    player.fail(QStringLiteral("SoundFont がありません"));
    EXPECT_EQ(lastMessage(), u"SoundFont がありません");

    player.playing = true;
    player.reportedPosition = 75.5;
    player.reportedDuration = 130;
    f.MP1->refresh();
    EXPECT_EQ(f.MP1->stateText() + u' ' + f.MP1->timeText(), u"▶ 再生中 1:15 / 2:10");
}

TEST_F(Form1Test, MidiExport)
{
    Form1 &f = started();
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(lastMessage(), NoData.arg(QStringLiteral("MML")));
    EXPECT_TRUE(dialogs.shown.empty());

    f.Text1->setPlainText(QStringLiteral("$2:4A"));
    f.setToneIndex(5);
    dialogs.chooseNext(path("song"));
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(read("song").mid(22, 3), QByteArray("\x00\xC0\x05", 3)) << "the selected tone";
    write("keep.mid", "old");
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("keep.mid"));
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(read("keep.mid"), "old");
    // A failure is told and leaves the old file whole.
    f.Text1->setPlainText(QStringLiteral("$0:4A"));
    dialogs.chooseNext(path("keep.mid"));
    const size_t before = messages.shown.size();
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(messages.shown.size(), before + 2) << "the question, then the failure";
    EXPECT_EQ(read("keep.mid"), "old");
}

TEST_F(Form1Test, ExitQuestion)
{
    Form1 &f = started();
    player.playing = true;
    f.settings().LoopPlay = 1;
    messages.answerNext(MessageBoxes::Answer::No);
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(messages.shown.back().text, u"終了します。よろしいですか?");
    EXPECT_FALSE(player.playing) << "playback has stopped and stays stopped";
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_EQ(system.endCalls, 0);

    messages.answerNext(MessageBoxes::Answer::Yes);
    f.閉じる->trigger();
    EXPECT_EQ(system.endCalls, 1);
    EXPECT_EQ(read("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\nループ再生=1\r\n音色設定=0\r\n[通信関連]\r\n通信速度=5\r\n"
                                                    "データビット=1\r\nストップビット=0\r\nパリティビット=0\r\nフロー制御=2\r\n"
                                                    "通信ポート=0\r\n[HMML2OMP]\r\n区切り文字の使用=1\r\n区切り文字数=10\r\n"
                                                    "区切り文字=0\r\n")));
}

} // namespace
