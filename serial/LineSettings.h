#pragma once
// The records the port gives the system: the line-settings record (the
// image of the system's 28-byte DCB, identical in 32- and 64-bit builds)
// and the timeouts record, computed from the port's settings. Portable.
#include <cstddef>
#include <cstdint>

#include "serial/ComTypes.h"

namespace serial {

struct TLineSettingsRecord {
    std::uint32_t Length;
    std::uint32_t BaudRate;
    std::uint32_t Flags;
    std::uint16_t Reserved;
    std::uint16_t XonLim;
    std::uint16_t XoffLim;
    std::uint8_t ByteSize;
    std::uint8_t Parity;
    std::uint8_t StopBits;
    std::uint8_t XonChar;
    std::uint8_t XoffChar;
    std::uint8_t ErrorChar;
    std::uint8_t EofChar;
    std::uint8_t EvtChar;
    std::uint16_t Reserved1;
};
static_assert(sizeof(TLineSettingsRecord) == 28);
static_assert(offsetof(TLineSettingsRecord, BaudRate) == 4);
static_assert(offsetof(TLineSettingsRecord, Flags) == 8);
static_assert(offsetof(TLineSettingsRecord, XonLim) == 14);
static_assert(offsetof(TLineSettingsRecord, XoffLim) == 16);
static_assert(offsetof(TLineSettingsRecord, ByteSize) == 18);
static_assert(offsetof(TLineSettingsRecord, Parity) == 19);
static_assert(offsetof(TLineSettingsRecord, StopBits) == 20);
static_assert(offsetof(TLineSettingsRecord, XonChar) == 21);
static_assert(offsetof(TLineSettingsRecord, XoffChar) == 22);
static_assert(offsetof(TLineSettingsRecord, ErrorChar) == 23);
static_assert(offsetof(TLineSettingsRecord, EofChar) == 24);
static_assert(offsetof(TLineSettingsRecord, EvtChar) == 25);
static_assert(offsetof(TLineSettingsRecord, Reserved1) == 26);

// Flag bits of the record.
namespace lineflags {
inline constexpr std::uint32_t Binary = 0x0001;
inline constexpr std::uint32_t Parity = 0x0002;
inline constexpr std::uint32_t OutxCtsFlow = 0x0004;
inline constexpr std::uint32_t OutxDsrFlow = 0x0008;
inline constexpr std::uint32_t DtrControlShift = 4;
inline constexpr std::uint32_t DsrSensitivity = 0x0040;
inline constexpr std::uint32_t TxContinueOnXoff = 0x0080;
inline constexpr std::uint32_t OutX = 0x0100;
inline constexpr std::uint32_t InX = 0x0200;
inline constexpr std::uint32_t ErrorChar = 0x0400;
inline constexpr std::uint32_t Null = 0x0800;
inline constexpr std::uint32_t RtsControlShift = 12;
}  // namespace lineflags

// Every setting the line-settings record is made of.
struct TLineSettingsValues {
    TBaudRate BaudRate = TBaudRate::br9600;
    std::int32_t CustomBaudRate = 9600;
    TDataBits DataBits = TDataBits::dbEight;
    TStopBits StopBits = TStopBits::sbOneStopBit;
    TParityBits ParityBits = TParityBits::prNone;
    bool ParityCheck = false;
    bool ParityReplace = false;
    wchar_t ReplaceChar = 0;
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = TDTRFlowControl::dtrDisable;
    TRTSFlowControl ControlRTS = TRTSFlowControl::rtsDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    wchar_t XonChar = 17;
    wchar_t XoffChar = 19;
    bool DiscardNull = false;
    wchar_t EventChar = 0;
    std::int32_t InputSize = 1024;
};

TLineSettingsRecord BuildLineSettings(const TLineSettingsValues& v) noexcept;

// SetCommTimeouts' five values, in the system's order.
struct TTimeoutsRecord {
    std::uint32_t ReadInterval;
    std::uint32_t ReadTotalMultiplier;
    std::uint32_t ReadTotalConstant;
    std::uint32_t WriteTotalMultiplier;
    std::uint32_t WriteTotalConstant;
};
static_assert(sizeof(TTimeoutsRecord) == 20);

// A setting of -1 becomes 0xFFFFFFFF: the values are passed bit for bit.
TTimeoutsRecord BuildTimeouts(std::int32_t readInterval, std::int32_t readTotalMultiplier,
                              std::int32_t readTotalConstant, std::int32_t writeTotalMultiplier,
                              std::int32_t writeTotalConstant) noexcept;

}  // namespace serial
