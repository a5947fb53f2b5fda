#include "platform/serial/serial_link.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSignalBlocker>

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Without pauses the next line is handed over while this much still waits
// in the driver: the line stays busy, yet Cancel and the progress shown stay
// close to what has really left.
constexpr qint64 DriverHighWater = 256;
constexpr int DrainPollMs = 10;

QSerialPort::Parity qtParity(SerialParity parity)
{
    switch (parity) {
    case SerialParity::Even: return QSerialPort::EvenParity;
    case SerialParity::Odd: return QSerialPort::OddParity;
    case SerialParity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl qtFlow(SerialFlow flow)
{
    switch (flow) {
    case SerialFlow::Hardware: return QSerialPort::HardwareControl;
    case SerialFlow::Software: return QSerialPort::SoftwareControl;
    case SerialFlow::None: break;
    }
    return QSerialPort::NoFlowControl;
}

QString openFailure(QSerialPort::SerialPortError error, const QString &device, const QString &detail)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("通信ポート %1 が見つかりません。ケーブルがつながっているか、ポートの名前が正しいかを確かめてください。")
            .arg(device);
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        // Qt says "permission" for a port locked by another program too; the
        // device's own access bits tell the two apart.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
            return QStringLiteral("通信ポート %1 を使う権限がありません。ユーザーを dialout グループに加え "
                                  "(sudo adduser $USER dialout)、ログインし直してください。")
                .arg(device);
        return QStringLiteral("通信ポート %1 は、ほかのプログラムが使っています。そのプログラムを終えてから送ってください。")
            .arg(device);
    default: break;
    }
    return QStringLiteral("通信ポート %1 を開けません (%2)。").arg(device, detail);
}

} // namespace

TimerPacingClock::TimerPacingClock()
{
    m_timer.setSingleShot(true);
    // 16 ms pauses: a coarse timer may be 5 % late on each.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // The call may start the clock again.
        const std::function<void()> fire = std::move(m_fire);
        m_fire = nullptr;
        if (fire)
            fire();
    });
}

void TimerPacingClock::start(int ms, std::function<void()> fire)
{
    m_fire = std::move(fire);
    m_timer.start(std::max(ms, 0));
}

void TimerPacingClock::stop()
{
    m_timer.stop();
    m_fire = nullptr;
}

QtSerialLink::QtSerialLink(PacingClock &clock, QObject *parent) : SerialLink(parent), m_clock(clock)
{
    connect(&m_port, &QSerialPort::bytesWritten, this, &QtSerialLink::onBytesWritten);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLink::onError);
    // Whatever the machine says besides Xon/Xoff (which the driver takes) is
    // not needed.
    connect(&m_port, &QSerialPort::readyRead, this, [this] { m_port.readAll(); });
}

QtSerialLink::~QtSerialLink()
{
    discardAndClose();
}

QString QtSerialLink::open(const SerialLine &s)
{
    close();
    m_device = s.device;
    if (s.device.isEmpty())
        return QStringLiteral("通信ポートが指定されていません。送信の設定でポートを選んでください。");
    if (!QFileInfo::exists(s.device))
        return openFailure(QSerialPort::DeviceNotFoundError, s.device, QString());
    m_port.setPortName(s.device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString message = openFailure(m_port.error(), s.device, m_port.errorString());
        m_port.clearError();
        return message;
    }
    // Set one by one on the open port: a pseudo-terminal refuses 7 data bits,
    // parity and the modem lines with UnsupportedOperationError, which onError
    // passes over, while a real adapter takes them all.
    m_port.setBaudRate(s.baud);
    m_port.setDataBits(s.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_port.setParity(qtParity(s.parity));
    m_port.setFlowControl(qtFlow(s.flow));
    // Qt turns Xon/Xoff on without naming the two characters: a port left
    // with others (or none, as a fresh pseudo-terminal has) would never stop.
    termios tio = {};
    if (s.flow == SerialFlow::Software && ::tcgetattr(m_port.handle(), &tio) == 0) {
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
        ::tcsetattr(m_port.handle(), TCSANOW, &tio);
    }
    m_port.clearError();
    return QString();
}

void QtSerialLink::send(const QByteArray &bytes, const PacedSchedule &schedule)
{
    m_bytes = bytes;
    m_schedule = schedule;
    m_next = 0;
    m_handedOver = 0;
    m_sent = {};
    m_sending = true;
    if (!m_port.isOpen()) {
        finish(SendOutcome::Kind::Failed, QStringLiteral("通信ポートが開いていません。"));
        return;
    }
    if (m_schedule.empty()) {
        finish(SendOutcome::Kind::Done);
        return;
    }
    writePiece();
}

void QtSerialLink::writePiece()
{
    if (!m_sending)
        return;
    const qsizetype begin = m_next == 0 ? 0 : m_schedule[m_next - 1].end;
    const qsizetype end = m_schedule[m_next].end;
    m_waitingForWrite = true;
    if (m_port.write(m_bytes.constData() + begin, end - begin) != end - begin && m_sending)
        finish(SendOutcome::Kind::Failed, serialLineGone(m_port.handle(), m_device)
                                              ? lostMessage()
                                              : QStringLiteral("通信ポート %1 に書き込めません (%2)。").arg(m_device, m_port.errorString()));
}

void QtSerialLink::onBytesWritten(qint64 count)
{
    m_handedOver += count;
    if (m_sending && m_waitingForWrite && m_handedOver >= m_schedule[m_next].end) {
        m_waitingForWrite = false;
        afterHandedOver();
    }
}

qint64 QtSerialLink::queuedInDriver() const
{
    int queued = 0;
    if (m_port.handle() < 0 || ::ioctl(m_port.handle(), TIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

void QtSerialLink::afterHandedOver()
{
    if (!m_sending)
        return;
    const PacedChunk &piece = m_schedule[m_next];
    const bool last = m_next + 1 == m_schedule.size();
    const qint64 queued = queuedInDriver();
    // A pause counts from when the piece has left, and the send is over only
    // when the last byte has.
    if (queued > ((piece.pauseMs > 0 || last) ? 0 : DriverHighWater)) {
        m_clock.start(DrainPollMs, [this] { afterHandedOver(); });
        return;
    }
    ++m_next;
    m_sent = {m_handedOver - queued, piece.linesDone, m_next};
    emit progress(m_sent);
    if (last) {
        finish(SendOutcome::Kind::Done);
        return;
    }
    if (piece.pauseMs > 0)
        m_clock.start(piece.pauseMs, [this] { writePiece(); });
    else
        writePiece();
}

void QtSerialLink::onError(QSerialPort::SerialPortError error)
{
    // A pseudo-terminal cannot do parity, 7 bits or modem lines; a timeout
    // only ends a wait nobody makes here.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError
        || error == QSerialPort::TimeoutError || !m_port.isOpen())
        return;
    const QString detail = m_port.errorString();
    m_port.clearError();
    // A pulled cable leaves the port open with ResourceError: it is closed
    // here, or every later read and write would fail the same way.
    if (!m_sending) {
        close();
        return;
    }
    finish(SendOutcome::Kind::Failed, error == QSerialPort::ResourceError || serialLineGone(m_port.handle(), m_device)
                                          ? lostMessage()
                                          : QStringLiteral("通信ポート %1 でエラーが起きました (%2)。").arg(m_device, detail));
}

QString QtSerialLink::lostMessage() const
{
    return QStringLiteral("通信が途切れました。ケーブルが抜けたか、通信ポート %1 がなくなりました。").arg(m_device);
}

void QtSerialLink::cancel()
{
    if (m_sending)
        finish(SendOutcome::Kind::Cancelled);
}

void QtSerialLink::close()
{
    discardAndClose();
}

void QtSerialLink::discardAndClose(bool discard)
{
    m_clock.stop();
    if (m_port.isOpen()) {
        // Bytes still in the driver would otherwise hold close() until they
        // leave, which a machine that sent Xoff may never allow. After a
        // whole send nothing waits there, and on a pseudo-terminal the flush
        // would reach into the far end's unread input.
        // A port already gone fails the flush too: that is no news.
        const QSignalBlocker quiet(m_port);
        if (discard)
            m_port.clear(QSerialPort::Output);
        m_port.close();
        m_port.clearError();
    }
}

void QtSerialLink::finish(SendOutcome::Kind kind, const QString &error)
{
    m_sending = false;
    m_waitingForWrite = false;
    discardAndClose(kind != SendOutcome::Kind::Done);
    SendOutcome outcome;
    outcome.kind = kind;
    outcome.sent = m_sent;
    outcome.error = error;
    emit finished(outcome);
}

QList<SerialPortInfo> availableSerialPorts()
{
    QList<SerialPortInfo> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QStringList words;
        for (const QString &w : {info.manufacturer(), info.description()})
            if (!w.isEmpty() && !words.contains(w))
                words << w;
        ports.append({info.systemLocation(), words.join(u' ')});
    }
    return ports;
}

bool serialLineGone(int fd, const QString &device)
{
    if (!device.isEmpty() && !QFileInfo::exists(device))
        return true;
    if (fd < 0)
        return false;
    pollfd p = {fd, POLLOUT, 0};
    if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return true;
    termios tio = {};
    return ::tcgetattr(fd, &tio) != 0 && (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF);
}
