// The main window driven as a user would: its buttons and menu items, with
// scripted file dialogs and message boxes and a recording media player.

#include "window_fixture.h"

#include "app/player_strip.h"
#include "core/version.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBlock>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString NoData = QStringLiteral("OMPデータがロードされていません\r\nOMPデータをロードするか、%1ファイルをロードしてください");

using MainWindowTest = WindowTest;

const QByteArray Song = "C-TITLE:Spring\r\nC-AUTHOR:me\r\nC-COPYRIGHT:free\r\nC-PROGRAM:20\r\n"
                        "C-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n";

TEST_F(MainWindowTest, CommandLine)
{
    const QString spring = QStringLiteral("$2:4MQ 8T4M Q8T|Spring|free|me|19"); // a blank every fourth token
    const std::tuple<QStringList, QString, const char *> cases[] = {
        {{}, QStringLiteral("||||5"), nullptr}, // the default tone
        // Quotes stripped, an upper-case extension, opened under its own name.
        {{"\"@/Song.VTD\""}, QStringLiteral("$2:4M|春|||-1"), nullptr},
        {{"@/song.hml"}, spring, nullptr},
        // One text, relative to the current folder; an opening quote alone
        // loses the last character.
        {{"my", "songs/a", "b.hml"}, spring, nullptr},
        {{"\"@/song.hmlX"}, spring, nullptr},
        // Only the file's own extension makes a song file.
        {{"@/my.vtd.files/song.hml"}, spring, nullptr},
        {{"@/bad.hml"}, QStringLiteral("||||5"), "変換を完了できません。\r\n\r\n3行目 音の高さが１～４の指定範囲外です。"},
        {{"@/missing.hml"}, QStringLiteral("||||5"), "missing.hml"},
        // A FIFO would stop the window, a device would never end.
        {{"@/fifo"}, QStringLiteral("||||5"), "通常のファイルではない"},
        {{"/dev/zero"}, QStringLiteral("||||5"), "通常のファイルではない"},
    };
    write("vltn.ini", sjis(QStringLiteral("[一般設定]\r\n音色設定=5\r\n[HMML2OMP]\r\n区切り文字数=4\r\n区切り文字=1\r\n")));
    write("Song.VTD", sjis(QStringLiteral("[Data]\r\nData=$2:4M\r\nProgram=-1\r\nTitle=春\r\n")));
    QDir().mkpath(path("my songs"));
    QDir().mkpath(path("my.vtd.files"));
    for (const char *name : {"song.hml", "my songs/a b.hml", "my.vtd.files/song.hml"})
        write(QString::fromUtf8(name), Song);
    write("bad.hml", "C-TITLE:x\r\nC-TEMPO:120\r\n4 C 9\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    const QString current = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const auto &[arguments, shown, message] : cases) {
        QStringList args;
        for (const QString &a : arguments)
            args << QString(a).replace(u'@', dir.path());
        FakeMessageBoxes boxes; // each start-up in a window of its own
        MainWindow f({dialogs, boxes, system, player, samplePlayer, browser, settingsPath()});
        ASSERT_TRUE(f.startUp(args));
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(song(f), shown) << str(args.join(u' '));
        ASSERT_EQ(boxes.shown.size(), message ? 1u : 0u) << str(args.join(u' '));
        EXPECT_TRUE(!message || boxes.shown[0].text.contains(QString::fromUtf8(message))) << str(boxes.shown[0].text);
    }
    QDir::setCurrent(current);
}

TEST_F(MainWindowTest, ASecondCopyOnlyShowsItsMessage)
{
    system.anotherCopy = true;
    EXPECT_FALSE(form().startUp({}));
    EXPECT_FALSE(form().isVisible());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastMessage() + messages.shown[0].title, QStringLiteral("すでに起動されています。複数起動はできません。VLTN ") + VersionText);
}

TEST_F(MainWindowTest, LoadAndConvert)
{
    write("vltn.ini", sjis(QStringLiteral("[一般設定]\r\n音色設定=7\r\n")));
    write("song.hml", Song);
    write("p0.hml", "C-PROGRAM:0\r\nC-TITLE:zero\r\nC-TEMPO:120\r\n4 C 2\r\n");
    write("p129.hml", "C-PROGRAM:129\r\nC-TITLE:big\r\nC-TEMPO:120\r\n4 D 2\r\n");
    write("none.hml", "C-TITLE:none\r\nC-TEMPO:120\r\n4 E 2\r\n");
    write("bad.hml", "C-TEMPO:0\r\n");
    MainWindow &f = started();
    // The tone before, the file, the song after.
    const std::tuple<int, const char *, const char *> steps[] = {
        {3, "song.hml", "$2:4MQ8T4MQ8/T|Spring|free|me|19"}, // "/" after every tenth token
        {3, "p0.hml", "$2:4M|zero|||7"},                    // PROGRAM 0: the default tone
        {3, "p129.hml", "$2:4O|big|||3"},                   // outside the list: the tone stays
        {3, "song.hml", "$2:4MQ8T4MQ8/T|Spring|free|me|19"},
        {3, "none.hml", "$2:4Q|none|||7"},                  // no PROGRAM: the default tone, whatever came before
        {3, "bad.hml", "|none|||3"},                        // an error keeps the rest of the song
    };
    for (const auto &[tone, file, shown] : steps) {
        f.setToneIndex(tone);
        dialogs.chooseNext(path(QString::fromUtf8(file)));
        f.loadHmmlButton->click();
        EXPECT_EQ(song(f), QString::fromUtf8(shown)) << file;
    }
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(lastMessage(), u"H-MMLの変換エラーが発生しました。変換を完了できません。\r\n\r\n1行目 "
                             u"テンポに指定されている数値が小さすぎるか、または数値以外が指定されています。");
    EXPECT_EQ(f.session().hmmlSource(), u"C-TEMPO:0\r\n");
    EXPECT_EQ(f.notepadDialog.fileName, path("bad.hml"));
    // The menu item runs the same command, from the same file; cancelling changes nothing.
    dialogs.cancelNext();
    f.openHmmlAction->trigger();
    EXPECT_EQ(dialogs.shown.back().initialPath, path("bad.hml"));
    // "区切り文字を利用する" switched off: no separators at all.
    f.settings().UseSeparator = 0;
    dialogs.chooseNext(path("song.hml"));
    f.loadHmmlButton->click();
    EXPECT_EQ(f.ompEdit->toPlainText(), u"$2:4MQ8T4MQ8T");
    EXPECT_EQ(f.session().hmmlSource(), QString::fromLatin1(Song));

    // Edit in Notepad starts at the file last loaded and hands its own back.
    dialogs.chooseNext(path("other.hml"));
    f.notepadButton->click();
    EXPECT_EQ(dialogs.shown.back().initialPath, path("song.hml"));
    EXPECT_EQ(system.editedFiles, QStringList{path("other.hml")});
    EXPECT_EQ(f.openHmmlDialog.fileName, path("other.hml"));
    system.editorStarts = false; // ends quietly, as does cancelling
    dialogs.chooseNext(path("song.hml"));
    f.notepadButton->click();
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(MainWindowTest, SongFiles)
{
    write("a.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4A\r\nProgram=40\r\nTitle=曲\r\n")));
    write("none.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4B\r\nProgram=-1\r\n")));
    write("bad.vtd", sjis(QStringLiteral("[Data]\r\nData=$1:4C\r\nProgram=300\r\nTitle=t\r\n")));
    write("song.hml", Song);
    // Looking for word breaks in 1,000,000 characters without one froze
    // the window for a minute: such data breaks anywhere, shorter data keeps its breaks.
    const QByteArray longOmp = "$2:" + QByteArray("4MMTTVV4T2RRQQOO4M").repeated(55556);
    write("long.vtd", "[Data]\r\nData=" + longOmp + "\r\n");
    MainWindow &f = started({path("long.vtd")});
    EXPECT_EQ(f.ompEdit->omp(), QString::fromLatin1(longOmp));
    EXPECT_EQ(f.ompEdit->wordWrapMode(), QTextOption::WrapAnywhere);
    player.setFileName(QStringLiteral("/x/playing"));
    const std::pair<const char *, const char *> opened[] = {
        {"a.vtd", "$1:4A|曲|||40"},
        {"none.vtd", "$1:4B||||-1"},
        {"bad.vtd", "$1:4C|t|||-1"},   // a Program the list cannot show keeps the tone
        {"song.hml", "$1:4C|t|||-1"}, // not a song file: told, and nothing changes
    };
    for (const auto &[file, shown] : opened) {
        dialogs.chooseNext(path(QString::fromUtf8(file)));
        f.openSongAction->trigger();
        EXPECT_EQ(song(f), QString::fromUtf8(shown)) << file;
    }
    EXPECT_EQ(player.calls.mid(1), QStringList(4, QStringLiteral("setFileName:"))) << "playback stops first";
    EXPECT_TRUE(lastMessage().contains(u"VTD")) << str(lastMessage());
    EXPECT_EQ(f.ompEdit->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    // Saving: under exactly the name typed; the question before replacing.
    f.titleEdit->setText(QStringLiteral("題"));
    dialogs.chooseNext(path("song"));
    f.saveSongAction->trigger();
    EXPECT_EQ(read("song"), sjis(QStringLiteral("[Data]\r\nVTDVersion=1.0\r\nData=$1:4C\r\nProgram=-1\r\nTitle=題\r\n"
                                               "Copyright=\r\nAuthor=\r\n")));
    f.titleEdit->setText(QStringLiteral("new"));
    for (MessageBoxes::Answer answer : {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes}) {
        messages.answerNext(answer);
        dialogs.chooseNext(path("song"));
        f.saveSongAction->trigger();
        EXPECT_EQ(lastMessage(), u"そのファイルは既に存在します。上書きしますか?");
        EXPECT_EQ(read("song").contains("Title=new\r\n"), answer == MessageBoxes::Answer::Yes);
    }
    f.titleEdit->setText(QStringLiteral("Café"));
    dialogs.chooseNext(path("cafe.vtd"));
    f.saveSongAction->trigger();
    EXPECT_TRUE(lastMessage().contains(u"é")) << str(lastMessage());
    EXPECT_FALSE(QFile::exists(path("cafe.vtd")));
}

// Long OMP data is held in paragraphs of the box's own, each laid out alone: what is read back, copied,
// typed and pasted is the data, and a note's characters are selected wherever they are.
TEST_F(MainWindowTest, TheOmpBoxHoldsLongDataInParagraphsOfItsOwn)
{
    MainWindow &f = started();
    const QString data = QStringLiteral("$2:") + QStringLiteral("4MQ8T/").repeated(11667); // 70,005 characters
    write("long.vtd", "[Data]\r\nData=" + data.toLatin1() + "\r\n");
    dialogs.chooseNext(path("long.vtd"));
    f.openSongAction->trigger();
    // Three paragraphs, each but the last ended after a separator.
    QStringList ends;
    for (QTextBlock b = f.ompEdit->document()->firstBlock(); b.isValid(); b = b.next())
        ends << QString::number(b.length() - 1 <= OmpTextEdit::PieceLength) + b.text().right(1);
    EXPECT_EQ(std::tuple(ends.join(u' '), f.ompEdit->omp() == data), std::tuple(u"1/ 1/ 1/"_s, true));
    // Selected wherever they are, across a paragraph's end too; copied as the data.
    const qsizetype across = f.ompEdit->document()->firstBlock().length() - 3;
    f.ompEdit->selectData(across, across + 6);
    f.ompEdit->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), data.mid(across, 6));
    f.ompEdit->selectAll();
    f.ompEdit->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), data);

    // Typed or pasted into the second paragraph's start: what the session has.
    const qsizetype second = f.ompEdit->document()->firstBlock().length() - 1;
    const auto key = [&](Qt::Key k, const QString &text) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QCoreApplication::sendEvent(f.ompEdit, &press);
    };
    const std::pair<std::function<void()>, QString> edits[] = {
        {[&] { key(Qt::Key_X, u"X"_s); }, u"X"_s},
        {[&] { key(Qt::Key_Return, u"\r"_s); }, u"\n"_s}, // a line break of the data's own
        {[&] {
             QGuiApplication::clipboard()->setText(u"A\r\nB\rC\nD"_s);
             f.ompEdit->paste();
         },
         u"A\nB\nC\nD"_s},
    };
    for (const auto &[edit, typed] : edits) {
        f.ompEdit->selectData(second, second);
        edit();
        const QString expected = data.first(second) + typed + data.sliced(second);
        EXPECT_EQ(std::tuple(f.ompEdit->omp() == expected, f.session().omp() == expected, f.ompEdit->blockCount()), std::tuple(true, true, 3))
            << str(typed);
        f.ompEdit->undo();
    }
}

// A paragraph of the box never ends between the halves of a character or of a CR LF: the data reads back whole.
TEST_F(MainWindowTest, TheOmpBoxNeverBreaksACharacterOrALineBreakInTwo)
{
    MainWindow &f = started();
    const QString head = u"$2:"_s + QString(OmpTextEdit::PieceLength - 4, u'M'); // the next character ends the first piece
    const std::pair<QString, QString> cases[] = {
        {u"\r\n4M"_s, u"\n4M"_s},
        {u"\U0001F3B5M"_s, u"\U0001F3B5M"_s},
        {u"\n\n4M"_s, u"\n\n4M"_s},
    };
    for (const auto &[tail, readBack] : cases) {
        f.ompEdit->showOmp(head + tail);
        const QString first = f.ompEdit->document()->firstBlock().text();
        EXPECT_EQ(std::tuple(f.ompEdit->omp() == head + readBack, f.ompEdit->blockCount(), first.back().isHighSurrogate()),
                  std::tuple(true, 2, false))
            << str(readBack);
    }
}

TEST_F(MainWindowTest, Play)
{
    MainWindow &f = started();
    const QString temp = QDir(system.tempDir).filePath(QStringLiteral("vltn.dat"));
    // The text, the loop setting; what the player is told; the message shown.
    const std::tuple<const char *, int, QStringList, QString> steps[] = {
        {"", 0, {}, NoData.arg(QStringLiteral("HML"))},
        {" $2:4M", 0, {}, QStringLiteral("OMPデータが無効です\r\n正しいOMPデータをロードするか、HMLファイルをロードしてください")},
        {"$2:4M", 0, {"setFileName:", "setFileName:" + temp, "setPlayCount:1"}, {}},
        {"$", 1, {"setFileName:", "setFileName:" + temp, "setPlayCount:0"}, {}}, // a reload, endless
        {"$0:4A", 0, {"setFileName:"}, QStringLiteral("テンポが 0")},
    };
    for (const auto &[omp, loop, calls, message] : steps) {
        f.ompEdit->setPlainText(QString::fromUtf8(omp));
        f.settings().LoopPlay = qint16(loop);
        player.calls.clear();
        messages.shown.clear();
        f.playButton->click();
        EXPECT_EQ(player.calls, calls) << omp;
        EXPECT_TRUE(message.isEmpty() ? messages.shown.empty() : lastMessage().contains(message)) << str(lastMessage());
        EXPECT_TRUE(f.playButton->isEnabled());
    }
    EXPECT_EQ(QFile(temp).size(), 29) << "\"$\" alone plays a file with no notes";
    f.stopButton->click();
    EXPECT_EQ(player.calls.last(), u"setFileName:");
    player.fail(QStringLiteral("SoundFont がありません"));
    EXPECT_EQ(lastMessage(), u"SoundFont がありません");
    player.playing = true;
    player.reportedPosition = 75.5;
    player.reportedDuration = 130;
    f.playerStrip->refresh();
    EXPECT_EQ(f.playerStrip->stateText() + u' ' + f.playerStrip->timeText(), u"▶ 再生中 1:15 / 2:10");
}

TEST_F(MainWindowTest, MidiExport)
{
    MainWindow &f = started();
    f.exportMidiAction->trigger();
    EXPECT_EQ(lastMessage(), NoData.arg(QStringLiteral("MML")));
    EXPECT_TRUE(dialogs.shown.empty());
    f.ompEdit->setPlainText(QStringLiteral("$2:4A"));
    f.setToneIndex(5);
    dialogs.chooseNext(path("song"));
    f.exportMidiAction->trigger();
    EXPECT_EQ(read("song").mid(22, 3), QByteArray("\x00\xC0\x05", 3)) << "the selected tone";
    write("keep.mid", "old");
    messages.answerNext(MessageBoxes::Answer::No);
    dialogs.chooseNext(path("keep.mid"));
    f.exportMidiAction->trigger();
    // A failure is told and leaves the old file whole.
    f.ompEdit->setPlainText(QStringLiteral("$0:4A"));
    dialogs.chooseNext(path("keep.mid"));
    f.exportMidiAction->trigger();
    EXPECT_EQ(messages.shown.size(), 4u) << "the questions, then the failure";
    EXPECT_EQ(read("keep.mid"), "old");
}

TEST_F(MainWindowTest, ExitQuestion)
{
    MainWindow &f = started();
    player.playing = true;
    f.settings().LoopPlay = 1;
    messages.answerNext(MessageBoxes::Answer::No);
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(lastMessage(), u"終了します。よろしいですか?");
    EXPECT_FALSE(player.playing) << "playback has stopped and stays stopped";
    EXPECT_FALSE(QFile::exists(settingsPath()));
    f.closeAction->trigger();
    EXPECT_EQ(system.endCalls, 1);
    EXPECT_EQ(read("vltn.ini"), sjis(QStringLiteral("[一般設定]\r\nループ再生=1\r\n音色設定=0\r\n[通信関連]\r\n通信速度=5\r\n"
                                                    "データビット=1\r\nストップビット=0\r\nパリティビット=0\r\nフロー制御=2\r\n"
                                                    "通信ポート=0\r\n[HMML2OMP]\r\n区切り文字の使用=1\r\n区切り文字数=10\r\n"
                                                    "区切り文字=0\r\n")));
}

} // namespace
