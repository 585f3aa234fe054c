#include "serial/LineSettings.h"

namespace serial {

namespace {
constexpr std::uint8_t LowByte(wchar_t ch) noexcept { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(ch) & 0xFF); }
}  // namespace

TLineSettingsRecord BuildLineSettings(const TLineSettingsValues& v) noexcept {
    using namespace lineflags;
    TLineSettingsRecord r{};
    r.Length = sizeof(TLineSettingsRecord);
    r.BaudRate = v.BaudRate == TBaudRate::brCustom ? static_cast<std::uint32_t>(v.CustomBaudRate) : BaudRateSpeed(v.BaudRate);

    const bool replace = v.ParityCheck && v.ParityReplace;
    std::uint32_t flags = Binary;
    if (v.ParityCheck) flags |= Parity;
    if (v.OutCTSFlow) flags |= OutxCtsFlow;
    if (v.OutDSRFlow) flags |= OutxDsrFlow;
    flags |= static_cast<std::uint32_t>(v.ControlDTR) << DtrControlShift;
    if (v.DSRSensitivity) flags |= DsrSensitivity;
    if (v.TxContinueOnXoff) flags |= TxContinueOnXoff;
    if (v.XonXoffOut) flags |= OutX;
    if (v.XonXoffIn) flags |= InX;
    if (replace) flags |= ErrorChar;
    if (v.DiscardNull) flags |= Null;
    flags |= static_cast<std::uint32_t>(v.ControlRTS) << RtsControlShift;
    r.Flags = flags;

    const auto limit = static_cast<std::uint16_t>(static_cast<std::uint32_t>(v.InputSize / 4) & 0xFFFF);
    r.XonLim = limit;
    r.XoffLim = limit;
    r.ByteSize = DataBitsSize(v.DataBits);
    r.Parity = static_cast<std::uint8_t>(v.ParityBits);
    r.StopBits = static_cast<std::uint8_t>(v.StopBits);
    r.XonChar = LowByte(v.XonChar);
    r.XoffChar = LowByte(v.XoffChar);
    r.ErrorChar = replace ? LowByte(v.ReplaceChar) : 0;
    r.EofChar = 0;
    r.EvtChar = LowByte(v.EventChar);
    return r;
}

TTimeoutsRecord BuildTimeouts(std::int32_t readInterval, std::int32_t readTotalMultiplier, std::int32_t readTotalConstant,
                              std::int32_t writeTotalMultiplier, std::int32_t writeTotalConstant) noexcept {
    return {static_cast<std::uint32_t>(readInterval), static_cast<std::uint32_t>(readTotalMultiplier),
            static_cast<std::uint32_t>(readTotalConstant), static_cast<std::uint32_t>(writeTotalMultiplier),
            static_cast<std::uint32_t>(writeTotalConstant)};
}

}  // namespace serial
