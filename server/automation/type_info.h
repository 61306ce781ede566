// The type information of _Schedule, loaded from the library in this module once and shared
// by every control the module makes.
#pragma once

#include <oaidl.h>
#include <wrl/client.h>

namespace quorvane::server {

HRESULT ScheduleTypeInfo(Microsoft::WRL::ComPtr<ITypeInfo> &info);
// Lets go of the shared copy; for when the module may be unloaded.
void ReleaseScheduleTypeInfo();

} // namespace quorvane::server
