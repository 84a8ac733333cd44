#include "SimModels.h"

#include <array>
#include <charconv>

namespace tarvo::sim {

namespace {

constexpr std::array kModels {
    SimModel { 101, "heron", "Heron Pro", 0x6D25, 0x6425, 26000, true },
    SimModel { 102, "heron-3311", "Heron", 0x6D26, 0x6426, 12000, true },
    SimModel { 103, "egret", "Egret Pro", 0x6D2E, 0x642E, 26000, false },
    SimModel { 104, "egret-3311", "Egret", 0x6D2D, 0x642D, 12000, false },
    SimModel { 105, "egretv2", "Egret V2 Pro", 0x6D32, 0x6432, 26000, true },
    SimModel { 106, "egretv2-3311", "Egret V2", 0x6D31, 0x6431, 12000, true },
    SimModel { 107, "plover", "Plover Pro", 0x6D30, 0x6430, 26000, true },
    SimModel { 108, "plover-3311", "Plover", 0x6D2F, 0x642F, 12000, true },
};

}

std::span<const SimModel> AllModels()
{
    return kModels;
}

const SimModel* FindModel(std::string_view codeOrType)
{
    int devType = 0;
    auto [end, error] = std::from_chars(codeOrType.data(), codeOrType.data() + codeOrType.size(), devType);
    bool const numeric = error == std::errc {} && end == codeOrType.data() + codeOrType.size();
    for (auto const& model : kModels) {
        if (numeric ? model.devType == devType : model.code == codeOrType)
            return &model;
    }
    return nullptr;
}

}
