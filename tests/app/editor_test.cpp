// The H-MML editor driven as a user would: typing compiles into the main window,
// errors are marked where they are, files keep their encoding and line breaks,
// the sounding note is shown, and a file another program saves is read again.

#include "window_fixture.h"

#include "core/formats/midi_reader.h"
#include "core/formats/midi_timing.h"
#include "core/voice/machine_voice.h"
#include "core/io/save_file.h"
#include "app/settings_dialog.h"
#include "app/hmml_editor_window.h"
#include "app/hmml_text_edit.h"
#include "app/hmml_highlighter.h"
#include "app/live_compiler.h"
#include "app/note_view.h"
#include "core/song/song_file.h"

#include "support/core_app.h"
#include "support/test_midi.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <thread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class EditorTest : public WindowTest {
protected:
    HmmlEditorWindow &editor(const QStringList &arguments = {}) { started(arguments).editorAction->trigger(); return settle(*form().editor()); }
    static HmmlEditorWindow &settle(HmmlEditorWindow &e)
    {
        EXPECT_TRUE(testsupport::waitFor([&] { return !e.textEdit->isLoading() && !e.liveCompiler().isBusy(); }));
        return e;
    }
    static void type(HmmlEditorWindow &e, const char *keys) // at the end; "|" is Return, "<" Backspace
    {
        e.textEdit->moveCursor(QTextCursor::End);
        for (const QChar c : QString::fromUtf8(keys))
            QTest::sendKeyEvent(QTest::Click, e.textEdit, c == u'|' ? Qt::Key_Return : c == u'<' ? Qt::Key_Backspace : Qt::Key_unknown,
                                u"|<"_s.contains(c) ? QString() : QString(c), {});
    }
    // The line the text box highlights across (the sounding note's) or underlines (the error's); 0 for none.
    static int marked(const HmmlEditorWindow &e, bool sounding)
    {
        for (const QTextEdit::ExtraSelection &s : e.textEdit->extraSelections())
            if (sounding ? s.format.property(QTextFormat::FullWidthSelection).toBool() : s.format.underlineStyle() == QTextCharFormat::WaveUnderline)
                return s.cursor.blockNumber() + 1;
        return 0;
    }
    // Saved by another program as editors do: a new file renamed over it.
    void saveElsewhere(const QByteArray &bytes) { ASSERT_EQ(SaveFile::writeAll(path(u"song.hml"_s), bytes), QString()); }
};

TEST_F(EditorTest, TypingCompilesIntoTheMainWindowAndMarksTheWrongLine)
{
    HmmlEditorWindow &e = editor();
    const std::pair<const char *, const char *> steps[] = {
        // Keys typed (none: undone); the underlined line, red in its gutter, where a click on the message goes, the message, the song.
        {"C-TITLE:Frog|C-TEMPO:120|4 C 2", "0 0 1||$2:4M|Frog|||0"},
        {"|4 X 2", "4 1 4|4行目: 音程が異常です。言語指定にあったものを使用してください。|$2:4M|Frog|||0"}, // the last good song stays
        {"<<<E 2|C-PROGRAM:41", "0 0 1||$2:4MQ|Frog|||40"},
        {"|x", "6 1 6|6行目: 命令／音譜データ以外を以外を検出しました。H-MMLを確認してください。|$2:4MQ|Frog|||40"},
        {nullptr, "0 0 1||$2:4MQ|Frog|||40"},
        {"<<<<<<<<<<<<<", "0 0 1||$2:4MQ|Frog|||0"}, // without its PROGRAM line the song has the default tone again
    };
    for (const auto &[keys, expected] : steps) {
        keys ? type(e, keys) : e.undoAction->trigger();
        settle(e);
        const QImage gutter = e.lineNumberGutter->grab().toImage();
        const int y = e.textEdit->cursorRect().center().y();
        bool red = false;
        for (int x = 0; x < gutter.width(); ++x)
            red = red || (gutter.pixelColor(x, y).red() > 150 && gutter.pixelColor(x, y).green() < 80);
        e.textEdit->goToLine(1);
        e.errorButton->click();
        EXPECT_EQ(u"%1 %2 %3|%4|%5"_s.arg(marked(e, false)).arg(red).arg(e.textEdit->cursorLine())
                      .arg(e.errorButton->isHidden() ? QString() : e.errorButton->text(), song(form())),
                  QString::fromUtf8(expected));
    }
    EXPECT_TRUE(messages.shown.empty()) << "no message box while typing";
}

// A result overtaken by an edit (and a reload) is never shown: only the newest text's.
TEST_F(EditorTest, OnlyTheNewestTextsResultIsGiven)
{
    QString text = u"C-TEMPO:120\r\n4 C 2\r\n"_s;
    LiveCompiler compiler([&] { return text; });
    compiler.setDelay(0);
    QStringList given;
    QObject::connect(&compiler, &LiveCompiler::compiled, [&](const HmmlConversion &c) { given << c.song.omp; });
    for (const auto &[next, reloaded] : {std::pair("C-TEMPO:120\r\n4 D 2\r\n", false), std::pair("C-TEMPO:60\r\n4 E 2\r\n", true)}) {
        compiler.compileNow(); // its result is not taken before the event loop runs
        text = QString::fromLatin1(next);
        compiler.textEdited();
        if (reloaded)
            compiler.compileNow();
        ASSERT_TRUE(testsupport::waitFor([&] { return !compiler.isBusy(); }));
    }
    EXPECT_EQ(given.join(u' '), u"$2:4O $1:4Q");
}

TEST_F(EditorTest, FindsRoundTheEndsAndColoursCommandsNotesRestsAndComments)
{
    // Each character's kind: Command, Argument, Length, Pitch, Octave, Rest, ' comment; blank: none. "C" is no name in KATAKANA.
    const QString text = u"C-TEMPO:120 ' fast|4 C# 2' up|2 * |  c-loop:2|4 C 2 9|C-LANGUAGE:KATAKANA|8 ド 3|8 C 3"_s;
    const QString kind = u"CCCCCCC AAAA''''''|L PP O''''|L R |  CCCCCC A|L P O  |CCCCCCCCCC AAAAAAAA|L P O|L   O"_s;
    HmmlEditorWindow &e = editor();
    e.textEdit->setPlainText(QString(text).replace(u'|', u'\n'));
    QStringList seen;
    for (QTextBlock b = e.textEdit->document()->begin(); b.isValid(); b = b.next()) {
        seen << QString(b.length() - 1, u' ');
        for (const QTextLayout::FormatRange &r : b.layout()->formats()) {
            int k = 0; // the first kind that looks so: two kinds that look alike fail
            while (k < 7 && r.format != HmmlHighlighter::format(HmmlHighlighter::Kind(k)))
                ++k;
            seen.back().replace(r.start, r.length, QString(r.length, QLatin1Char("CALPOR'?"[k])));
        }
    }
    EXPECT_EQ(seen.join(u'|'), kind);
    // Found forward (Return, button, menu) round the end, then back (button, menu) round the other.
    e.findAction->trigger();
    e.findEdit->setText(u"4 C"_s);
    QString found; // the line and the selection after each
    for (const auto &find : std::initializer_list<std::function<void()>>{
             [&] { QTest::keyClick(e.findEdit, Qt::Key_Return); }, [&] { e.findNextButton->click(); }, [&] { e.findNextAction->trigger(); },
             [&] { e.findPreviousButton->click(); }, [&] { e.findPreviousAction->trigger(); }}) {
        find();
        found += u"%1 %2,"_s.arg(e.textEdit->cursorLine()).arg(e.textEdit->textCursor().selectedText());
    }
    e.findEdit->setText(u"X3"_s);
    found += u"%1 %2 %3"_s.arg(int(e.findNext())).arg(e.textEdit->cursorLine()).arg(e.newsLabel->text());
    EXPECT_EQ(found, u"2 4 C,5 4 C,2 4 C,5 4 C,2 4 C,0 2 「X3」は見つかりません。");
}

TEST_F(EditorTest, FilesKeepTheirEncodingAndLineBreaks)
{
    const std::pair<const char *, QByteArray> files[] = { // "4 C 2" is typed at the end of each
        // Control codes stay the bytes they were (ICU's CP932 swaps three).
        {"sjis.hml", sjis(u"C-TITLE:かえる\r\n"_s) + "' \x1A\x1C\x7F\r\nC-TEMPO:120\r\n"},
        {"bom.hml", "\xEF\xBB\xBF" "C-TITLE:かえる\nC-TEMPO:120\n"},
        {"cr.hml", "C-TITLE:かえる\rC-TEMPO:120\r"},
    };
    HmmlEditorWindow &e = editor();
    const auto saveAs = [&](const char *name) { dialogs.chooseNext(path(QString::fromLatin1(name))); e.saveAction->trigger(); };
    for (const auto &[name, bytes] : files) {
        dialogs.chooseNext(write(QString::fromLatin1(name), bytes));
        e.openAction->trigger();
        type(e, "4 C 2");
        e.saveAction->trigger();
        settle(e);
        EXPECT_EQ(read(QString::fromLatin1(name)), bytes + "4 C 2") << name;
        EXPECT_EQ(u"%1 %2 %3"_s.arg(song(form()), form().session().songFile()).arg(e.isModified()),
                  u"$2:4M|かえる|||0 %1 0"_s.arg(path(QString::fromLatin1(name)))) << name;
    }
    // A new file is CP932 with CR LF; opening another asks first; saving asks before it replaces a file, refuses by
    // name what CP932 cannot hold, writing nothing, and a failed save keeps the window.
    e.newAction->trigger();
    type(e, "C-TITLE:ぴょん|C-TEMPO:60|' ♫");
    dialogs.shown.clear();
    messages.answerNext(MessageBoxes::Answer::Cancel); // no dialog shows
    e.openAction->trigger();
    saveAs("new.hml");
    EXPECT_TRUE(lastMessage().contains(u'♫') && !QFile::exists(path(u"new.hml"_s))) << str(lastMessage());
    type(e, "<<<<");
    messages.answerNext(MessageBoxes::Answer::No);
    saveAs("cr.hml");
    dialogs.chooseNext(path(u"missing/new.hml"_s));
    EXPECT_FALSE(e.close());
    saveAs("new.hml");
    EXPECT_EQ(read(u"cr.hml"_s) + read(u"new.hml"_s), files[2].second + "4 C 2" + sjis(u"C-TITLE:ぴょん\r\nC-TEMPO:60"_s));
    EXPECT_EQ(u"%1 "_s.arg(dialogs.shown.size()) + e.windowTitle(), u"4 new.hml[*] - H-MMLエディタ");
    // Saved into a pipe, the next save writes without waiting to read it back.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"pipe"_s)).constData(), 0600), 0);
    const QByteArray twice = sjis(u"C-TITLE:ぴょん\r\nC-TEMPO:60"_s).repeated(2);
    QByteArray heard; // the two saves in one reading or in two
    std::thread listener([&] { while (heard.size() < twice.size()) heard += read(u"pipe"_s); });
    dialogs.chooseNext(path(u"pipe"_s));
    e.saveAsAction->trigger();
    e.saveAction->trigger();
    listener.join();
    EXPECT_EQ(heard, twice);
}

TEST_F(EditorTest, UnsavedChangesAreAskedAboutOnCloseAndExit)
{
    using A = MessageBoxes::Answer;
    const std::tuple<std::vector<A>, bool, bool, bool> cases[] = { // answers; the main window closed; closes, saved
        {{A::Cancel}, false, false, false}, {{A::No}, false, true, false}, {{A::Yes}, false, true, true},
        {{A::Yes, A::Cancel}, true, false, false}, {{A::Yes, A::Yes}, true, true, true}, // the exit agreed to, then the editor
    };
    for (const auto &[answers, mainWindow, closes, saved] : cases) {
        flushDeletes();
        HmmlEditorWindow &e = editor({write(u"song.hml"_s, "C-TEMPO:120\r\n")});
        e.openFile(path(u"song.hml"_s)); // also when the editor stayed open
        type(e, "4 C 2");
        messages.shown.clear();
        for (A a : answers)
            messages.answerNext(a);
        const bool closed = mainWindow ? closeWindow() : e.close();
        EXPECT_EQ(std::tuple(closed, read(u"song.hml"_s), lastMessage().contains(u"保存されていません")),
                  std::tuple(closes, QByteArray(saved ? "C-TEMPO:120\r\n4 C 2" : "C-TEMPO:120\r\n"), true));
    }
}

TEST_F(EditorTest, FollowsTheSoundingNoteAndPlaysFromTheCursorsLine)
{
    // Notes: M (line 2), O (line 4), Q (line 6) and its repetition.
    HmmlEditorWindow &e = editor({write(u"song.hml"_s, "C-TEMPO:120\r\n4 C 2\r\n' x\r\n8 D 2\r\nC-LOOP:1\r\n4 E 2\r\nC-LEND\r\n")});
    MainWindow &f = form();
    const auto at = [&](double seconds) { // the line shown in the editor, the main window's selection
        player.reportedPosition = seconds;
        f.session().followPlayback();
        return u"%1 %2,"_s.arg(marked(e, true)).arg(f.ompEdit->textCursor().selectedText());
    };
    f.play();
    EXPECT_EQ(at(0.5) + at(2.0) + at(6.5) + at(8.1), u"2 4M,4 8O,6 4Q,6 Q,");
    const auto playFrom = [&](int line) { e.textEdit->goToLine(line); e.playFromCursorAction->trigger(); };
    playFrom(5); // the loop's line: the file starts at its first note
    EXPECT_EQ(u"%1: "_s.arg(readMidiTiming(readFile(f.session().temporaryFilePath())).totalTicks) + at(0) + at(2.1), u"3840: 6 4Q,6 Q,");
    playFrom(7);
    EXPECT_EQ(lastMessage(), u"カーソルの行から後に音符がありません。");
    // The OMP box edited by hand: only the editor follows.
    f.play();
    f.ompEdit->insertPlainText(u"R"_s);
    EXPECT_EQ(at(2.0), u"4 ,");
    e.stopAction->trigger();
    EXPECT_EQ(player.fileName() + QString::number(marked(e, true)), u"0");
}

TEST_F(EditorTest, AFileSavedByAnotherProgramIsReadAgain)
{
    MainWindow &f = started({write(u"song.hml"_s, "C-TEMPO:120\r\n4 C 2\r\n")});
    f.play();
    const std::tuple<bool, QByteArray, const char *> saves[] = {
        // Written in place or renamed over; then the song shown, whether it played again, messages.
        {false, "C-TEMPO:120\r\n4 D 2\r\n", "$2:4O 1 0"}, {true, "C-TEMPO:120\r\n4 E 2\r\n", "$2:4Q 1 0"},
        {false, "C-TEMPO:120\r\n4 X 2\r\n", "$2:4Q 0 1"}, {false, "C-TEMPO:60\r\n4 E 2\r\n", "$1:4Q 1 0"}, // a mistake keeps the song
    };
    for (const auto &[inPlace, bytes, expected] : saves) {
        player.calls.clear();
        messages.shown.clear();
        inPlace ? void(write(u"song.hml"_s, bytes)) : saveElsewhere(bytes);
        ASSERT_TRUE(testsupport::waitFor([&] { return f.session().hmmlSource() == QString::fromLatin1(bytes) || !messages.shown.empty(); })) << expected;
        EXPECT_EQ(u"%1 %2 %3"_s.arg(f.ompEdit->toPlainText()).arg(player.calls.count(u"setFileName:"_s + f.session().temporaryFilePath()))
                      .arg(messages.shown.size()), QString::fromUtf8(expected));
    }
    // The editor holding the file reads it, unless it holds changes of its own.
    HmmlEditorWindow &e = editor();
    saveElsewhere("C-TEMPO:120\r\n4 F 2\r\n");
    ASSERT_TRUE(testsupport::waitFor([&] { return f.ompEdit->toPlainText() == u"$2:4R"; }));
    type(e, "4 G 2");
    saveElsewhere("C-TEMPO:120\r\n4 A 2\r\n");
    ASSERT_TRUE(testsupport::waitFor([&] { return e.newsLabel->text().contains(u"未保存"); }));
    EXPECT_EQ(e.textEdit->toPlainText(), u"C-TEMPO:120\n4 F 2\n4 G 2");
    // Saving over the other program's save asks first; once saved, no more.
    for (const auto answer : {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes, MessageBoxes::Answer::Cancel}) {
        messages.shown.clear();
        messages.answerNext(answer);
        e.saveAction->trigger();
        EXPECT_EQ(std::tuple(messages.shown.size(), read(u"song.hml"_s).contains("4 G 2"), e.isModified()),
                  std::tuple(answer == MessageBoxes::Answer::Cancel ? 0u : 1u, answer != MessageBoxes::Answer::No, answer == MessageBoxes::Answer::No));
        EXPECT_TRUE(messages.shown.empty() || lastMessage().contains(u"ほかのプログラムが変更")) << str(lastMessage());
        type(e, answer == MessageBoxes::Answer::Yes ? "|" : "");
    }
    delete &e;
    // Switched off in the settings: saves are left alone.
    f.settingsAction->trigger();
    f.settingsDialog()->autoReloadCheck->setChecked(false);
    f.settingsDialog()->storeChoices();
    saveElsewhere("C-TEMPO:120\r\n4 B 2\r\n");
    testsupport::waitFor([] { return false; }, 500);
    EXPECT_FALSE(f.session().hmmlSource().contains(u"4 B 2"));
}

TEST_F(EditorTest, TheReloadSettingIsWrittenOnceChanged)
{
    AppSettings s;
    QString lines; // the key's line after each save, and the setting read back
    for (const qint16 value : {0, 1}) { // off, then on again: the line the file holds is rewritten
        s.AutoReload = value;
        ASSERT_TRUE(SaveSettings(s, settingsPath()).ok());
        lines += QRegularExpression(u"自動再読み込み[^\r\n]*"_s).match(Cp932::decode(read(u"vltn.ini"_s))).captured() + u' '
                 + QString::number(LoadSettings(settingsPath()).AutoReload) + u',';
    }
    EXPECT_EQ(lines, u"自動再読み込み=0 0,自動再読み込み=1 1,");
}

// Songs without an H-MML file of their own; the other tests open the editor on a song's file.
TEST_F(EditorTest, OpensOnTheSongsOwnHmml)
{
    write(u"tune.mid"_s, testmidi::song({{60, 480}}));
    ASSERT_TRUE(SaveSong(path(u"song.vtd"_s), Song{u"$2:4M"_s, {}, {}, {}, 0, {}, {}}).ok());
    MainWindow &f = started();
    const std::tuple<QAction *, const char *, const char *, bool> cases[] = {
        // Opened through, the file; then the editor's text (none: the main window's H-MML), unsaved. It belongs to no file.
        {f.openMidiAction, "tune.mid", nullptr, true}, // the melody, not saved (the save dialog cancelled)
        {f.openSongAction, "song.vtd", "", false}, // a song file: no H-MML
    };
    for (const auto &[menu, opened, text, unsaved] : cases) {
        dialogs.chooseNext(path(QString::fromLatin1(opened)));
        menu->trigger();
        ASSERT_TRUE(testsupport::waitFor([&] { return !f.session().isImporting(); })); // a MIDI file is read on another thread
        HmmlEditorWindow &e = editor();
        EXPECT_EQ(std::tuple(e.documentPath() + f.session().songFile(), e.textEdit->toPlainText(), e.isModified()),
                  std::tuple(QString(), text ? QString::fromUtf8(text) : QString(f.session().hmmlSource()).remove(u'\r'), unsaved)) << opened;
        delete &e;
    }
}

// A long text goes in by stretches: its first lines show at once and the box takes no typing until all of it is
// in; a file so opened is not modified and has nothing to undo, a paste so made is one edit to undo. Lines are
// coloured when shown, with the LANGUAGE in force however far above.
TEST_F(EditorTest, LongTextsGoInByStretchesAndLinesAreColouredAsShown)
{
    QString text = u"C-LANGUAGE:KATAKANA\r\nC-TEMPO:120\r\n"_s;
    for (int i = 0; i < 30000; ++i)
        text += u"4 ド 2\r\n"_s;
    write(u"song.hml"_s, sjis(text));
    MainWindow &f = started({path(u"song.hml"_s)});
    f.editorAction->trigger();
    HmmlEditorWindow &e = *f.editor();
    // "lines in, read-only, modified, undo": the first lines, then all of them.
    const auto state = [&] {
        return u"%1 %2 %3 %4"_s.arg(e.textEdit->blockCount() < 30003 ? u"some"_s : QString::number(e.textEdit->blockCount()))
            .arg(e.textEdit->isReadOnly())
            .arg(e.isModified())
            .arg(e.textEdit->document()->isUndoAvailable());
    };
    const QString first = state();
    settle(e);
    EXPECT_EQ(std::tuple(first, e.textEdit->document()->firstBlock().text(), state(), e.textEdit->toPlainText() == QString(text).remove(u'\r')),
              std::tuple(u"some 1 0 0"_s, u"C-LANGUAGE:KATAKANA"_s, u"30003 0 0 0"_s, true));

    // Pitch names coloured on the lines shown (KATAKANA's ド), none on lines never shown.
    const auto pitches = [&](int line) {
        const QTextBlock b = e.textEdit->document()->findBlockByNumber(line - 1);
        return int(std::count_if(b.layout()->formats().cbegin(), b.layout()->formats().cend(), [](const QTextLayout::FormatRange &r) {
            return r.format == HmmlHighlighter::format(HmmlHighlighter::Kind::Pitch);
        }));
    };
    const auto show = [&](int line) {
        e.textEdit->goToLine(line);
        (void)e.textEdit->viewport()->grab();
    };
    show(30002);
    EXPECT_EQ(std::tuple(pitches(3), pitches(15000), pitches(30002)), std::tuple(1, 0, 1));
    // Another LANGUAGE at the top: ド is no name of it, down to the last line once shown.
    QTextCursor top(e.textEdit->document());
    top.movePosition(QTextCursor::EndOfBlock);
    top.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    top.insertText(u"C-LANGUAGE:ITALY"_s);
    show(30002);
    EXPECT_EQ(pitches(30002), 0);
    e.textEdit->undo();
    show(30002);
    EXPECT_EQ(pitches(30002), 1);
    // One added in the middle counts from there on; taken out again, no more.
    QTextCursor middle(e.textEdit->document()->findBlockByNumber(14999));
    middle.insertText(u"C-LANGUAGE:ITALY\n"_s);
    show(30003);
    const int below = pitches(30003);
    show(10000);
    const int above = pitches(10000);
    middle.setPosition(e.textEdit->document()->findBlockByNumber(14999).position());
    middle.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    middle.removeSelectedText();
    show(30002);
    EXPECT_EQ(std::tuple(below, above, pitches(30002)), std::tuple(0, 1, 1));

    // 20,000 lines pasted at the end: in by stretches, one edit to undo.
    QString pasted;
    for (int i = 0; i < 20000; ++i)
        pasted += u"8 レ 3\n"_s;
    QGuiApplication::clipboard()->setText(pasted);
    const QString before = e.textEdit->toPlainText();
    e.textEdit->moveCursor(QTextCursor::End);
    e.textEdit->paste();
    const bool stretched = e.textEdit->isLoading() && e.textEdit->isReadOnly();
    settle(e);
    const int lines = e.textEdit->blockCount();
    e.undoAction->trigger();
    EXPECT_EQ(std::tuple(stretched, lines, e.textEdit->toPlainText() == before), std::tuple(true, 50003, true));
}

// A LANGUAGE line deep in a long text, in a piece that goes in long after the first lines are shown, counts from
// there on, whether the piece's lines end in LF or CR LF, read from a file or pasted.
TEST_F(EditorTest, ALanguageLineDeepInALongTextCountsFromThereOnHoweverItWentIn)
{
    const auto lines = [](int count, int languageAt, const QString &language, const QString &end) {
        QString text;
        for (int i = 0; i < count; ++i)
            text += (i == languageAt ? u"C-LANGUAGE:"_s + language : u"4 ド 2"_s) + end;
        return text;
    };
    write(u"song.hml"_s, sjis(lines(12000, 7000, u"KATAKANA"_s, u"\r\n"_s)));
    HmmlEditorWindow &e = editor({path(u"song.hml"_s)});
    const auto pitches = [&](int line) {
        e.textEdit->goToLine(line);
        (void)e.textEdit->viewport()->grab();
        const QTextBlock b = e.textEdit->document()->findBlockByNumber(line - 1);
        return int(std::count_if(b.layout()->formats().cbegin(), b.layout()->formats().cend(), [](const QTextLayout::FormatRange &r) {
            return r.format == HmmlHighlighter::format(HmmlHighlighter::Kind::Pitch);
        }));
    };
    EXPECT_EQ(std::tuple(pitches(6999), pitches(7002), pitches(12000)), std::tuple(0, 1, 1));
    // Pasted at the end: ITALY from its line on, KATAKANA still above it.
    for (const QString &end : {u"\n"_s, u"\r\n"_s}) {
        SCOPED_TRACE(end.size());
        const int before = e.textEdit->blockCount();
        QGuiApplication::clipboard()->setText(lines(9000, 5000, u"ITALY"_s, end));
        e.textEdit->moveCursor(QTextCursor::End);
        e.textEdit->paste();
        settle(e);
        EXPECT_EQ(std::tuple(e.textEdit->blockCount() - before, pitches(before + 4999), pitches(before + 5002), pitches(before + 8999)),
                  std::tuple(9000, 1, 0, 0));
        e.undoAction->trigger();
        EXPECT_EQ(std::tuple(e.textEdit->blockCount(), pitches(before - 1)), std::tuple(before, 1));
    }
}

// The machine's own voice chosen in the settings: the song goes to the sample player, the editor marks and
// explains the notes the machine plays out of tune, and the sounding note is followed as with the other voice.
TEST_F(EditorTest, TheMachineVoicePlaysTheSongAndMarksWhatItPlaysOutOfTune)
{
    // G of octave 4 is tone 0 on the PC-E500: 2844 Hz against 3136, far off; tone 11 on the PC-G800, 27 cents sharp.
    HmmlEditorWindow &e = editor({write(u"song.hml"_s, "C-TEMPO:120\r\n4 C 2\r\n4 G 4\r\n")});
    MainWindow &f = form();
    // The line; the editor's marks and the tooltip's machines, under the General MIDI voice and under each machine's.
    const auto shown = [&](int line) {
        QStringList marks;
        for (const int l : e.textEdit->offTuneLines())
            marks << QString::number(l);
        const QString tip = e.textEdit->lineToolTip(line);
        return u"%1|%2|%3"_s.arg(marks.join(u','), tip.section(u'\n', 1).replace(QRegularExpression(u"、[0-9.]+ Hz、[-+0-9.]+ セント"_s), u""_s),
                               QString::number(e.noteView->notes() ? e.noteView->notes()->size() : -1));
    };
    std::vector<QString> seen;
    for (const qint16 voice : {0, 1, 2}) {
        f.settings().Voice = voice;
        f.applySettings(f.settings());
        seen.push_back(shown(3));
    }
    EXPECT_EQ(seen, (std::vector<QString>{u"|PC-E500: トーン 0 (ずれが大きい音)\nPC-G800: トーン 11 (ずれが大きい音)|2"_s,
                                          u"3|PC-E500: トーン 0 (ずれが大きい音)|2"_s, u"3|PC-G800: トーン 11 (ずれが大きい音)|2"_s}));
    EXPECT_EQ(e.textEdit->lineToolTip(1), QString()) << "a line without a note";

    // Played in the PC-E500's voice: only the sample player sounds, and the sounding note is followed.
    f.settings().Voice = 1;
    player.calls.clear();
    e.playAction->trigger();
    const voice::Voice expected(voice::soundEvents(f.session().omp(), Machine::E500, voice::Program::Beep).events);
    EXPECT_EQ(std::tuple(player.calls, samplePlayer.calls, samplePlayer.stream.frames),
              std::tuple(QStringList{u"setFileName:"_s}, QStringList{u"stop"_s, u"play:%1:0"_s.arg(expected.frameCount()), u"setPlayCount:1"_s},
                         expected.frameCount()));
    samplePlayer.reportedFrame = expected.noteStartFrame(1) + 10;
    f.session().followPlayback();
    EXPECT_EQ(marked(e, true), 3);
    samplePlayer.fail(u"オーディオ装置がありません"_s);
    EXPECT_EQ(lastMessage(), u"オーディオ装置がありません");
}

// Out-of-tune marks are on the lines in view (a long song's every mark would be moved at every keystroke), and
// come with the lines that come into view.
TEST_F(EditorTest, OutOfTuneMarksAreOnTheLinesInView)
{
    QByteArray text = "C-TEMPO:120\r\n";
    for (int i = 0; i < 400; ++i)
        text += i % 2 ? "4 G 4\r\n" : "4 C 2\r\n"; // every G of octave 4 far off on the PC-E500
    MainWindow &f = started({write(u"song.hml"_s, text)});
    f.settings().Voice = 1;
    f.applySettings(f.settings());
    HmmlEditorWindow &e = editor();
    // "marked lines, first, last" of the underlines.
    const auto marks = [&] {
        QList<int> lines;
        for (const QTextEdit::ExtraSelection &s : e.textEdit->extraSelections())
            if (s.format.underlineStyle() == QTextCharFormat::DotLine)
                lines << s.cursor.blockNumber() + 1;
        return lines;
    };
    const QList<int> top = marks();
    e.textEdit->goToLine(399);
    const QList<int> bottom = marks();
    ASSERT_FALSE(top.isEmpty() || bottom.isEmpty());
    EXPECT_EQ(std::tuple(e.textEdit->offTuneLines().size(), top.front(), top.size() < 100, bottom.back(), bottom.front() > 300),
              std::tuple(200u, 3, true, 401, true));
}

// The note view beside the text: it follows the compile, a click goes to the note's line, the cursor's line is
// highlighted; a selection plays in a loop, and an edit of it is heard at the next turn.
TEST_F(EditorTest, TheNoteViewFollowsTheTextAndASelectionPlaysInALoop)
{
    HmmlEditorWindow &e = editor({write(u"song.hml"_s, "C-TEMPO:120\r\n4 C 2\r\n4 D 2\r\n4 E 2\r\n4 F 2\r\n")});
    MainWindow &f = form();
    e.resize(640, 560);
    e.show();
    ASSERT_TRUE(e.noteView->notes() && e.noteView->notes()->size() == 4);
    QTest::mouseClick(e.noteView->viewport(), Qt::LeftButton, {}, e.noteView->noteRect(1).center());
    e.textEdit->goToLine(5);
    EXPECT_EQ(std::pair(e.noteView->currentLine(), e.textEdit->cursorLine()), std::pair(5, 5));
    QTest::mouseClick(e.noteView->viewport(), Qt::LeftButton, {}, e.noteView->noteRect(1).center());
    EXPECT_EQ(std::pair(e.noteView->currentLine(), e.textEdit->cursorLine()), std::pair(3, 3));

    // Lines 3 and 4 selected (the selection ends at the start of line 5).
    const auto keys = [&] {
        QList<int> k;
        for (const MidiTrack &t : readMidi(readFile(f.session().temporaryFilePath()), MidiRead::Notes).tracks)
            for (const MidiNoteEvent &n : t.notes)
                if (n.on)
                    k << n.key;
        return k;
    };
    QTextCursor c(e.textEdit->document()->findBlockByNumber(2));
    c.setPosition(e.textEdit->document()->findBlockByNumber(4).position(), QTextCursor::KeepAnchor);
    e.textEdit->setTextCursor(c);
    e.loopSelectionAction->trigger();
    EXPECT_EQ(keys(), (QList<int>{62, 64}));
    // Where it is: half a second into the selection's first note, the song's second (it starts at 2 s).
    player.reportedPosition = 0.5;
    f.session().followPlayback();
    EXPECT_EQ(std::pair(e.noteView->playPosition(), marked(e, true)), std::pair(2500.0, 3));
    // An edit of the selection, then the end of the turn: the next one plays the lines as they are now.
    QTextCursor edit(e.textEdit->document()->findBlockByNumber(3));
    edit.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit.insertText(u"4 G 2"_s);
    settle(e);
    player.playing = false;
    f.session().followPlayback();
    EXPECT_EQ(std::pair(keys(), player.isPlaying()), std::pair(QList<int>{62, 67}, true));
    e.stopAction->trigger();
    player.playing = false;
    f.session().followPlayback();
    EXPECT_EQ(std::tuple(player.isPlaying(), f.session().isLooping(), e.noteView->playPosition() < 0), std::tuple(false, false, true));
    // Lines without notes are told, and nothing plays.
    e.textEdit->goToLine(1);
    e.loopSelectionAction->trigger();
    EXPECT_EQ(lastMessage(), u"選択範囲の行に音符がありません。");
    // The view can be hidden from the menu, and fits the whole song with one command.
    e.noteViewAction->trigger();
    EXPECT_FALSE(e.noteView->isVisible());
}
