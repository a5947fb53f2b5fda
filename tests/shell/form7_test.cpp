// The settings dialog: loaded from the settings, the enabling rule of the
// separator box, OK in its order, and cancel or the close box changing
// nothing.

#include "window_fixture.h"

#include "shell/app_info.h"
#include "shell/form7.h"
#include "shell/tone_names.h"

#include <QAction>
#include <QGuiApplication>
#include <QWindow>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QStringList entries(const QComboBox *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all << list->itemText(i);
    return all;
}

class SettingsDialogTest : public WindowTest {
protected:
    // Every setting away from its default, so that a value read from the
    // wrong field shows.
    static AppSettings unusual()
    {
        AppSettings s;
        s.LoopPlay = 1;
        s.DefaultTone = 40;
        s.BaudIndex = 2;
        s.DataBitsIndex = 0;
        s.StopBitsIndex = 1;
        s.ParityIndex = 2;
        s.FlowIndex = 1;
        s.PortIndex = 7;
        s.UseSeparator = 0;
        s.SeparatorInterval = 4;
        s.SeparatorKind = 1;
        s.PortDevice = QStringLiteral("/dev/ttyUSB1");
        return s;
    }

    Form7 &opened()
    {
        started().各種設定->trigger();
        EXPECT_NE(started().settingsDialog(), nullptr);
        return *started().settingsDialog();
    }

    // Sets every control to a value other than `s` holds.
    static void changeEverything(Form7 &d)
    {
        d.Check8->setChecked(!d.Check8->isChecked());
        d.Combo5->setCurrentIndex(100);
        d.Combo1->setCurrentIndex(0);
        d.Combo2->setCurrentIndex(1);
        d.Combo3->setCurrentIndex(0);
        d.Combo4->setCurrentIndex(1);
        d.Combo8->setCurrentIndex(0);
        d.Combo9->setCurrentIndex(15);
        d.Check4->setChecked(!d.Check4->isChecked());
        d.Text1->setText(QStringLiteral("25"));
        (d.Option1->isChecked() ? d.Option2 : d.Option1)->setChecked(true);
        d.Combo10->setEditText(QStringLiteral(" /dev/pts/9 ")); // typed: the system lists no pseudo-terminal
    }
};

TEST_F(SettingsDialogTest, ControlsAndTheirLists)
{
    Form7 &d = opened();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("各種設定-VLTN"));
    EXPECT_EQ(d.Frame2->title(), QStringLiteral("Vellotune全般"));
    EXPECT_EQ(d.Frame1->title(), QStringLiteral("通信関連"));
    EXPECT_EQ(d.Frame3->title(), QStringLiteral("MML2OMP関連"));
    EXPECT_EQ(d.Check8->text(), QStringLiteral("ループ再生する"));
    EXPECT_EQ(d.Check4->text(), QStringLiteral("区切り文字を利用する"));
    EXPECT_EQ(d.Option1->text(), QStringLiteral("スラッシュ「/」を利用する"));
    EXPECT_EQ(d.Option2->text(), QStringLiteral("スペース「\u3000」を利用する"));
    EXPECT_EQ(d.Command1->text(), QStringLiteral("OK"));
    EXPECT_EQ(d.Command2->text(), QStringLiteral("キャンセル"));

    EXPECT_EQ(entries(d.Combo5), toneNames());
    EXPECT_EQ(entries(d.Combo1), QStringList({" 300 bps", " 600 bps", "1200 bps", "2400 bps", "4800 bps", "9600 bps"}));
    EXPECT_EQ(entries(d.Combo2), QStringList({"7 bit", "8 bit"}));
    EXPECT_EQ(entries(d.Combo3), QStringList({"1 bit", "2 bit"}));
    EXPECT_EQ(entries(d.Combo4), QStringList({"none", "even", "odd"}));
    EXPECT_EQ(entries(d.Combo8), QStringList({"RS/CS", "Xon/Xoff", "none"}));
    ASSERT_EQ(d.Combo9->count(), 16);
    EXPECT_EQ(d.Combo9->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(d.Combo9->itemText(15), QStringLiteral("COM16"));
    for (const QComboBox *list : {d.Combo5, d.Combo1, d.Combo2, d.Combo3, d.Combo4, d.Combo8, d.Combo9})
        EXPECT_FALSE(list->isEditable()) << list->objectName().toStdString() << " takes no typing";
    // The labels name each list in Japanese and in English.
    for (const char *label : {"通信速度", "boud rate", "データビット", "data bit", "ストップビット", "stop bit",
                              "パリティビット", "parity", "フロー制御", "flow", "通信ポート", "transfer port",
                              "標準の音色", "文字ごと"}) {
        bool found = false;
        for (const QLabel *l : d.findChildren<QLabel *>())
            found = found || l->text().split(u'\n').contains(QString::fromUtf8(label));
        EXPECT_TRUE(found) << label;
    }
}

TEST_F(SettingsDialogTest, OpeningShowsTheSettingsAndDisablesTheMainWindow)
{
    Form1 &f = started();
    f.settings() = unusual();
    Form7 &d = opened();
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(f.isEnabled());
    EXPECT_EQ(d.Combo10->currentText(), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_TRUE(d.isEnabled()) << "the dialog itself takes input";
    EXPECT_TRUE(d.Check8->isChecked());
    EXPECT_EQ(d.Combo5->currentIndex(), 40);
    EXPECT_EQ(d.Combo1->currentIndex(), 2);
    EXPECT_EQ(d.Combo2->currentIndex(), 0);
    EXPECT_EQ(d.Combo3->currentIndex(), 1);
    EXPECT_EQ(d.Combo4->currentIndex(), 2);
    EXPECT_EQ(d.Combo8->currentIndex(), 1);
    EXPECT_EQ(d.Combo9->currentIndex(), 7);
    EXPECT_FALSE(d.Check4->isChecked());
    EXPECT_EQ(d.Text1->text(), QStringLiteral("4"));
    EXPECT_TRUE(d.Option2->isChecked());
    EXPECT_FALSE(d.Option1->isChecked());
}

TEST_F(SettingsDialogTest, TheSeparatorTickEnablesTheIntervalAndTheKind)
{
    started().settings() = unusual();
    Form7 &d = opened();
    // Loaded without the tick: greyed, holding their values.
    EXPECT_FALSE(d.Text1->isEnabled());
    EXPECT_FALSE(d.Option1->isEnabled());
    EXPECT_FALSE(d.Option2->isEnabled());
    EXPECT_EQ(d.Text1->text(), QStringLiteral("4"));

    d.Check4->click();
    EXPECT_TRUE(d.Text1->isEnabled());
    EXPECT_TRUE(d.Option1->isEnabled());
    EXPECT_TRUE(d.Option2->isEnabled());
    d.Check4->click();
    EXPECT_FALSE(d.Text1->isEnabled());
    EXPECT_FALSE(d.Option2->isEnabled());
    EXPECT_TRUE(d.Option2->isChecked());
}

TEST_F(SettingsDialogTest, WhileOpenNoOtherWindowTakesInput)
{
    Form7 &d = opened();
    EXPECT_EQ(QGuiApplication::modalWindow(), d.windowHandle());
    d.Command2->click();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

TEST_F(SettingsDialogTest, OpeningRightAfterClosingLoadsANewDialog)
{
    Form1 &f = started();
    opened().Command2->click();
    f.各種設定->trigger();
    flushDeletes();
    ASSERT_NE(f.settingsDialog(), nullptr);
    EXPECT_TRUE(f.settingsDialog()->isVisible());
    EXPECT_FALSE(f.isEnabled());
}

TEST_F(SettingsDialogTest, OkStoresEveryControlAndTheToneBecomesThePreferredOne)
{
    Form1 &f = started();
    f.settings() = unusual();
    f.setToneIndex(3);
    Form7 &d = opened();
    changeEverything(d);
    d.Command1->click();

    AppSettings expected;
    expected.LoopPlay = 0;
    expected.DefaultTone = 100;
    expected.BaudIndex = 0;
    expected.DataBitsIndex = 1;
    expected.StopBitsIndex = 0;
    expected.ParityIndex = 1;
    expected.FlowIndex = 0;
    expected.PortIndex = 15; // "COM16"
    expected.UseSeparator = 1;
    expected.SeparatorInterval = 25;
    expected.SeparatorKind = 0;
    expected.PortDevice = QStringLiteral("/dev/pts/9");
    EXPECT_EQ(f.settings(), expected);
    EXPECT_EQ(f.toneIndex(), 100);
    EXPECT_TRUE(f.isEnabled());
    EXPECT_FALSE(d.isVisible());
    flushDeletes();
    EXPECT_EQ(f.settingsDialog(), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("vltn.ini")))) << "the file is written at the exit only";
}

TEST_F(SettingsDialogTest, OkWithoutChangesStillReplacesTheSongsTone)
{
    Form1 &f = started();
    f.settings().DefaultTone = 12;
    const AppSettings before = f.settings();
    f.setToneIndex(-1);
    opened().Command1->click();
    EXPECT_EQ(f.settings(), before);
    EXPECT_EQ(f.toneIndex(), 12);
}

TEST_F(SettingsDialogTest, SeparatorsOffStillKeepsIntervalAndKindForTheNextConversion)
{
    Form1 &f = started();
    Form7 &d = opened();
    d.Text1->setText(QStringLiteral("3"));
    d.Option2->setChecked(true);
    d.Check4->setChecked(false);
    d.Command1->click();
    EXPECT_EQ(f.settings().UseSeparator, 0);
    EXPECT_EQ(f.settings().SeparatorInterval, 3);
    EXPECT_EQ(f.settings().SeparatorKind, 1);

    // The conversion lays the data out by interval and kind alone.
    write(QStringLiteral("song.hml"), "C-TEMPO:120\r\n4 C 2\r\n4 E 2\r\n8 G 2\r\n");
    dialogs.chooseNext(path(QStringLiteral("song.hml")));
    f.Command3->click();
    EXPECT_EQ(f.Text1->toPlainText(), QStringLiteral("$2:4M Q8T"));
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxChangeNothing)
{
    Form1 &f = started();
    f.settings() = unusual();
    f.setToneIndex(5);
    Form7 &cancelled = opened();
    changeEverything(cancelled);
    cancelled.Command2->click();
    EXPECT_EQ(f.settings(), unusual());
    EXPECT_EQ(f.toneIndex(), 5);
    EXPECT_TRUE(f.isEnabled());
    flushDeletes();
    EXPECT_EQ(f.settingsDialog(), nullptr);

    Form7 &closed = opened();
    EXPECT_FALSE(f.isEnabled());
    EXPECT_TRUE(closed.Check8->isChecked()) << "each opening shows the settings afresh";
    changeEverything(closed);
    closed.close();
    EXPECT_EQ(f.settings(), unusual());
    EXPECT_EQ(f.toneIndex(), 5);
    EXPECT_TRUE(f.isEnabled());
}

TEST_F(SettingsDialogTest, AnIntervalThatIsNotA16BitWholeNumberKeepsTheDialogOpen)
{
    Form1 &f = started();
    f.setToneIndex(7);
    const AppSettings before = f.settings();
    Form7 &d = opened();
    d.Check8->setChecked(true);
    for (const char *text : {"", "abc", "1.5", "32768", "-32769", "1e3", "12x"}) {
        d.Text1->setText(QString::fromLatin1(text));
        messages.shown.clear();
        d.Command1->click();
        ASSERT_EQ(messages.shown.size(), 1u) << "\"" << text << "\"";
        EXPECT_EQ(messages.shown[0].title, MessageTitle);
        EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("32767"))) << messages.shown[0].text.toStdString();
        EXPECT_EQ(f.settings(), before) << "\"" << text << "\"";
        EXPECT_EQ(f.toneIndex(), 7);
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(f.isEnabled());
    }

    // The ends of the range, a sign and blanks around the digits are fine.
    for (const auto &[text, value] : {std::pair{"-32768", -32768}, std::pair{" 32767 ", 32767}, std::pair{"+0", 0}}) {
        Form7 &again = f.settingsDialog() ? *f.settingsDialog() : opened();
        again.Text1->setText(QString::fromLatin1(text));
        messages.shown.clear();
        again.Command1->click();
        EXPECT_TRUE(messages.shown.empty()) << text;
        EXPECT_EQ(f.settings().SeparatorInterval, value);
        flushDeletes();
        EXPECT_EQ(f.settingsDialog(), nullptr);
    }
}

} // namespace
