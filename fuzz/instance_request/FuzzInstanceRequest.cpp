// The single-instance channel's request parser over arbitrary bytes: only the
// three fixed texts are requests, anything else is refused.

#include "app/InstanceRequest.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const InstanceRequest request = ParseInstanceRequest(line);
    const bool exact = line == QByteArrayView("show") || line == QByteArrayView("ping")
        || line == QByteArrayView("post 1691 0 610");
    if ((request != InstanceRequest::Invalid) != exact)
        std::abort();
    return 0;
}
