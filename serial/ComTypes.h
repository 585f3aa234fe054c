#pragma once
// The serial port's setting types and the sets over them, with the mappings
// between those sets and the system's bit words (event mask, modem status,
// line errors, status flags). Portable: no Win32 here.
#include <cstdint>

#include "serial/EnumSet.h"

namespace serial {

enum class TBaudRate : std::uint8_t {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000
};

enum class TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum class TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum class TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum class TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum class TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };

enum class TComEvent : std::uint8_t {
    evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
using TComEvents = TEnumSet<TComEvent, 10>;

enum class TComSignal : std::uint8_t { csCTS, csDSR, csRing, csRLSD };
using TComSignals = TEnumSet<TComSignal, 4>;

enum class TComError : std::uint8_t { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = TEnumSet<TComError, 8>;

// Bit k is bit k of the system's communication-status flag word.
enum class TComStateFlag : std::uint8_t { fCtlHold, fDsrHold, fRlsHold, fXoffHold, fXOffSent, fEof, fTxim };
using TComStateFlags = TEnumSet<TComStateFlag, 7>;

enum class TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };
enum class TStoreType : std::uint8_t { stRegistry, stIniFile };

enum class TStoredProp : std::uint8_t { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
using TStoredProps = TEnumSet<TStoredProp, 6>;

enum class TOperationKind : std::uint8_t { okWrite, okRead };

// Line speed in bits per second; brCustom has none of its own (0).
constexpr std::uint32_t BaudRateSpeed(TBaudRate rate) noexcept {
    constexpr std::uint32_t speeds[] = {0,     110,   300,   600,    1200,   2400,   4800,   9600,
                                        14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return speeds[static_cast<unsigned>(rate)];
}

constexpr std::uint8_t DataBitsSize(TDataBits bits) noexcept { return static_cast<std::uint8_t>(5 + static_cast<unsigned>(bits)); }

// The system's event-mask bit of each event (EV_RXCHAR ... EV_RX80FULL).
constexpr std::uint32_t EventMaskBit(TComEvent e) noexcept {
    switch (e) {
    case TComEvent::evRxChar: return 0x0001;
    case TComEvent::evRxFlag: return 0x0002;
    case TComEvent::evTxEmpty: return 0x0004;
    case TComEvent::evCTS: return 0x0008;
    case TComEvent::evDSR: return 0x0010;
    case TComEvent::evRLSD: return 0x0020;
    case TComEvent::evBreak: return 0x0040;
    case TComEvent::evError: return 0x0080;
    case TComEvent::evRing: return 0x0100;
    case TComEvent::evRx80Full: return 0x0400;
    }
    return 0;
}

// The order in which the events of one batch are handled: errors first (the
// receive handler's queue query would clear them), then the rest.
inline constexpr TComEvent BatchOrder[] = {TComEvent::evError, TComEvent::evRxChar, TComEvent::evTxEmpty,
                                           TComEvent::evBreak, TComEvent::evRing,   TComEvent::evCTS,
                                           TComEvent::evDSR,   TComEvent::evRxFlag, TComEvent::evRLSD,
                                           TComEvent::evRx80Full};

constexpr std::uint32_t EventsToMask(TComEvents events) noexcept {
    std::uint32_t mask = 0;
    for (unsigned k = 0; k < TComEvents::Size; ++k)
        if (events.Contains(static_cast<TComEvent>(k))) mask |= EventMaskBit(static_cast<TComEvent>(k));
    return mask;
}

constexpr TComEvents MaskToEvents(std::uint32_t mask) noexcept {
    TComEvents events;
    for (unsigned k = 0; k < TComEvents::Size; ++k)
        if (mask & EventMaskBit(static_cast<TComEvent>(k))) events.Include(static_cast<TComEvent>(k));
    return events;
}

// Modem status word (MS_CTS_ON 0x10, MS_DSR_ON 0x20, MS_RING_ON 0x40, MS_RLSD_ON 0x80).
constexpr TComSignals ModemStatusToSignals(std::uint32_t status) noexcept {
    TComSignals s;
    if (status & 0x10) s.Include(TComSignal::csCTS);
    if (status & 0x20) s.Include(TComSignal::csDSR);
    if (status & 0x40) s.Include(TComSignal::csRing);
    if (status & 0x80) s.Include(TComSignal::csRLSD);
    return s;
}

// Line-error word of ClearCommError (CE_FRAME, CE_RXPARITY ...); a parity
// error counts only while parity checking is on.
constexpr TComErrors LineErrorsToErrors(std::uint32_t word, bool parityCheck) noexcept {
    TComErrors e;
    if (word & 0x0008) e.Include(TComError::ceFrame);
    if ((word & 0x0004) && parityCheck) e.Include(TComError::ceRxParity);
    if (word & 0x0002) e.Include(TComError::ceOverrun);
    if (word & 0x0001) e.Include(TComError::ceRxOver);
    if (word & 0x0100) e.Include(TComError::ceTxFull);
    if (word & 0x0010) e.Include(TComError::ceBreak);
    if (word & 0x0400) e.Include(TComError::ceIO);
    if (word & 0x8000) e.Include(TComError::ceMode);
    return e;
}

constexpr TComStateFlags StatusWordToStateFlags(std::uint32_t word) noexcept { return TComStateFlags::FromBits(word & 0x7F); }

}  // namespace serial
