#pragma once

#include <array>

// The statements of the store, byte for byte as the database format has always
// had them: existing files were created by these texts, tabs included.
namespace StoreSql {

// Creation order of the ten tables and nine indexes.
inline constexpr std::array<const char*, 19> kSchema {
    "CREATE TABLE IF NOT EXISTS t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  profile INTEGER, key TEXT, value TEXT)",
    "CREATE TABLE IF NOT EXISTS t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, app TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data(profile)",
    "CREATE TABLE IF NOT EXISTS t_text_data(text_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, content TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS textindex ON t_text_data(text_id)",
    "CREATE TABLE IF NOT EXISTS t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\tprofile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT, \t\t\t\t\t\t\t\tmacro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)",
    "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data(key_id)",
    "CREATE TABLE IF NOT EXISTS t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_desc TEXT, param TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata(macro_value)",
    "CREATE TABLE IF NOT EXISTS t_key_textdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  type INTEGER, text_caption TEXT, text_desc TEXT)",
    "CREATE INDEX IF NOT EXISTS t_key_textdataindex ON t_key_textdata(macro_value)",
    "CREATE TABLE IF NOT EXISTS t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data(macro_id)",
    "CREATE TABLE IF NOT EXISTS t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord(record_id)",
    "CREATE TABLE IF NOT EXISTS t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t\t\t  profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, \t\t\t\t\t\t\t\t\t\tdirection INTEGER, colorful INTEGER, colorindex INTEGER, \t\t\t\t\t\t\t\t\t\tcolor_value INTEGER, config_func INTEGER, reserved INTEGER, status INTEGER)",
    "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data(light_id)",
    "CREATE TABLE IF NOT EXISTS t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
    "CREATE INDEX IF NOT EXISTS keylightindex ON t_key_light_data(keylight_id)",
};

// How many of the ten tables the schema creates a database has.
inline constexpr int kTableCount = 10;
inline constexpr const char* kCountTables
    = "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('t_configdata', 't_profile_data', "
      "'t_text_data', 't_key_macro_data', 't_key_otherdata', 't_key_textdata', 't_macro_data', 't_macrorecord', "
      "'t_light_data', 't_key_light_data')";
// The first fault found in the file's pages and indexes, or "ok".
inline constexpr const char* kQuickCheck = "PRAGMA quick_check(1)";

inline constexpr const char* kSetConfigValue = "UPDATE t_configdata SET value = ? WHERE profile = ? and key = ?";
inline constexpr const char* kGetConfigValue = "SELECT value FROM t_configdata WHERE profile = ? and key = ?";
inline constexpr const char* kInsertConfig = "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);";
inline constexpr const char* kAddProfile = "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);";
inline constexpr const char* kRenameProfile = "UPDATE t_profile_data SET name = ? WHERE profile = ?";
inline constexpr const char* kGetProfileName = "SELECT name FROM t_profile_data WHERE profile = ?";
inline constexpr const char* kListProfiles = "SELECT * FROM t_profile_data";
inline constexpr const char* kClearActiveProfile = "UPDATE t_profile_data SET status = ?";
inline constexpr const char* kSetActiveProfile = "UPDATE t_profile_data SET status = ? WHERE profile = ?";
inline constexpr const char* kGetActiveProfile = "SELECT profile FROM t_profile_data WHERE status = ?";
inline constexpr const char* kAddText = "INSERT INTO t_text_data(name, status, content, type) VALUES (?, ?, ?, ?);";
inline constexpr const char* kDeleteText = "DELETE FROM t_text_data WHERE text_id = ?";
inline constexpr const char* kRenameText = "UPDATE t_text_data SET name = ? WHERE text_id = ?";
inline constexpr const char* kGetTextName = "SELECT name FROM t_text_data WHERE text_id = ?";
inline constexpr const char* kSetTextContent = "UPDATE t_text_data SET content = ? WHERE text_id = ?";
inline constexpr const char* kGetTextContent = "SELECT content FROM t_text_data WHERE text_id = ?";
inline constexpr const char* kListTexts = "SELECT * FROM t_text_data";
inline constexpr const char* kDeleteKeyAssignment = "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?";
inline constexpr const char* kInsertKeyAssignment = "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc,                     macro_type, macro_value, macro_value2, macro_value3, macro_desc) \t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
inline constexpr const char* kGetKeyAssignment = "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?";
inline constexpr const char* kSetKeyDescription = "UPDATE t_key_macro_data SET macro_desc = ? WHERE profile = ? and fn_layer = ? and key_code = ?";
inline constexpr const char* kListKeyAssignments = "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?";
inline constexpr const char* kDeleteKeyAssignments = "DELETE FROM t_key_macro_data WHERE profile = ?";
inline constexpr const char* kAddKeyOtherData = "INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (?, ?, ?);";
inline constexpr const char* kGetKeyOtherData = "SELECT macro_desc, param, type FROM t_key_otherdata WHERE macro_value = ?";
inline constexpr const char* kAddMacro = "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) VALUES (?, ?, ?, ?, ?);";
inline constexpr const char* kRenameMacro = "UPDATE t_macro_data SET name = ? WHERE macro_id = ?";
inline constexpr const char* kUpdateMacro = "UPDATE t_macro_data SET name = ?, play_type = ?, play_times = ?, delay_type = ?,delay_time = ? WHERE macro_id = ?";
inline constexpr const char* kGetMacro = "SELECT * FROM t_macro_data WHERE macro_id = ?";
inline constexpr const char* kListMacros = "SELECT * FROM t_macro_data";
inline constexpr const char* kDeleteMacro = "DELETE FROM t_macro_data WHERE macro_id = ?";
inline constexpr const char* kDeleteMacroSteps = "DELETE FROM t_macrorecord WHERE macro_id = ?";
inline constexpr const char* kAddMacroStep = "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) \t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?);";
inline constexpr const char* kListMacroSteps = "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC";
inline constexpr const char* kMacroExists = "SELECT count(*) FROM t_macro_data WHERE macro_id = ?";
inline constexpr const char* kCountLightModes = "select count(*) FROM t_light_data WHERE profile = ?";
inline constexpr const char* kAddLightMode = "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, \t\t\t\t\t colorful, colorindex, color_value, config_func, reserved, status) \t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
inline constexpr const char* kUpdateLightMode = "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, colorindex = ?,\t\t\t color_value = ?, config_func = ?, reserved = ? WHERE profile = ? AND mode = ?";
inline constexpr const char* kClearActiveLightMode = "UPDATE t_light_data SET status = ? WHERE profile = ?";
inline constexpr const char* kSetActiveLightMode = "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?";
inline constexpr const char* kGetActiveLightMode = "SELECT mode FROM t_light_data WHERE profile = ? and status = ?";
inline constexpr const char* kGetLightMode = "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?";
inline constexpr const char* kListLightModes = "SELECT * FROM t_light_data WHERE profile = ?";

} // namespace StoreSql
