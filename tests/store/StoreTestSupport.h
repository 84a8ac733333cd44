#pragma once

#include "language/InterfaceText.h"
#include "language/Language.h"
#include "store/SQLiteStatement.h"
#include "store/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A private data folder and store per test; the language files hold text 61.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_data = m_dir.path() + QStringLiteral("/data/");
        WriteLanguageFile(1033, "[LAN]\n61=Profile\n");
        WriteLanguageFile(2052, "[LAN]\n61=\xE9\x85\x8D\xE7\xBD\xAE\n"); // 配置
        InterfaceText::SetProgramFolder(m_dir.path() + QStringLiteral("/program/"));
        Language::SetCurrent(1033);
    }

    void TearDown() override { Language::SetCurrent(1033); }

    void WriteLanguageFile(int lcid, const QByteArray& content)
    {
        const QString folder = m_dir.path() + QStringLiteral("/program/language/");
        QDir().mkpath(folder);
        QFile file(folder + QString::number(lcid) + QStringLiteral(".lan"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QString DbPath(const QString& stem = QStringLiteral("heron")) const
    {
        return SettingsStore::DatabaseFilePath(m_data, stem);
    }

    bool Open(const QString& stem = QStringLiteral("heron")) { return m_store.OpenForDevice(m_data, stem); }

    // One-off queries on the store's connection, under its lock as any caller must.
    int QueryInt(const char* sql)
    {
        const auto lock = m_store.Lock();
        SQLiteStatement statement;
        m_store.Prepare(statement, sql, -1);
        return statement.Step() == 100 ? statement.GetColumnInt(0) : -1;
    }
    QString QueryText(const char* sql)
    {
        const auto lock = m_store.Lock();
        SQLiteStatement statement;
        m_store.Prepare(statement, sql, -1);
        return statement.Step() == 100 ? QString::fromUtf8(statement.GetColumnText(0)) : QStringLiteral("<no row>");
    }

    QTemporaryDir m_dir;
    QString m_data;
    SettingsStore m_store;
};
