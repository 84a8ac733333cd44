#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Writes a file under a folder, creating the folders on the way.
inline void WriteText(const QString& folder, const QString& relative, const QByteArray& text)
{
    const QString path = folder + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(text), text.size());
}

// A program folder with the shipped language files, for fixtures that write
// their own config.xml and descriptions.
inline QString MakeProgramFolder(const QTemporaryDir& dir)
{
    const QString folder = dir.path() + QStringLiteral("/program/");
    QDir().mkpath(folder + QStringLiteral("language"));
    for (const char* lan : { "1033.lan", "2052.lan" }) {
        QFile::copy(QStringLiteral(TARVO_SOURCE_DIR "/resources/language/") + QString::fromLatin1(lan),
                    folder + QStringLiteral("language/") + QString::fromLatin1(lan));
    }
    return folder;
}

// One "mouse" element with both modes, as config.xml writes it.
inline QByteArray MouseXml(int type, const char* attr, const char* cablePid, const char* receiverPid,
                           const char* vid = "7768")
{
    return QStringLiteral("<mouse name=\"%2\" device_type=\"%1\" device_attr=\"%2\" image=\"%2.png\">"
                          "<mode value=\"0\" desc=\"cable\" vid=\"%5\" pid=\"%3\" hid_interface=\"VID_7768&amp;PID_%3&amp;MI_01\"/>"
                          "<mode value=\"1\" desc=\"receiver\" vid=\"%5\" pid=\"%4\" hid_interface=\"VID_7768&amp;PID_%4&amp;MI_01\"/>"
                          "</mouse>")
        .arg(type)
        .arg(QString::fromLatin1(attr), QString::fromLatin1(cablePid), QString::fromLatin1(receiverPid),
             QString::fromLatin1(vid))
        .toUtf8();
}

inline QByteArray ConfigXml(const QByteArray& mice, const QByteArray& software = "<software version=\"2.3.4\"/>")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config><device>" + mice + "</device>" + software + "</config>\n";
}
