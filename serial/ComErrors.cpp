#include "serial/ComErrors.h"

namespace serial {

std::wstring_view ComErrorText(int code) noexcept {
    static constexpr std::wstring_view texts[ComErrorCount] = {
        L"Unable to open com port",
        L"WriteFile function failed",
        L"ReadFile function failed",
        L"Invalid Async parameter",
        L"PurgeComm function failed",
        L"Unable to get async status",
        L"SetCommState function failed",
        L"SetCommTimeouts failed",
        L"SetupComm function failed",
        L"ClearCommError function failed",
        L"GetCommModemStatus function failed",
        L"EscapeCommFunction function failed",
        L"TransmitCommChar function failed",
        L"Cannot set property while connected",
        L"EnumPorts function failed",
        L"Failed to store settings",
        L"Failed to load settings",
        L"Link (un)registration failed",
        L"Cannot change led state if ComPort is selected",
        L"Cannot wait for event if event thread is created",
        L"WaitForEvent method failed",
        L"A component is linked to OnRxBuf event",
        L"Registry error",
        L"Port Not Open",
    };
    if (code < 1 || code > ComErrorCount) return {};
    return texts[code - 1];
}

std::wstring ComErrorMessage(int code, std::int32_t winCode) {
    std::wstring message(ComErrorText(code));
    message += L" (Error: ";
    message += std::to_wstring(winCode);
    message += L')';
    return message;
}

}  // namespace serial
