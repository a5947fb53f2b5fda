#include "app/settings_dialog.h"

#include "platform/desktop/message_boxes.h"
#include "app/app_info.h"
#include "core/song/int16_text.h"
#include "app/serial_choices.h"
#include "core/song/tone_names.h"
#include "app/window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QComboBox *dropDownList(QWidget *parent, const char *name, const QStringList &entries)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(entries);
    return list;
}

QStringList ports()
{
    QStringList names;
    for (int i = 1; i <= 16; ++i)
        names << QStringLiteral("COM%1").arg(i);
    return names;
}

} // namespace

SettingsDialog::SettingsDialog(const AppSettings &settings, MessageBoxes &messages)
    : QDialog(nullptr), m_settings(settings), m_messages(messages)
{
    setObjectName(QStringLiteral("Form7"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Shown without waiting for it, yet the only window that takes input:
    // besides the disabled main window, the output window and the main
    // window's close box wait until it closes.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QStringLiteral("各種設定-VLTN"));
    buildControls();
    load();
}

void SettingsDialog::buildControls()
{
    generalGroup = new QGroupBox(QStringLiteral("Vellotune全般"), this);
    generalGroup->setObjectName(QStringLiteral("Frame2"));
    loopCheck = new QCheckBox(QStringLiteral("ループ再生する"), generalGroup);
    loopCheck->setObjectName(QStringLiteral("Check8"));
    toneCombo = dropDownList(generalGroup, "Combo5", toneNames());
    auto *general = new QGridLayout(generalGroup);
    general->addWidget(loopCheck, 0, 0, 1, 2);
    general->addWidget(new QLabel(QStringLiteral("標準の音色"), generalGroup), 1, 0);
    general->addWidget(toneCombo, 1, 1);
    // The voice that plays the song: the General MIDI tone above, or a
    // pocket computer's own square wave, from one of its programs.
    voiceCombo = dropDownList(generalGroup, "voiceCombo",
                              {QStringLiteral("General MIDI の音色"), QStringLiteral("PC-E500 の音"), QStringLiteral("PC-G800 の音")});
    voiceProgramCombo = dropDownList(generalGroup, "voiceProgramCombo",
                                     {QStringLiteral("BEEP の BASIC プログラム"), QStringLiteral("OMP プレーヤー")});
    statementGapSpin = new QSpinBox(generalGroup);
    statementGapSpin->setObjectName(QStringLiteral("statementGapSpin"));
    statementGapSpin->setRange(0, AppSettings::MaxStatementGap);
    statementGapSpin->setSuffix(QStringLiteral(" ms"));
    statementGapSpin->setToolTip(QStringLiteral("BASIC が文と文のあいだに置く間は公表されていません。実機に合わせて選んでください。"));
    general->addWidget(new QLabel(QStringLiteral("再生する音"), generalGroup), 2, 0);
    general->addWidget(voiceCombo, 2, 1);
    general->addWidget(new QLabel(QStringLiteral("ポケコンのプログラム"), generalGroup), 3, 0);
    general->addWidget(voiceProgramCombo, 3, 1);
    general->addWidget(new QLabel(QStringLiteral("文の後の無音"), generalGroup), 4, 0);
    general->addWidget(statementGapSpin, 4, 1);
    general->setColumnStretch(1, 1);
    connect(voiceCombo, &QComboBox::currentIndexChanged, this, [this](int voice) {
        voiceProgramCombo->setEnabled(voice > 0);
        statementGapSpin->setEnabled(voice > 0);
    });

    serialGroup = new QGroupBox(QStringLiteral("通信関連"), this);
    serialGroup->setObjectName(QStringLiteral("Frame1"));
    baudCombo = dropDownList(serialGroup, "Combo1", serialchoices::baudRates());
    dataBitsCombo = dropDownList(serialGroup, "Combo2", serialchoices::dataBits());
    stopBitsCombo = dropDownList(serialGroup, "Combo3", serialchoices::stopBits());
    parityCombo = dropDownList(serialGroup, "Combo4", serialchoices::parities());
    flowCombo = dropDownList(serialGroup, "Combo8", serialchoices::flowControls());
    portCombo = dropDownList(serialGroup, "Combo9", ports());
    // The port on this system: a device found, or a path typed (an adapter
    // not plugged in yet, a pseudo-terminal). Empty: the device of portCombo.
    deviceCombo = new QComboBox(serialGroup);
    deviceCombo->setObjectName(QStringLiteral("Combo10"));
    serialchoices::fillPorts(deviceCombo, QString());
    deviceCombo->setMinimumContentsLength(16);
    // Each list under its Japanese and English labels, left column first.
    auto *serial = new QGridLayout(serialGroup);
    const struct {
        QComboBox *list;
        const char16_t *japanese;
        const char16_t *english;
    } rows[] = {
        {baudCombo, u"通信速度", u"boud rate"},   {dataBitsCombo, u"データビット", u"data bit"},
        {stopBitsCombo, u"ストップビット", u"stop bit"}, {parityCombo, u"パリティビット", u"parity"},
        {flowCombo, u"フロー制御", u"flow"},        {portCombo, u"通信ポート", u"transfer port"},
    };
    for (int i = 0; i < 6; ++i) {
        const int column = (i % 2) * 3;
        const int row = i / 2;
        auto *label = new QLabel(QString::fromUtf16(rows[i].japanese) + u'\n' + QString::fromUtf16(rows[i].english),
                                 serialGroup);
        serial->addWidget(label, row, column);
        serial->addWidget(rows[i].list, row, column + 1);
    }
    serial->addWidget(new QLabel(QStringLiteral("デバイス\ndevice"), serialGroup), 3, 0);
    serial->addWidget(deviceCombo, 3, 1, 1, 4);
    serial->setColumnMinimumWidth(2, 12);

    layoutGroup = new QGroupBox(QStringLiteral("MML2OMP関連"), this);
    layoutGroup->setObjectName(QStringLiteral("Frame3"));
    separatorCheck = new QCheckBox(QStringLiteral("区切り文字を利用する"), layoutGroup);
    separatorCheck->setObjectName(QStringLiteral("Check4"));
    separatorCheck->setChecked(true);
    intervalEdit = new QLineEdit(QStringLiteral("10"), layoutGroup);
    intervalEdit->setObjectName(QStringLiteral("Text1"));
    intervalEdit->setMaximumWidth(80);
    slashOption = new QRadioButton(QStringLiteral("スラッシュ「/」を利用する"), layoutGroup);
    slashOption->setObjectName(QStringLiteral("Option1"));
    slashOption->setChecked(true);
    spaceOption = new QRadioButton(QStringLiteral("スペース「\u3000」を利用する"), layoutGroup);
    spaceOption->setObjectName(QStringLiteral("Option2"));
    auto *interval = new QHBoxLayout;
    interval->addWidget(intervalEdit);
    interval->addWidget(new QLabel(QStringLiteral("文字ごと"), layoutGroup));
    interval->addStretch(1);
    autoReloadCheck = new QCheckBox(QStringLiteral("ほかのアプリで保存されたH-MMLファイルを自動で読み込み直す"), layoutGroup);
    autoReloadCheck->setObjectName(QStringLiteral("Check9"));
    auto *separator = new QVBoxLayout(layoutGroup);
    separator->addWidget(separatorCheck);
    separator->addLayout(interval);
    separator->addWidget(slashOption);
    separator->addWidget(spaceOption);
    separator->addWidget(autoReloadCheck);

    auto *buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    okButton->setObjectName(QStringLiteral("Command1"));
    okButton->setDefault(true);
    cancelButton = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("Command2"));
    cancelButton->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(generalGroup);
    layout->addWidget(serialGroup);
    layout->addWidget(layoutGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(separatorCheck, &QCheckBox::toggled, this, &SettingsDialog::applySeparatorEnabling);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::storeChoices);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
}

void SettingsDialog::load()
{
    const AppSettings &s = m_settings;
    adjustSize();
    centreOnScreen(*this);
    loopCheck->setChecked(s.LoopPlay == 1);
    // A position outside a list selects nothing.
    toneCombo->setCurrentIndex(s.DefaultTone);
    voiceCombo->setCurrentIndex(s.Voice);
    voiceProgramCombo->setCurrentIndex(s.VoiceProgram);
    statementGapSpin->setValue(s.StatementGap);
    voiceProgramCombo->setEnabled(s.Voice > 0);
    statementGapSpin->setEnabled(s.Voice > 0);
    baudCombo->setCurrentIndex(s.BaudIndex);
    dataBitsCombo->setCurrentIndex(s.DataBitsIndex);
    stopBitsCombo->setCurrentIndex(s.StopBitsIndex);
    parityCombo->setCurrentIndex(s.ParityIndex);
    flowCombo->setCurrentIndex(s.FlowIndex);
    portCombo->setCurrentIndex(s.PortIndex);
    deviceCombo->setEditText(s.PortDevice);
    separatorCheck->setChecked(s.UseSeparator == 1);
    intervalEdit->setText(QString::number(s.SeparatorInterval));
    if (s.SeparatorKind == 0)
        slashOption->setChecked(true);
    else
        spaceOption->setChecked(true);
    autoReloadCheck->setChecked(s.AutoReload != 0);
}

void SettingsDialog::applySeparatorEnabling(bool ticked)
{
    // Greyed, the values stay and OK stores them all the same.
    intervalEdit->setEnabled(ticked);
    slashOption->setEnabled(ticked);
    spaceOption->setEnabled(ticked);
}

void SettingsDialog::storeChoices()
{
    // Checked before anything is stored, so that a refused OK changes nothing.
    const std::optional<qint16> interval = parseInt16(intervalEdit->text());
    if (!interval) {
        m_messages.show(this, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("区切りの文字数には -32768 から 32767 までの整数を入力してください。"));
        intervalEdit->setFocus();
        intervalEdit->selectAll();
        return;
    }
    AppSettings &s = m_settings;
    s.LoopPlay = loopCheck->isChecked() ? 1 : 0;
    s.DefaultTone = qint16(toneCombo->currentIndex());
    s.Voice = qint16(voiceCombo->currentIndex());
    s.VoiceProgram = qint16(voiceProgramCombo->currentIndex());
    s.StatementGap = qint16(statementGapSpin->value());
    s.BaudIndex = qint16(baudCombo->currentIndex());
    s.DataBitsIndex = qint16(dataBitsCombo->currentIndex());
    s.StopBitsIndex = qint16(stopBitsCombo->currentIndex());
    s.ParityIndex = qint16(parityCombo->currentIndex());
    s.FlowIndex = qint16(flowCombo->currentIndex());
    s.PortIndex = qint16(portCombo->currentIndex());
    s.PortDevice = deviceCombo->currentText().trimmed();
    s.UseSeparator = separatorCheck->isChecked() ? 1 : 0;
    s.SeparatorInterval = *interval;
    s.SeparatorKind = slashOption->isChecked() ? 0 : 1;
    s.AutoReload = autoReloadCheck->isChecked() ? 1 : 0;
    emit settingsChosen(s);
    close();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    emit unloaded();
    event->accept();
}

void SettingsDialog::reject()
{
    close();
}
