#pragma once

#include "store/SQLiteDB.h"
#include "store/SQLiteStatement.h"
#include "store/StoreRecords.h"

#include <QByteArray>
#include <QString>

#include <QSet>

#include <functional>
#include <initializer_list>
#include <mutex>
#include <vector>

// Something the store could not do that the user has to know: edits that are
// not kept, or settings that started again from the defaults.
struct StoreProblem {
    enum class Kind {
        CannotOpen, // the model's database can be neither opened nor created
        ReadOnly, // it can be read but not written
        WriteFailed, // a write failed (a full disk, a file locked or damaged meanwhile)
        SetAside, // a damaged file was renamed and a new database took its place
    };
    Kind kind = Kind::WriteFailed;
    QString path; // the database file; for SetAside where the damaged file went
    QString detail; // the library's message, for the debug log
};

// The settings of the current mouse model: one database file per model,
// <data folder>db/<stem>_datav3.db. Every table operation holds the store's
// recursive lock from before its statement is compiled until after it is
// finalized, so the interface and worker threads may call any of them.
// Results: writes give true/false, inserts the new row id (0 on failure), list
// reads the number of rows, lookups their documented "nothing" value. Without a
// connection every operation fails quietly in that way. A caller need not tell
// the user of a failed write itself: the store reports it once to its problem
// listener (the window), so callers may ignore a write's result, saying why.
class SettingsStore : public SQLiteDB {
public:
    // The program's one store, created on first use.
    static SettingsStore& Instance();

    // Tests and tools may own private stores; the program uses Instance().
    SettingsStore();
    ~SettingsStore() override;

    // Held by code that needs a one-off statement or several operations in a row.
    std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(m_lock); }

    using ProblemListener = std::function<void(const StoreProblem&)>;
    // Who hears of problems: per database file and run at most one report that
    // it cannot be written (CannotOpen, ReadOnly or WriteFailed, whichever
    // comes first), and one report per damaged file set aside. Called on the
    // thread whose operation met the problem while the store's lock is held:
    // the listener hands the report on (posts it) and never calls the store.
    // Empty: nobody hears.
    void SetProblemListener(ProblemListener listener);

    // Opens the model's database, creating it with the full schema when missing.
    // An existing file is opened as it is, except that a file holding no
    // database, a damaged one (its first page, or any page or index by a quick
    // check) or something that is no regular file is set aside as
    // <name>.corrupt-<UTC time> and replaced by a fresh database, and a
    // database missing some of the tables (a creation cut short, an older
    // file) gets the missing ones; its rows stay. True while connected, also
    // read-only. With a connection already open it only reports that. A stem
    // that is no plain file name (DataFile::IsPlainName) opens nothing.
    bool OpenForDevice(const QString& dataFolder, const QString& stem);
    // The switch to another model, done under the lock so no operation of
    // another thread ever meets a half-switched connection: closes the current
    // database and opens `stem`'s.
    bool SelectDevice(const QString& dataFolder, const QString& stem);
    // Closes the database (process exit, tests). The next operation fails quietly.
    void CloseDatabase();
    bool IsOpened() const;
    // UTF-8 path of the last OpenForDevice.
    QByteArray DatabasePath() const;
    // <dataFolder>db/<stem>_datav3.db
    static QString DatabaseFilePath(const QString& dataFolder, const QString& stem);

    // ---- Configuration (t_configdata) ----
    // Succeeds, changing nothing, for a key the profile has no row for.
    [[nodiscard]] bool SetConfigValue(int profile, const QString& key, const QString& value);
    [[nodiscard]] bool SetConfigInt(int profile, const QString& key, int value);
    // Clears `value`; true and the value when the row exists.
    bool GetConfigValue(int profile, const QString& key, QString& value);
    // The value as a decimal number; 0 when the key is missing or not a number.
    int GetConfigInt(int profile, const QString& key);
    // The 36 rows of a new profile, all or nothing.
    [[nodiscard]] bool InsertDefaultConfig(int profile);
    // Keys 2 to 36 back to their reset values; "version" stays. All or nothing.
    [[nodiscard]] bool ResetConfig(int profile);

    // ---- Profiles (t_profile_data) ----
    // Inserts the profile (name and text of `entry`, status 0) with its 36
    // configuration rows, all or nothing. The new id, or 0.
    [[nodiscard]] int AddProfile(const NamedEntry& entry);
    [[nodiscard]] bool RenameProfile(int profile, const QString& name);
    // The name localised for the current language; false when there is no such profile.
    bool GetProfileName(int profile, QString& name);
    int ListProfiles(std::vector<NamedEntry>& list);
    // Makes `profile` the only active one. All or nothing: a failure keeps the
    // previously active profile. Succeeds for an id without a row, leaving none active.
    [[nodiscard]] bool SetActiveProfile(int profile);
    // The active profile, or 0 when none is.
    int GetActiveProfile();

    // ---- Text snippets (t_text_data) ----
    [[nodiscard]] int AddText(const NamedEntry& entry);
    [[nodiscard]] bool DeleteText(int id);
    [[nodiscard]] bool RenameText(int id, const QString& name);
    bool GetTextName(int id, QString& name);
    [[nodiscard]] bool SetTextContent(int id, const QString& content);
    bool GetTextContent(int id, QString& content);
    int ListTexts(std::vector<NamedEntry>& list);

    // ---- Button assignments (t_key_macro_data) ----
    // Replaces the button's row. A row is kept only while macro_value or
    // macro_value2 is non-zero: with both zero the row is removed and 0 returned.
    [[nodiscard]] int SetKeyAssignment(const KeyAssignment& assignment);
    bool GetKeyAssignment(int profile, int keyCode, KeyAssignment& assignment);
    [[nodiscard]] bool SetKeyDescription(int profile, int keyCode, const QString& description);
    int ListKeyAssignments(int profile, std::vector<KeyAssignment>& list);
    [[nodiscard]] bool DeleteKeyAssignments(int profile);

    // ---- Program and text actions (t_key_otherdata) ----
    [[nodiscard]] int AddKeyOtherData(const QString& description, const QString& parameter, int type);
    // Always true; the outputs change only when the row exists.
    bool GetKeyOtherData(int id, QString& description, QString& parameter, int& type);

    // ---- Macros (t_macro_data) ----
    // A new macro plays once: play_type 0, play_times 1, delay_type 1, delay_time 0.
    [[nodiscard]] int AddMacro(const QString& name);
    [[nodiscard]] int AddMacroInfo(const MacroInfo& macro);
    [[nodiscard]] bool RenameMacro(int id, const QString& name);
    [[nodiscard]] bool UpdateMacro(int id, const MacroInfo& macro);
    bool GetMacro(int id, MacroInfo& macro);
    int ListMacros(std::vector<MacroInfo>& list);
    // Removes the macro and its steps, all or nothing. Buttons naming it stay.
    [[nodiscard]] bool DeleteMacro(int id);

    // ---- Macro steps (t_macrorecord) ----
    [[nodiscard]] int AddMacroStep(const MacroStep& step);
    // All inserts in one transaction; true when every one was kept.
    [[nodiscard]] bool AddMacroSteps(std::vector<MacroStep> steps);
    // Sorted by record_index.
    int ListMacroSteps(int macroId, std::vector<MacroStep>& list);
    [[nodiscard]] bool DeleteMacroSteps(int macroId);
    // An edited macro written back: its row (name, play and delay values) and
    // its steps replaced by `steps`, whose macro_id is set to `id`. All or
    // nothing: false, with the stored macro as it was, when the macro does not
    // exist or any statement fails.
    [[nodiscard]] bool ReplaceMacro(int id, const MacroInfo& macro, std::vector<MacroStep> steps);
    // A new macro (the fields of `macro` but its id) with `steps`, all or
    // nothing. The new id, or 0 with nothing stored.
    [[nodiscard]] int AddMacroWithSteps(const MacroInfo& macro, std::vector<MacroStep> steps);

    // ---- Lighting (t_light_data) ----
    int CountLightModes(int profile);
    [[nodiscard]] int AddLightMode(const LightMode& mode);
    // Changes brightness to reserved of the profile's row for `mode`; name and status stay.
    [[nodiscard]] bool UpdateLightMode(int profile, int mode, const LightMode& values);
    // Makes `mode` the profile's only active mode. All or nothing; succeeds for a
    // mode the profile lacks, leaving none active.
    [[nodiscard]] bool SetActiveLightMode(int profile, int mode);
    // The active mode, or 0 when none is.
    int GetActiveLightMode(int profile);
    bool GetLightMode(int profile, int mode, LightMode& light);
    int ListLightModes(int profile, std::vector<LightMode>& list);
    // The lighting editor's first load: when the profile has no lighting rows,
    // the seven default modes with mode 3 active. True when the profile has
    // lighting rows afterwards.
    [[nodiscard]] bool AddDefaultLightModes(int profile);

    // A writing step's success: 0, 100 or 101.
    static bool WriteSucceeded(int result);

private:
    bool CreateDatabase();
    bool OpenExisting();
    bool SetAsideDamagedFile();
    bool ExecuteSchema();
    // The file fails the quick check (a damaged page or index). A check that
    // cannot run for another reason (busy, out of memory) proves nothing.
    bool FailsQuickCheck();
    // Adds the tables a file lacks, when it lacks any and can be written.
    void CompleteSchema();
    // The once-per-file report that the database cannot be written.
    void ReportUnwritable(StoreProblem::Kind kind, const QString& detail);
    void Report(const StoreProblem& problem);

    int InsertedId(int stepResult);
    // Inserts `steps` under `macroId`, stopping at the first failure; false then.
    bool InsertMacroSteps(int macroId, const std::vector<MacroStep>& steps);
    // The statements whose parameters are all integers, compiled and bound in
    // one place. The caller holds the lock for as long as it uses the statement.
    void PrepareWithInts(SQLiteStatement& statement, const char* sql, std::initializer_list<int> values);
    // Steps such a write.
    [[nodiscard]] bool RunIntWrite(const char* sql, std::initializer_list<int> values);
    // Column 0 of the first row of such a query, or 0 without a row.
    int RunIntRead(const char* sql, std::initializer_list<int> values);
    // Calls `row` for every row of such a query; the number of rows.
    int ForEachRow(
        const char* sql, std::initializer_list<int> values, const std::function<void(const SQLiteStatement&)>& row);

    mutable std::recursive_mutex m_lock;
    QByteArray m_path;
    bool m_opened = false;
    ProblemListener m_listener;
    QSet<QByteArray> m_reportedUnwritable; // paths already reported this run
};
