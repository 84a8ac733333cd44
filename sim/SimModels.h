#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarvo::sim {

inline constexpr uint16_t kVendorId = 0x7768;

// One mouse model as the firmware knows it: its USB identities by cable and
// through the receiver, and its sensor's limit.
struct SimModel {
    int devType;
    std::string_view code;
    std::string_view name;
    uint16_t cablePid;
    uint16_t receiverPid;
    int maxDpi;
    bool lighting;
};

std::span<const SimModel> AllModels();

// Accepts the model code ("heron", "egret-3311") or the dev_type in decimal
// ("101"); nullptr when nothing matches.
const SimModel* FindModel(std::string_view codeOrType);

}
