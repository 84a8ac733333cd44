// config.xml and the model descriptions over arbitrary bytes: loading never
// crashes, and what it yields keeps the promises the registry relies on.

#include "devices/AppConfig.h"
#include "devices/DeviceDescription.h"
#include "platform/DataFile.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1 << 20))
        return 0;
    if (size < 1)
        return 0;
    // The first byte chooses the file: one parse per input keeps the rate up.
    const bool description = data[0] & 1;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (description) {
        DeviceDescription loaded;
        if (loaded.LoadBytes(bytes)) {
            Check(loaded.PictureName().isEmpty() || DataFile::IsPlainName(QStringView(loaded.PictureName()).mid(7)));
            Check(loaded.Markers().size() == loaded.DefaultKeys().size());
        } else {
            Check(!loaded.LastError().isEmpty());
        }
        return 0;
    }

    AppConfig config;
    const bool configured = config.LoadBytes(bytes, nullptr);
    if (!configured) {
        Check(config.Models().empty() && config.Modes().empty());
        Check(!config.LastError().isEmpty());
    }
    Check(!config.SoftwareVersion().isEmpty());
    for (const ModelEntry& model : config.Models()) {
        // An image path is a plain name inside the skin's device folder, or nothing.
        Check(model.imagePath.isEmpty()
            || (model.imagePath.startsWith(QStringLiteral("device/"))
                && DataFile::IsPlainName(QStringView(model.imagePath).mid(7))));
        Check(config.FindModel(model.deviceType) != nullptr);
    }
    const int32_t type = DeviceDescription::ResolveDeviceType(config.Models().empty() ? 0 : 999, config.Models());
    Check(config.Models().empty() || config.FindModel(type) != nullptr);

    DeviceDescription chosen;
    chosen.SelectModel(type, config.Models());
    Check(chosen.DeviceType() == type);
    return 0;
}
