#pragma once

#include <QString>

#include <cstdint>

// The diagnostic log of a document: every event (a load, a conversion, a syntax
// fault) is appended as one empty element named by its event word, e.g.
// <read encoding="UTF-8" length="120"/>. Once the text is longer than 999
// characters further events are dropped, so a hostile file cannot make the log
// grow with the input.
class XmlResultText
{
public:
    static constexpr int kMaxLength = 999;
    // Attribute values (names and messages from the input) are cut to this
    // many characters, so one event cannot carry a whole hostile file.
    static constexpr int kMaxValueLength = 100;

    // One event under construction; attributes are escaped as attribute values.
    class Event
    {
    public:
        Event(XmlResultText& log, const char* word);
        ~Event();
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;

        Event& Text(const char* name, const QString& value);
        Event& Number(const char* name, int64_t value);

    private:
        XmlResultText& m_log;
        QString m_text;
        bool m_active;
    };

    // False once the text is full; lets callers skip building costly attributes.
    bool Accepts() const { return m_text.size() <= kMaxLength; }
    const QString& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    QString m_text;
};
