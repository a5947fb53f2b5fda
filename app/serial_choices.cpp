#include "app/serial_choices.h"

#include "platform/serial/serial_link.h"

#include <QComboBox>

namespace serialchoices {

QStringList baudRates()
{
    return {QStringLiteral(" 300 bps"), QStringLiteral(" 600 bps"), QStringLiteral("1200 bps"),
            QStringLiteral("2400 bps"), QStringLiteral("4800 bps"), QStringLiteral("9600 bps")};
}

QStringList dataBits()
{
    return {QStringLiteral("7 bit"), QStringLiteral("8 bit")};
}

QStringList stopBits()
{
    return {QStringLiteral("1 bit"), QStringLiteral("2 bit")};
}

QStringList parities()
{
    return {QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd")};
}

QStringList flowControls()
{
    return {QStringLiteral("RS/CS"), QStringLiteral("Xon/Xoff"), QStringLiteral("none")};
}

void fillPorts(QComboBox *list, const QString &current)
{
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->clear();
    for (const SerialPortInfo &port : availableSerialPorts()) {
        list->addItem(port.path);
        list->setItemData(list->count() - 1, port.description, Qt::ToolTipRole);
    }
    list->setEditText(current);
}

} // namespace serialchoices
