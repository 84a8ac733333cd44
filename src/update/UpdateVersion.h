#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// How an offered version relates to the current one. Every caller treats a
// result of 1 or more as newer.
enum VersionOrder : int32_t {
    kVersionOlder = -1,
    kVersionEqual = 0,
    kVersionNewer = 1,
    // The two have a different number of parts ("1.2.3" and "1.2"): taken as
    // newer, so a server that changes its numbering is never ignored.
    kVersionOtherShape = 2,
};

// Splits both texts at "."; a different number of parts gives 2. Otherwise
// the parts are compared from the left as numbers (leading digits of each,
// 0 without any): the first pair that differs decides, 1 when the offered
// part is greater, -1 when smaller; all equal gives 0.
int32_t CompareVersion(const QString& current, const QString& offered);

// The longest version file body accepted: the software file may hold 10
// characters, the firmware files 9, line break included.
constexpr int32_t kSoftwareVersionMaxLength = 10;
constexpr int32_t kFirmwareVersionMaxLength = 9;

// The offered version in a version file's body: accepted when the body has
// 1 to maxLength characters; a trailing line break (or blanks) is dropped
// from the result. What remains must be dot-separated decimal numbers: the
// version names local files and addresses, so anything else ("../x",
// "1.2/3", an error page) is refused. Nothing when refused.
std::optional<QString> AcceptVersionText(const QString& body, int32_t maxLength);
