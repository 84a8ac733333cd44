#pragma once

#include <QString>

// The addresses of the upgrade server. Every folder ends with "/"; empty
// means "no address", and the check or download that needs it does nothing.
namespace UpdateUrls {

// Where the program looks when TARVO_UPDATE_BASE is not set: a reserved name
// that never resolves until a real server exists.
inline constexpr const char* kDefaultBase = "https://update.tarvo.example/";

// Which folders of the server are read: the debug channel's are for the
// vendor's own testing; nothing in the program selects them.
enum class Channel { Release, Debug };

// The server base: $TARVO_UPDATE_BASE when set, else kDefaultBase, with a
// trailing "/". Empty when the address is not https: the server is reached
// over TLS or not at all.
QString ServerBase();
// The base given, with a trailing "/"; empty unless it is an https address
// with a host.
QString AcceptedBase(const QString& base);

// "<base>software-upgrade/Tarvo/release/" (debug: ".../debug/").
QString SoftwareFolder(const QString& base, Channel channel);
// "<base>firmware-upgrade/tarvo/<model code>/release/"; empty for an empty
// model code (a device type without firmware updates) or an empty base.
QString FirmwareFolder(const QString& base, const QString& modelCode, Channel channel);

// The files below the folders. The firmware version files and every package
// are joined with a second "/" ("%s//%s"): the server's paths carry it.
QString SoftwareVersionUrl(const QString& softwareFolder);
QString MouseVersionUrl(const QString& firmwareFolder);
QString ReceiverVersionUrl(const QString& firmwareFolder);
QString PackageUrl(const QString& folder, const QString& packageName);

// Package and content names, with the offered version.
QString SoftwarePackageName(const QString& version); // "mouse-setup-%s.zip"
QString MousePackageName(const QString& version); // "mouse_%s_fota.zip"
QString ReceiverPackageName(const QString& version); // "dongle_%s_fota.zip"
QString SoftwareSetupName(const QString& version); // "mouse-setup-%s.exe"
QString MouseFirmwareName(const QString& version); // "mouse_%s_fota.fwpkg"
QString ReceiverFirmwareName(const QString& version); // "dongle_%s_fota.fwpkg"

// The checksum published beside a package: "<package url>.sha256".
QString ChecksumUrl(const QString& packageUrl);

} // namespace UpdateUrls
