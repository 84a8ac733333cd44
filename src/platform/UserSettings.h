#pragma once

#include <QHash>
#include <QString>

#include <future>
#include <memory>
#include <mutex>

class QSettings;

// The program's own settings ("LCID", "DeviceType", "autorun_minimize",
// "exit_mode"): an INI file holding each value as decimal text.
class UserSettings {
public:
    enum class OpenResult {
        Opened, // the file existed and is readable
        Created, // the file did not exist and was created empty
        Failed, // neither: nothing can be read or written
    };

    explicit UserSettings(QString filePath);
    ~UserSettings();
    UserSettings(const UserSettings&) = delete;
    UserSettings& operator=(const UserSettings&) = delete;

    // Longest settings file read; ours holds four short lines.
    static constexpr int64_t kMaxFileBytes = 1024 * 1024;

    // Opens the file, creating it (and its folder) when it is missing. A path
    // that holds no regular file, or one past the cap, fails: it is never
    // read, so a FIFO cannot block the start.
    OpenResult Open();
    bool IsOpen() const { return m_settings != nullptr; }
    const QString& FilePath() const { return m_filePath; }

    // The value converted leniently: missing, empty or non-numeric text gives 0,
    // "12ab" gives 12. A value written in this run wins over the file, so a
    // choice that could not be stored still holds until the program ends. 0
    // when neither has it.
    int ReadInt(const QString& name) const;
    // Keeps the value for this run, stores it as decimal text and writes the
    // file at once. False when the file is not open or cannot be written.
    bool WriteInt(const QString& name, int value);
    // The same, with the file written on a thread of its own: writing ends
    // with a flush to the disk, which a click on the interface thread should
    // not wait for. Writes keep their order; all are on disk when Flush
    // returns and when the object goes. A failed write leaves the value held
    // for this run, as WriteInt does.
    void WriteIntInBackground(const QString& name, int value);
    void Flush();

    // The start-up choice of the interface language. The stored "LCID" wins when it
    // is non-zero; otherwise the user's language. A settings file that cannot be
    // opened or created counts as one without "LCID". Writes back 2052 when the
    // choice is 2052 and 1033 for anything else, so the next start lands on a
    // language with texts, while this run keeps the unnormalised choice.
    static int ChooseStartupLanguage(const QString& filePath, int userLcid);

private:
    bool Store(const QString& name, int value);

    QString m_filePath;
    // The background writer holds the file's lock through the disk flush; the
    // run's values have their own, so a read of a written value never waits.
    mutable std::mutex m_valuesMutex;
    mutable std::mutex m_fileMutex;
    std::future<void> m_pending; // the last background write
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, int> m_written; // this run's values, stored or not
};
