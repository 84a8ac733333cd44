#include "platform/HeapTuning.h"

#include <QTimer>

#include <malloc.h>

namespace HeapTuning {

namespace {
constexpr int kLargeBlockBytes = 128 * 1024;
// Long enough for a view being built, its data read and its first drawing.
constexpr int kQuietMs = 3000;
} // namespace

void KeepLargeBlocksApart()
{
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
}

void ReturnFreeMemorySoon()
{
    static QTimer* timer = [] {
        auto* quiet = new QTimer();
        quiet->setSingleShot(true);
        quiet->setInterval(kQuietMs);
        QObject::connect(quiet, &QTimer::timeout, [] { malloc_trim(0); });
        return quiet;
    }();
    timer->start();
}

} // namespace HeapTuning
