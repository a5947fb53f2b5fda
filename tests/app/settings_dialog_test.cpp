// The settings dialog: loaded from the settings, the enabling rule of the
// separator box, OK in its order, and cancel or the close box changing
// nothing.

#include "window_fixture.h"

#include "app/app_info.h"
#include "app/settings_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
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
        s.Voice = 2;
        s.VoiceProgram = 1;
        s.StatementGap = 15;
        return s;
    }

    SettingsDialog &opened()
    {
        started().settingsAction->trigger();
        EXPECT_NE(started().settingsDialog(), nullptr);
        return *started().settingsDialog();
    }

    static void changeEverything(SettingsDialog &d)
    {
        d.loopCheck->setChecked(!d.loopCheck->isChecked());
        d.toneCombo->setCurrentIndex(100);
        d.baudCombo->setCurrentIndex(0);
        d.dataBitsCombo->setCurrentIndex(1);
        d.stopBitsCombo->setCurrentIndex(0);
        d.parityCombo->setCurrentIndex(1);
        d.flowCombo->setCurrentIndex(0);
        d.portCombo->setCurrentIndex(15);
        d.separatorCheck->setChecked(!d.separatorCheck->isChecked());
        d.intervalEdit->setText(QStringLiteral("25"));
        (d.slashOption->isChecked() ? d.spaceOption : d.slashOption)->setChecked(true);
        d.deviceCombo->setEditText(QStringLiteral(" /dev/pts/9 ")); // typed: the system lists no pseudo-terminal
        d.voiceCombo->setCurrentIndex(1);
        d.voiceProgramCombo->setCurrentIndex(0);
        d.statementGapSpin->setValue(40);
    }
};

TEST_F(SettingsDialogTest, ShowsTheSettingsAndIsTheOnlyWindowTakingInput)
{
    MainWindow &f = started();
    f.settings() = unusual();
    SettingsDialog &d = opened();
    EXPECT_FALSE(f.isEnabled());
    EXPECT_EQ(QGuiApplication::modalWindow(), d.windowHandle());
    EXPECT_EQ(d.deviceCombo->currentText(), u"/dev/ttyUSB1");
    EXPECT_EQ((std::array{int(d.loopCheck->isChecked()), d.toneCombo->currentIndex(), d.baudCombo->currentIndex(),
                          d.dataBitsCombo->currentIndex(), d.stopBitsCombo->currentIndex(), d.parityCombo->currentIndex(),
                          d.flowCombo->currentIndex(), d.portCombo->currentIndex(), int(d.separatorCheck->isChecked()),
                          d.intervalEdit->text().toInt(), int(d.spaceOption->isChecked()), d.voiceCombo->currentIndex(),
                          d.voiceProgramCombo->currentIndex(), d.statementGapSpin->value()}),
              (std::array{1, 40, 2, 0, 1, 2, 1, 7, 0, 4, 1, 2, 1, 15}));
    // Without the tick the interval and the kind are greyed, keeping their values.
    EXPECT_FALSE(d.intervalEdit->isEnabled() || d.slashOption->isEnabled() || d.spaceOption->isEnabled());
    d.separatorCheck->click();
    EXPECT_TRUE(d.intervalEdit->isEnabled() && d.slashOption->isEnabled() && d.spaceOption->isEnabled());
    d.separatorCheck->click();
    EXPECT_FALSE(d.intervalEdit->isEnabled() || d.spaceOption->isEnabled());
    EXPECT_TRUE(d.spaceOption->isChecked());
    d.cancelButton->click();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    // Opening right after closing loads a new dialog.
    f.settingsAction->trigger();
    flushDeletes();
    ASSERT_NE(f.settingsDialog(), nullptr);
    EXPECT_TRUE(f.settingsDialog()->isVisible());
}

TEST_F(SettingsDialogTest, OkStoresEveryControlWhileCancelAndTheCloseBoxChangeNothing)
{
    MainWindow &f = started();
    AppSettings expected;
    expected.DefaultTone = 100;
    expected.BaudIndex = 0;
    expected.ParityIndex = 1;
    expected.FlowIndex = 0;
    expected.PortIndex = 15; // "COM16"
    expected.SeparatorInterval = 25;
    expected.PortDevice = QStringLiteral("/dev/pts/9");
    expected.Voice = 1;
    expected.StatementGap = 40;
    const std::pair<void (*)(SettingsDialog &), bool> ways[] = {
        {[](SettingsDialog &d) { d.cancelButton->click(); }, false},
        {[](SettingsDialog &d) { d.close(); }, false},
        {[](SettingsDialog &d) { d.okButton->click(); }, true},
    };
    for (const auto &[leave, kept] : ways) {
        f.settings() = unusual();
        f.setToneIndex(5);
        SettingsDialog &d = opened();
        EXPECT_TRUE(d.loopCheck->isChecked()) << "each opening shows the settings afresh";
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
    opened().okButton->click();
    EXPECT_EQ(std::tuple(f.settings(), f.toneIndex()), std::tuple(expected, 100));
}

TEST_F(SettingsDialogTest, AnIntervalThatIsNotA16BitWholeNumberKeepsTheDialogOpen)
{
    MainWindow &f = started();
    const AppSettings before = f.settings();
    SettingsDialog &d = opened();
    d.loopCheck->setChecked(true);
    for (const char *text : {"", "abc", "1.5", "32768", "-32769", "1e3", "12x"}) {
        d.intervalEdit->setText(QString::fromLatin1(text));
        messages.shown.clear();
        d.okButton->click();
        ASSERT_EQ(messages.shown.size(), 1u) << "\"" << text << "\"";
        EXPECT_TRUE(messages.shown[0].text.contains(u"32767")) << str(messages.shown[0].text);
        EXPECT_EQ(f.settings(), before) << "\"" << text << "\"";
        EXPECT_TRUE(d.isVisible());
    }
    for (const auto &[text, value] : {std::pair{"-32768", -32768}, std::pair{" 32767 ", 32767}, std::pair{"+0", 0}}) {
        SettingsDialog &again = f.settingsDialog() ? *f.settingsDialog() : opened();
        again.intervalEdit->setText(QString::fromLatin1(text));
        messages.shown.clear();
        again.okButton->click();
        EXPECT_TRUE(messages.shown.empty()) << text;
        EXPECT_EQ(f.settings().SeparatorInterval, value);
        flushDeletes();
    }
}

} // namespace
