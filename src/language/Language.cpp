#include "language/Language.h"

#include <atomic>

namespace {

// English until start-up has decided: texts then come from a file that exists.
std::atomic<int> g_currentLcid { 1033 };

} // namespace

int Language::Current()
{
    return g_currentLcid.load(std::memory_order_relaxed);
}

void Language::SetCurrent(int lcid)
{
    g_currentLcid.store(lcid, std::memory_order_relaxed);
}
