#include "widgets/MMenu.h"

#include "widgets/MPopupList.h"
#include "widgets/WindowRegistry.h"

#include <QFontMetrics>

#include "widgets/Theme.h"

MPopupList* MMenu::Track(WindowHandle owner, const std::vector<MenuItem>& items, const QPoint& screenPos)
{
    QStringList texts;
    int width = 140;
    const QFontMetrics metrics(Theme::Font(14));
    for (const MenuItem& item : items) {
        texts << item.text;
        width = std::max(width, metrics.horizontalAdvance(item.text) + 40);
    }
    return MPopupList::Open(owner, QStringLiteral("Menu Window"), texts, -1, QRect(screenPos, QSize(width, 10)),
        [owner, items](int32_t index) {
            if (index >= 0 && index < int32_t(items.size()))
                WindowRegistry::PostMessage(owner, items[index].message, items[index].wParam, items[index].lParam);
        });
}
