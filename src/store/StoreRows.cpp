#include "store/StoreRows.h"

#include "store/SQLiteStatement.h"

namespace StoreRows {

NamedEntry ReadNamedEntry(const SQLiteStatement& statement)
{
    NamedEntry entry;
    entry.id = statement.GetColumnInt(0);
    entry.name = statement.GetColumnString(1);
    entry.status = statement.GetColumnInt(2);
    entry.text = statement.GetColumnString(3);
    entry.type = statement.GetColumnInt(4);
    return entry;
}

KeyAssignment ReadKeyAssignment(const SQLiteStatement& statement)
{
    KeyAssignment row;
    row.key_id = statement.GetColumnInt(0);
    row.profile = statement.GetColumnInt(1);
    row.fn_layer = statement.GetColumnInt(2);
    row.key_code = statement.GetColumnInt(3);
    row.layout_value = statement.GetColumnInt(4);
    row.layout_desc = statement.GetColumnString(5);
    row.macro_type = statement.GetColumnInt(6);
    row.macro_value = statement.GetColumnInt(7);
    row.macro_value2 = statement.GetColumnInt(8);
    row.macro_value3 = statement.GetColumnInt(9);
    row.macro_desc = statement.GetColumnString(10);
    return row;
}

MacroInfo ReadMacro(const SQLiteStatement& statement)
{
    MacroInfo row;
    row.macro_id = statement.GetColumnInt(0);
    row.name = statement.GetColumnString(1);
    row.play_type = statement.GetColumnInt(2);
    row.play_times = statement.GetColumnInt(3);
    row.delay_type = statement.GetColumnInt(4);
    row.delay_time = statement.GetColumnInt(5);
    return row;
}

MacroStep ReadMacroStep(const SQLiteStatement& statement)
{
    MacroStep row;
    row.record_id = statement.GetColumnInt(0);
    row.macro_id = statement.GetColumnInt(1);
    row.type = statement.GetColumnInt(2);
    row.record_index = statement.GetColumnInt(3);
    row.desc = statement.GetColumnString(4);
    row.value = statement.GetColumnInt(5);
    row.delay_time = statement.GetColumnInt(6);
    return row;
}

LightMode ReadLightMode(const SQLiteStatement& statement)
{
    LightMode row;
    row.light_id = statement.GetColumnInt(0);
    row.profile = statement.GetColumnInt(1);
    row.name = statement.GetColumnString(2);
    row.mode = statement.GetColumnInt(3);
    row.brightness = statement.GetColumnInt(4);
    row.speed = statement.GetColumnInt(5);
    row.direction = statement.GetColumnInt(6);
    row.colorful = statement.GetColumnInt(7);
    row.colorindex = statement.GetColumnInt(8);
    row.color_value = statement.GetColumnInt(9);
    row.config_func = statement.GetColumnInt(10);
    row.reserved = statement.GetColumnInt(11);
    row.status = statement.GetColumnInt(12);
    return row;
}

void BindMacroValues(SQLiteStatement& statement, const QByteArray& nameUtf8, const MacroInfo& macro)
{
    statement.BindUtf8(1, nameUtf8);
    statement.BindInt(2, macro.play_type);
    statement.BindInt(3, macro.play_times);
    statement.BindInt(4, macro.delay_type);
    statement.BindInt(5, macro.delay_time);
}

void BindMacroStep(SQLiteStatement& statement, const QByteArray& descUtf8, const MacroStep& step)
{
    statement.BindInt(1, step.macro_id);
    statement.BindInt(2, step.type);
    statement.BindInt(3, step.record_index);
    statement.BindUtf8(4, descUtf8);
    statement.BindInt(5, step.value);
    statement.BindInt(6, step.delay_time);
}

} // namespace StoreRows
