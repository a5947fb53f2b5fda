#include "app/form8.h"

#include "platform/desktop/message_boxes.h"
#include "app/app_info.h"
#include "app/serial_choices.h"
#include "core/transfer/machine_setup.h"
#include "core/transfer/pacing.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QComboBox *list(QWidget *parent, const char *name, const QStringList &entries, int position)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(entries);
    box->setCurrentIndex(position);
    return box;
}

// -1 shows as "自動": the pause follows the flow control.
QSpinBox *delay(QWidget *parent, const char *name, int maximum, int value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(transfer::AutomaticDelay, maximum);
    box->setSpecialValueText(QStringLiteral("自動"));
    box->setSuffix(QStringLiteral(" ms"));
    box->setValue(value);
    return box;
}

const QString FromOutputWindow = QStringLiteral("出力ウィンドウのプログラム");

} // namespace

Form8::Form8(const SendRequest &request, const AppSettings &settings, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_request(request), m_settings(settings), m_messages(messages), m_link(m_clock)
{
    setObjectName(QStringLiteral("Form8"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QStringLiteral("ポケコンへ送信-VLTN"));
    buildControls();
    showSteps();
    connect(&m_link, &SerialLink::progress, this, &Form8::showProgress);
    connect(&m_link, &SerialLink::finished, this, &Form8::finished);
}

Form8::~Form8()
{
    disconnect(&m_link, nullptr, this, nullptr);
    m_link.cancel();
}

void Form8::buildControls()
{
    const AppSettings &s = m_settings;
    Frame1 = new QGroupBox(QStringLiteral("送るもの"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Combo1 = list(Frame1, "Combo1", {QStringLiteral("PC-E500シリーズ"), QStringLiteral("PC-G800シリーズ")},
                  m_request.machine == BasicMachine::E500 ? 0 : 1);
    Combo2 = list(Frame1, "Combo2", {QStringLiteral("BEEP の BASIC プログラム"), QStringLiteral("OMP プレーヤー")}, 0);
    if (m_request.programText) {
        Combo2->clear();
        Combo2->addItem(FromOutputWindow);
        Combo2->setEnabled(false);
    }
    auto *what = new QFormLayout(Frame1);
    what->addRow(QStringLiteral("機種"), Combo1);
    what->addRow(QStringLiteral("プログラム"), Combo2);

    Frame2 = new QGroupBox(QStringLiteral("通信の設定"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Combo3 = new QComboBox(Frame2);
    Combo3->setObjectName(QStringLiteral("Combo3"));
    serialchoices::fillPorts(Combo3, portDevice(s));
    Combo3->setMinimumContentsLength(16);
    Combo4 = list(Frame2, "Combo4", serialchoices::baudRates(), s.BaudIndex);
    Combo5 = list(Frame2, "Combo5", serialchoices::dataBits(), s.DataBitsIndex);
    Combo6 = list(Frame2, "Combo6", serialchoices::stopBits(), s.StopBitsIndex);
    Combo7 = list(Frame2, "Combo7", serialchoices::parities(), s.ParityIndex);
    Combo8 = list(Frame2, "Combo8", serialchoices::flowControls(), s.FlowIndex);
    Delay1 = delay(Frame2, "Delay1", transfer::MaxCharDelay, s.CharDelay);
    Delay2 = delay(Frame2, "Delay2", transfer::MaxLineDelay, s.LineDelay);
    auto *serial = new QFormLayout(Frame2);
    serial->addRow(QStringLiteral("通信ポート"), Combo3);
    serial->addRow(QStringLiteral("通信速度"), Combo4);
    serial->addRow(QStringLiteral("データビット"), Combo5);
    serial->addRow(QStringLiteral("ストップビット"), Combo6);
    serial->addRow(QStringLiteral("パリティビット"), Combo7);
    serial->addRow(QStringLiteral("フロー制御"), Combo8);
    serial->addRow(QStringLiteral("1 文字ごとの待ち時間"), Delay1);
    serial->addRow(QStringLiteral("1 行ごとの待ち時間"), Delay2);

    Frame3 = new QGroupBox(QStringLiteral("ポケコンでの操作"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Text1 = new QPlainTextEdit(Frame3);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text1->setMinimumSize(460, 190);
    auto *steps = new QVBoxLayout(Frame3);
    steps->addWidget(Text1);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setValue(0);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    Command1 = new QPushButton(QStringLiteral("送信"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    Command2->setEnabled(false);
    Command3 = new QPushButton(QStringLiteral("閉じる"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);

    auto *left = new QVBoxLayout;
    left->addWidget(Frame1);
    left->addWidget(Frame2);
    left->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(Frame3, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    for (QComboBox *box : {Combo1, Combo4, Combo5, Combo6, Combo7, Combo8})
        connect(box, &QComboBox::currentIndexChanged, this, &Form8::showSteps);
    connect(Command1, &QPushButton::clicked, this, &Form8::send);
    connect(Command2, &QPushButton::clicked, &m_link, &SerialLink::cancel);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
}

AppSettings Form8::settings() const
{
    AppSettings s = m_settings;
    s.BaudIndex = qint16(Combo4->currentIndex());
    s.DataBitsIndex = qint16(Combo5->currentIndex());
    s.StopBitsIndex = qint16(Combo6->currentIndex());
    s.ParityIndex = qint16(Combo7->currentIndex());
    s.FlowIndex = qint16(Combo8->currentIndex());
    s.CharDelay = qint16(Delay1->value());
    s.LineDelay = qint16(Delay2->value());
    // The device of the COM port, left as shown, stays unnamed: the COM
    // setting keeps deciding.
    const QString device = Combo3->currentText().trimmed();
    if (device != portDevice(s))
        s.PortDevice = device;
    return s;
}

SerialSettings Form8::line() const
{
    return serialSettings(settings());
}

void Form8::showSteps()
{
    const BasicMachine machine = Combo1->currentIndex() == 1 ? BasicMachine::G800 : BasicMachine::E500;
    Text1->setPlainText(transfer::machineSteps(machine, line()).join(u'\n'));
}

bool Form8::isSending() const
{
    return m_link.isSending();
}

void Form8::send()
{
    if (isSending())
        return;
    const BasicMachine machine = Combo1->currentIndex() == 1 ? BasicMachine::G800 : BasicMachine::E500;
    transfer::ProgramText program;
    if (m_request.programText)
        program.text = *m_request.programText;
    else
        program = transfer::programForSong(transfer::ProgramKind(Combo2->currentIndex()), machine, m_request.omp);
    const transfer::FramedProgram framed =
        program.ok() ? transfer::frameProgram(program.text, machine) : transfer::FramedProgram{{}, 0, program.error};
    if (!framed.ok()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("このプログラムはポケコンへ送れません。何も送っていません。\r\n\r\n") + framed.error);
        return;
    }
    const AppSettings chosen = settings();
    emit settingsChanged(chosen);
    const SerialSettings serial = serialSettings(chosen);
    const QString openError = m_link.open(serial);
    if (!openError.isEmpty()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle, openError);
        return;
    }
    m_bytes = framed.bytes;
    m_lines = framed.lines;
    m_schedule = transfer::pacedSchedule(
        m_bytes, transfer::effectivePacing(serial.flow, chosen.CharDelay, chosen.LineDelay));
    ProgressBar1->setRange(0, int(m_bytes.size()));
    setSending(true);
    showProgress({});
    m_link.send(m_bytes, m_schedule);
}

void Form8::showProgress(const SendProgress &sent)
{
    ProgressBar1->setValue(int(sent.bytes));
    const double left = transfer::remainingSeconds(m_schedule, sent.pieces, line());
    const qint64 seconds = qint64(left + 0.999);
    Label1->setText(QStringLiteral("送信中: %1 / %2 行、%3 / %4 バイト、残り %5:%6")
                        .arg(sent.lines)
                        .arg(m_lines)
                        .arg(sent.bytes)
                        .arg(m_bytes.size())
                        .arg(seconds / 60)
                        .arg(seconds % 60, 2, 10, QLatin1Char('0')));
}

void Form8::finished(const SendOutcome &outcome)
{
    setSending(false);
    const QString count = QStringLiteral("%1 行のうち %2 行を送りました。").arg(m_lines).arg(outcome.sent.lines);
    switch (outcome.kind) {
    case SendOutcome::Kind::Done:
        ProgressBar1->setValue(ProgressBar1->maximum());
        Label1->setText(QStringLiteral("送信しました: %1 行 (%2 バイト)。").arg(m_lines).arg(m_bytes.size()));
        return;
    case SendOutcome::Kind::Cancelled:
        Label1->setText(QStringLiteral("キャンセルしました。") + count);
        return;
    case SendOutcome::Kind::Failed:
        break;
    }
    Label1->setText(outcome.error + u' ' + count);
    m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                    outcome.error + QStringLiteral("\r\n") + count);
}

void Form8::setSending(bool sending)
{
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2),
                       static_cast<QWidget *>(Command1)})
        w->setEnabled(!sending);
    Command2->setEnabled(sending);
}

void Form8::closeEvent(QCloseEvent *event)
{
    // Closing stops a send: the window is the only place that shows it.
    m_link.cancel();
    emit settingsChanged(settings());
    event->accept();
}

void Form8::reject()
{
    close();
}
