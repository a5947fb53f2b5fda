// The main window driven as a user would: its buttons and menu items, with
// scripted file dialogs and message boxes and a recording media player.

#include "window_fixture.h"

#include "shell/app_info.h"
#include "shell/player_strip.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QString ErrorTitle = QStringLiteral("ERROR-VLTN 0.70β");

using Form1Test = WindowTest;

const QByteArray Song = "C-TITLE:Spring\r\nC-AUTHOR:me\r\nC-COPYRIGHT:free\r\nC-PROGRAM:20\r\n"
                        "C-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n";

TEST_F(Form1Test, ControlsMenusAndCaptions)
{
    Form1 &f = started();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Vellotune Version0.70β"));
    for (const char *name : {"MP1", "Frame1", "Frame2", "Frame3", "Command1", "Command2", "Command3", "Command4",
                             "Label1", "Label2", "Label3", "Label4", "Text1", "Text2", "Text3", "Text4", "Combo1",
                             "Hmml", "Line1", "Line2"})
        EXPECT_NE(f.findChild<QWidget *>(QString::fromUtf8(name)), nullptr) << name;
    EXPECT_EQ(f.Command1->text(), QStringLiteral("再生・リロード"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("停止"));
    EXPECT_EQ(f.Command3->text(), QStringLiteral("ファイル読み込み・変換"));
    EXPECT_EQ(f.Command4->text(), QStringLiteral("メモ帳で編集"));
    EXPECT_EQ(f.Frame3->title(), QStringLiteral("OMPデータ"));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("データ作者"));
    EXPECT_FALSE(f.Hmml->isVisible());

    ASSERT_EQ(f.Combo1->count(), 128);
    EXPECT_EQ(f.Combo1->itemText(0), QStringLiteral("1.Acoustic Grand Piano"));
    EXPECT_EQ(f.Combo1->itemText(109), QStringLiteral("100.Bag pipe"));
    EXPECT_EQ(f.Combo1->itemText(127), QStringLiteral("128.Gunshot"));

    // The menu bar in order, with the access keys.
    QStringList seen;
    std::function<void(QMenu *, int)> walk = [&](QMenu *menu, int depth) {
        for (QAction *a : menu->actions()) {
            seen << QString(depth, u' ') + (a->isSeparator() ? QStringLiteral("-") : a->text()) + u'|'
                        + a->objectName();
            if (a->menu())
                walk(a->menu(), depth + 1);
        }
    };
    for (QAction *top : f.menuBar()->actions()) {
        seen << top->text() + u'|' + top->menu()->objectName();
        walk(top->menu(), 1);
    }
    const QStringList expected = {
        "ファイル(&F)|ファイル",
        " VTDファイルを開く(&P)|OMPファイルを開く",
        " HMLファイルを開く(&H)|MMLファイルを開く",
        " MIDIファイルを開く|MIDIファイルを開く",
        " VTDファイルの保存(&S)|VTDファイルの保存",
        " -|仕切り4",
        " エクスポート(&E)|Export",
        "  OMPリスト(&O)|名前を付けて保存",
        "  MIDIシーケンスデータ(*.mid)(&M)|MIDI_EXPORT",
        " BASIC(&B)|BASIC_convert",
        "  OMP→G800BASIC変換(&G)|G800BASIC変換",
        "  OMP→E500BASIC変換(&E)|E500BASIC変換",
        " -|仕切り1",
        " 閉じる(&X)|閉じる",
        "設定(&S)|Setting",
        " 各種設定(&S)|各種設定",
        "ヘルプ(&H)|ヘルプ",
        " ヘルプの表示(&H)|ヘルプの表示",
        " -|仕切り3",
        " このソフトについて(&A)|バージョン情報",
    };
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(f.ヘルプの表示->isEnabled());
}

TEST_F(Form1Test, StartsWithTheDefaultToneAndEmptyFields)
{
    write(QStringLiteral("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\n音色設定=5\r\n")));
    Form1 &f = started();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.toneIndex(), 5);
    EXPECT_TRUE(f.Text1->toPlainText().isEmpty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form1Test, SecondCopyOnlyShowsItsMessage)
{
    system.anotherCopy = true;
    write(QStringLiteral("vltn.ini"), "");
    EXPECT_FALSE(form().startUp({}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("すでに起動されています。複数起動はできません。"));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("VLTN 0.70β"));
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(read(QStringLiteral("vltn.ini")), QByteArray()) << "the settings file is neither read nor written";
}

TEST_F(Form1Test, CommandLineSongFileInQuotesWithUpperCaseExtension)
{
    write(QStringLiteral("Song.VTD"), sjis(QStringLiteral("[Data]\r\nData=$2:4M\r\nProgram=-1\r\nTitle=春\r\n"
                                                          "Copyright=c\r\nAuthor=a\r\n")));
    // The quotes are stripped; the file is opened under its own name, even
    // though the test for ".vtd" looked at a lower-cased copy.
    Form1 &f = started({QStringLiteral("\"") + path(QStringLiteral("Song.VTD")) + QStringLiteral("\"")});
    EXPECT_TRUE(messages.shown.empty()) << lastMessage().toStdString();
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4M"));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("春"));
    EXPECT_EQ(f.Text3->text(), QStringLiteral("c"));
    EXPECT_EQ(f.Text4->text(), QStringLiteral("a"));
    EXPECT_EQ(f.toneIndex(), -1) << "the song's own tone replaces the default";
}

TEST_F(Form1Test, CommandLineArgumentsAreJoinedAndRelativePathsResolved)
{
    QDir().mkpath(path(QStringLiteral("my songs")));
    write(QStringLiteral("my songs/a b.hml"), Song);
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Form1 &f = started({QStringLiteral("my"), QStringLiteral("songs/a"), QStringLiteral("b.hml")});
    QDir::setCurrent(old);
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4MQ8T4MQ8/T"));
}

TEST_F(Form1Test, CommandLineHmmlIsCompiledAndFormattedWithTheSettings)
{
    write(QStringLiteral("vltn.ini"), sjis(QStringLiteral("[HMML2OMP]\r\n区切り文字数=4\r\n区切り文字=1\r\n")));
    write(QStringLiteral("song.hml"), Song);
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4MQ 8T4M Q8T"));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));
    EXPECT_EQ(f.Text3->text(), QStringLiteral("free"));
    EXPECT_EQ(f.Text4->text(), QStringLiteral("me"));
    EXPECT_EQ(f.toneIndex(), 19);
    EXPECT_EQ(f.hmmlSource(), QString::fromLatin1(Song));
    // This path leaves the edit-in-Notepad dialog's file alone.
    EXPECT_TRUE(f.CD4.FileName.isEmpty());
}

TEST_F(Form1Test, CommandLineArgumentWithAnOpeningQuoteOnlyLosesItsLastCharacter)
{
    write(QStringLiteral("song.hml"), Song);
    Form1 &f = started({QStringLiteral("\"") + path(QStringLiteral("song.hmlX"))});
    EXPECT_TRUE(messages.shown.empty()) << lastMessage().toStdString();
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));
}

TEST_F(Form1Test, CommandLineHmmlInAFolderNamedVtdIsTakenForASongFile)
{
    QDir().mkpath(path(QStringLiteral("my.vtd.files")));
    write(QStringLiteral("my.vtd.files/song.hml"), Song);
    Form1 &f = started({path(QStringLiteral("my.vtd.files/song.hml"))});
    // Not a song file: a message, and nothing of the (empty) song changes.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("VTD"))) << lastMessage().toStdString();
    EXPECT_TRUE(f.Text1->toPlainText().isEmpty());
    EXPECT_TRUE(f.Text2->text().isEmpty());
}

TEST_F(Form1Test, CommandLineConversionErrorNamesTheLine)
{
    write(QStringLiteral("bad.hml"), "C-TITLE:x\r\nC-TEMPO:120\r\n4 C 9\r\n");
    Form1 &f = started({path(QStringLiteral("bad.hml"))});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(messages.shown[0].title, MessageTitle);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("H-MMLの変換エラーが発生しました。変換を完了できません。\r\n\r\n"
                                                     "3行目 音の高さが１～４の指定範囲外です。"));
    EXPECT_TRUE(f.Text1->toPlainText().isEmpty());
    EXPECT_TRUE(f.Text2->text().isEmpty()) << "the other fields keep their start-up values";
}

TEST_F(Form1Test, CommandLineFileThatCannotBeReadIsReported)
{
    Form1 &f = started({path(QStringLiteral("missing.hml"))});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(path(QStringLiteral("missing.hml"))));
    EXPECT_TRUE(f.isVisible());
}

TEST_F(Form1Test, LoadAndConvert)
{
    write(QStringLiteral("song.hml"), Song);
    Form1 &f = started();
    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.Command3->click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].mode, FileDialogs::Mode::Open);
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("*.hml *.hmml *.mml (Orrin's Music Language) | *.hml;*.hmml;"
                                                      "*.mml|*.txt(Text File)|*.txt|*.* (All Files)|*.*"));
    // Default settings: "/" after every tenth token.
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4MQ8T4MQ8/T"));
    EXPECT_EQ(f.toneIndex(), 19);
    EXPECT_EQ(f.CD4.FileName, path(QStringLiteral("song.hml")));

    // The menu item runs the same command; cancelling changes nothing.
    dialogs.cancelNext();
    f.MMLファイルを開く->trigger();
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].initialPath, path(QStringLiteral("song.hml")));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form1Test, LoadAndConvertToneRules)
{
    write(QStringLiteral("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\n音色設定=7\r\n")));
    write(QStringLiteral("p0.hml"), "C-PROGRAM:0\r\nC-TITLE:zero\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write(QStringLiteral("p129.hml"), "C-PROGRAM:129\r\nC-TITLE:big\r\nC-TEMPO:120\r\n4 D 2\r\n");
    write(QStringLiteral("none.hml"), "C-TITLE:none\r\nC-TEMPO:120\r\n4 E 2\r\n");
    Form1 &f = started();
    f.setToneIndex(3);
    dialogs.chooseNext(path(QStringLiteral("p0.hml")));
    f.Command3->click();
    EXPECT_EQ(f.toneIndex(), 7) << "PROGRAM 0 selects the default tone";

    f.setToneIndex(3);
    dialogs.chooseNext(path(QStringLiteral("p129.hml")));
    f.Command3->click();
    EXPECT_EQ(f.Text2->text(), QStringLiteral("big"));
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4O"));
    EXPECT_EQ(f.toneIndex(), 3) << "a program outside the list keeps the tone";

    // A text without PROGRAM takes the program of the last one that had one.
    dialogs.chooseNext(path(QStringLiteral("none.hml")));
    f.Command3->click();
    EXPECT_EQ(f.Text2->text(), QStringLiteral("none"));
    EXPECT_EQ(f.toneIndex(), 3);
}

TEST_F(Form1Test, LoadAndConvertErrorsKeepThePreviousSong)
{
    write(QStringLiteral("song.hml"), Song);
    write(QStringLiteral("bad.hml"), "C-TEMPO:0\r\n");
    Form1 &f = started();
    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.Command3->click();
    dialogs.chooseNext(path(QStringLiteral("bad.hml")));
    f.Command3->click();
    EXPECT_EQ(lastMessage(), QStringLiteral("H-MMLの変換エラーが発生しました。変換を完了できません。\r\n\r\n1行目 "
                                            "テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。"));
    EXPECT_TRUE(f.Text1->toPlainText().isEmpty());
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));
    EXPECT_EQ(f.toneIndex(), 19);
    EXPECT_EQ(f.hmmlSource(), QStringLiteral("C-TEMPO:0\r\n"));

    dialogs.chooseNext(path(QStringLiteral("gone.hml")));
    f.Command3->click();
    EXPECT_TRUE(lastMessage().contains(path(QStringLiteral("gone.hml"))));
}

TEST_F(Form1Test, EditInNotepadSharesThePathWithLoadAndConvert)
{
    write(QStringLiteral("song.hml"), Song);
    Form1 &f = started();
    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.Command3->click();
    dialogs.chooseNext(path(QStringLiteral("other.hml")));
    f.Command4->click();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].initialPath, path(QStringLiteral("song.hml")));
    EXPECT_EQ(dialogs.shown[1].filter, QStringLiteral("*.hml(Orrin's Music Language)|*.hml"));
    EXPECT_EQ(system.editedFiles, QStringList{path(QStringLiteral("other.hml"))});
    EXPECT_EQ(f.CD3.FileName, path(QStringLiteral("other.hml")));

    // Cancelling, or an editor that does not start, ends quietly.
    dialogs.cancelNext();
    f.Command4->click();
    system.editorStarts = false;
    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.Command4->click();
    EXPECT_EQ(system.editedFiles.size(), 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form1Test, OpenSongFile)
{
    write(QStringLiteral("a.vtd"), sjis(QStringLiteral("[Data]\r\nData=$1:4A\r\nProgram=40\r\nTitle=曲\r\n")));
    write(QStringLiteral("none.vtd"), sjis(QStringLiteral("[Data]\r\nData=$1:4B\r\nProgram=-1\r\n")));
    write(QStringLiteral("bad.vtd"), sjis(QStringLiteral("[Data]\r\nData=$1:4C\r\nProgram=300\r\nTitle=t\r\n")));
    Form1 &f = started();
    player.setFileName(QStringLiteral("/x/playing"));
    dialogs.chooseNext(path(QStringLiteral("a.vtd")));
    f.OMPファイルを開く->trigger();
    EXPECT_EQ(player.calls.last(), QStringLiteral("setFileName:")) << "playback stops first";
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("*.vtd (Vellotune Data) |*.vtd|*.* (All Files) |*.*"));
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$1:4A"));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("曲"));
    EXPECT_EQ(f.toneIndex(), 40);

    dialogs.chooseNext(path(QStringLiteral("none.vtd")));
    f.OMPファイルを開く->trigger();
    EXPECT_EQ(f.toneIndex(), -1) << "a song saved without a tone selects none";
    EXPECT_TRUE(f.Text2->text().isEmpty());

    f.setToneIndex(9);
    dialogs.chooseNext(path(QStringLiteral("bad.vtd")));
    f.OMPファイルを開く->trigger();
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$1:4C"));
    EXPECT_EQ(f.toneIndex(), 9) << "a Program the list cannot show keeps the tone";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form1Test, OpeningSomethingThatIsNotASongKeepsTheCurrentSong)
{
    write(QStringLiteral("song.hml"), Song);
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    player.playing = true;
    dialogs.cancelNext();
    f.OMPファイルを開く->trigger();
    EXPECT_FALSE(player.playing) << "cancelling still stopped playback";
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));

    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.OMPファイルを開く->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("VTD"))) << lastMessage().toStdString();
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4MQ8T4MQ8/T"));
    EXPECT_EQ(f.Text2->text(), QStringLiteral("Spring"));
    EXPECT_EQ(f.toneIndex(), 19);
}

TEST_F(Form1Test, SaveSongAsksBeforeReplacing)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.Text2->setText(QStringLiteral("題"));
    f.setToneIndex(-1);
    dialogs.chooseNext(path(QStringLiteral("song")));
    f.VTDファイルの保存->trigger();
    EXPECT_EQ(dialogs.shown[0].mode, FileDialogs::Mode::Save);
    EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("*.vtd (VLTN data file) |*.vtd|"));
    EXPECT_TRUE(messages.shown.empty()) << "a new file needs no question";
    EXPECT_EQ(read(QStringLiteral("song")),
              sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$2:4M\r\nProgram=-1\r\nTitle=題\r\nCopyright=\r\n"
                                  "Author=\r\n")))
        << "written under exactly the name typed";

    f.Text2->setText(QStringLiteral("new"));
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path(QStringLiteral("song")));
    f.VTDファイルの保存->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("そのファイルは既に存在します。上書きしますか?"));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
    EXPECT_TRUE(read(QStringLiteral("song")).contains("Title=\x91\xe8")) << "No leaves the file alone";
    EXPECT_EQ(dialogs.shown[1].initialPath, path(QStringLiteral("song")));

    messages.answerNext(MessageBoxes::Answer::Yes);
    dialogs.chooseNext(path(QStringLiteral("song")));
    f.VTDファイルの保存->trigger();
    EXPECT_TRUE(read(QStringLiteral("song")).contains("Title=new\r\n"));
}

TEST_F(Form1Test, SaveSongFailuresAreReported)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.Text2->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path(QStringLiteral("cafe.vtd")));
    f.VTDファイルの保存->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("é"))) << lastMessage().toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("cafe.vtd"))));

    f.Text2->setText(QStringLiteral("ok"));
    dialogs.chooseNext(path(QStringLiteral("no such folder/a.vtd")));
    f.VTDファイルの保存->trigger();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(Form1Test, PlayChecksTheDataThenPlaysTheTemporaryFile)
{
    Form1 &f = started();
    f.Command1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, ErrorTitle);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("OMPデータがロードされていません\r\n"
                                                     "OMPデータをロードするか、HMLファイルをロードしてください"));

    f.Text1->setPlainText(QStringLiteral(" $2:4M"));
    f.Command1->click();
    EXPECT_EQ(lastMessage(), QStringLiteral("OMPデータが無効です\r\n正しいOMPデータをロードするか、HMLファイルをロードしてください"));
    EXPECT_TRUE(player.calls.isEmpty()) << "a running playback is left alone";

    f.Text1->setPlainText(QStringLiteral("$2:4M"));
    f.setToneIndex(0);
    f.Command1->click();
    const QString temp = QDir(system.tempDir).filePath(QStringLiteral("vltn.dat"));
    EXPECT_EQ(player.calls, QStringList({"setFileName:", "setFileName:" + temp, "setPlayCount:1"}));
    EXPECT_EQ(QFile(temp).size(), 38);
    EXPECT_TRUE(f.Command1->isEnabled());

    // Reload: the edited text is heard, from the start; loop playback on.
    f.settings().LoopPlay = 1;
    f.Text1->setPlainText(QStringLiteral("$"));
    player.calls.clear();
    f.Command1->click();
    EXPECT_EQ(player.calls, QStringList({"setFileName:", "setFileName:" + temp, "setPlayCount:0"}));
    EXPECT_EQ(QFile(temp).size(), 29) << "\"$\" alone plays a file with no notes";

    f.Command2->click();
    EXPECT_EQ(player.calls.last(), QStringLiteral("setFileName:"));
}

TEST_F(Form1Test, PlayFailuresAreShownAndReEnableThePlayButton)
{
    Form1 &f = started();
    f.Text1->setPlainText(QStringLiteral("$0:4A"));
    f.Command1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_EQ(player.calls, QStringList({"setFileName:"})) << "nothing was given to play";

    // The player's own failures reach the user when they happen.
    player.fail(QStringLiteral("SoundFont がありません"));
    EXPECT_EQ(lastMessage(), QStringLiteral("SoundFont がありません"));
}

TEST_F(Form1Test, PlayerStripShowsThePlayersState)
{
    Form1 &f = started();
    f.MP1->refresh();
    EXPECT_EQ(f.MP1->stateText(), QStringLiteral("■ 停止"));
    player.playing = true;
    player.reportedPosition = 75.5;
    player.reportedDuration = 130;
    f.MP1->refresh();
    EXPECT_EQ(f.MP1->stateText(), QStringLiteral("▶ 再生中"));
    EXPECT_EQ(f.MP1->timeText(), QStringLiteral("1:15 / 2:10"));
}

TEST_F(Form1Test, MidiExport)
{
    Form1 &f = started();
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(lastMessage(), QStringLiteral("OMPデータがロードされていません\r\n"
                                            "OMPデータをロードするか、MMLファイルをロードしてください"));
    EXPECT_EQ(messages.shown.back().title, ErrorTitle);
    EXPECT_TRUE(dialogs.shown.empty());

    f.Text1->setPlainText(QStringLiteral("4A")); // no "$" needed here
    f.setToneIndex(5);
    dialogs.cancelNext();
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(dialogs.shown.back().filter, QStringLiteral("*.mid(MIDI File)|*.mid"));
    EXPECT_EQ(messages.shown.size(), 1u);

    f.Text1->setPlainText(QStringLiteral("$2:4A"));
    dialogs.chooseNext(path(QStringLiteral("song")));
    f.MIDI_EXPORT->trigger();
    const QByteArray midi = read(QStringLiteral("song"));
    ASSERT_EQ(midi.size(), 38);
    EXPECT_EQ(midi.mid(22, 3), QByteArray("\x00\xC0\x05", 3)) << "the selected tone";

    write(QStringLiteral("keep.mid"), "old");
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path(QStringLiteral("keep.mid")));
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(read(QStringLiteral("keep.mid")), QByteArray("old"));

    // A failure is reported and leaves the old file whole.
    f.Text1->setPlainText(QStringLiteral("$0:4A"));
    messages.answerNext(MessageBoxes::Answer::Yes);
    dialogs.chooseNext(path(QStringLiteral("keep.mid")));
    const size_t before = messages.shown.size();
    f.MIDI_EXPORT->trigger();
    EXPECT_EQ(messages.shown.size(), before + 2) << "the question, then the failure";
    EXPECT_EQ(read(QStringLiteral("keep.mid")), QByteArray("old"));
}

TEST_F(Form1Test, ExitQuestionNoKeepsRunningAndSavesNothing)
{
    Form1 &f = started();
    player.playing = true;
    f.settings().LoopPlay = 1;
    messages.answerNext(MessageBoxes::Answer::No);
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(messages.shown.back().text, QStringLiteral("終了します。よろしいですか?"));
    EXPECT_EQ(messages.shown.back().icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(messages.shown.back().buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_FALSE(player.playing) << "playback has stopped and stays stopped";
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_EQ(system.endCalls, 0);
}

TEST_F(Form1Test, ExitQuestionYesSavesTheSettingsAndEnds)
{
    Form1 &f = started();
    f.settings().LoopPlay = 1;
    messages.answerNext(MessageBoxes::Answer::Yes);
    f.閉じる->trigger();
    EXPECT_EQ(system.endCalls, 1);
    EXPECT_EQ(read(QStringLiteral("vltn.ini")),
              sjis(QStringLiteral("[一般設定]\r\nループ再生=1\r\n音色設定=0\r\n[通信関連]\r\n通信速度=5\r\n"
                                  "データビット=1\r\nストップビット=0\r\nパリティビット=0\r\nフロー制御=2\r\n"
                                  "通信ポート=0\r\n[HMML2OMP]\r\n区切り文字の使用=1\r\n区切り文字数=10\r\n"
                                  "区切り文字=0\r\n")));
}

} // namespace
