#pragma once
// The send window: a program into the pocket computer over the serial line.
// It shows the port and the line's settings (taken from AppSettings, and
// given back through settingsChanged when the user sends or closes), what to
// do on the machine, and while sending the progress and Cancel. It never
// waits for the line: every write and pause runs from the event loop.

#include "core/formats/basic_generator.h"
#include "platform/serial/serial_link.h"
#include "core/song/settings.h"
#include "core/transfer/program_frame.h"

#include <QDialog>

#include <optional>

class MessageBoxes;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

// What the window sends: the output window's text as it stands, or a
// program made from the song's OMP data for the chosen machine and kind.
struct SendRequest {
    BasicMachine machine = BasicMachine::E500;
    std::optional<QString> programText;
    QString omp;
};

class Form8 : public QDialog {
    Q_OBJECT
public:
    Form8(const SendRequest &request, const AppSettings &settings, MessageBoxes &messages, QWidget *parent = nullptr);
    ~Form8() override;

    // Command1, "送信": checks the program, opens the port and starts; a
    // program the machine cannot take is refused before the port opens.
    void send();
    bool isSending() const;
    // The settings with the window's values in place of the given ones.
    AppSettings settings() const;

    QComboBox *Combo1;  // machine
    QComboBox *Combo2;  // what to send
    QComboBox *Combo3;  // port: devices found, or a path typed
    QComboBox *Combo4, *Combo5, *Combo6, *Combo7, *Combo8; // baud, data bits, stop bits, parity, flow
    QSpinBox *Delay1, *Delay2;                              // pauses per character, per line
    QGroupBox *Frame1, *Frame2, *Frame3;
    QPlainTextEdit *Text1; // the steps on the machine
    QProgressBar *ProgressBar1;
    QLabel *Label1; // lines, bytes and time left; the outcome
    QPushButton *Command1, *Command2, *Command3; // send, cancel, close

signals:
    void settingsChanged(const AppSettings &settings);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    void showSteps();
    void showProgress(const SendProgress &sent);
    void finished(const SendOutcome &outcome);
    void setSending(bool sending);
    SerialSettings line() const;

    SendRequest m_request;
    AppSettings m_settings;
    MessageBoxes &m_messages;
    TimerPacingClock m_clock;
    QtSerialLink m_link;
    QByteArray m_bytes;
    int m_lines = 0;
    PacedSchedule m_schedule;
};
