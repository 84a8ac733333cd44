#include "widgets/MEdit.h"

#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>

MEdit::MEdit(QWidget* parent) : MControlFont(parent)
{
    BuildEditor(false);
}

void MEdit::BuildEditor(bool multiLine)
{
    const QString text = GetEditText();
    delete m_line;
    delete m_plain;
    m_line = nullptr;
    m_plain = nullptr;
    QWidget* editor = nullptr;
    if (multiLine) {
        m_plain = new QPlainTextEdit(this);
        m_plain->setFrameShape(QFrame::NoFrame);
        QObject::connect(m_plain, &QPlainTextEdit::textChanged, this, [this] {
            m_committedClean = false;
            if (!m_settingText)
                Notify(kNotifyEditChanged);
        });
        editor = m_plain;
    } else {
        m_line = new QLineEdit(this);
        m_line->setFrame(false);
        QObject::connect(m_line, &QLineEdit::textEdited, this, [this] {
            m_committedClean = false;
            Notify(kNotifyEditChanged);
        });
        QObject::connect(m_line, &QLineEdit::returnPressed, this, [this] { Commit(); });
        editor = m_line;
    }
    editor->installEventFilter(this);
    editor->show();
    m_settingText = true;
    if (m_line)
        m_line->setText(text);
    else
        m_plain->setPlainText(text);
    m_settingText = false;
    ApplyStyle();
    setFocusProxy(editor);
    resizeEvent(nullptr);
}

void MEdit::ApplyStyle()
{
    const QString style = QStringLiteral(
        "background: %1; color: %2; border: 1px solid %3; border-radius: 6px; padding: 2px 8px;"
        "selection-background-color: %4; selection-color: #10201e;")
        .arg(Theme::kRaised.name(), Theme::kText.name(), Theme::kBorder.name(), Theme::kAccent.name());
    const QString focus = QStringLiteral(":focus { border: 1px solid %1; } :disabled { color: %2; background: %3; }")
        .arg(Theme::kAccent.name(), Theme::kTextDisabled.name(), Theme::kSurface.name());
    if (m_line) {
        m_line->setStyleSheet(QStringLiteral("QLineEdit { %1 } QLineEdit%2").arg(style, focus));
        m_line->setFont(m_font);
        m_line->setAlignment(GetQtAlignment());
    }
    if (m_plain) {
        m_plain->setStyleSheet(QStringLiteral("QPlainTextEdit { %1 } QPlainTextEdit%2").arg(style, focus));
        m_plain->setFont(m_font);
    }
}

void MEdit::OnFontChanged()
{
    ApplyStyle();
}

void MEdit::SetTitle(const QString& text)
{
    m_title = text;
    m_settingText = true;
    if (m_line)
        m_line->setText(text);
    else if (m_plain)
        m_plain->setPlainText(text);
    m_settingText = false;
}

QString MEdit::GetEditText() const
{
    if (m_line)
        return m_line->text();
    if (m_plain)
        return m_plain->toPlainText();
    return {};
}

void MEdit::SetMultiLine(bool multiLine)
{
    if (multiLine != IsMultiLine())
        BuildEditor(multiLine);
}

void MEdit::SetHint(const QString& placeholder)
{
    if (m_line)
        m_line->setPlaceholderText(placeholder);
    else if (m_plain)
        m_plain->setPlaceholderText(placeholder);
}

void MEdit::SetReadOnly(bool readOnly)
{
    if (m_line)
        m_line->setReadOnly(readOnly);
    else if (m_plain)
        m_plain->setReadOnly(readOnly);
}

void MEdit::SetMaxLength(int32_t characters)
{
    if (m_line)
        m_line->setMaxLength(characters > 0 ? characters : 32767);
}

void MEdit::OnFocus(bool focus)
{
    m_codeFocus = true;
    MControlFont::OnFocus(focus);
    m_codeFocus = false;
}

QWidget* MEdit::GetEditor() const
{
    if (m_line)
        return m_line;
    return m_plain;
}

void MEdit::Commit()
{
    m_committedClean = true;
    Notify(kNotifyEditCommit);
}

bool MEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GetEditor()) {
        if (event->type() == QEvent::FocusIn) {
            m_committedClean = false;
            if (!m_codeFocus)
                Notify(kNotifyEditFocus);
        } else if (event->type() == QEvent::FocusOut) {
            // Enter already reported this text; a focus change alone does not repeat it.
            if (!m_committedClean)
                Commit();
        }
    }
    return MControlFont::eventFilter(watched, event);
}

void MEdit::resizeEvent(QResizeEvent*)
{
    if (QWidget* editor = GetEditor())
        editor->setGeometry(0, 0, std::max(0, width() - EditorRightMargin()), height());
}
