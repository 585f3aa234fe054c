#include "framework/GroupBox.h"

namespace fw {

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {}

void TGroupBox::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    // Dialog navigation (Tab, arrows) walks into the box's children.
    p.ExStyle |= WS_EX_CONTROLPARENT;
}

void TGroupBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        Invalidate();
        break;
    }
    TCustomControl::WndProc(m);
}

void TGroupBox::Paint() {
    TCanvas& canvas = Canvas();
    RECT client = ClientRect();
    canvas.FillRect(client);
    const std::wstring caption = Caption();
    const SIZE text = canvas.TextExtent(caption.empty() ? std::wstring_view(L"0") : std::wstring_view(caption));
    // The frame runs through the middle of the caption's line.
    RECT frame = client;
    frame.top += text.cy / 2;
    ::DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (!caption.empty()) {
        RECT label{8, 0, 8 + text.cx, text.cy};
        canvas.FillRect(label);
        const UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX;
        if (Enabled()) {
            canvas.DrawText(caption, label, format);
        } else {
            canvas.Font().SetColor(clGrayText);
            canvas.DrawText(caption, label, format);
        }
    }
}

}  // namespace fw
