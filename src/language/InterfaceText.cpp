#include "language/InterfaceText.h"

#include "language/Language.h"
#include "language/LanguageFile.h"
#include "platform/DataFile.h"

#include <QHash>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

struct CachedFile {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    LanguageFile parsed;
};

struct TextCache {
    std::mutex mutex;
    QString programFolder;
    QHash<QString, CachedFile> files;
};

TextCache& Cache()
{
    static TextCache cache;
    return cache;
}

} // namespace

void InterfaceText::SetProgramFolder(const QString& folder)
{
    TextCache& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    cache.programFolder = folder;
    if (!cache.programFolder.isEmpty() && !cache.programFolder.endsWith(QLatin1Char('/')))
        cache.programFolder += QLatin1Char('/');
}

QString InterfaceText::ProgramFolder()
{
    TextCache& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    return cache.programFolder;
}

QString InterfaceText::LanguageFilePath(int lcid)
{
    const QString folder = ProgramFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("language/") + QString::number(lcid) + QStringLiteral(".lan");
}

QString InterfaceText::Get(int id)
{
    return Get(QStringLiteral("LAN"), id);
}

QString InterfaceText::Get(const QString& section, int id)
{
    const QString path = LanguageFilePath(Language::Current());
    if (path.isEmpty())
        return {};

    const std::filesystem::path fsPath(path.toStdString());
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(fsPath, error);
    if (error)
        return {};
    const auto size = std::filesystem::file_size(fsPath, error);
    if (error)
        return {};

    TextCache& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    auto cached = cache.files.find(path);
    if (cached == cache.files.end() || cached->modified != modified || cached->size != size) {
        // Only a regular file under the cap: a FIFO or a huge file at the
        // path must neither block the interface nor exhaust the memory.
        const DataFile::Contents contents = DataFile::Read(path);
        if (!contents.IsRead())
            return {};
        CachedFile fresh { modified, size, LanguageFile::Parse(contents.bytes) };
        cached = cache.files.insert(path, std::move(fresh));
    }
    return cached->parsed.Value(section, QString::number(id));
}

void InterfaceText::ClearCache()
{
    TextCache& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    cache.files.clear();
}

bool InterfaceText::HasLanguageFile(int lcid)
{
    const QString path = LanguageFilePath(lcid);
    return !path.isEmpty() && DataFile::Examine(path, DataFile::kDefaultMaxBytes) == DataFile::Status::Read;
}

int InterfaceText::UsableLanguage(int chosen, int userLcid)
{
    for (const int lcid : { chosen, userLcid }) {
        if (HasLanguageFile(lcid))
            return lcid;
    }
    return kFallbackLanguage;
}
