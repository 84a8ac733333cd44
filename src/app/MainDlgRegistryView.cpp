#include "app/MainDlgRegistryView.h"

#include "app/DeviceMainDlg.h"
#include "language/TextIds.h"
#include "widgets/CDeviceList.h"

void MainDlgRegistryView::ClearDeviceList()
{
    m_dlg.PostToInterface([this] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->DeleteAllItems();
    });
}

void MainDlgRegistryView::AddDeviceItem(int32_t deviceType, const QString& name, const QString& imagePath)
{
    m_dlg.PostToInterface([this, deviceType, name, imagePath] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->AddDevice(deviceType, name, imagePath);
    });
}

void MainDlgRegistryView::SetAllDeviceState(int32_t state)
{
    m_dlg.PostToInterface([this, state] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->SetAllDeviceState(state);
    });
}

void MainDlgRegistryView::SetDeviceState(int32_t deviceType, int32_t mode, int32_t state)
{
    m_dlg.PostToInterface([this, deviceType, mode, state] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->SetDeviceState(deviceType, mode, state);
    });
}

void MainDlgRegistryView::SetDeviceVersion(int32_t deviceType, const QString& version)
{
    m_dlg.PostToInterface([this, deviceType, version] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->SetDeviceVersion(deviceType, version);
    });
}

void MainDlgRegistryView::SetDeviceBattery(int32_t deviceType, int32_t status, int32_t level)
{
    m_dlg.PostToInterface([this, deviceType, status, level] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->SetDeviceBattery(deviceType, status, level);
    });
}

void MainDlgRegistryView::SelectDeviceItem(int32_t deviceType)
{
    m_dlg.PostToInterface([this, deviceType] {
        if (CDeviceList* list = m_dlg.DeviceList())
            list->SetSelectDevice(deviceType);
    });
}

void MainDlgRegistryView::ShowView(View view)
{
    m_dlg.PostToInterface([this, view] {
        if (view == View::Home)
            m_dlg.ShowHomeView();
        else
            m_dlg.ShowModelView();
    });
}

void MainDlgRegistryView::ShowHomeContent(HomeContent content)
{
    m_dlg.PostToInterface([this, content] {
        m_dlg.SetNoDeviceText(content == HomeContent::AccessDenied ? TextIds::kAccessDenied : TextIds::kNoDevice);
        m_dlg.SetHomeContent(content == HomeContent::DeviceList);
    });
}

void MainDlgRegistryView::ShowStatusText(int32_t textId)
{
    m_dlg.PostToInterface([this, textId] { m_dlg.ApplyStatusText(textId); });
}

void MainDlgRegistryView::ShowVersionLabel(const QString& label)
{
    m_dlg.PostToInterface([this, label] { m_dlg.ApplyVersionLabel(label); });
}

void MainDlgRegistryView::CloseTransientWindows()
{
    m_dlg.PostToInterface([this] { m_dlg.CloseTransientWindowsNow(); });
}

void MainDlgRegistryView::ShowMousePicture(const QString& pictureName)
{
    m_dlg.PostToInterface([this, pictureName] { m_dlg.ApplyMousePicture(pictureName); });
}

void MainDlgRegistryView::SetLightingTabVisible(bool visible)
{
    // The worker learns it at once: its next read must not ask a model
    // without lighting for its lighting.
    m_dlg.Worker().SetLightingPresent(visible);
    m_dlg.PostToInterface([this, visible] { m_dlg.SetLightingPresent(visible); });
}

void MainDlgRegistryView::ShowMouseMarkers(const std::vector<MouseMarker>& markers)
{
    // The button page reads the markers from the description, which holds
    // them by the time this runs (a later description posts its own call).
    (void)markers;
    m_dlg.PostToInterface([this] {
        m_dlg.SendPageEvent({PageEvent::Kind::MarkersChanged});
        m_dlg.ReloadPagesNow(DeviceEvents::kButtonPage);
    });
}

void MainDlgRegistryView::QueueTask(WorkerTask task)
{
    m_dlg.Worker().Queue(task);
}

void MainDlgRegistryView::SetDevicesPresent(bool present)
{
    m_dlg.Worker().SetDevicesPresent(present);
}
