#pragma once
// The send window: a program into the pocket computer over the serial line.
// It shows the port and the line's settings (taken from the serial settings,
// and given back through serialSettingsChanged when the user sends or
// closes), what to do on the machine, and while sending the progress and
// Cancel. It never waits for the line: every write and pause runs from the
// event loop.

#include "core/transfer/send_plan.h"
#include "platform/serial/serial_link.h"

#include <QDialog>

class MessageBoxes;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

class SendWindow : public QDialog {
    Q_OBJECT
public:
    SendWindow(const transfer::SendRequest &request, const SerialSettings &settings, MessageBoxes &messages,
               QWidget *parent = nullptr);
    ~SendWindow() override;

    // "送信": checks the program, opens the port and starts; a program the
    // machine cannot take is refused before the port opens.
    void send();
    bool isSending() const;
    // The serial settings as the window shows them.
    SerialSettings settings() const;

    QComboBox *machineCombo;
    QComboBox *programCombo; // what to send
    QComboBox *portCombo;    // devices found, or a path typed
    QComboBox *baudCombo, *dataBitsCombo, *stopBitsCombo, *parityCombo, *flowCombo;
    QSpinBox *charDelaySpin, *lineDelaySpin;
    QGroupBox *programGroup, *lineGroup, *stepsGroup;
    QPlainTextEdit *stepsText; // the steps on the machine
    QProgressBar *progressBar;
    QLabel *statusLabel; // lines, bytes and time left; the outcome
    QDialogButtonBox *buttons;
    QPushButton *sendButton, *cancelButton, *closeButton;

signals:
    void serialSettingsChanged(const SerialSettings &settings);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    Machine machine() const;
    void showSteps();
    void showProgress(const SendProgress &sent);
    void finished(const SendOutcome &outcome);
    void setSending(bool sending);

    transfer::SendRequest m_request;
    SerialSettings m_settings;
    MessageBoxes &m_messages;
    TimerPacingClock m_clock;
    QtSerialLink m_link;
    transfer::SendPlan m_plan;
};
