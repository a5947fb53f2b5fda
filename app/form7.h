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

class Form7 : public QDialog {
    Q_OBJECT
public:
    // Loads the dialog from `settings`. The owner disables itself before and
    // enables itself again on unloaded().
    Form7(const AppSettings &settings, MessageBoxes &messages);

    // Command1: gives every control's value through settingsChosen (the
    // owner then selects the preferred tone), then unloads. A separator
    // interval that is not a 16-bit whole number is shown and keeps the
    // dialog open with nothing changed.
    void ok();

    QGroupBox *Frame1, *Frame2, *Frame3;
    QCheckBox *Check8, *Check4, *Check9;
    QComboBox *Combo5, *Combo1, *Combo2, *Combo3, *Combo4, *Combo8, *Combo9, *Combo10;
    QLineEdit *Text1;
    QRadioButton *Option1, *Option2;
    QPushButton *Command1, *Command2;

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
