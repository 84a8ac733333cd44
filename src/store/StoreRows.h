#pragma once

#include "store/StoreRecords.h"

#include <QByteArray>

class SQLiteStatement;

// How the store's records meet its statements: the column order of each
// table's "SELECT *" and the parameter order of its inserts and updates, in
// one place for every table operation.
namespace StoreRows {

// A row of t_profile_data or t_text_data as both list queries select it.
NamedEntry ReadNamedEntry(const SQLiteStatement& statement);
// "SELECT *" on t_key_macro_data, in table order.
KeyAssignment ReadKeyAssignment(const SQLiteStatement& statement);
MacroInfo ReadMacro(const SQLiteStatement& statement);
// The table keeps desc before value; the record keeps it last.
MacroStep ReadMacroStep(const SQLiteStatement& statement);
LightMode ReadLightMode(const SQLiteStatement& statement);

// The macro's five values from index 1 (the insert's and the update's order).
// The UTF-8 name stays alive until the statement has been stepped.
void BindMacroValues(SQLiteStatement& statement, const QByteArray& nameUtf8, const MacroInfo& macro);
// A step's six values from index 1, desc as UTF-8 kept alive by the caller.
void BindMacroStep(SQLiteStatement& statement, const QByteArray& descUtf8, const MacroStep& step);

} // namespace StoreRows
