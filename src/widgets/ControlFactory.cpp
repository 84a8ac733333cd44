#include "widgets/ControlFactory.h"

#include "widgets/BatteryCtrl.h"
#include "widgets/CArea.h"
#include "widgets/CCheckButton.h"
#include "widgets/CColorButton.h"
#include "widgets/CDeviceList.h"
#include "widgets/CDeviceState.h"
#include "widgets/CGifPicture.h"
#include "widgets/CHelpButton.h"
#include "widgets/CIconButton.h"
#include "widgets/CImageButton.h"
#include "widgets/CRadioButton.h"
#include "widgets/CRecordList.h"
#include "widgets/CRoundArea.h"
#include "widgets/CSwitchButton.h"
#include "widgets/CTabCtrl1.h"
#include "widgets/CTextButton.h"
#include "widgets/DListBox.h"
#include "widgets/DPIControl.h"
#include "widgets/DPISlider.h"
#include "widgets/KeyFuncType.h"
#include "widgets/KeyFuncValue.h"
#include "widgets/MButton.h"
#include "widgets/MButton2.h"
#include "widgets/MButton3.h"
#include "widgets/MComboBox.h"
#include "widgets/MEdit.h"
#include "widgets/MPicture.h"
#include "widgets/MProgress.h"
#include "widgets/MSlider.h"
#include "widgets/MTabCtrl.h"
#include "widgets/MTabLayout.h"
#include "widgets/MText.h"
#include "widgets/MacroList.h"
#include "widgets/MouseCtrl.h"
#include "widgets/NumberEdit.h"
#include "widgets/PaletteBar.h"
#include "widgets/ReporteCtrl.h"

#include <functional>
#include <utility>

namespace {
using Maker = MControl* (*)(QWidget*);

template <class T>
MControl* Make(QWidget* parent)
{
    return new T(parent);
}

const std::pair<const char*, Maker> kMakers[] = {
    {"MPicture", &Make<MPicture>},
    {"CArea", &Make<CArea>},
    {"CRoundArea", &Make<CRoundArea>},
    {"MTabLayout", &Make<MTabLayout>},
    {"MText", &Make<MText>},
    {"MEdit", &Make<MEdit>},
    {"NumberEdit", &Make<NumberEdit>},
    {"MButton", &Make<MButton>},
    {"MButton2", &Make<MButton2>},
    {"MButton3", &Make<MButton3>},
    {"CImageButton", &Make<CImageButton>},
    {"CTextButton", &Make<CTextButton>},
    {"CIconButton", &Make<CIconButton>},
    {"CHelpButton", &Make<CHelpButton>},
    {"CCheckButton", &Make<CCheckButton>},
    {"CRadioButton", &Make<CRadioButton>},
    {"CSwitchButton", &Make<CSwitchButton>},
    {"CColorButton", &Make<CColorButton>},
    {"MComboBox", &Make<MComboBox>},
    {"DListBox", &Make<DListBox>},
    {"MSlider", &Make<MSlider>},
    {"MProgress", &Make<MProgress>},
    {"CGifPicture", &Make<CGifPicture>},
    {"MTabCtrl", &Make<MTabCtrl>},
    {"CTabCtrl1", &Make<CTabCtrl1>},
    {"CDeviceList", &Make<CDeviceList>},
    {"CDeviceState", &Make<CDeviceState>},
    {"BatteryCtrl", &Make<BatteryCtrl>},
    {"MouseCtrl", &Make<MouseCtrl>},
    {"KeyFuncType", &Make<KeyFuncType>},
    {"KeyFuncValue", &Make<KeyFuncValue>},
    {"DPIControl", &Make<DPIControl>},
    {"DPISlider", &Make<DPISlider>},
    {"ReporteCtrl", &Make<ReporteCtrl>},
    {"MacroList", &Make<MacroList>},
    {"CRecordList", &Make<CRecordList>},
    {"PaletteBar", &Make<PaletteBar>},
};
} // namespace

MControl* ControlFactory::Create(const QString& className, QWidget* parent)
{
    for (const auto& [name, maker] : kMakers) {
        if (className == QLatin1String(name))
            return maker(parent);
    }
    return nullptr;
}

QStringList ControlFactory::ClassNames()
{
    QStringList names;
    for (const auto& entry : kMakers)
        names << QString::fromLatin1(entry.first);
    return names;
}
