#include "store/SettingsStore.h"

#include "language/Language.h"
#include "platform/DataFile.h"
#include "platform/LenientNumber.h"
#include "store/ProfileNames.h"
#include "store/SQLiteAutoTransaction.h"
#include "store/SQLiteStatement.h"
#include "store/StoreDefaults.h"
#include "store/StoreLog.h"
#include "store/StoreRows.h"
#include "store/StoreSavepoint.h"
#include "store/StoreSql.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr int kOpenExisting = SQLiteOpen::kReadWrite | SQLiteOpen::kFullMutex; // 0x10002
constexpr int kOpenOrCreate = SQLiteOpen::kReadWrite | SQLiteOpen::kCreate | SQLiteOpen::kFullMutex; // 0x10006

// Files SQLite keeps beside a database. They belong to the file they were
// written for, so they move with it and never stay behind for a new database.
constexpr std::array kCompanionSuffixes{"-wal", "-journal", "-shm"};

// Checked before the library sees the file: on opening, SQLite settles a
// leftover journal of the file (and may delete it), which must not happen to
// the logs of a file that is no database at all. An empty file is a valid
// empty database; anything else starts with the format's 16-byte signature
// and is at least one header long.
bool LooksLikeDatabase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // unreadable: let the open report it
    if (file.size() == 0)
        return true;
    static constexpr char kSignature[] = "SQLite format 3"; // and its terminating zero
    const QByteArray head = file.read(100);
    return head.size() == 100 && head.startsWith(QByteArray(kSignature, sizeof kSignature));
}

bool MeansDamage(int result)
{
    const int primary = result & 0xFF;
    return primary == SQLiteResult::kCorrupt || primary == SQLiteResult::kNotADatabase;
}

} // namespace

SettingsStore& SettingsStore::Instance()
{
    static SettingsStore store;
    return store;
}

SettingsStore::SettingsStore()
{
    SetWriteFailureHandler(
        [this](int, const QString& message) { ReportUnwritable(StoreProblem::Kind::WriteFailed, message); });
}

SettingsStore::~SettingsStore()
{
    CloseDatabase();
}

void SettingsStore::SetProblemListener(ProblemListener listener)
{
    const auto lock = Lock();
    m_listener = std::move(listener);
}

QString SettingsStore::DatabaseFilePath(const QString& dataFolder, const QString& stem)
{
    QString folder = dataFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("db/") + stem + QStringLiteral("_datav3.db");
}

bool SettingsStore::OpenForDevice(const QString& dataFolder, const QString& stem)
{
    const auto lock = Lock();
    if (!DataFile::IsPlainName(stem)) {
        // "../x" would put the database, and the folders on its way, anywhere.
        StoreDebugLine(QStringLiteral("database stem \"%1\" is no plain file name: nothing opened").arg(stem));
        m_opened = IsOpen();
        return m_opened;
    }
    const QString path = DatabaseFilePath(dataFolder, stem);
    m_path = path.toUtf8();
    bool result = IsOpen();
    if (!result) {
        result = DataFile::Examine(path) == DataFile::Status::Missing ? CreateDatabase() : OpenExisting();
        if (!result)
            ReportUnwritable(
                StoreProblem::Kind::CannotOpen, QStringLiteral("sqlite %1 opening the database").arg(LastOpenResult()));
        else if (IsReadOnly())
            ReportUnwritable(StoreProblem::Kind::ReadOnly, QStringLiteral("the file is read-only"));
    }
    m_opened = result;
    return result;
}

bool SettingsStore::SelectDevice(const QString& dataFolder, const QString& stem)
{
    const auto lock = Lock();
    CloseDatabase();
    return OpenForDevice(dataFolder, stem);
}

void SettingsStore::CloseDatabase()
{
    const auto lock = Lock();
    // Every statement of the store is finalized before its operation returns,
    // so a refused close means one left open elsewhere; the connection is then
    // given up rather than kept on the wrong model's file.
    if (!Close())
        Abandon();
    m_opened = false;
}

bool SettingsStore::IsOpened() const
{
    const auto lock = Lock();
    return m_opened;
}

QByteArray SettingsStore::DatabasePath() const
{
    const auto lock = Lock();
    return m_path;
}

bool SettingsStore::OpenExisting()
{
    const QString path = QString::fromUtf8(m_path);
    // A FIFO, a folder or a device where the database belongs is no database:
    // opening it could block, and reading it gives nothing.
    const bool regular = DataFile::Examine(path) != DataFile::Status::NotRegular;
    if (!regular || !LooksLikeDatabase(path))
        return SetAsideDamagedFile() && CreateDatabase();
    if (Open(m_path.constData(), kOpenExisting)) {
        // A file damaged past its first page opens, and then every write to
        // the damaged part fails unseen: it is set aside like one that does
        // not open at all.
        if (FailsQuickCheck()) {
            CloseDatabase();
            return SetAsideDamagedFile() && CreateDatabase();
        }
        CompleteSchema();
        return true;
    }
    if (!MeansDamage(LastOpenResult()))
        return false;
    // Without this the program would run on with every edit failing unseen.
    // The old file is kept, not deleted: it may still hold something worth saving.
    if (!SetAsideDamagedFile())
        return false;
    return CreateDatabase();
}

bool SettingsStore::FailsQuickCheck()
{
    SQLiteStatement statement;
    const int prepared = Prepare(statement, StoreSql::kQuickCheck, -1);
    if (prepared != SQLiteResult::kOk)
        return MeansDamage(prepared);
    const int stepped = statement.Step();
    if (stepped != SQLiteResult::kRow)
        return MeansDamage(stepped);
    const QString verdict = statement.GetColumnString(0);
    if (verdict == QLatin1String("ok"))
        return false;
    StoreDebugLine(QStringLiteral("quick check of %1: %2").arg(QString::fromUtf8(m_path), verdict));
    return true;
}

void SettingsStore::CompleteSchema()
{
    // A read-only file cannot take them; it is reported as read-only.
    if (IsReadOnly())
        return;
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kCountTables, -1);
    if (statement.Step() != SQLiteResult::kRow || statement.GetColumnInt(0) >= StoreSql::kTableCount)
        return;
    statement.Finalize();
    // A file without a table is what a creation cut short leaves (the schema
    // is written in one transaction); one with some is an older or damaged
    // file. The statements create only what is missing; rows stay.
    StoreDebugLine(QStringLiteral("%1 lacks tables: the missing ones are created").arg(QString::fromUtf8(m_path)));
    if (!ExecuteSchema())
        StoreDebugLine(QStringLiteral("the missing tables of %1 cannot be created").arg(QString::fromUtf8(m_path)));
}

bool SettingsStore::SetAsideDamagedFile()
{
    const QString path = QString::fromUtf8(m_path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target) && n < 1000; ++n)
        target = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target)) {
        StoreDebugLine(QStringLiteral("damaged %1 cannot be set aside").arg(path));
        return false;
    }
    // Renamed as <target>-wal etc., so the set-aside database still opens with its log.
    for (const char* suffix : kCompanionSuffixes) {
        const QString companion = path + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, target + QLatin1String(suffix));
    }
    StoreDebugLine(QStringLiteral("damaged %1 set aside as %2").arg(path, target));
    Report({StoreProblem::Kind::SetAside, target, QStringLiteral("damaged database set aside")});
    return true;
}

bool SettingsStore::CreateDatabase()
{
    if (IsOpen())
        return true;
    QDir().mkpath(QFileInfo(QString::fromUtf8(m_path)).absolutePath());
    if (!Open(m_path.constData(), kOpenOrCreate))
        return false;
    return ExecuteSchema();
}

bool SettingsStore::ExecuteSchema()
{
    // One transaction: a creation that is cut short leaves no table at all,
    // which the next open recognises, instead of a half schema.
    StoreSavepoint savepoint(*this);
    bool allCreated = true;
    for (const char* statement : StoreSql::kSchema) {
        if (Execute(statement) != SQLiteResult::kOk)
            allCreated = false;
    }
    if (savepoint.IsOpen() && !savepoint.Release())
        return false;
    return allCreated;
}

void SettingsStore::ReportUnwritable(StoreProblem::Kind kind, const QString& detail)
{
    const auto lock = Lock();
    if (m_path.isEmpty() || m_reportedUnwritable.contains(m_path))
        return;
    m_reportedUnwritable.insert(m_path);
    Report({kind, QString::fromUtf8(m_path), detail});
}

void SettingsStore::Report(const StoreProblem& problem)
{
    const auto lock = Lock();
    if (m_listener)
        m_listener(problem);
}

bool SettingsStore::WriteSucceeded(int result)
{
    return result == SQLiteResult::kOk || result == SQLiteResult::kRow || result == SQLiteResult::kDone;
}

int SettingsStore::InsertedId(int stepResult)
{
    if (!WriteSucceeded(stepResult))
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(LastInsertRowId()));
}

void SettingsStore::PrepareWithInts(SQLiteStatement& statement, const char* sql, std::initializer_list<int> values)
{
    Prepare(statement, sql, -1);
    int index = 1;
    for (const int value : values)
        statement.BindInt(index++, value);
}

bool SettingsStore::RunIntWrite(const char* sql, std::initializer_list<int> values)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    PrepareWithInts(statement, sql, values);
    return WriteSucceeded(statement.Step());
}

int SettingsStore::RunIntRead(const char* sql, std::initializer_list<int> values)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    PrepareWithInts(statement, sql, values);
    if (statement.Step() != SQLiteResult::kRow)
        return 0;
    return statement.GetColumnInt(0);
}

int SettingsStore::ForEachRow(
    const char* sql, std::initializer_list<int> values, const std::function<void(const SQLiteStatement&)>& row)
{
    const auto lock = Lock();
    SQLiteStatement statement;
    PrepareWithInts(statement, sql, values);
    int rows = 0;
    for (; statement.Step() == SQLiteResult::kRow; ++rows)
        row(statement);
    return rows;
}

// ---- Configuration ----

bool SettingsStore::SetConfigValue(int profile, const QString& key, const QString& value)
{
    const auto lock = Lock();
    const QByteArray valueUtf8 = value.toUtf8();
    const QByteArray keyUtf8 = key.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kSetConfigValue, -1);
    statement.BindUtf8(1, valueUtf8);
    statement.BindInt(2, profile);
    statement.BindUtf8(3, keyUtf8);
    return WriteSucceeded(statement.Step());
}

bool SettingsStore::SetConfigInt(int profile, const QString& key, int value)
{
    return SetConfigValue(profile, key, QString::number(value));
}

bool SettingsStore::GetConfigValue(int profile, const QString& key, QString& value)
{
    value.clear();
    const auto lock = Lock();
    const QByteArray keyUtf8 = key.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kGetConfigValue, -1);
    statement.BindInt(1, profile);
    statement.BindUtf8(2, keyUtf8);
    if (statement.Step() != SQLiteResult::kRow)
        return false;
    value = statement.GetColumnString(0);
    return true;
}

int SettingsStore::GetConfigInt(int profile, const QString& key)
{
    QString value;
    GetConfigValue(profile, key, value);
    return LenientNumber::Decimal(value);
}

namespace {

bool InsertDefaultRows(SQLiteDB& database, int profile)
{
    SQLiteStatement statement;
    for (const StoreDefaults::ConfigKey& row : StoreDefaults::kConfigKeys) {
        database.Prepare(statement, StoreSql::kInsertConfig, -1);
        statement.BindInt(1, profile);
        statement.BindText(2, row.key, -1);
        statement.BindText(3, row.newProfile, -1);
        if (!SettingsStore::WriteSucceeded(statement.Step()))
            return false;
    }
    return true;
}

} // namespace

bool SettingsStore::InsertDefaultConfig(int profile)
{
    const auto lock = Lock();
    StoreSavepoint savepoint(*this);
    if (!InsertDefaultRows(*this, profile))
        return false;
    return !savepoint.IsOpen() || savepoint.Release();
}

bool SettingsStore::ResetConfig(int profile)
{
    const auto lock = Lock();
    StoreSavepoint savepoint(*this);
    for (const StoreDefaults::ConfigKey& row : StoreDefaults::kConfigKeys) {
        if (row.reset && !SetConfigValue(profile, QString::fromLatin1(row.key), QString::fromLatin1(row.reset)))
            return false;
    }
    return !savepoint.IsOpen() || savepoint.Release();
}

// ---- Profiles ----

int SettingsStore::AddProfile(const NamedEntry& entry)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = entry.name.toUtf8();
    const QByteArray textUtf8 = entry.text.toUtf8();
    StoreSavepoint savepoint(*this);
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddProfile, -1);
    statement.BindUtf8(1, nameUtf8);
    statement.BindInt(2, 0);
    statement.BindUtf8(3, textUtf8);
    statement.BindInt(4, 0);
    const int id = InsertedId(statement.Step());
    statement.Finalize();
    // A profile without its rows would read every key as missing, and rows of
    // profile 0 would belong to nobody: both or neither.
    if (id <= 0 || !InsertDefaultRows(*this, id))
        return 0;
    if (savepoint.IsOpen() && !savepoint.Release())
        return 0;
    return id;
}

bool SettingsStore::RenameProfile(int profile, const QString& name)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = name.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kRenameProfile, -1);
    statement.BindUtf8(1, nameUtf8);
    statement.BindInt(2, profile);
    return WriteSucceeded(statement.Step());
}

bool SettingsStore::GetProfileName(int profile, QString& name)
{
    name.clear();
    bool found = false;
    {
        const auto lock = Lock();
        SQLiteStatement statement;
        Prepare(statement, StoreSql::kGetProfileName, -1);
        statement.BindInt(1, profile);
        found = statement.Step() == SQLiteResult::kRow;
        if (found)
            name = statement.GetColumnString(0);
    }
    name = ProfileNames::Localise(name, Language::Current());
    return found;
}

int SettingsStore::ListProfiles(std::vector<NamedEntry>& list)
{
    list.clear();
    const int lcid = Language::Current();
    return ForEachRow(StoreSql::kListProfiles, {}, [&](const SQLiteStatement& row) {
        NamedEntry entry = StoreRows::ReadNamedEntry(row);
        entry.name = ProfileNames::Localise(entry.name, lcid);
        list.push_back(std::move(entry));
    });
}

bool SettingsStore::SetActiveProfile(int profile)
{
    const auto lock = Lock();
    // Together or not at all: clearing every status and then failing to set
    // the new one would leave the mouse without an active profile.
    StoreSavepoint savepoint(*this);
    if (!RunIntWrite(StoreSql::kClearActiveProfile, {0}))
        return false;
    if (!RunIntWrite(StoreSql::kSetActiveProfile, {1, profile}))
        return false;
    return !savepoint.IsOpen() || savepoint.Release();
}

int SettingsStore::GetActiveProfile()
{
    return RunIntRead(StoreSql::kGetActiveProfile, {1});
}

// ---- Text snippets ----

int SettingsStore::AddText(const NamedEntry& entry)
{
    const auto lock = Lock();
    const QByteArray nameUtf8 = entry.name.toUtf8();
    const QByteArray textUtf8 = entry.text.toUtf8();
    SQLiteStatement statement;
    Prepare(statement, StoreSql::kAddText, -1);
    statement.BindUtf8(1, nameUtf8);
    statement.BindInt(2, 0);
    statement.BindUtf8(3, textUtf8);
    statement.BindInt(4, 0);
    return InsertedId(statement.Step());
}

bool SettingsStore::DeleteText(int id)
{
    return RunIntWrite(StoreSql::kDeleteText, {id});
}

namespace {

bool WriteTextById(SettingsStore& store, const char* sql, const QString& text, int id)
{
    const QByteArray utf8 = text.toUtf8();
    SQLiteStatement statement;
    store.Prepare(statement, sql, -1);
    statement.BindUtf8(1, utf8);
    statement.BindInt(2, id);
    return SettingsStore::WriteSucceeded(statement.Step());
}

bool ReadTextById(SettingsStore& store, const char* sql, int id, QString& text)
{
    text.clear();
    SQLiteStatement statement;
    store.Prepare(statement, sql, -1);
    statement.BindInt(1, id);
    if (statement.Step() != SQLiteResult::kRow)
        return false;
    text = statement.GetColumnString(0);
    return true;
}

} // namespace

bool SettingsStore::RenameText(int id, const QString& name)
{
    const auto lock = Lock();
    return WriteTextById(*this, StoreSql::kRenameText, name, id);
}

bool SettingsStore::GetTextName(int id, QString& name)
{
    const auto lock = Lock();
    return ReadTextById(*this, StoreSql::kGetTextName, id, name);
}

bool SettingsStore::SetTextContent(int id, const QString& content)
{
    const auto lock = Lock();
    return WriteTextById(*this, StoreSql::kSetTextContent, content, id);
}

bool SettingsStore::GetTextContent(int id, QString& content)
{
    const auto lock = Lock();
    return ReadTextById(*this, StoreSql::kGetTextContent, id, content);
}

int SettingsStore::ListTexts(std::vector<NamedEntry>& list)
{
    list.clear();
    return ForEachRow(
        StoreSql::kListTexts, {}, [&](const SQLiteStatement& row) { list.push_back(StoreRows::ReadNamedEntry(row)); });
}
