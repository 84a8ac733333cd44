#pragma once

#include "widgets/MControlFont.h"

class QLineEdit;
class QPlainTextEdit;

// A text field. Gestures: kNotifyEditFocus when the user focuses it,
// kNotifyEditChanged per typed change, kNotifyEditCommit on Enter or when the
// focus leaves. SetTitle replaces the text without notifying.
class MEdit : public MControlFont {
public:
    explicit MEdit(QWidget* parent = nullptr);
    QString GetClassName() const override { return QStringLiteral("MEdit"); }

    void SetTitle(const QString& text) override;
    QString GetTitle() const override { return GetEditText(); }
    QString GetEditText() const;
    // Multi-line editing (Enter inserts a line break; commit on focus loss).
    void SetMultiLine(bool multiLine);
    bool IsMultiLine() const { return m_plain != nullptr; }
    void SetHint(const QString& placeholder);
    void SetReadOnly(bool readOnly);
    void SetMaxLength(int32_t characters);
    void OnFocus(bool focus) override;
    // The inner Qt editor, for tests driving the keyboard.
    QWidget* GetEditor() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void OnFontChanged() override;
    // Right margin kept free inside the control (step buttons).
    virtual int32_t EditorRightMargin() const { return 0; }
    void Commit();

private:
    void BuildEditor(bool multiLine);
    void ApplyStyle();

    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_plain = nullptr;
    bool m_settingText = false;
    bool m_codeFocus = false;
    bool m_committedClean = false;
};
