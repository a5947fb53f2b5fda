#pragma once
// The entries of the serial-line lists, shared by the settings dialog and
// the send window: list positions are the stored settings (AppSettings).

#include <QStringList>

class QComboBox;

namespace serialchoices {

QStringList baudRates();
QStringList dataBits();
QStringList stopBits();
QStringList parities();
QStringList flowControls();

// Fills an editable list with the serial devices the system finds, and
// `current` (typed once, or a pseudo-terminal the system does not list)
// shown as the choice.
void fillPorts(QComboBox *list, const QString &current);

} // namespace serialchoices
