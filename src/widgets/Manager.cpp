#include "widgets/Manager.h"

#include "widgets/MRender.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmapCache>

namespace {
void* g_instance = nullptr;
QString g_theme = QStringLiteral("default");
QString g_programFolder;

QString WithSlash(QString path)
{
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}
} // namespace

void Manager::SetInstance(void* instance) { g_instance = instance; }
void* Manager::GetInstance() { return g_instance; }
QString Manager::GetDeviceName() { return QStringLiteral("Tarvo"); }
QString Manager::GetTheme() { return g_theme; }

void Manager::SetTheme(const QString& theme)
{
    g_theme = theme.isEmpty() ? QStringLiteral("default") : theme;
    QPixmapCache::clear();
    MRender::ForgetImages();
}

QString Manager::GetProgramFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    const QString env = qEnvironmentVariable("TARVO_PROGRAM_DIR");
    if (!env.isEmpty())
        return WithSlash(env);
    return WithSlash(QCoreApplication::applicationDirPath());
}

void Manager::SetProgramFolder(const QString& folder)
{
    g_programFolder = WithSlash(folder);
    QPixmapCache::clear();
    MRender::ForgetImages();
}

QString Manager::GetSkinFolder()
{
    return GetProgramFolder() + QStringLiteral("skins/") + GetTheme() + QLatin1Char('/');
}

QString Manager::SkinPath(const QString& name)
{
    QString relative = name;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(relative))
        return relative;
    return GetSkinFolder() + relative;
}
