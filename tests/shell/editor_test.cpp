// The H-MML editor driven as a user would: typing compiles into the main
// window, errors are marked where they are, files keep their encoding and
// line breaks, the sounding note is shown, and a file another program saves
// is read again.

#include "window_fixture.h"

#include "platform/midi_timing.h"
#include "shell/form7.h"
#include "shell/form9.h"
#include "shell/song_file.h"
#include "shell/hmml_edit.h"
#include "shell/hmml_highlighter.h"
#include "shell/live_compiler.h"

#include "support/core_app.h"
#include "support/test_midi.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTest>
#include <QTextBlock>

namespace {

using Answer = MessageBoxes::Answer;
using testsupport::waitFor;

class EditorTest : public WindowTest {
protected:
    Form9 &editor(const QStringList &arguments = {})
    {
        started(arguments).HMMLエディタ->trigger();
        EXPECT_NE(form().editor(), nullptr);
        settle(*form().editor());
        return *form().editor();
    }
    static void settle(Form9 &e) { EXPECT_TRUE(waitFor([&] { return !e.compiler().isBusy(); })); }
    // Keys typed at the cursor; "|" is the Return key.
    static void type(Form9 &e, const char *keys)
    {
        for (const QChar c : QString::fromUtf8(keys)) {
            if (c == u'|')
                QTest::keyClick(e.Text1, Qt::Key_Return);
            else
                QTest::sendKeyEvent(QTest::Click, e.Text1, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // Saved by another program as editors do: a new file renamed over it.
    void saveElsewhere(const char *name, const QByteArray &bytes)
    {
        QSaveFile f(path(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit());
    }
};

TEST_F(EditorTest, TypingCompilesIntoTheMainWindowAndMarksTheWrongLine)
{
    Form9 &e = editor();
    const struct {
        const char *what;
        std::function<void()> act;
        int errorLine;
        const char *message; // the status bar's; "" hides it
        const char *song;
    } steps[] = {
        {"typed", [&] { type(e, "C-TITLE:Frog|C-TEMPO:120|4 C 2"); }, 0, "", "$2:4M|Frog|||0"},
        {"a wrong pitch keeps the last good song", [&] { type(e, "|4 X 2"); }, 4,
         "4行目: 音程が異常です。言語指定にあったものを使用してください。", "$2:4M|Frog|||0"},
        {"fixed", [&] {
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(e.Text1, Qt::Key_Backspace);
             type(e, "E 2|C-PROGRAM:41");
         }, 0, "", "$2:4MQ|Frog|||40"},
        {"a line no compiler reads", [&] { type(e, "|x"); }, 6,
         "6行目: 命令／音譜データ以外を以外を検出しました。H-MMLを確認してください。", "$2:4MQ|Frog|||40"},
        {"undone", [&] { e.元に戻す->trigger(); }, 0, "", "$2:4MQ|Frog|||40"},
    };
    for (const auto &s : steps) {
        s.act();
        settle(e);
        EXPECT_EQ(e.Text1->errorLine(), s.errorLine) << s.what;
        EXPECT_EQ(e.Command1->isHidden() ? QString() : e.Command1->text(), QString::fromUtf8(s.message)) << s.what;
        EXPECT_EQ(song(form()), QString::fromUtf8(s.song)) << s.what;
    }
    // The gutter marks the line in red, and a click on the message goes there.
    type(e, "|x");
    settle(e);
    ASSERT_GT(e.Text1->errorLine(), 0);
    const QImage gutter = e.Picture1->grab().toImage();
    bool red = false;
    for (int y = 0; y < gutter.height() && !red; ++y)
        for (int x = 0; x < gutter.width() && !red; ++x)
            red = gutter.pixelColor(x, y).red() > 150 && gutter.pixelColor(x, y).green() < 80;
    EXPECT_TRUE(red);
    e.Text1->goToLine(1);
    e.Command1->click();
    EXPECT_EQ(e.Text1->cursorLine(), e.Text1->errorLine());
    EXPECT_TRUE(messages.shown.empty()) << "no message box while typing";
}

// A result overtaken by an edit is never shown: only the newest text's.
TEST_F(EditorTest, OnlyTheNewestTextsResultIsGiven)
{
    QString text = QStringLiteral("C-TEMPO:120\r\n4 C 2\r\n");
    LiveCompiler compiler([&] { return text; });
    compiler.setDelay(0);
    QStringList given;
    QObject::connect(&compiler, &LiveCompiler::compiled, [&](const HmmlConversion &c) { given << c.song.omp; });
    for (const char *next : {"C-TEMPO:120\r\n4 D 2\r\n", "C-TEMPO:60\r\n4 E 2\r\n"}) {
        compiler.compileNow(); // its result is not taken before the event loop runs
        text = QString::fromLatin1(next);
        compiler.textEdited();
        ASSERT_TRUE(waitFor([&] { return !compiler.isBusy(); }));
    }
    EXPECT_EQ(given.join(u' '), u"$2:4O $1:4Q");
}

TEST_F(EditorTest, FindsForwardAndBackRoundTheEnds)
{
    Form9 &e = editor();
    e.Text1->setPlainText(QStringLiteral("4 C 2\n4 D 2\n4 C 3"));
    e.検索->trigger();
    e.Text2->setText(QStringLiteral("C"));
    const struct {
        bool backward;
        int line; // where the found text is
    } steps[] = {{false, 1}, {false, 3}, {false, 1}, {true, 3}, {true, 1}};
    for (const auto &step : steps) {
        EXPECT_TRUE(e.findNext(step.backward));
        EXPECT_EQ(e.Text1->cursorLine(), step.line);
        EXPECT_EQ(e.Text1->textCursor().selectedText(), u"C");
    }
    e.Text2->setText(QStringLiteral("X"));
    EXPECT_FALSE(e.findNext());
    EXPECT_EQ(e.Label1->text(), u"「X」は見つかりません。");
    EXPECT_EQ(e.Text1->cursorLine(), 1) << "the cursor stays";
    e.Text1->document()->setModified(false);
}

TEST_F(EditorTest, ColoursCommandsNotesRestsAndComments)
{
    Form9 &e = editor();
    e.Text1->setPlainText(QStringLiteral("C-TEMPO:120 ' fast\n4 C# 2\n2 * \nC-LANGUAGE:KATAKANA\n8 ド 3\n8 C 3"));
    using K = HmmlHighlighter::Kind;
    const struct {
        int line, column;
        std::optional<K> kind;
    } cases[] = {
        {1, 0, K::Command}, {1, 8, K::Argument}, {1, 13, K::Comment}, {2, 0, K::Length}, {2, 3, K::Pitch},
        {2, 5, K::Octave},  {3, 2, K::Rest},     {4, 2, K::Command},  {5, 2, K::Pitch},  {6, 2, std::nullopt},
    };
    for (const auto &c : cases) {
        std::optional<QTextCharFormat> found;
        for (const QTextLayout::FormatRange &r : e.Text1->document()->findBlockByNumber(c.line - 1).layout()->formats())
            if (c.column >= r.start && c.column < r.start + r.length)
                found = r.format;
        EXPECT_EQ(found, c.kind ? std::optional(HmmlHighlighter::format(*c.kind)) : std::nullopt) << c.line << ':' << c.column;
    }
}

TEST_F(EditorTest, FilesKeepTheirEncodingAndLineBreaks)
{
    const QByteArray kana = QStringLiteral("かえる").toUtf8();
    const struct {
        const char *name;
        QByteArray before, after; // "4 C 2" typed at the end
    } files[] = {
        {"sjis.hml", sjis(QStringLiteral("C-TITLE:かえる\r\nC-TEMPO:120\r\n")), sjis(QStringLiteral("C-TITLE:かえる\r\nC-TEMPO:120\r\n4 C 2"))},
        {"bom.hml", "\xEF\xBB\xBF" "C-TITLE:" + kana + "\nC-TEMPO:120\n", "\xEF\xBB\xBF" "C-TITLE:" + kana + "\nC-TEMPO:120\n4 C 2"},
        {"cr.hml", "C-TITLE:" + kana + "\rC-TEMPO:120\r", "C-TITLE:" + kana + "\rC-TEMPO:120\r4 C 2"},
        // Control codes stay the bytes they were (ICU's CP932 swaps three).
        {"controls.hml", "C-TITLE:\x1A\r\n' \x1C\x7F\r\nC-TEMPO:120\r\n", "C-TITLE:\x1A\r\n' \x1C\x7F\r\nC-TEMPO:120\r\n4 C 2"},
    };
    Form9 &e = editor();
    for (const auto &f : files) {
        write(QString::fromUtf8(f.name), f.before);
        dialogs.chooseNext(path(QString::fromUtf8(f.name)));
        e.開く->trigger();
        e.Text1->moveCursor(QTextCursor::End);
        type(e, "4 C 2");
        e.上書き保存->trigger();
        settle(e);
        EXPECT_EQ(read(QString::fromUtf8(f.name)), f.after) << f.name;
        EXPECT_EQ(song(form()), QStringLiteral("$2:4M|%1|||0").arg(f.after.startsWith("C-TITLE:\x1A") ? u"\x1A" : u"かえる"))
            << f.name;
        EXPECT_EQ(form().songFile(), path(QString::fromUtf8(f.name)));
    }
    // What the file's encoding cannot hold is refused by name; nothing is written.
    dialogs.chooseNext(path(QStringLiteral("sjis.hml")));
    e.開く->trigger();
    e.Text1->insertPlainText(QStringLiteral("' ♫"));
    e.上書き保存->trigger();
    EXPECT_TRUE(lastMessage().contains(u'♫')) << str(lastMessage());
    EXPECT_EQ(read(QStringLiteral("sjis.hml")), files[0].after);
    // A new file is CP932 with CR LF.
    messages.answerNext(Answer::No); // the unsaved text goes
    e.新規作成->trigger();
    type(e, "C-TITLE:ぴょん|C-TEMPO:60");
    dialogs.chooseNext(path(QStringLiteral("new.hml")));
    e.上書き保存->trigger();
    EXPECT_EQ(read(QStringLiteral("new.hml")), sjis(QStringLiteral("C-TITLE:ぴょん\r\nC-TEMPO:60")));
    EXPECT_TRUE(e.windowTitle().startsWith(u"new.hml")) << str(e.windowTitle());
}

TEST_F(EditorTest, UnsavedChangesAreAskedAboutOnCloseOpenAndExit)
{
    const struct {
        const char *what;
        std::vector<Answer> answers;
        bool closeWindow; // the main window rather than the editor
        bool closes, saved;
    } cases[] = {
        {"cancelled", {Answer::Cancel}, false, false, false},
        {"not saved", {Answer::No}, false, true, false},
        {"saved", {Answer::Yes}, false, true, true},
        {"exit cancelled at the editor", {Answer::Yes, Answer::Cancel}, true, false, false},
        {"exit saving the editor", {Answer::Yes, Answer::Yes}, true, true, true},
    };
    write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n");
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    for (const auto &c : cases) {
        flushDeletes();
        f.HMMLエディタ->trigger();
        Form9 &e = *f.editor();
        e.openFile(path(QStringLiteral("song.hml")));
        e.Text1->moveCursor(QTextCursor::End);
        type(e, "4 C 2");
        messages.shown.clear();
        for (Answer a : c.answers)
            messages.answerNext(a);
        const bool closed = c.closeWindow ? closeWindow() : e.close();
        EXPECT_EQ(closed, c.closes) << c.what;
        EXPECT_EQ(read(QStringLiteral("song.hml")), c.saved ? "C-TEMPO:120\r\n4 C 2" : "C-TEMPO:120\r\n") << c.what;
        EXPECT_TRUE(lastMessage().contains(u"保存されていません")) << c.what;
        write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n");
        if (!closed) {
            // Opening another file asks too; cancelled, no dialog shows.
            messages.answerNext(Answer::Cancel);
            dialogs.shown.clear();
            e.開く->trigger();
            EXPECT_TRUE(dialogs.shown.empty()) << c.what;
            e.Text1->document()->setModified(false);
        }
    }
}

TEST_F(EditorTest, FollowsTheSoundingNoteAndPlaysFromTheCursorsLine)
{
    // Notes: M (line 2), O (line 4), Q (line 6) and its repetition.
    write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n4 C 2\r\n' x\r\n8 D 2\r\nC-LOOP:1\r\n4 E 2\r\nC-LEND\r\n");
    Form9 &e = editor({path(QStringLiteral("song.hml"))});
    Form1 &f = form();
    ASSERT_EQ(f.Text1->toPlainText(), u"$2:4M8O4QQ");
    const auto at = [&](double seconds) {
        player.reportedPosition = seconds;
        f.followPlayback();
        return QStringLiteral("%1 %2").arg(e.Text1->soundingLine()).arg(f.Text1->textCursor().selectedText());
    };
    f.OMP_Play();
    EXPECT_EQ(at(0.5), u"2 4M");
    EXPECT_EQ(at(2.0), u"4 8O");
    EXPECT_EQ(at(6.5), u"6 4Q");
    EXPECT_EQ(at(8.1), u"6 Q");

    // From the loop's line: the file starts at its first note.
    e.Text1->goToLine(5);
    e.ここから再生->trigger();
    EXPECT_EQ(readMidiTiming(readFile(f.temporaryFilePath())).totalTicks, 2 * 1920);
    EXPECT_EQ(at(0), u"6 4Q");
    EXPECT_EQ(at(2.1), u"6 Q");
    e.Text1->goToLine(7);
    e.ここから再生->trigger();
    EXPECT_EQ(lastMessage(), u"カーソルの行から後に音符がありません。");

    // The OMP box edited by hand: only the editor follows.
    f.OMP_Play();
    f.Text1->moveCursor(QTextCursor::End);
    f.Text1->insertPlainText(QStringLiteral("R"));
    EXPECT_EQ(at(2.0), u"4 ");
    e.停止->trigger();
    EXPECT_TRUE(player.fileName().isEmpty());
    EXPECT_EQ(e.Text1->soundingLine(), 0);
}

TEST_F(EditorTest, AFileSavedByAnotherProgramIsReadAgain)
{
    write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n4 C 2\r\n");
    Form1 &f = started({path(QStringLiteral("song.hml"))});
    f.OMP_Play();
    const struct {
        const char *what;
        QByteArray bytes;
        bool inPlace;
        const char *omp; // what the window then shows
    } saves[] = {
        {"replaced by rename", "C-TEMPO:120\r\n4 D 2\r\n", false, "$2:4O"},
        {"written in place", "C-TEMPO:120\r\n4 E 2\r\n", true, "$2:4Q"},
        {"with a mistake: the song stays", "C-TEMPO:120\r\n4 X 2\r\n", false, "$2:4Q"},
        {"fixed", "C-TEMPO:60\r\n4 E 2\r\n", false, "$1:4Q"},
    };
    for (const auto &s : saves) {
        const qsizetype plays = player.calls.count(QStringLiteral("setFileName:") + f.temporaryFilePath());
        messages.shown.clear();
        if (s.inPlace)
            write(QStringLiteral("song.hml"), s.bytes);
        else
            saveElsewhere("song.hml", s.bytes);
        ASSERT_TRUE(waitFor([&] { return f.hmmlSource() == QString::fromLatin1(s.bytes) || !messages.shown.empty(); }))
            << s.what;
        EXPECT_EQ(f.Text1->toPlainText(), QString::fromUtf8(s.omp)) << s.what;
        // A song that was playing plays the new one from the start.
        EXPECT_EQ(player.calls.count(QStringLiteral("setFileName:") + f.temporaryFilePath()),
                  plays + (messages.shown.empty() ? 1 : 0)) << s.what;
    }
    EXPECT_TRUE(lastMessage().isEmpty());

    // The editor holding the file reads it, unless it holds changes of its own.
    f.HMMLエディタ->trigger();
    Form9 &e = *f.editor();
    saveElsewhere("song.hml", "C-TEMPO:120\r\n4 F 2\r\n");
    ASSERT_TRUE(waitFor([&] { return f.Text1->toPlainText() == u"$2:4R"; }));
    EXPECT_EQ(e.Text1->toPlainText(), u"C-TEMPO:120\n4 F 2\n");
    e.Text1->moveCursor(QTextCursor::End);
    type(e, "4 G 2");
    saveElsewhere("song.hml", "C-TEMPO:120\r\n4 A 2\r\n");
    ASSERT_TRUE(waitFor([&] { return e.Label1->text().contains(u"未保存"); }));
    EXPECT_EQ(e.Text1->toPlainText(), u"C-TEMPO:120\n4 F 2\n4 G 2");
    settle(e);
    e.Text1->document()->setModified(false);
    e.close();

    // Switched off in the settings: saves are left alone.
    f.各種設定->trigger();
    f.settingsDialog()->Check9->setChecked(false);
    f.settingsDialog()->ok();
    EXPECT_EQ(f.settings().AutoReload, 0);
    const QString shown = f.Text1->toPlainText();
    saveElsewhere("song.hml", "C-TEMPO:120\r\n4 B 2\r\n");
    waitFor([] { return false; }, 500);
    EXPECT_EQ(f.Text1->toPlainText(), shown);
}

TEST_F(EditorTest, TheReloadSettingIsWrittenOnlyOnceChanged)
{
    const struct {
        QByteArray before;
        qint16 autoReload;
        const char *line; // the key's line afterwards; "" for none
    } cases[] = {
        {"", 1, ""},
        {"", 0, "自動再読み込み=0"},
        {sjis(QStringLiteral("[HMML2OMP]\r\n自動再読み込み=0\r\n")), 1, "自動再読み込み=1"},
    };
    for (const auto &c : cases) {
        write(QStringLiteral("vltn.ini"), c.before);
        AppSettings s;
        s.AutoReload = c.autoReload;
        ASSERT_TRUE(SaveSettings(s, settingsPath()).ok());
        const QString text = Cp932::decode(read(QStringLiteral("vltn.ini")));
        EXPECT_EQ(text.contains(u"自動再読み込み"), *c.line != 0) << str(text);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.line))) << str(text);
        EXPECT_EQ(LoadSettings(settingsPath()).AutoReload, c.autoReload);
    }
}

TEST_F(EditorTest, OpensOnTheSongsOwnHmml)
{
    write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n4 C 2\r\n");
    ASSERT_TRUE(SaveSong(path(QStringLiteral("song.vtd")), Song{QStringLiteral("$2:4M"), {}, {}, {}, 0, {}, {}}).ok());
    testmidi::Track t;
    t.note(0, 480, 60);
    write(QStringLiteral("tune.mid"), testmidi::file(0, 480, {t.bytes()}));
    Form1 &f = started();
    const struct {
        const char *what;
        std::function<void()> load;
        const char *file; // what the editor then holds
        const char *text;
        bool unsaved;
    } cases[] = {
        {"no song yet", [] {}, "", "", false},
        {"a loaded file", [&] { dialogs.chooseNext(path(QStringLiteral("song.hml"))); f.MMLファイルを開く->trigger(); },
         "song.hml", "C-TEMPO:120\n4 C 2\n", false},
        {"a song file: no H-MML", [&] { dialogs.chooseNext(path(QStringLiteral("song.vtd"))); f.OMPファイルを開く->trigger(); },
         "", "", false},
        {"a MIDI file's melody, not saved", [&] {
             messages.answerNext(Answer::No);
             dialogs.chooseNext(path(QStringLiteral("tune.mid")));
             f.MIDIファイルを開く->trigger();
         }, "", nullptr, true},
    };
    for (const auto &c : cases) {
        c.load();
        f.HMMLエディタ->trigger();
        Form9 &e = *f.editor();
        EXPECT_EQ(e.filePath(), *c.file ? path(QString::fromUtf8(c.file)) : QString()) << c.what;
        EXPECT_EQ(f.songFile(), e.filePath()) << c.what;
        EXPECT_EQ(e.Text1->toPlainText(), c.text ? QString::fromUtf8(c.text) : QString(f.hmmlSource()).replace(u'\r', QString()))
            << c.what;
        EXPECT_EQ(e.isModified(), c.unsaved) << c.what;
        settle(e);
        e.Text1->document()->setModified(false);
        e.close();
        flushDeletes();
    }
}

} // namespace
