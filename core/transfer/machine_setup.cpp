#include "core/transfer/machine_setup.h"

namespace transfer {

namespace {

QString parityLetter(SerialParity parity)
{
    switch (parity) {
    case SerialParity::Even: return QStringLiteral("E");
    case SerialParity::Odd: return QStringLiteral("O");
    case SerialParity::None: break;
    }
    return QStringLiteral("N");
}

QString parityName(SerialParity parity)
{
    switch (parity) {
    case SerialParity::Even: return QStringLiteral("even");
    case SerialParity::Odd: return QStringLiteral("odd");
    case SerialParity::None: break;
    }
    return QStringLiteral("none");
}

QString flowName(SerialFlow flow)
{
    switch (flow) {
    case SerialFlow::Hardware: return QStringLiteral("RS/CS");
    case SerialFlow::Software: return QStringLiteral("Xon/Xoff");
    case SerialFlow::None: break;
    }
    return QStringLiteral("none");
}

} // namespace

QString e500OpenStatement(const SerialLine &s)
{
    return QStringLiteral("OPEN \"%1,%2,%3,%4,A,L,&H1A,%5,N\":CLOSE")
        .arg(s.baud)
        .arg(parityLetter(s.parity))
        .arg(s.dataBits)
        .arg(s.stopBits)
        .arg(s.flow == SerialFlow::Software ? QStringLiteral("X") : QStringLiteral("N"));
}

QList<SioField> g800SioFormat(const SerialLine &s)
{
    return {
        {QStringLiteral("baud rate"), QString::number(s.baud)},
        {QStringLiteral("data bit"), QString::number(s.dataBits)},
        {QStringLiteral("stop bit"), QString::number(s.stopBits)},
        {QStringLiteral("parity"), parityName(s.parity)},
        {QStringLiteral("end of line"), QStringLiteral("CR LF")},
        {QStringLiteral("end of file"), QStringLiteral("1A")},
        {QStringLiteral("line number"), QStringLiteral("yes")},
        {QStringLiteral("flow"), flowName(s.flow)},
    };
}

QStringList machineSteps(Machine machine, const SerialLine &s)
{
    if (machine == Machine::E500)
        return {
            QStringLiteral("1. ポケコンで次の行を入力して実行します (通信の設定。設定を変えない限り 1 回だけ):"),
            QStringLiteral("   ") + e500OpenStatement(s),
            QStringLiteral("2. LOAD \"COM:\" を入力して実行し、受信を待たせます。"),
            QStringLiteral("3. パソコンで送信を始めます。"),
            QStringLiteral("4. 受信が終わったら RUN で演奏します。"),
        };
    QStringList steps = {
        QStringLiteral("1. TEXT モードにして、テキストエリアを消去します。"),
        QStringLiteral("2. Sio → Format で次のとおりに設定します:"),
    };
    for (const SioField &f : g800SioFormat(s))
        steps << QStringLiteral("   %1: %2").arg(f.name, f.value);
    steps << QStringLiteral("3. Sio → Load を選んで受信を待たせます。")
          << QStringLiteral("4. パソコンで送信を始めます。")
          << QStringLiteral("5. 受信が終わったら Basic → Basic←text で BASIC に変換し、BASIC モードで RUN します。");
    return steps;
}

} // namespace transfer
