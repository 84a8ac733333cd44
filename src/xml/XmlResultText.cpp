#include "xml/XmlResultText.h"

#include "xml/XmlEscaping.h"

XmlResultText::Event::Event(XmlResultText& log, const char* word)
    : m_log(log), m_active(log.Accepts())
{
    if (m_active) {
        m_text += u'<';
        m_text += QLatin1String(word);
    }
}

XmlResultText::Event::~Event()
{
    if (m_active) {
        m_text += QLatin1String("/>");
        m_log.m_text += m_text;
    }
}

XmlResultText::Event& XmlResultText::Event::Text(const char* name, const QString& value)
{
    if (m_active) {
        m_text += u' ';
        m_text += QLatin1String(name);
        m_text += QLatin1String("=\"");
        m_text += XmlEscaping::EscapeAttribute(value.left(kMaxValueLength));
        m_text += u'"';
    }
    return *this;
}

XmlResultText::Event& XmlResultText::Event::Number(const char* name, int64_t value)
{
    if (m_active) {
        m_text += u' ';
        m_text += QLatin1String(name);
        m_text += QLatin1String("=\"");
        m_text += QString::number(value);
        m_text += u'"';
    }
    return *this;
}
