#pragma once

#include "widgets/MObject.h"
#include "widgets/MRender.h"
#include "widgets/WidgetTypes.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

class MWindow;

// Base of every control. A control draws and reports: a user gesture calls
// the owning window's OnMessage(id, code, parameter); setting a value from
// code never does. Rectangles are in the window's client coordinates, also
// for controls placed inside an area.
class MControl : public QWidget, public MObject {
public:
    explicit MControl(QWidget* parent = nullptr);

    int32_t GetId() const { return m_id; }
    void SetId(int32_t id) { m_id = id; }
    void SetVisible(bool visible) { setVisible(visible); }
    bool IsVisible() const { return !isHidden(); }
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return isEnabled(); }
    void SetRect(const MRect& rect);
    MRect GetRect() const;
    void SetTooltip(const QString& text) { setToolTip(text); }
    QString GetTooltip() const { return toolTip(); }
    void UpdateControl() { update(); }
    // Takes the keyboard focus (true) or gives it up (false); an edit in
    // progress is committed when it loses the focus.
    virtual void OnFocus(bool focus);
    // A timer of the control's own: OnMTimer every `intervalMs`.
    void AddMTimer(int32_t intervalMs);
    void KillMTimer();
    int32_t GetMTimerInterval() const { return m_timerInterval; }
    // The control's skin image: a strip of `states` frames (MRender.h).
    virtual void SetImage(const QString& file, int32_t states = 1);
    QString GetImage() const { return m_imageFile; }
    int32_t GetImageStates() const { return m_imageStates; }
    void SetShowMode(ShowMode mode, int32_t param = 0);
    void SetTextColor(uint32_t argb);
    QColor GetTextColor() const { return m_textColor; }
    MWindow* GetOwnerWindow() const;
    // Decodes, each on a thread of its own, the skin pictures that `root`
    // (when a control) and the controls shown within it draw and that were
    // never drawn yet (MRender::Prefetch: true when any are decoded, then
    // `whenDecoded` follows).
    static bool PrefetchPictures(const QWidget* root, std::function<void()> whenDecoded = {});
    // For a view just shown in `window`: its pictures never drawn are decoded
    // on other threads, and the window is not drawn until they are (at most
    // kPrefetchHoldMs), so the interface thread does not decode them itself
    // and stays free meanwhile.
    static void PrefetchBeforeDrawing(QWidget* window);
    static constexpr int kPrefetchHoldMs = 100;

protected:
    // The skin pictures this control draws (PrefetchPictures).
    virtual void AddPictures(std::vector<MRender::PictureRequest>& pictures) const;
    virtual void OnMTimer() {}
    // Reports a user gesture to the owning window (synchronously).
    void Notify(int32_t code, intptr_t param = 0, intptr_t lParam = 0);
    // Posts a window message to the owning window.
    bool PostToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // 0 normal, 1 hover, 2 pressed, 3 disabled.
    int32_t VisualState() const;
    QPixmap SkinImage() const;
    // Draws frame `index` of the skin image into `rect`; false when there is none.
    bool DrawSkin(QPainter& painter, const QRect& rect, int32_t index) const;
    bool IsHovered() const { return m_hover; }
    // Whether the control looks different under the pointer. Only those are
    // repainted when the pointer comes and goes: a page or an area the size
    // of the window would otherwise be redrawn whole as the pointer crosses
    // it on its way to a button.
    virtual bool DrawsHover() const { return false; }
    bool IsPressed() const { return m_pressed; }
    void SetPressed(bool pressed) { m_pressed = pressed; update(); }

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

    QColor m_textColor;
    ShowMode m_showMode = ShowMode::NineSlice;
    int32_t m_showParam = -1; // -1: a border fitted to the height

private:
    int32_t m_id = 0;
    QString m_imageFile;
    int32_t m_imageStates = 1;
    int m_timerId = 0;
    int32_t m_timerInterval = 0;
    bool m_hover = false;
    bool m_pressed = false;
};
