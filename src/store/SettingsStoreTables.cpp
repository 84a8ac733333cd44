// Button, action, macro and lighting tables of SettingsStore.

#include "store/SettingsStore.h"

#include "store/SQLiteAutoTransaction.h"
#include "store/SQLiteStatement.h"
#include "store/StoreDefaults.h"
#include "store/StoreRows.h"
#include "store/StoreSavepoint.h"
#include "store/StoreSql.h"

#include <optional>

// ---- Button assignments ----

int SettingsStore::SetKeyAssignment(const KeyAssignment& assignment)
{
    const auto lock = Lock();
    // Delete and insert together: a failed insert keeps the old assignment
    // instead of silently returning the button to its default.
    StoreSavepoint savepoint(*this);
    if (!RunIntWrite(StoreSql::kDeleteKeyAssignment, {assignment.profile, assignment.fn_layer, assignment.key_code}))
        return 0;
    if (assignment.macro_value == 0 && assignment.macro_value2 == 0) {
        // Removed, which is what the caller asked for; a failed commit of the
        // removal has been reported to the problem listener.
        (void)savepoint.Release();
        return 0;
    }
    const QByteArray layoutUtf8 = assignment.layout_desc.toUtf8();
    const QByteArray descUtf8 = assignment.macro_desc.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kInsertKeyAssignment, -1);
    statement.BindInt(1, assignment.profile);
    statement.BindInt(2, assignment.fn_layer);
    statement.BindInt(3, assignment.key_code);
    statement.BindInt(4, assignment.layout_value);
    statement.BindUtf8(5, layoutUtf8);
    statement.BindInt(6, assignment.macro_type);
    statement.BindInt(7, assignment.macro_value);
    statement.BindInt(8, assignment.macro_value2);
    statement.BindInt(9, assignment.macro_value3);
    statement.BindUtf8(10, descUtf8);
    const int id = InsertedId(statement.Step());
    statement.Finalize();
    if (id == 0)
        return 0;
    if (savepoint.IsOpen() && !savepoint.Release())
        return 0;
    return id;
}

bool SettingsStore::GetKeyAssignment(int profile, int keyCode, KeyAssignment& assignment)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kGetKeyAssignment, -1);
    statement.BindInt(1, profile);
    statement.BindInt(2, 0);
    statement.BindInt(3, keyCode);
    if (statement.Step() != SQLiteResult::kRow)
        return false;
    assignment = StoreRows::ReadKeyAssignment(statement);
    return true;
}

bool SettingsStore::SetKeyDescription(int profile, int keyCode, const QString& description)
{
    const auto lock = Lock();
    const QByteArray descUtf8 = description.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kSetKeyDescription, -1);
    statement.BindUtf8(1, descUtf8);
    statement.BindInt(2, profile);
    statement.BindInt(3, 0);
    statement.BindInt(4, keyCode);
    return WriteSucceeded(statement.Step());
}

int SettingsStore::ListKeyAssignments(int profile, std::vector<KeyAssignment>& list)
{
    list.clear();
    return ForEachRow(StoreSql::kListKeyAssignments, {profile, 0},
        [&](const SQLiteStatement& row) { list.push_back(StoreRows::ReadKeyAssignment(row)); });
}

bool SettingsStore::DeleteKeyAssignments(int profile)
{
    return RunIntWrite(StoreSql::kDeleteKeyAssignments, {profile});
}

// ---- Program and text actions ----

int SettingsStore::AddKeyOtherData(const QString& description, const QString& parameter, int type)
{
    const auto lock = Lock();
    const QByteArray descUtf8 = description.toUtf8();
    const QByteArray paramUtf8 = parameter.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddKeyOtherData, -1);
    statement.BindUtf8(1, descUtf8);
    statement.BindUtf8(2, paramUtf8);
    statement.BindInt(3, type);
    return InsertedId(statement.Step());
}

bool SettingsStore::GetKeyOtherData(int id, QString& description, QString& parameter, int& type)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kGetKeyOtherData, -1);
    statement.BindInt(1, id);
    if (statement.Step() == SQLiteResult::kRow) {
        description = statement.GetColumnString(0);
        parameter = statement.GetColumnString(1);
        type = statement.GetColumnInt(2);
    }
    return true;
}

// ---- Macros ----

int SettingsStore::AddMacro(const QString& name)
{
    MacroInfo macro;
    macro.name = name;
    macro.play_type = 0;
    macro.play_times = 1;
    macro.delay_type = 1;
    macro.delay_time = 0;
    return AddMacroInfo(macro);
}

int SettingsStore::AddMacroInfo(const MacroInfo& macro)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = macro.name.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddMacro, -1);
    StoreRows::BindMacroValues(statement, nameUtf8, macro);
    return InsertedId(statement.Step());
}

bool SettingsStore::RenameMacro(int id, const QString& name)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = name.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kRenameMacro, -1);
    statement.BindUtf8(1, nameUtf8);
    statement.BindInt(2, id);
    return WriteSucceeded(statement.Step());
}

bool SettingsStore::UpdateMacro(int id, const MacroInfo& macro)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = macro.name.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kUpdateMacro, -1);
    StoreRows::BindMacroValues(statement, nameUtf8, macro);
    statement.BindInt(6, id);
    return WriteSucceeded(statement.Step());
}

bool SettingsStore::GetMacro(int id, MacroInfo& macro)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kGetMacro, -1);
    statement.BindInt(1, id);
    if (statement.Step() != SQLiteResult::kRow)
        return false;
    macro = StoreRows::ReadMacro(statement);
    return true;
}

int SettingsStore::ListMacros(std::vector<MacroInfo>& list)
{
    list.clear();
    return ForEachRow(
        StoreSql::kListMacros, {}, [&](const SQLiteStatement& row) { list.push_back(StoreRows::ReadMacro(row)); });
}

bool SettingsStore::DeleteMacro(int id)
{
    const auto lock = Lock();
    // Together or not at all: a macro row without steps, or steps without
    // their macro, help nobody.
    StoreSavepoint savepoint(*this);
    if (!RunIntWrite(StoreSql::kDeleteMacro, {id}))
        return false;
    if (!RunIntWrite(StoreSql::kDeleteMacroSteps, {id}))
        return false;
    return !savepoint.IsOpen() || savepoint.Release();
}

// ---- Macro steps ----

int SettingsStore::AddMacroStep(const MacroStep& step)
{
    const auto lock = Lock();
    const QByteArray descUtf8 = step.desc.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddMacroStep, -1);
    StoreRows::BindMacroStep(statement, descUtf8, step);
    return InsertedId(statement.Step());
}

bool SettingsStore::AddMacroSteps(std::vector<MacroStep> steps)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    // Inside a caller's transaction "BEGIN" would fail and "END" would end the
    // caller's work early; the inserts then simply join it.
    const bool ownTransaction = !InTransaction();
    std::optional<SQLiteAutoTransaction> transaction;
    if (ownTransaction)
        transaction.emplace(this);
    bool allKept = true;
    for (const MacroStep& step : steps) {
        const QByteArray descUtf8 = step.desc.toUtf8();
        Prepare(statement, StoreSql::kAddMacroStep, -1);
        StoreRows::BindMacroStep(statement, descUtf8, step);
        if (!WriteSucceeded(statement.Step()))
            allKept = false;
    }
    statement.Finalize();
    if (transaction && !transaction->Commit())
        allKept = false;
    return allKept;
}

int SettingsStore::ListMacroSteps(int macroId, std::vector<MacroStep>& list)
{
    list.clear();
    return ForEachRow(StoreSql::kListMacroSteps, {macroId},
        [&](const SQLiteStatement& row) { list.push_back(StoreRows::ReadMacroStep(row)); });
}

bool SettingsStore::DeleteMacroSteps(int macroId)
{
    return RunIntWrite(StoreSql::kDeleteMacroSteps, {macroId});
}

bool SettingsStore::InsertMacroSteps(int macroId, const std::vector<MacroStep>& steps)
{
    SQLiteStatement statement;
    for (const MacroStep& step : steps) {
        MacroStep row = step;
        row.macro_id = macroId;
        const QByteArray descUtf8 = row.desc.toUtf8();
        Prepare(statement, StoreSql::kAddMacroStep, -1);
        StoreRows::BindMacroStep(statement, descUtf8, row);
        if (!WriteSucceeded(statement.Step()))
            return false;
    }
    return true;
}

bool SettingsStore::ReplaceMacro(int id, const MacroInfo& macro, std::vector<MacroStep> steps)
{
    const auto lock = Lock();
    StoreSavepoint savepoint(*this);
    if (!savepoint.IsOpen())
        return false;
    // Updating a missing row succeeds without changing anything; its steps
    // would then belong to no macro.
    if (RunIntRead(StoreSql::kMacroExists, { id }) != 1)
        return false;
    if (!UpdateMacro(id, macro) || !DeleteMacroSteps(id) || !InsertMacroSteps(id, steps))
        return false;
    return savepoint.Release();
}

int SettingsStore::AddMacroWithSteps(const MacroInfo& macro, std::vector<MacroStep> steps)
{
    const auto lock = Lock();
    StoreSavepoint savepoint(*this);
    if (!savepoint.IsOpen())
        return 0;
    const int id = AddMacroInfo(macro);
    if (id <= 0 || !InsertMacroSteps(id, steps))
        return 0;
    return savepoint.Release() ? id : 0;
}

// ---- Lighting ----

int SettingsStore::CountLightModes(int profile)
{
    return RunIntRead(StoreSql::kCountLightModes, {profile});
}

int SettingsStore::AddLightMode(const LightMode& mode)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = mode.name.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddLightMode, -1);
    statement.BindInt(1, mode.profile);
    statement.BindUtf8(2, nameUtf8);
    statement.BindInt(3, mode.mode);
    statement.BindInt(4, mode.brightness);
    statement.BindInt(5, mode.speed);
    statement.BindInt(6, mode.direction);
    statement.BindInt(7, mode.colorful);
    statement.BindInt(8, mode.colorindex);
    statement.BindInt(9, mode.color_value);
    statement.BindInt(10, mode.config_func);
    statement.BindInt(11, mode.reserved);
    statement.BindInt(12, mode.status);
    return InsertedId(statement.Step());
}

bool SettingsStore::UpdateLightMode(int profile, int mode, const LightMode& values)
{
    return RunIntWrite(StoreSql::kUpdateLightMode,
        {values.brightness, values.speed, values.direction, values.colorful, values.colorindex, values.color_value,
            values.config_func, values.reserved, profile, mode});
}

bool SettingsStore::SetActiveLightMode(int profile, int mode)
{
    const auto lock = Lock();
    // Together or not at all, as for the active profile.
    StoreSavepoint savepoint(*this);
    if (!RunIntWrite(StoreSql::kClearActiveLightMode, {0, profile}))
        return false;
    if (!RunIntWrite(StoreSql::kSetActiveLightMode, {1, profile, mode}))
        return false;
    return !savepoint.IsOpen() || savepoint.Release();
}

int SettingsStore::GetActiveLightMode(int profile)
{
    return RunIntRead(StoreSql::kGetActiveLightMode, {profile, 1});
}

bool SettingsStore::GetLightMode(int profile, int mode, LightMode& light)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kGetLightMode, -1);
    statement.BindInt(1, profile);
    statement.BindInt(2, mode);
    if (statement.Step() != SQLiteResult::kRow)
        return false;
    light = StoreRows::ReadLightMode(statement);
    return true;
}

int SettingsStore::ListLightModes(int profile, std::vector<LightMode>& list)
{
    list.clear();
    return ForEachRow(StoreSql::kListLightModes, {profile},
        [&](const SQLiteStatement& row) { list.push_back(StoreRows::ReadLightMode(row)); });
}

bool SettingsStore::AddDefaultLightModes(int profile)
{
    const auto lock = Lock();
    if (CountLightModes(profile) >= 1)
        return true;
    StoreSavepoint savepoint(*this);
    for (const StoreDefaults::DefaultLightMode& row : StoreDefaults::kLightModes) {
        LightMode mode;
        mode.profile = profile;
        mode.name = QString::fromUtf8(row.name);
        mode.mode = row.mode;
        mode.brightness = 255;
        mode.speed = 128;
        mode.direction = 0;
        mode.colorful = 1;
        mode.colorindex = 0;
        mode.color_value = 255;
        mode.config_func = row.configFunc;
        mode.reserved = row.textId;
        mode.status = 0;
        if (AddLightMode(mode) == 0)
            return false;
    }
    if (!SetActiveLightMode(profile, StoreDefaults::kDefaultActiveLightMode))
        return false;
    if (savepoint.IsOpen() && !savepoint.Release())
        return false;
    return CountLightModes(profile) >= 1;
}
