// Which desktop's mouse settings are started: the running desktop's own when
// it is installed, else the first known one, and none when nothing is.
#include "platform/SystemMouseSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SystemMouseSettingsTest : public ::testing::Test {
protected:
    // Puts an executable stand-in for each program into one folder.
    void Install(std::initializer_list<const char*> programs)
    {
        for (const char* program : programs) {
            QFile file(m_bin.path() + QLatin1Char('/') + QLatin1String(program));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    std::string Chosen(const char* desktop)
    {
        const auto command = SystemMouseSettings::Find(QLatin1String(desktop), {m_bin.path()});
        if (!command)
            return "none";
        std::string text = command->program.mid(m_bin.path().size() + 1).toStdString();
        for (const QString& argument : command->arguments)
            text += " " + argument.toStdString();
        return text;
    }

    QTemporaryDir m_bin;
};

TEST_F(SystemMouseSettingsTest, TheRunningDesktopsOwnComesFirstThenTheFirstInstalled)
{
    ASSERT_TRUE(m_bin.isValid());
    EXPECT_EQ(Chosen("GNOME"), "none");
    EXPECT_EQ(Chosen(""), "none");

    Install({"systemsettings", "xfce4-mouse-settings", "gnome-control-center"});
    const std::pair<const char*, const char*> cases[] = {
        {"GNOME", "gnome-control-center mouse"},
        {"ubuntu:GNOME", "gnome-control-center mouse"},
        {"KDE", "systemsettings kcm_mouse"},
        {"kde", "systemsettings kcm_mouse"},
        {"XFCE", "xfce4-mouse-settings"},
        // Not installed, or not a desktop we know: the first installed.
        {"X-Cinnamon", "gnome-control-center mouse"},
        {"", "gnome-control-center mouse"},
        {"::", "gnome-control-center mouse"},
    };
    for (const auto& [desktop, chosen] : cases)
        EXPECT_EQ(Chosen(desktop), chosen) << desktop;
}

TEST_F(SystemMouseSettingsTest, OlderKdeAndOtherDesktopsAreFound)
{
    ASSERT_TRUE(m_bin.isValid());
    Install({"kcmshell5", "mate-mouse-properties"});
    EXPECT_EQ(Chosen("KDE"), "kcmshell5 mouse");
    EXPECT_EQ(Chosen("MATE"), "mate-mouse-properties");
    EXPECT_EQ(Chosen("Budgie:GNOME"), "kcmshell5 mouse");

    // A file that is not executable is not a program.
    QFile plain(m_bin.path() + QStringLiteral("/gnome-control-center"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(Chosen("GNOME"), "kcmshell5 mouse");
}

} // namespace
