#include "editors/EditHost.h"

#include "store/SettingsStore.h"

bool EditHost::SetConfig(const QString& key, const QString& value)
{
    if (Store().SetConfigValue(CurrentProfile(), key, value))
        return true;
    StoreWriteFailed();
    return false;
}

bool EditHost::SetConfig(const QString& key, int32_t value)
{
    return SetConfig(key, QString::number(value));
}

int32_t EditHost::ConfigInt(const QString& key)
{
    return Store().GetConfigInt(CurrentProfile(), key);
}

QString EditHost::ConfigText(const QString& key)
{
    QString value;
    Store().GetConfigValue(CurrentProfile(), key, value);
    return value;
}
