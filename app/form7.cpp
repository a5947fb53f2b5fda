#include "app/form7.h"

#include "platform/desktop/message_boxes.h"
#include "app/app_info.h"
#include "core/song/int16_text.h"
#include "app/serial_choices.h"
#include "core/song/tone_names.h"
#include "app/window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

Form7::Form7(const AppSettings &settings, MessageBoxes &messages)
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

void Form7::buildControls()
{
    Frame2 = new QGroupBox(QStringLiteral("Vellotune全般"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Check8 = new QCheckBox(QStringLiteral("ループ再生する"), Frame2);
    Check8->setObjectName(QStringLiteral("Check8"));
    Combo5 = dropDownList(Frame2, "Combo5", toneNames());
    auto *general = new QGridLayout(Frame2);
    general->addWidget(Check8, 0, 0, 1, 2);
    general->addWidget(new QLabel(QStringLiteral("標準の音色"), Frame2), 1, 0);
    general->addWidget(Combo5, 1, 1);
    general->setColumnStretch(1, 1);

    Frame1 = new QGroupBox(QStringLiteral("通信関連"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Combo1 = dropDownList(Frame1, "Combo1", serialchoices::baudRates());
    Combo2 = dropDownList(Frame1, "Combo2", serialchoices::dataBits());
    Combo3 = dropDownList(Frame1, "Combo3", serialchoices::stopBits());
    Combo4 = dropDownList(Frame1, "Combo4", serialchoices::parities());
    Combo8 = dropDownList(Frame1, "Combo8", serialchoices::flowControls());
    Combo9 = dropDownList(Frame1, "Combo9", ports());
    // The port on this system: a device found, or a path typed (an adapter
    // not plugged in yet, a pseudo-terminal). Empty: the device of Combo9.
    Combo10 = new QComboBox(Frame1);
    Combo10->setObjectName(QStringLiteral("Combo10"));
    serialchoices::fillPorts(Combo10, QString());
    Combo10->setMinimumContentsLength(16);
    // Each list under its Japanese and English labels, left column first.
    auto *serial = new QGridLayout(Frame1);
    const struct {
        QComboBox *list;
        const char16_t *japanese;
        const char16_t *english;
    } rows[] = {
        {Combo1, u"通信速度", u"boud rate"},   {Combo2, u"データビット", u"data bit"},
        {Combo3, u"ストップビット", u"stop bit"}, {Combo4, u"パリティビット", u"parity"},
        {Combo8, u"フロー制御", u"flow"},        {Combo9, u"通信ポート", u"transfer port"},
    };
    for (int i = 0; i < 6; ++i) {
        const int column = (i % 2) * 3;
        const int row = i / 2;
        auto *label = new QLabel(QString::fromUtf16(rows[i].japanese) + u'\n' + QString::fromUtf16(rows[i].english),
                                 Frame1);
        serial->addWidget(label, row, column);
        serial->addWidget(rows[i].list, row, column + 1);
    }
    serial->addWidget(new QLabel(QStringLiteral("デバイス\ndevice"), Frame1), 3, 0);
    serial->addWidget(Combo10, 3, 1, 1, 4);
    serial->setColumnMinimumWidth(2, 12);

    Frame3 = new QGroupBox(QStringLiteral("MML2OMP関連"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Check4 = new QCheckBox(QStringLiteral("区切り文字を利用する"), Frame3);
    Check4->setObjectName(QStringLiteral("Check4"));
    Check4->setChecked(true);
    Text1 = new QLineEdit(QStringLiteral("10"), Frame3);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaximumWidth(80);
    Option1 = new QRadioButton(QStringLiteral("スラッシュ「/」を利用する"), Frame3);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setChecked(true);
    Option2 = new QRadioButton(QStringLiteral("スペース「\u3000」を利用する"), Frame3);
    Option2->setObjectName(QStringLiteral("Option2"));
    auto *interval = new QHBoxLayout;
    interval->addWidget(Text1);
    interval->addWidget(new QLabel(QStringLiteral("文字ごと"), Frame3));
    interval->addStretch(1);
    Check9 = new QCheckBox(QStringLiteral("ほかのアプリで保存されたH-MMLファイルを自動で読み込み直す"), Frame3);
    Check9->setObjectName(QStringLiteral("Check9"));
    auto *separator = new QVBoxLayout(Frame3);
    separator->addWidget(Check4);
    separator->addLayout(interval);
    separator->addWidget(Option1);
    separator->addWidget(Option2);
    separator->addWidget(Check9);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addWidget(Frame1);
    layout->addWidget(Frame3);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Check4, &QCheckBox::toggled, this, &Form7::applySeparatorEnabling);
    connect(Command1, &QPushButton::clicked, this, &Form7::ok);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

void Form7::load()
{
    const AppSettings &s = m_settings;
    adjustSize();
    centreOnScreen(*this);
    Check8->setChecked(s.LoopPlay == 1);
    // A position outside a list selects nothing.
    Combo5->setCurrentIndex(s.DefaultTone);
    Combo1->setCurrentIndex(s.BaudIndex);
    Combo2->setCurrentIndex(s.DataBitsIndex);
    Combo3->setCurrentIndex(s.StopBitsIndex);
    Combo4->setCurrentIndex(s.ParityIndex);
    Combo8->setCurrentIndex(s.FlowIndex);
    Combo9->setCurrentIndex(s.PortIndex);
    Combo10->setEditText(s.PortDevice);
    Check4->setChecked(s.UseSeparator == 1);
    Text1->setText(QString::number(s.SeparatorInterval));
    if (s.SeparatorKind == 0)
        Option1->setChecked(true);
    else
        Option2->setChecked(true);
    Check9->setChecked(s.AutoReload != 0);
}

void Form7::applySeparatorEnabling(bool ticked)
{
    // Greyed, the values stay and OK stores them all the same.
    Text1->setEnabled(ticked);
    Option1->setEnabled(ticked);
    Option2->setEnabled(ticked);
}

void Form7::ok()
{
    // Checked before anything is stored, so that a refused OK changes nothing.
    const std::optional<qint16> interval = parseInt16(Text1->text());
    if (!interval) {
        m_messages.show(this, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok, MessageTitle,
                        QStringLiteral("区切りの文字数には -32768 から 32767 までの整数を入力してください。"));
        Text1->setFocus();
        Text1->selectAll();
        return;
    }
    AppSettings &s = m_settings;
    s.LoopPlay = Check8->isChecked() ? 1 : 0;
    s.DefaultTone = qint16(Combo5->currentIndex());
    s.BaudIndex = qint16(Combo1->currentIndex());
    s.DataBitsIndex = qint16(Combo2->currentIndex());
    s.StopBitsIndex = qint16(Combo3->currentIndex());
    s.ParityIndex = qint16(Combo4->currentIndex());
    s.FlowIndex = qint16(Combo8->currentIndex());
    s.PortIndex = qint16(Combo9->currentIndex());
    s.PortDevice = Combo10->currentText().trimmed();
    s.UseSeparator = Check4->isChecked() ? 1 : 0;
    s.SeparatorInterval = *interval;
    s.SeparatorKind = Option1->isChecked() ? 0 : 1;
    s.AutoReload = Check9->isChecked() ? 1 : 0;
    emit settingsChosen(s);
    close();
}

void Form7::closeEvent(QCloseEvent *event)
{
    emit unloaded();
    event->accept();
}

void Form7::reject()
{
    close();
}
