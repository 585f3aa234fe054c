#pragma once
// The serial port's coded errors: their identities, their fixed texts and
// the message an error carries. Portable.
#include <cstdint>
#include <string>
#include <string_view>

namespace serial {

// Member k names error code k + 1.
enum class TComExceptions : std::uint8_t {
    CE_OpenFailed, CE_WriteFailed, CE_ReadFailed, CE_InvalidAsync, CE_PurgeFailed, CE_AsyncCheck,
    CE_SetStateFailed, CE_TimeoutsFailed, CE_SetupComFailed, CE_ClearComFailed, CE_ModemStatFailed,
    CE_EscapeComFailed, CE_TransmitFailed, CE_ConnChangeProp, CE_EnumPortsFailed, CE_StoreFailed,
    CE_LoadFailed, CE_RegFailed, CE_LedStateFailed, CE_ThreadCreated, CE_WaitFailed, CE_HasLink,
    CE_RegError, CEPortNotOpen
};

inline constexpr int ComErrorCount = 24;

constexpr int ComErrorCode(TComExceptions e) noexcept { return static_cast<int>(e) + 1; }
// Only meaningful for codes 1..24.
constexpr TComExceptions ComExceptionOf(int code) noexcept { return static_cast<TComExceptions>(code - 1); }

// The fixed text of an error code (1..24); empty for any other code.
std::wstring_view ComErrorText(int code) noexcept;

// The text followed by " (Error: n)".
std::wstring ComErrorMessage(int code, std::int32_t winCode);

}  // namespace serial
