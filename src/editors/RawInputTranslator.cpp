#include "editors/RawInputTranslator.h"

#include "editors/KeyCodes.h"
#include "platform/NativeKeys.h"
#include "platform/X11RawInput.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <chrono>
#include <utility>

namespace {

// Qt key -> virtual key outside the letter, digit and function-key ranges.
constexpr std::pair<int, int> kQtKeys[] = {
    {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},
    {Qt::Key_Super_R, 92},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_AltGr, 165},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_Exclam, 49},
    {Qt::Key_At, 50},
    {Qt::Key_NumberSign, 51},
    {Qt::Key_Dollar, 52},
    {Qt::Key_Percent, 53},
    {Qt::Key_AsciiCircum, 54},
    {Qt::Key_Ampersand, 55},
    {Qt::Key_Asterisk, 56},
    {Qt::Key_ParenLeft, 57},
    {Qt::Key_ParenRight, 48},
    {Qt::Key_Back, 166},
    {Qt::Key_Forward, 167},
    {Qt::Key_Refresh, 168},
    {Qt::Key_Stop, 169},
    {Qt::Key_Search, 170},
    {Qt::Key_Favorites, 171},
    {Qt::Key_HomePage, 172},
    {Qt::Key_VolumeMute, 173},
    {Qt::Key_VolumeDown, 174},
    {Qt::Key_VolumeUp, 175},
    {Qt::Key_MediaNext, 176},
    {Qt::Key_MediaPrevious, 177},
    {Qt::Key_MediaStop, 178},
    {Qt::Key_MediaPlay, 179},
    {Qt::Key_MediaTogglePlayPause, 179},
    {Qt::Key_LaunchMail, 180},
    {Qt::Key_LaunchMedia, 181},
    {Qt::Key_Launch0, 182},
    {Qt::Key_Calculator, 183},
};

// Names of the keys by the labels they carry, for the keys the program has
// no name of its own for.
constexpr std::pair<int, const char16_t*> kKeyNames[] = {
    {8, u"Backspace"},
    {9, u"Tab"},
    {12, u"Num 5"},
    {13, u"Enter"},
    {20, u"Caps Lock"},
    {27, u"Esc"},
    {32, u"Space"},
    {33, u"Page Up"},
    {34, u"Page Down"},
    {35, u"End"},
    {36, u"Home"},
    {37, u"Left"},
    {38, u"Up"},
    {39, u"Right"},
    {40, u"Down"},
    {45, u"Insert"},
    {46, u"Delete"},
    {106, u"Num *"},
    {107, u"Num +"},
    {108, u"Num ,"},
    {109, u"Num -"},
    {110, u"Num Del"},
    {111, u"Num /"},
    {145, u"Scroll Lock"},
    {186, u";"},
    {187, u"="},
    {188, u","},
    {189, u"-"},
    {190, u"."},
    {191, u"/"},
    {192, u"`"},
    {219, u"["},
    {220, u"\\"},
    {221, u"]"},
    {222, u"'"},
};

int64_t SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

RawInputTranslator::RawInputTranslator(Clock clock)
    : m_clock(clock ? std::move(clock) : Clock(SteadyMilliseconds))
{}

void RawInputTranslator::Register()
{
    m_down.clear();
}

int RawInputTranslator::VirtualKeyOfQtKey(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    for (const auto& [key, virtualKey] : kQtKeys) {
        if (key == qtKey)
            return virtualKey;
    }
    return 0;
}

int RawInputTranslator::VirtualKeyOf(int qtKey, uint32_t nativeKey)
{
    if (nativeKey != 0) {
        if (const int virtualKey = NativeKeys::VirtualKeyOfKeySym(nativeKey))
            return virtualKey;
    }
    return VirtualKeyOfQtKey(qtKey);
}

QString RawInputTranslator::KeyName(int virtualKey)
{
    const QString own = CapturedKeyName(virtualKey);
    if (!own.isEmpty())
        return own;
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
        return QString(QChar(virtualKey));
    if (virtualKey >= 96 && virtualKey <= 105)
        return QStringLiteral("Num %1").arg(virtualKey - 96);
    if (virtualKey >= 112 && virtualKey <= 135)
        return QStringLiteral("F%1").arg(virtualKey - 111);
    for (const auto& [key, name] : kKeyNames) {
        if (key == virtualKey)
            return QString::fromUtf16(name);
    }
    return {};
}

CapturedInput RawInputTranslator::TranslateKey(const Key& key)
{
    CapturedInput input;
    input.time = m_clock();
    input.kind = CapturedInput::Kind::Keyboard;
    input.state = key.pressed ? CapturedInput::kPressed : CapturedInput::kReleased;
    input.code = CapturedKeyCode(VirtualKeyOf(key.qtKey, key.nativeKey));
    input.name = input.code ? KeyName(input.code) : QString();
    if (key.pressed) {
        // A key already down is an auto-repeat, whether or not the window
        // system says so.
        if (!m_down.insert(input.code).second || key.autoRepeat)
            input.kind = CapturedInput::Kind::Repeat;
    } else if (key.autoRepeat) {
        // Qt reports an auto-repeat as a release and a press; the key stays down.
        input.kind = CapturedInput::Kind::Repeat;
    } else {
        m_down.erase(input.code);
    }
    if (input.kind == CapturedInput::Kind::Repeat)
        input.name.clear();
    return input;
}

CapturedInput RawInputTranslator::TranslateMouse(const Mouse& mouse)
{
    CapturedInput input;
    input.time = m_clock();
    input.kind = CapturedInput::Kind::Mouse;
    if (mouse.wheelDelta != 0) {
        // The sign is the direction: a wheel that reports two notches at once,
        // or a high-resolution wheel's fraction of one, still turned that way.
        const bool up = mouse.wheelDelta > 0;
        input.state = up ? CapturedInput::kWheelUp : CapturedInput::kWheelDown;
        input.code = up ? KeyCodes::kWheelUp : KeyCodes::kWheelDown;
        input.name = up ? WheelUpName() : WheelDownName();
        return input;
    }
    static constexpr struct {
        Qt::MouseButton button;
        int32_t code;
    } kButtons[] = {
        {Qt::LeftButton, KeyCodes::kMouseLeft},
        {Qt::MiddleButton, KeyCodes::kMouseMiddle},
        {Qt::RightButton, KeyCodes::kMouseRight},
        {Qt::BackButton, KeyCodes::kMouseBack},
        {Qt::ForwardButton, KeyCodes::kMouseForward},
    };
    for (const auto& b : kButtons) {
        if (mouse.button == int(b.button)) {
            input.state = mouse.pressed ? CapturedInput::kPressed : CapturedInput::kReleased;
            input.code = b.code;
            input.name = MouseButtonName(b.code);
            break;
        }
    }
    return input;
}

CapturedInput RawInputTranslator::TranslateDevice(const RawDeviceEvent& raw)
{
    CapturedInput input;
    switch (raw.type) {
    case RawDeviceEvent::Type::KeyDown:
    case RawDeviceEvent::Type::KeyUp:
        input = TranslateKey({raw.type == RawDeviceEvent::Type::KeyDown, false, 0, raw.keysym});
        break;
    case RawDeviceEvent::Type::ButtonDown:
    case RawDeviceEvent::Type::ButtonUp: {
        const bool pressed = raw.type == RawDeviceEvent::Type::ButtonDown;
        Mouse mouse{int(Qt::NoButton), pressed, 0};
        switch (raw.button) {
        case 1:
            mouse.button = int(Qt::LeftButton);
            break;
        case 2:
            mouse.button = int(Qt::MiddleButton);
            break;
        case 3:
            mouse.button = int(Qt::RightButton);
            break;
        case 4:
        case 5:
            // X reports each notch as a press and a release of its button.
            if (pressed)
                mouse.wheelDelta = raw.button == 4 ? kWheelNotch : -kWheelNotch;
            break;
        case 8:
            mouse.button = int(Qt::BackButton);
            break;
        case 9:
            mouse.button = int(Qt::ForwardButton);
            break;
        default:
            break;
        }
        input = TranslateMouse(mouse);
        break;
    }
    }
    input.time = raw.time;
    return input;
}

bool RawInputTranslator::Translate(const QEvent& event, CapturedInput& out)
{
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& keyEvent = static_cast<const QKeyEvent&>(event);
        out = TranslateKey(
            {event.type() == QEvent::KeyPress, keyEvent.isAutoRepeat(), keyEvent.key(), keyEvent.nativeVirtualKey()});
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto& mouseEvent = static_cast<const QMouseEvent&>(event);
        out = TranslateMouse({int(mouseEvent.button()), event.type() != QEvent::MouseButtonRelease, 0});
        return true;
    }
    case QEvent::Wheel:
        out = TranslateMouse({0, true, static_cast<const QWheelEvent&>(event).angleDelta().y()});
        return true;
    default:
        return false;
    }
}
