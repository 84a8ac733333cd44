// Imports fuzzed profile and macro files into a real store and checks that
// whatever the file holds, the store afterwards holds only values the pages
// could have stored, and that a refused import changed nothing.
#include "editors/DpiRules.h"
#include "editors/PerformanceRules.h"
#include "editors/SettingRules.h"
#include "store/ExchangeFiles.h"
#include "store/ProfileLoader.h"
#include "store/SQLiteStatement.h"
#include "store/SettingsStore.h"
#include "store/StoreSavepoint.h"

#include <QByteArrayView>
#include <QDir>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
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
    std::map<QString, QString> config;

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

    // Every row of every table but sqlite_sequence, read by one statement:
    // a refused import, or a macro import undone, must leave all of it as it was.
    QString State()
    {
        static constexpr const char* kSnapshot
            = "SELECT "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(config_id) || ',' || quote(profile) || ',' || "
              "quote(key) || ',' || quote(value) AS r FROM t_configdata ORDER BY config_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(profile) || ',' || quote(name) || ',' || "
              "quote(status) || ',' || quote(app) || ',' || quote(type) AS r FROM t_profile_data ORDER BY profile)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(text_id) || ',' || quote(name) || ',' || "
              "quote(status) || ',' || quote(content) || ',' || quote(type) AS r FROM t_text_data ORDER BY text_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(key_id) || ',' || quote(profile) || ',' || "
              "quote(fn_layer) || ',' || quote(key_code) || ',' || quote(layout_value) || ',' || quote(layout_desc) "
              "|| ',' || quote(macro_type) || ',' || quote(macro_value) || ',' || quote(macro_value2) || ',' || "
              "quote(macro_value3) || ',' || quote(macro_desc) AS r FROM t_key_macro_data ORDER BY key_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(macro_value) || ',' || quote(macro_desc) || ',' || "
              "quote(param) || ',' || quote(type) AS r FROM t_key_otherdata ORDER BY macro_value)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(macro_value) || ',' || quote(type) || ',' || "
              "quote(text_caption) || ',' || quote(text_desc) AS r FROM t_key_textdata ORDER BY macro_value)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(macro_id) || ',' || quote(name) || ',' || "
              "quote(play_type) || ',' || quote(play_times) || ',' || quote(delay_type) || ',' || quote(delay_time) "
              "AS r FROM t_macro_data ORDER BY macro_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(record_id) || ',' || quote(macro_id) || ',' || "
              "quote(type) || ',' || quote(record_index) || ',' || quote(\"desc\") || ',' || quote(value) || ',' || "
              "quote(delay_time) AS r FROM t_macrorecord ORDER BY record_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(light_id) || ',' || quote(profile) || ',' || "
              "quote(name) || ',' || quote(mode) || ',' || quote(brightness) || ',' || quote(speed) || ',' || "
              "quote(direction) || ',' || quote(colorful) || ',' || quote(colorindex) || ',' || quote(color_value) "
              "|| ',' || quote(config_func) || ',' || quote(reserved) || ',' || quote(status) AS r FROM "
              "t_light_data ORDER BY light_id)), "
              "(SELECT group_concat(r, ';') FROM (SELECT quote(keylight_id) || ',' || quote(profile) || ',' || "
              "quote(light_id) || ',' || quote(key_code) || ',' || quote(key_rgb) AS r FROM t_key_light_data "
              "ORDER BY keylight_id))";
        constexpr int kTables = 10;
        SQLiteStatement statement;
        Check(store.Prepare(statement, kSnapshot, -1) == 0);
        Check(statement.Step() == SQLiteResult::kRow);
        QString text;
        for (int table = 0; table < kTables; ++table)
            text += statement.GetColumnString(table) + QLatin1Char('#');
        return text;
    }

    // Rows written, deleted or changed on the connection so far, those rolled
    // back included: while it stays the same, nothing can differ from the
    // baseline, and the snapshot is spared.
    int64_t Changes()
    {
        SQLiteStatement statement;
        Check(store.Prepare(statement, "SELECT total_changes()", -1) == 0);
        Check(statement.Step() == SQLiteResult::kRow);
        bool ok = false;
        const int64_t changes = statement.GetColumnString(0).toLongLong(&ok);
        Check(ok);
        return changes;
    }

    // The store still as every input finds it.
    void CheckUnchangedSince(int64_t changes)
    {
        if (Changes() != changes)
            Check(State() == baseline);
    }

    // The profile's configuration rows, read at once.
    void ReadConfig()
    {
        config.clear();
        SQLiteStatement statement;
        Check(store.Prepare(statement, "SELECT key, value FROM t_configdata WHERE profile = ?", -1) == 0);
        statement.BindInt(1, kProfile);
        while (statement.Step() == SQLiteResult::kRow)
            config.emplace(statement.GetColumnString(0), statement.GetColumnString(1));
    }

    int64_t Int(const char* key)
    {
        const auto row = config.find(QString::fromLatin1(key));
        Check(row != config.end());
        bool ok = false;
        const qlonglong number = row->second.toLongLong(&ok);
        Check(ok);
        return number;
    }

    void CheckProfile(const ExchangeModel& model)
    {
        ReadConfig();
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
    const int64_t changes = fixture.Changes();
    if (choice & 1) {
        const ExchangeResult result = ExchangeFiles::ImportMacroBytes(fixture.store, bytes);
        if (result.Ok())
            fixture.CheckMacro(result);
        else
            Check(result.macroId == 0 && result.notes.empty());
        fixture.CheckUnchangedSince(changes);
        return 0;
    }
    const ExchangeModel model{(choice & 2) ? 101 : 102, (choice & 4) != 0, {1, 2, 3, 4, 5, 6}};
    const ExchangeResult result = ExchangeFiles::ImportProfileBytes(fixture.store, kProfile, model, bytes);
    if (result.Ok()) {
        fixture.CheckProfile(model);
    } else {
        Check(result.notes.empty());
        fixture.CheckUnchangedSince(changes);
    }
    return 0;
}
