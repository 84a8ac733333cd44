#include "platform/HidInterfacePath.h"

#include <QRegularExpression>
#include <QStringList>

QString HidInterfacePath::FromUdev(QString const& hidId, QString const& hidPhys, QString const& nodeName)
{
    QStringList const parts = hidId.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return {};
    bool vendorOk = false;
    bool productOk = false;
    uint const vendor = parts[1].toUInt(&vendorOk, 16);
    uint const product = parts[2].toUInt(&productOk, 16);
    if (!vendorOk || !productOk || vendor > 0xFFFF || product > 0xFFFF || nodeName.isEmpty())
        return {};
    int interfaceNumber = 0;
    static QRegularExpression const inputSuffix(QStringLiteral("/input(\\d+)$"));
    if (auto const match = inputSuffix.match(hidPhys); match.hasMatch())
        interfaceNumber = match.captured(1).toInt();
    auto hex4 = [](uint value) { return QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0')); };
    return QStringLiteral("\\\\?\\HID#VID_") + hex4(vendor) + QStringLiteral("&PID_") + hex4(product)
        + QStringLiteral("&MI_") + QString::number(interfaceNumber).rightJustified(2, QLatin1Char('0'))
        + QLatin1Char('#') + nodeName + QLatin1Char('#') + InterfaceClass();
}

QString HidInterfacePath::DeviceNode(QString const& path)
{
    static QRegularExpression const form(QStringLiteral("^\\\\\\\\\\?\\\\HID#[^#]*#(hidraw\\d+)#"),
        QRegularExpression::CaseInsensitiveOption);
    auto const match = form.match(path);
    if (!match.hasMatch())
        return {};
    return QStringLiteral("/dev/") + match.captured(1).toLower();
}
