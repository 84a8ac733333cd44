#include "platform/UserSettings.h"

#include "platform/DataFile.h"
#include "platform/LenientNumber.h"
#include "platform/Locale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

UserSettings::UserSettings(QString filePath)
    : m_filePath(std::move(filePath))
{}

UserSettings::~UserSettings()
{
    Flush();
}

UserSettings::OpenResult UserSettings::Open()
{
    Flush();
    std::lock_guard lock(m_fileMutex);
    m_settings.reset();
    OpenResult result = OpenResult::Opened;
    const QFileInfo info(m_filePath);
    if (!info.exists()) {
        if (!info.absoluteDir().mkpath(QStringLiteral(".")))
            return OpenResult::Failed;
        QFile file(m_filePath);
        if (!file.open(QIODevice::WriteOnly))
            return OpenResult::Failed;
        file.close();
        result = OpenResult::Created;
    } else if (!info.isReadable() || DataFile::Examine(m_filePath, kMaxFileBytes) != DataFile::Status::Read) {
        return OpenResult::Failed;
    }
    m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError) {
        m_settings.reset();
        return OpenResult::Failed;
    }
    // Every write syncs at once. Left on this thread, each write would also
    // post QSettings its own deferred sync, which then ran on the interface
    // thread (a disk flush there after a background write) and outside the
    // file's lock.
    m_settings->moveToThread(nullptr);
    return result;
}

int UserSettings::ReadInt(const QString& name) const
{
    {
        std::lock_guard values(m_valuesMutex);
        if (const auto written = m_written.constFind(name); written != m_written.constEnd())
            return *written;
    }
    std::lock_guard lock(m_fileMutex);
    if (!m_settings)
        return 0;
    return LenientNumber::Decimal(m_settings->value(name).toString());
}

bool UserSettings::WriteInt(const QString& name, int value)
{
    {
        std::lock_guard values(m_valuesMutex);
        m_written.insert(name, value);
    }
    std::lock_guard lock(m_fileMutex);
    return Store(name, value);
}

void UserSettings::WriteIntInBackground(const QString& name, int value)
{
    {
        std::lock_guard values(m_valuesMutex);
        m_written.insert(name, value);
    }
    m_pending = std::async(std::launch::async, [this, name, previous = std::move(m_pending)] {
        if (previous.valid())
            previous.wait();
        std::lock_guard lock(m_fileMutex);
        // The run's value when the file is written, not the one asked for: a
        // plain write made meanwhile from another thread is newer and must
        // not be overwritten by this late one.
        int latest = 0;
        {
            std::lock_guard values(m_valuesMutex);
            latest = m_written.value(name);
        }
        (void)Store(name, latest);
    });
}

void UserSettings::Flush()
{
    if (m_pending.valid())
        m_pending.wait();
}

bool UserSettings::Store(const QString& name, int value)
{
    if (!m_settings)
        return false;
    m_settings->setValue(name, QString::number(value));
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

int UserSettings::ChooseStartupLanguage(const QString& filePath, int userLcid)
{
    UserSettings settings(filePath);
    const OpenResult opened = settings.Open();
    // A file that cannot be read says nothing about the user's language:
    // the locale decides, as for a first start.
    const int stored = opened == OpenResult::Opened ? settings.ReadInt(QStringLiteral("LCID")) : 0;

    const int chosen = stored != 0 ? stored : userLcid;
    if (settings.IsOpen()) {
        settings.WriteInt(QStringLiteral("LCID"),
            chosen == Locale::kSimplifiedChinese ? Locale::kSimplifiedChinese : Locale::kEnglishUS);
    }
    return chosen;
}
