// The settings dialog: loaded from the settings, the enabling rule of the
// separator box, OK in its order, and cancel or the close box changing
// nothing.

#include "window_fixture.h"

#include "app/app_info.h"
#include "app/form7.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

namespace {

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

TEST_F(SettingsDialogTest, ShowsTheSettingsAndIsTheOnlyWindowTakingInput)
{
    Form1 &f = started();
    f.settings() = unusual();
    Form7 &d = opened();
    EXPECT_FALSE(f.isEnabled());
    EXPECT_EQ(QGuiApplication::modalWindow(), d.windowHandle());
    EXPECT_EQ(d.Combo10->currentText(), u"/dev/ttyUSB1");
    EXPECT_EQ((std::array{int(d.Check8->isChecked()), d.Combo5->currentIndex(), d.Combo1->currentIndex(),
                          d.Combo2->currentIndex(), d.Combo3->currentIndex(), d.Combo4->currentIndex(),
                          d.Combo8->currentIndex(), d.Combo9->currentIndex(), int(d.Check4->isChecked()),
                          d.Text1->text().toInt(), int(d.Option2->isChecked())}),
              (std::array{1, 40, 2, 0, 1, 2, 1, 7, 0, 4, 1}));
    // Without the tick the interval and the kind are greyed, keeping their values.
    EXPECT_FALSE(d.Text1->isEnabled() || d.Option1->isEnabled() || d.Option2->isEnabled());
    d.Check4->click();
    EXPECT_TRUE(d.Text1->isEnabled() && d.Option1->isEnabled() && d.Option2->isEnabled());
    d.Check4->click();
    EXPECT_FALSE(d.Text1->isEnabled() || d.Option2->isEnabled());
    EXPECT_TRUE(d.Option2->isChecked());
    d.Command2->click();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    // Opening right after closing loads a new dialog.
    f.各種設定->trigger();
    flushDeletes();
    ASSERT_NE(f.settingsDialog(), nullptr);
    EXPECT_TRUE(f.settingsDialog()->isVisible());
}

TEST_F(SettingsDialogTest, OkStoresEveryControlWhileCancelAndTheCloseBoxChangeNothing)
{
    Form1 &f = started();
    AppSettings expected;
    expected.DefaultTone = 100;
    expected.BaudIndex = 0;
    expected.ParityIndex = 1;
    expected.FlowIndex = 0;
    expected.PortIndex = 15; // "COM16"
    expected.SeparatorInterval = 25;
    expected.PortDevice = QStringLiteral("/dev/pts/9");
    const std::pair<void (*)(Form7 &), bool> ways[] = {
        {[](Form7 &d) { d.Command2->click(); }, false},
        {[](Form7 &d) { d.close(); }, false},
        {[](Form7 &d) { d.Command1->click(); }, true},
    };
    for (const auto &[leave, kept] : ways) {
        f.settings() = unusual();
        f.setToneIndex(5);
        Form7 &d = opened();
        EXPECT_TRUE(d.Check8->isChecked()) << "each opening shows the settings afresh";
        changeEverything(d);
        leave(d);
        // The tone chosen becomes the song's.
        EXPECT_EQ(std::tuple(f.settings(), f.toneIndex(), f.isEnabled()),
                  std::tuple(kept ? expected : unusual(), kept ? 100 : 5, true));
        flushDeletes();
        EXPECT_EQ(f.settingsDialog(), nullptr);
    }
    EXPECT_FALSE(QFile::exists(settingsPath())) << "the file is written at the exit only";
    // OK without changes still makes the preferred tone the song's.
    f.setToneIndex(-1);
    opened().Command1->click();
    EXPECT_EQ(std::tuple(f.settings(), f.toneIndex()), std::tuple(expected, 100));
}

TEST_F(SettingsDialogTest, AnIntervalThatIsNotA16BitWholeNumberKeepsTheDialogOpen)
{
    Form1 &f = started();
    const AppSettings before = f.settings();
    Form7 &d = opened();
    d.Check8->setChecked(true);
    for (const char *text : {"", "abc", "1.5", "32768", "-32769", "1e3", "12x"}) {
        d.Text1->setText(QString::fromLatin1(text));
        messages.shown.clear();
        d.Command1->click();
        ASSERT_EQ(messages.shown.size(), 1u) << "\"" << text << "\"";
        EXPECT_TRUE(messages.shown[0].text.contains(u"32767")) << str(messages.shown[0].text);
        EXPECT_EQ(f.settings(), before) << "\"" << text << "\"";
        EXPECT_TRUE(d.isVisible());
    }
    for (const auto &[text, value] : {std::pair{"-32768", -32768}, std::pair{" 32767 ", 32767}, std::pair{"+0", 0}}) {
        Form7 &again = f.settingsDialog() ? *f.settingsDialog() : opened();
        again.Text1->setText(QString::fromLatin1(text));
        messages.shown.clear();
        again.Command1->click();
        EXPECT_TRUE(messages.shown.empty()) << text;
        EXPECT_EQ(f.settings().SeparatorInterval, value);
        flushDeletes();
    }
}

} // namespace
