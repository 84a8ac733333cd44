#include "devices/RegistryDeviceEvents.h"

#include "devices/DeviceRegistry.h"

void RegistryDeviceEvents::RefreshConnectionState(Refresh kind)
{
    m_registry.RefreshConnectionState(kind == Refresh::Full ? DeviceRegistry::Refresh::Full
                                                            : DeviceRegistry::Refresh::Lighter);
}

void RegistryDeviceEvents::DeviceConnectState(int32_t connectionKind)
{
    m_registry.DeviceConnectState(connectionKind);
}

bool RegistryDeviceEvents::IsReachable()
{
    return m_registry.IsReachable();
}

void RegistryDeviceEvents::ClearReachable()
{
    m_registry.ClearReachable();
}
