#include "serial/AdapterCheckPort.h"

namespace serial {

void ConfigureAdapterCheckPort(TCustomComPort& port) {
    port.SetBaudRate(TBaudRate::br38400);
    port.SetPort(L"COM8");
    port.Parity().SetBits(TParityBits::prNone);
    port.SetStopBits(TStopBits::sbOneStopBit);
    port.SetDataBits(TDataBits::dbEight);
    port.SetDiscardNull(true);
    port.SetEvents(TComEvents::All());
    TComFlowControl& flow = port.FlowControl();
    flow.SetOutCTSFlow(false);
    flow.SetOutDSRFlow(false);
    flow.SetControlDTR(TDTRFlowControl::dtrEnable);
    flow.SetControlRTS(TRTSFlowControl::rtsDisable);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    port.SetStoredProps(TStoredProps{TStoredProp::spBasic});
    port.SetTriggersOnRxChar(true);
    port.SetConnected(false);
}

}  // namespace serial
