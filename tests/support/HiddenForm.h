#pragma once
// A form that is never shown: children get real windows, nothing is visible.

#include <cstdint>

#include "platform/rtl/Classes.h"
#include "platform/win/Forms.h"

namespace TestSupport {

struct THiddenForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    THiddenForm(int32_t W, int32_t H)
    {
        Form->SetBorderStyle(bsNone);
        Form->SetClientSize(W, H);
        Form->HandleNeeded();
    }
};

} // namespace TestSupport
