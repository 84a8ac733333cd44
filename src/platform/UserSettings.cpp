#include "platform/UserSettings.h"

#include "platform/LenientNumber.h"
#include "platform/Locale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>


UserSettings::UserSettings(QString filePath)
    : m_filePath(std::move(filePath))
{
}

UserSettings::~UserSettings() = default;

UserSettings::OpenResult UserSettings::Open()
{
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
    } else if (!info.isFile() || !info.isReadable()) {
        return OpenResult::Failed;
    }
    m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError) {
        m_settings.reset();
        return OpenResult::Failed;
    }
    return result;
}

int UserSettings::ReadInt(const QString& name) const
{
    if (!m_settings)
        return 0;
    return LenientNumber::Decimal(m_settings->value(name).toString());
}

bool UserSettings::WriteInt(const QString& name, int value)
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
    int stored = Locale::kSimplifiedChinese;
    if (opened == OpenResult::Created)
        stored = 0;
    else if (opened == OpenResult::Opened)
        stored = settings.ReadInt(QStringLiteral("LCID"));

    const int chosen = stored != 0 ? stored : userLcid;
    if (settings.IsOpen()) {
        settings.WriteInt(QStringLiteral("LCID"),
            chosen == Locale::kSimplifiedChinese ? Locale::kSimplifiedChinese : Locale::kEnglishUS);
    }
    return chosen;
}
