// The port's settings types, error texts and system records (no Win32).
#include <gtest/gtest.h>

#include <cstring>

#include "serial/ComErrors.h"
#include "serial/ComTypes.h"
#include "serial/LineSettings.h"

using namespace serial;

TEST(ComSets, MemberKIsBitK) {
    EXPECT_EQ((TComEvents{TComEvent::evRxChar}.Bits()), 1u);
    EXPECT_EQ((TComEvents{TComEvent::evRx80Full}.Bits()), 1u << 9);
    EXPECT_EQ(TComEvents::All().Bits(), 0x3FFu);
    EXPECT_EQ((TStoredProps{TStoredProp::spBasic, TStoredProp::spOthers}.Bits()), 0x21u);
    TComErrors e{TComError::ceFrame};
    e.Include(TComError::ceTxFull).Exclude(TComError::ceFrame);
    EXPECT_EQ(e, TComErrors{TComError::ceTxFull});
    EXPECT_TRUE(TComSignals{}.Empty());
}

TEST(ComSets, EventMaskMapsExactlyTheTenBits) {
    struct Case {
        TComEvent event;
        std::uint32_t bit;
    };
    const Case cases[] = {{TComEvent::evRxChar, 0x0001}, {TComEvent::evRxFlag, 0x0002}, {TComEvent::evTxEmpty, 0x0004},
                          {TComEvent::evCTS, 0x0008},    {TComEvent::evDSR, 0x0010},    {TComEvent::evRLSD, 0x0020},
                          {TComEvent::evBreak, 0x0040},  {TComEvent::evError, 0x0080},  {TComEvent::evRing, 0x0100},
                          {TComEvent::evRx80Full, 0x0400}};
    for (const Case& c : cases) {
        EXPECT_EQ(EventsToMask(TComEvents{c.event}), c.bit);
        EXPECT_EQ(MaskToEvents(c.bit), TComEvents{c.event});
    }
    EXPECT_EQ(EventsToMask(TComEvents::All()), 0x05FFu);
    // Bits outside the ten (EV_PERR 0x200, EV_EVENT1 0x800 ...) are ignored.
    EXPECT_EQ(MaskToEvents(0x0200 | 0x0800 | 0x1000), TComEvents{});
    EXPECT_EQ(MaskToEvents(0xFFFFFFFF), TComEvents::All());
}

TEST(ComSets, SignalsErrorsAndStateFlagsFromSystemWords) {
    EXPECT_EQ(ModemStatusToSignals(0x10), TComSignals{TComSignal::csCTS});
    EXPECT_EQ(ModemStatusToSignals(0x20), TComSignals{TComSignal::csDSR});
    EXPECT_EQ(ModemStatusToSignals(0x40), TComSignals{TComSignal::csRing});
    EXPECT_EQ(ModemStatusToSignals(0x80), TComSignals{TComSignal::csRLSD});
    EXPECT_EQ(ModemStatusToSignals(0x0F), TComSignals{});

    struct Case {
        std::uint32_t word;
        TComError error;
    };
    const Case cases[] = {{0x0008, TComError::ceFrame}, {0x0004, TComError::ceRxParity}, {0x0002, TComError::ceOverrun},
                          {0x0001, TComError::ceRxOver}, {0x0100, TComError::ceTxFull},  {0x0010, TComError::ceBreak},
                          {0x0400, TComError::ceIO},     {0x8000, TComError::ceMode}};
    for (const Case& c : cases) EXPECT_EQ(LineErrorsToErrors(c.word, true), TComErrors{c.error}) << c.word;
    // A parity error counts only with parity checking; the others stay.
    EXPECT_EQ(LineErrorsToErrors(0x0004 | 0x0008, false), TComErrors{TComError::ceFrame});
    EXPECT_EQ(LineErrorsToErrors(0x0020 | 0x0040 | 0x0080 | 0x0200, true), TComErrors{});

    EXPECT_EQ(StatusWordToStateFlags(0xFFFFFFFF), TComStateFlags::All());
    EXPECT_EQ(StatusWordToStateFlags(0x08), TComStateFlags{TComStateFlag::fXoffHold});
}

TEST(ComErrorTable, TextsAndMessages) {
    EXPECT_EQ(ComErrorText(1), L"Unable to open com port");
    EXPECT_EQ(ComErrorText(8), L"SetCommTimeouts failed");
    EXPECT_EQ(ComErrorText(14), L"Cannot set property while connected");
    EXPECT_EQ(ComErrorText(18), L"Link (un)registration failed");
    EXPECT_EQ(ComErrorText(19), L"Cannot change led state if ComPort is selected");
    EXPECT_EQ(ComErrorText(22), L"A component is linked to OnRxBuf event");
    EXPECT_EQ(ComErrorText(24), L"Port Not Open");
    EXPECT_EQ(ComErrorText(0), L"");
    EXPECT_EQ(ComErrorText(25), L"");
    for (int code = 1; code <= ComErrorCount; ++code) {
        EXPECT_FALSE(ComErrorText(code).empty()) << code;
        EXPECT_EQ(ComErrorCode(ComExceptionOf(code)), code);
    }
    EXPECT_EQ(ComErrorCode(TComExceptions::CE_OpenFailed), 1);
    EXPECT_EQ(ComErrorCode(TComExceptions::CEPortNotOpen), 24);
    EXPECT_EQ(ComErrorMessage(1, 2), L"Unable to open com port (Error: 2)");
    EXPECT_EQ(ComErrorMessage(5, 22), L"PurgeComm function failed (Error: 22)");
}

namespace {
// The settings of the adapter check's port: 38400 8N1, DTR on, RTS off,
// no handshake, NUL bytes discarded, default buffers.
TLineSettingsValues AdapterCheckValues() {
    TLineSettingsValues v;
    v.BaudRate = TBaudRate::br38400;
    v.DataBits = TDataBits::dbEight;
    v.ParityBits = TParityBits::prNone;
    v.StopBits = TStopBits::sbOneStopBit;
    v.DiscardNull = true;
    v.ControlDTR = TDTRFlowControl::dtrEnable;
    v.ControlRTS = TRTSFlowControl::rtsDisable;
    return v;
}
}  // namespace

TEST(LineSettingsRecord, AdapterCheckPortBitForBit) {
    const TLineSettingsRecord r = BuildLineSettings(AdapterCheckValues());
    const unsigned char expected[28] = {
        28, 0, 0, 0,              // length
        0x00, 0x96, 0, 0,         // 38400
        0x11, 0x08, 0, 0,         // binary, DTR enable, NUL discarding
        0, 0,                     // reserved
        0x00, 0x01, 0x00, 0x01,   // XON and XOFF limits 256
        8, 0, 0,                  // byte size, parity, stop bits
        17, 19, 0, 0, 0,          // XON, XOFF, error, end-of-file, event characters
        0, 0};
    EXPECT_EQ(0, std::memcmp(&r, expected, sizeof expected));
    EXPECT_EQ(r.Flags, 0x0811u);
}

TEST(LineSettingsRecord, FieldRules) {
    TLineSettingsValues v;
    v.BaudRate = TBaudRate::brCustom;
    v.CustomBaudRate = 250000;
    EXPECT_EQ(BuildLineSettings(v).BaudRate, 250000u);
    v.BaudRate = TBaudRate::br110;
    EXPECT_EQ(BuildLineSettings(v).BaudRate, 110u);
    v.BaudRate = TBaudRate::br256000;
    EXPECT_EQ(BuildLineSettings(v).BaudRate, 256000u);

    v.InputSize = 1022;
    EXPECT_EQ(BuildLineSettings(v).XonLim, 255);
    EXPECT_EQ(BuildLineSettings(v).XoffLim, 255);
    v.InputSize = 4 * 70000;  // only the low 16 bits of the limit
    EXPECT_EQ(BuildLineSettings(v).XonLim, static_cast<std::uint16_t>(70000 & 0xFFFF));

    // Replacement needs parity checking.
    v.ParityCheck = false;
    v.ParityReplace = true;
    v.ReplaceChar = L'?';
    TLineSettingsRecord r = BuildLineSettings(v);
    EXPECT_EQ(r.Flags & (lineflags::Parity | lineflags::ErrorChar), 0u);
    EXPECT_EQ(r.ErrorChar, 0);
    v.ParityCheck = true;
    r = BuildLineSettings(v);
    EXPECT_EQ(r.Flags & (lineflags::Parity | lineflags::ErrorChar), lineflags::Parity | lineflags::ErrorChar);
    EXPECT_EQ(r.ErrorChar, '?');

    TLineSettingsValues f;
    f.OutCTSFlow = true;
    f.OutDSRFlow = true;
    f.ControlDTR = TDTRFlowControl::dtrHandshake;
    f.DSRSensitivity = true;
    f.TxContinueOnXoff = true;
    f.XonXoffOut = true;
    f.XonXoffIn = true;
    f.ControlRTS = TRTSFlowControl::rtsToggle;
    f.XonChar = 0x111;  // low byte only
    f.EventChar = 0x20A;
    f.ParityBits = TParityBits::prSpace;
    f.StopBits = TStopBits::sbTwoStopBits;
    f.DataBits = TDataBits::dbFive;
    r = BuildLineSettings(f);
    EXPECT_EQ(r.Flags, 0x0001u | 0x0004 | 0x0008 | 0x0020 | 0x0040 | 0x0080 | 0x0100 | 0x0200 | 0x3000);
    EXPECT_EQ(r.XonChar, 0x11);
    EXPECT_EQ(r.EvtChar, 0x0A);
    EXPECT_EQ(r.Parity, 4);
    EXPECT_EQ(r.StopBits, 2);
    EXPECT_EQ(r.ByteSize, 5);
    f.ControlRTS = TRTSFlowControl::rtsEnable;
    f.ControlDTR = TDTRFlowControl::dtrEnable;
    r = BuildLineSettings(f);
    EXPECT_EQ(r.Flags & 0x3030u, 0x1010u);
}

TEST(TimeoutsRecord, MinusOneIsAllBits) {
    const TTimeoutsRecord t = BuildTimeouts(-1, 0, 0, 100, 1000);
    EXPECT_EQ(t.ReadInterval, 0xFFFFFFFFu);
    EXPECT_EQ(t.ReadTotalMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalConstant, 0u);
    EXPECT_EQ(t.WriteTotalMultiplier, 100u);
    EXPECT_EQ(t.WriteTotalConstant, 1000u);
}
