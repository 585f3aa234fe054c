#include "app/PortListWatch.h"

#include <windows.h>

namespace app {

namespace {
// The parent of the port list's key (serial::kSerialPortsKey). The watch is
// on the parent's tree: a watch on the list's own key is not told when that
// key is deleted (Wine), nor, through the deleted key's handle, when a new
// one is made. The other device lists under it change seldom; a change there
// only costs one reading of the port list.
constexpr wchar_t kDeviceMapKey[] = L"HARDWARE\\DEVICEMAP";
}  // namespace

bool TPortListWatch::Changed() noexcept {
    if (key_ && ::WaitForSingleObject(event_.get(), 0) == WAIT_TIMEOUT) return false;
    if (!event_) event_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event_ || !::ResetEvent(event_.get())) return true;
    if (!key_ && ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceMapKey, 0, KEY_NOTIFY, key_.put()) != ERROR_SUCCESS)
        return true;
    if (::RegNotifyChangeKeyValue(key_.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event_.get(),
                                  TRUE) != ERROR_SUCCESS)
        key_.reset();
    return true;
}

}  // namespace app
