#include "widgets/PaintManager.h"

#include "widgets/Colors.h"

void PaintManager::SetBackColor(uint32_t fillBgr, uint32_t borderBgr)
{
    m_set = true;
    m_fill = ColorFromBgr(fillBgr);
    m_border = ColorFromBgr(borderBgr);
}
