// Imports fuzzed profile and macro files into a real store and checks that
// whatever the file holds, the store afterwards holds only values the pages
// could have stored, and that a refused import changed nothing.
#include "editors/DpiRules.h"
#include "editors/PerformanceRules.h"
#include "editors/SettingRules.h"
#include "store/ExchangeFiles.h"
#include "store/ProfileLoader.h"
#include "store/SettingsStore.h"
#include "store/StoreDefaults.h"
#include "store/StoreSavepoint.h"

#include <QByteArrayView>
#include <QDir>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kProfile = 1;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Fixture {
    SettingsStore store;
    int macroId = 0;
    int programId = 0;
    int textId = 0;

    QString folder;
    // The store as every input finds it: each runs inside a savepoint that is
    // rolled back afterwards, far quicker than putting the rows back.
    QString baseline;

    Fixture()
    {
        // In memory where the system has it: every input writes the store.
        char pattern[] = "/dev/shm/tarvo-fuzz-exchange-XXXXXX";
        char fallback[] = "/tmp/tarvo-fuzz-exchange-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            made = mkdtemp(fallback);
        Check(made != nullptr);
        folder = QString::fromLocal8Bit(made);
        Check(store.OpenForDevice(folder + QLatin1Char('/'), QStringLiteral("heron")));
        Check(store.Execute("PRAGMA synchronous = OFF") == 0);
        ProfileLoader::LoadProfiles(store);
        // Rows a file may name, so that valid references are reachable.
        macroId = store.AddMacro(QStringLiteral("M"));
        programId = store.AddKeyOtherData(QStringLiteral("app"), QStringLiteral("/bin/true"), 9);
        NamedEntry text;
        text.name = QStringLiteral("t");
        textId = store.AddText(text);
        Check(macroId == 1 && programId == 1 && textId == 1);
        baseline = State();
    }

    ~Fixture()
    {
        store.CloseDatabase();
        QDir(folder).removeRecursively();
    }

    QString State()
    {
        QString text;
        std::vector<KeyAssignment> keys;
        store.ListKeyAssignments(kProfile, keys);
        for (const KeyAssignment& k : keys)
            text += QStringLiteral("k%1/%2/%3/%4/%5/%6;")
                        .arg(k.key_code)
                        .arg(k.macro_type)
                        .arg(k.macro_value)
                        .arg(k.macro_value2)
                        .arg(k.macro_value3)
                        .arg(k.macro_desc);
        std::vector<LightMode> lights;
        store.ListLightModes(kProfile, lights);
        for (const LightMode& l : lights)
            text += QStringLiteral("l%1/%2/%3/%4/%5;")
                        .arg(l.mode)
                        .arg(l.brightness)
                        .arg(l.speed)
                        .arg(l.color_value)
                        .arg(l.status);
        for (const StoreDefaults::ConfigKey& key : StoreDefaults::kConfigKeys) {
            QString value;
            store.GetConfigValue(kProfile, QString::fromLatin1(key.key), value);
            text += value + QLatin1Char(';');
        }
        std::vector<MacroInfo> macros;
        text += QString::number(store.ListMacros(macros));
        return text;
    }

    int64_t Int(const char* key)
    {
        QString value;
        Check(store.GetConfigValue(kProfile, QString::fromLatin1(key), value));
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        Check(ok);
        return number;
    }

    void CheckProfile(const ExchangeModel& model)
    {
        const int64_t count = Int("dpi_count");
        Check(count >= 1 && count <= DpiRules::kLevelCount);
        const int64_t index = Int("dpi_index");
        Check(index >= 0 && index < count);
        Check(SettingRules::IsOptionByte(Int("dpi_flag")));
        for (int level = 0; level < 5; ++level) {
            const int64_t dpi = Int(QStringLiteral("dpi_group%1_value").arg(level).toLatin1().constData());
            Check(dpi % DpiRules::kStep == 0 && dpi >= DpiRules::kMinimum
                && dpi <= DpiRules::UpperBound(model.deviceType));
            Check(SettingRules::IsColor(Int(QStringLiteral("dpi_group%1_rgb").arg(level).toLatin1().constData())));
        }
        Check(SettingRules::IsReportRateCode(Int("report_rate")));
        const int64_t response = Int("button_respondtime");
        Check(response >= PerformanceRules::kResponseMinimum && response <= PerformanceRules::kResponseMaximum);
        for (const char* key : {"sensor_flag", "liftoff_height", "scroll_flag", "highspeed_mode", "leftbtn_lock"})
            Check(SettingRules::IsOptionByte(Int(key)));
        std::vector<KeyAssignment> keys;
        store.ListKeyAssignments(kProfile, keys);
        for (const KeyAssignment& k : keys) {
            Check(std::find(model.buttons.begin(), model.buttons.end(), k.key_code) != model.buttons.end());
            Check(SettingRules::IsStoredFunctionType(k.macro_type));
            Check(k.macro_desc.size() <= SettingRules::kMaxNameLength);
            if (k.macro_type == int(SettingRules::FunctionType::Macro))
                Check(k.macro_value == macroId);
        }
        std::vector<LightMode> lights;
        store.ListLightModes(kProfile, lights);
        if (!model.lighting)
            Check(lights.empty());
        for (const LightMode& l : lights) {
            Check(SettingRules::IsLightMode(l.mode));
            Check(l.brightness >= 0 && l.brightness <= 255 && l.speed >= 0 && l.speed <= 255);
            Check(SettingRules::IsColor(l.color_value));
        }
    }

    void CheckMacro(const ExchangeResult& result)
    {
        MacroInfo macro;
        Check(store.GetMacro(result.macroId, macro));
        Check(macro.name == result.macroName && macro.name.endsWith(ExchangeFiles::kImportSuffix));
        Check(macro.name.size() <= SettingRules::kMaxNameLength);
        Check(SettingRules::IsDelayType(macro.delay_type));
        std::vector<MacroStep> steps;
        Check(store.ListMacroSteps(result.macroId, steps) <= SettingRules::kMaxMacroEvents);
        for (size_t i = 0; i < steps.size(); ++i) {
            Check(steps[i].record_index == int(i));
            Check(SettingRules::IsMacroEventType(steps[i].type));
            Check(steps[i].delay_time >= 0 && steps[i].delay_time <= SettingRules::kMaxEventDelay);
        }
        Check(store.DeleteMacro(result.macroId));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    if (size < 1 || size > size_t(ExchangeFiles::kMaxFileSize))
        return 0;
    // The first byte chooses the file kind and the model; the rest is the file.
    const uint8_t choice = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const auto lock = fixture.store.Lock();
    StoreSavepoint input(fixture.store);
    Check(input.IsOpen());
    if (choice & 1) {
        const ExchangeResult result = ExchangeFiles::ImportMacroBytes(fixture.store, bytes);
        if (result.Ok())
            fixture.CheckMacro(result);
        else
            Check(result.macroId == 0 && result.notes.empty());
        Check(fixture.State() == fixture.baseline);
        return 0;
    }
    const ExchangeModel model{(choice & 2) ? 101 : 102, (choice & 4) != 0, {1, 2, 3, 4, 5, 6}};
    const ExchangeResult result = ExchangeFiles::ImportProfileBytes(fixture.store, kProfile, model, bytes);
    if (result.Ok())
        fixture.CheckProfile(model);
    else
        Check(fixture.State() == fixture.baseline && result.notes.empty());
    return 0;
}
