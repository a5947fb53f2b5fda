#pragma once
// The serial line to a pocket computer: open it with the machine's settings,
// send a program piece by piece with pauses, report progress, cancel, close.
// QtSerialLink does it over QSerialPort; the pauses go through a PacingClock,
// which tests replace to step through a send without waiting.

#include "core/transfer/serial_settings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <functional>

// Calls back once after a pause.
class PacingClock {
public:
    virtual ~PacingClock() = default;
    // Calls `fire` once after `ms` milliseconds, replacing a call not yet made.
    virtual void start(int ms, std::function<void()> fire) = 0;
    virtual void stop() = 0;
};

class TimerPacingClock final : public PacingClock {
public:
    TimerPacingClock();
    void start(int ms, std::function<void()> fire) override;
    void stop() override;

private:
    QTimer m_timer;
    std::function<void()> m_fire;
};

struct SendProgress {
    qint64 bytes = 0;  // bytes that have left the PC
    int lines = 0;     // program lines complete among them
    size_t pieces = 0; // pieces of the schedule sent
};

struct SendOutcome {
    enum class Kind { Done, Cancelled, Failed };
    Kind kind = Kind::Done;
    SendProgress sent;
    QString error; // Japanese, for Failed
};

// One send at a time. finished() comes once per send, and the port is closed
// by then whatever the outcome.
class SerialLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Empty on success, otherwise a Japanese message saying what to do.
    virtual QString open(const SerialLine &settings) = 0;
    // Starts sending `bytes` cut as `schedule` says and returns at once.
    virtual void send(const QByteArray &bytes, const PacedSchedule &schedule) = 0;
    // Stops a send: what has not left the PC is thrown away.
    virtual void cancel() = 0;
    virtual void close() = 0;
    virtual bool isSending() const = 0;

signals:
    void progress(const SendProgress &sent);
    void finished(const SendOutcome &outcome);
};

class QtSerialLink final : public SerialLink {
    Q_OBJECT
public:
    explicit QtSerialLink(PacingClock &clock, QObject *parent = nullptr);
    ~QtSerialLink() override;

    QString open(const SerialLine &settings) override;
    void send(const QByteArray &bytes, const PacedSchedule &schedule) override;
    void cancel() override;
    void close() override;
    bool isSending() const override { return m_sending; }

private:
    QString lostMessage() const;
    void writePiece();
    void onBytesWritten(qint64 count);
    void onError(QSerialPort::SerialPortError error);
    void afterHandedOver();
    qint64 queuedInDriver() const;
    void finish(SendOutcome::Kind kind, const QString &error = QString());
    void discardAndClose(bool discard = true);

    PacingClock &m_clock;
    QSerialPort m_port;
    QString m_device;
    QByteArray m_bytes;
    PacedSchedule m_schedule;
    size_t m_next = 0;      // the piece being sent
    qint64 m_handedOver = 0; // bytes the driver has taken
    bool m_sending = false;
    bool m_waitingForWrite = false;
    SendProgress m_sent;
};

struct SerialPortInfo {
    QString path;        // /dev/ttyUSB0
    QString description; // maker and product, when the system knows them
};

// The serial devices the system lists (pseudo-terminals are not among them).
QList<SerialPortInfo> availableSerialPorts();

// Whether the line behind an open port `fd` is gone: its device was removed
// (a USB adapter pulled out) or the terminal was hung up. The error Qt
// reports then may carry an unrelated, older reason.
bool serialLineGone(int fd, const QString &device);
