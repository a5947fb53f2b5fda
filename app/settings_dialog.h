#pragma once
// The settings dialog: every field of AppSettings. OK changes the settings
// in memory at once; the settings file is written at a confirmed exit.

#include "core/song/settings.h"

#include <QDialog>

class MessageBoxes;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Loads the dialog from `settings`. The owner disables itself before and
    // enables itself again on unloaded().
    SettingsDialog(const AppSettings &settings, MessageBoxes &messages);

    // okButton: gives every control's value through settingsChosen (the
    // owner then selects the preferred tone), then unloads. A separator
    // interval that is not a 16-bit whole number is shown and keeps the
    // dialog open with nothing changed.
    void storeChoices();

    QGroupBox *serialGroup, *generalGroup, *layoutGroup;
    QCheckBox *loopCheck, *separatorCheck, *autoReloadCheck;
    QComboBox *voiceCombo, *voiceProgramCombo;
    QSpinBox *statementGapSpin;
    QComboBox *toneCombo, *baudCombo, *dataBitsCombo, *stopBitsCombo, *parityCombo, *flowCombo, *portCombo, *deviceCombo;
    QLineEdit *intervalEdit;
    QRadioButton *slashOption, *spaceOption;
    QPushButton *okButton, *cancelButton;

signals:
    void settingsChosen(const AppSettings &settings);
    void unloaded();

protected:
    // Unloading, by OK, cancel or the close box.
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void load();
    void applySeparatorEnabling(bool ticked);

    AppSettings m_settings;
    MessageBoxes &m_messages;
};
