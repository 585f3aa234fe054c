#pragma once
// A group box: an etched frame with a caption in its top edge, holding other
// controls. It paints itself (and its labels), so graphic children show.
#include "framework/Controls.h"

namespace fw {

class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TGroupBox"; }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void Paint() override;
};

}  // namespace fw
