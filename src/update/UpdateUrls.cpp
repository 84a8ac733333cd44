#include "update/UpdateUrls.h"

#include <QUrl>

namespace UpdateUrls {

namespace {

QString WithSlash(const QString& text)
{
    return text.endsWith(QLatin1Char('/')) ? text : text + QLatin1Char('/');
}

QString ChannelFolder(Channel channel)
{
    return channel == Channel::Debug ? QStringLiteral("debug/") : QStringLiteral("release/");
}

} // namespace

QString AcceptedBase(const QString& base)
{
    const QUrl url(base, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty())
        return {};
    // Query and fragment would end up in the middle of every file address.
    if (url.hasQuery() || url.hasFragment())
        return {};
    return WithSlash(base);
}

QString ServerBase()
{
    const QString configured = qEnvironmentVariable("TARVO_UPDATE_BASE");
    return AcceptedBase(configured.isEmpty() ? QString::fromLatin1(kDefaultBase) : configured);
}

QString SoftwareFolder(const QString& base, Channel channel)
{
    if (base.isEmpty())
        return {};
    return WithSlash(base) + QStringLiteral("software-upgrade/Tarvo/") + ChannelFolder(channel);
}

QString FirmwareFolder(const QString& base, const QString& modelCode, Channel channel)
{
    if (base.isEmpty() || modelCode.isEmpty())
        return {};
    return WithSlash(base) + QStringLiteral("firmware-upgrade/tarvo/") + modelCode + QLatin1Char('/')
        + ChannelFolder(channel);
}

QString SoftwareVersionUrl(const QString& softwareFolder)
{
    return softwareFolder.isEmpty() ? QString() : softwareFolder + QStringLiteral("version");
}

QString MouseVersionUrl(const QString& firmwareFolder)
{
    return firmwareFolder.isEmpty() ? QString() : firmwareFolder + QStringLiteral("/mouse_version");
}

QString ReceiverVersionUrl(const QString& firmwareFolder)
{
    return firmwareFolder.isEmpty() ? QString() : firmwareFolder + QStringLiteral("/dongle_version");
}

QString PackageUrl(const QString& folder, const QString& packageName)
{
    if (folder.isEmpty() || packageName.isEmpty())
        return {};
    return QStringLiteral("%1/%2").arg(folder, packageName);
}

QString SoftwarePackageName(const QString& version)
{
    return QStringLiteral("mouse-setup-%1.zip").arg(version);
}

QString MousePackageName(const QString& version)
{
    return QStringLiteral("mouse_%1_fota.zip").arg(version);
}

QString ReceiverPackageName(const QString& version)
{
    return QStringLiteral("dongle_%1_fota.zip").arg(version);
}

QString SoftwareSetupName(const QString& version)
{
    return QStringLiteral("mouse-setup-%1.exe").arg(version);
}

QString MouseFirmwareName(const QString& version)
{
    return QStringLiteral("mouse_%1_fota.fwpkg").arg(version);
}

QString ReceiverFirmwareName(const QString& version)
{
    return QStringLiteral("dongle_%1_fota.fwpkg").arg(version);
}

QString ChecksumUrl(const QString& packageUrl)
{
    return packageUrl.isEmpty() ? QString() : packageUrl + QStringLiteral(".sha256");
}

} // namespace UpdateUrls
