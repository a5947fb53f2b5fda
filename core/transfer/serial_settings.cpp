#include "core/transfer/serial_settings.h"

#include <algorithm>

QString SerialSettings::device() const
{
    if (!PortDevice.isEmpty())
        return PortDevice;
    return QStringLiteral("/dev/ttyS%1").arg(std::clamp<int>(PortIndex, 0, 15));
}

SerialLine SerialSettings::line() const
{
    const SerialSettings defaults;
    const auto position = [&](qint16 SerialSettings::*field, int count) {
        const int p = this->*field;
        return p >= 0 && p < count ? p : defaults.*field;
    };
    SerialLine s;
    s.device = device();
    s.baud = BaudRates[size_t(position(&SerialSettings::BaudIndex, int(BaudRates.size())))];
    s.dataBits = position(&SerialSettings::DataBitsIndex, 2) == 0 ? 7 : 8;
    s.stopBits = position(&SerialSettings::StopBitsIndex, 2) == 0 ? 1 : 2;
    s.parity = SerialParity(position(&SerialSettings::ParityIndex, 3));
    s.flow = SerialFlow(position(&SerialSettings::FlowIndex, 3));
    return s;
}
