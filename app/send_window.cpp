#include "app/send_window.h"

#include "app/app_info.h"
#include "app/serial_choices.h"
#include "core/io/clock_text.h"
#include "core/transfer/machine_setup.h"
#include "core/transfer/pacing.h"
#include "platform/desktop/message_boxes.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
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

QPushButton *button(QDialogButtonBox *box, const char *name, const QString &caption, QDialogButtonBox::ButtonRole role)
{
    QPushButton *b = box->addButton(caption, role);
    b->setObjectName(QLatin1String(name));
    return b;
}

const QString FromOutputWindow = QStringLiteral("出力ウィンドウのプログラム");

} // namespace

SendWindow::SendWindow(const transfer::SendRequest &request, const SerialSettings &settings, MessageBoxes &messages,
                       QWidget *parent)
    : QDialog(parent), m_request(request), m_settings(settings), m_messages(messages), m_link(m_clock)
{
    setObjectName(QStringLiteral("Form8"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QStringLiteral("ポケコンへ送信-VLTN"));
    buildControls();
    showSteps();
    connect(&m_link, &SerialLink::progress, this, &SendWindow::showProgress);
    connect(&m_link, &SerialLink::finished, this, &SendWindow::finished);
}

SendWindow::~SendWindow()
{
    disconnect(&m_link, nullptr, this, nullptr);
    m_link.cancel();
}

void SendWindow::buildControls()
{
    const SerialSettings &s = m_settings;
    programGroup = new QGroupBox(QStringLiteral("送るもの"), this);
    programGroup->setObjectName(QStringLiteral("Frame1"));
    QStringList series;
    for (const Machine m : machines::All)
        series << machines::seriesName(m);
    machineCombo = list(programGroup, "Combo1", series, int(m_request.machine));
    programCombo = list(programGroup, "Combo2", {QStringLiteral("BEEP の BASIC プログラム"), QStringLiteral("OMP プレーヤー")},
                        int(m_request.kind));
    if (m_request.programText) {
        programCombo->clear();
        programCombo->addItem(FromOutputWindow);
        programCombo->setEnabled(false);
    }
    auto *what = new QFormLayout(programGroup);
    what->addRow(QStringLiteral("機種"), machineCombo);
    what->addRow(QStringLiteral("プログラム"), programCombo);

    lineGroup = new QGroupBox(QStringLiteral("通信の設定"), this);
    lineGroup->setObjectName(QStringLiteral("Frame2"));
    portCombo = new QComboBox(lineGroup);
    portCombo->setObjectName(QStringLiteral("Combo3"));
    serialchoices::fillPorts(portCombo, s.device());
    portCombo->setMinimumContentsLength(16);
    baudCombo = list(lineGroup, "Combo4", serialchoices::baudRates(), s.BaudIndex);
    dataBitsCombo = list(lineGroup, "Combo5", serialchoices::dataBits(), s.DataBitsIndex);
    stopBitsCombo = list(lineGroup, "Combo6", serialchoices::stopBits(), s.StopBitsIndex);
    parityCombo = list(lineGroup, "Combo7", serialchoices::parities(), s.ParityIndex);
    flowCombo = list(lineGroup, "Combo8", serialchoices::flowControls(), s.FlowIndex);
    charDelaySpin = delay(lineGroup, "Delay1", transfer::MaxCharDelay, s.CharDelay);
    lineDelaySpin = delay(lineGroup, "Delay2", transfer::MaxLineDelay, s.LineDelay);
    auto *serial = new QFormLayout(lineGroup);
    serial->addRow(QStringLiteral("通信ポート"), portCombo);
    serial->addRow(QStringLiteral("通信速度"), baudCombo);
    serial->addRow(QStringLiteral("データビット"), dataBitsCombo);
    serial->addRow(QStringLiteral("ストップビット"), stopBitsCombo);
    serial->addRow(QStringLiteral("パリティビット"), parityCombo);
    serial->addRow(QStringLiteral("フロー制御"), flowCombo);
    serial->addRow(QStringLiteral("1 文字ごとの待ち時間"), charDelaySpin);
    serial->addRow(QStringLiteral("1 行ごとの待ち時間"), lineDelaySpin);

    stepsGroup = new QGroupBox(QStringLiteral("ポケコンでの操作"), this);
    stepsGroup->setObjectName(QStringLiteral("Frame3"));
    stepsText = new QPlainTextEdit(stepsGroup);
    stepsText->setObjectName(QStringLiteral("Text1"));
    stepsText->setReadOnly(true);
    stepsText->setLineWrapMode(QPlainTextEdit::NoWrap);
    stepsText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    stepsText->setMinimumSize(460, 190);
    auto *steps = new QVBoxLayout(stepsGroup);
    steps->addWidget(stepsText);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setValue(0);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("Label1"));
    statusLabel->setWordWrap(true);

    buttons = new QDialogButtonBox(this);
    sendButton = button(buttons, "Command1", QStringLiteral("送信"), QDialogButtonBox::AcceptRole);
    sendButton->setDefault(true);
    cancelButton = button(buttons, "Command2", QStringLiteral("キャンセル"), QDialogButtonBox::ActionRole);
    cancelButton->setAutoDefault(false);
    cancelButton->setEnabled(false);
    closeButton = button(buttons, "Command3", QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    closeButton->setAutoDefault(false);

    auto *left = new QVBoxLayout;
    left->addWidget(programGroup);
    left->addWidget(lineGroup);
    left->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(stepsGroup, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(progressBar);
    layout->addWidget(statusLabel);
    layout->addWidget(buttons);

    for (QComboBox *box : {machineCombo, baudCombo, dataBitsCombo, stopBitsCombo, parityCombo, flowCombo})
        connect(box, &QComboBox::currentIndexChanged, this, &SendWindow::showSteps);
    // The box's accepted and rejected would close the window: each button
    // does its own command instead.
    connect(sendButton, &QPushButton::clicked, this, &SendWindow::send);
    connect(cancelButton, &QPushButton::clicked, &m_link, &SerialLink::cancel);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

SerialSettings SendWindow::settings() const
{
    SerialSettings s = m_settings;
    s.BaudIndex = qint16(baudCombo->currentIndex());
    s.DataBitsIndex = qint16(dataBitsCombo->currentIndex());
    s.StopBitsIndex = qint16(stopBitsCombo->currentIndex());
    s.ParityIndex = qint16(parityCombo->currentIndex());
    s.FlowIndex = qint16(flowCombo->currentIndex());
    s.CharDelay = qint16(charDelaySpin->value());
    s.LineDelay = qint16(lineDelaySpin->value());
    // The device of the COM port, left as shown, stays unnamed: the COM
    // setting keeps deciding.
    const QString device = portCombo->currentText().trimmed();
    if (device != s.device())
        s.PortDevice = device;
    return s;
}

Machine SendWindow::machine() const
{
    return machines::All[std::size_t(std::max(0, machineCombo->currentIndex()))];
}

void SendWindow::showSteps()
{
    stepsText->setPlainText(transfer::machineSteps(machine(), settings().line()).join(u'\n'));
}

bool SendWindow::isSending() const
{
    return m_link.isSending();
}

void SendWindow::send()
{
    if (isSending())
        return;
    transfer::SendRequest request = m_request;
    request.machine = machine();
    request.kind = transfer::ProgramKind(std::max(0, programCombo->currentIndex()));
    const SerialSettings chosen = settings();
    transfer::SendPlan plan = transfer::planSend(request, chosen);
    if (!plan.ok()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("このプログラムはポケコンへ送れません。何も送っていません。\r\n\r\n") + plan.error);
        return;
    }
    emit serialSettingsChanged(chosen);
    const QString openError = m_link.open(plan.line);
    if (!openError.isEmpty()) {
        m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle, openError);
        return;
    }
    m_plan = std::move(plan);
    progressBar->setRange(0, int(m_plan.bytes.size()));
    setSending(true);
    showProgress({});
    m_link.send(m_plan.bytes, m_plan.schedule);
}

void SendWindow::showProgress(const SendProgress &sent)
{
    progressBar->setValue(int(sent.bytes));
    const double left = transfer::remainingSeconds(m_plan.schedule, sent.pieces, m_plan.line);
    statusLabel->setText(QStringLiteral("送信中: %1 / %2 行、%3 / %4 バイト、残り %5")
                             .arg(sent.lines)
                             .arg(m_plan.lines)
                             .arg(sent.bytes)
                             .arg(m_plan.bytes.size())
                             .arg(clockText(left + 0.999)));
}

void SendWindow::finished(const SendOutcome &outcome)
{
    setSending(false);
    const QString count = transfer::sentLinesText(m_plan.lines, outcome.sent.lines);
    switch (outcome.kind) {
    case SendOutcome::Kind::Done:
        progressBar->setValue(progressBar->maximum());
        statusLabel->setText(QStringLiteral("送信しました: %1 行 (%2 バイト)。").arg(m_plan.lines).arg(m_plan.bytes.size()));
        return;
    case SendOutcome::Kind::Cancelled:
        statusLabel->setText(QStringLiteral("キャンセルしました。") + count);
        return;
    case SendOutcome::Kind::Failed:
        break;
    }
    statusLabel->setText(outcome.error + u' ' + count);
    m_messages.show(this, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok, MessageTitle,
                    outcome.error + QStringLiteral("\r\n") + count);
}

void SendWindow::setSending(bool sending)
{
    for (QWidget *w : std::initializer_list<QWidget *>{programGroup, lineGroup, sendButton})
        w->setEnabled(!sending);
    cancelButton->setEnabled(sending);
}

void SendWindow::closeEvent(QCloseEvent *event)
{
    // Closing stops a send: the window is the only place that shows it.
    m_link.cancel();
    emit serialSettingsChanged(settings());
    event->accept();
}

void SendWindow::reject()
{
    close();
}
