#pragma once
// Helpers of the annotation tests: an editor placing its marks on a scrolling control of a form,
// and reading rectangles and pixels.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "imagelib/AnnotDialog.h"
#include "imagelib/ImgAnnot.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/Scrolling.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

namespace AnnotTest {

inline std::string Text(const TRect& R)
{
    return Format("(%d, %d, %d, %d)", R.left, R.top, R.right, R.bottom);
}

// A borderless form with a 300 x 200 scroll box whose ranges are 1000 (scroll positions up to
// 700 and 800), and an editor placing its marks on the box.
struct TEditorOnForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TScrollBox* Box;
    TComponentPtr<TAnnotationsEditor> Editor{new TAnnotationsEditor(nullptr)};
    TEditorOnForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetClientSize(400, 300);
        Box = new TScrollBox(Form.get());
        Box->SetAutoScroll(false);
        Box->SetBounds(0, 0, 300, 200);
        Box->SetParent(Form.get());
        Form->HandleNeeded();
        Box->GetHorzScrollBar()->SetRange(1000);
        Box->GetVertScrollBar()->SetRange(1000);
        Editor->SetMarkParent(Box);
    }
};

// Bitmap pixels as the platform's colours (0x00BBGGRR).
inline TColor PixelOf(TBitmap& B, int32_t X, int32_t Y) { return B.GetCanvas()->GetPixel(X, Y); }

// A press and release of the left button at (X, Y) of a window, as messages.
inline void ClickAt(TWinControl* W, int32_t X, int32_t Y)
{
    SendMessageA(W->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    SendMessageA(W->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(X, Y));
}

// Runs Action once on each property dialog of the thread that shows, from a timer (inside the
// dialog's modal loop). Seen counts them.
class TDialogWatch {
public:
    explicit TDialogWatch(std::function<void(TAnnotationsPropertyDialog*)> Action) : FAction(std::move(Action))
    {
        FTimer->SetInterval(30);
        FTimer->SetOnTimer([this](TObject*) {
            for (HWND W : TestSupport::VisibleThreadWindows())
                if (auto* D = dynamic_cast<TAnnotationsPropertyDialog*>(TWinControl::FindControl(W)); D && D != FLast) {
                    FLast = D;
                    ++Seen;
                    FAction(D);
                }
        });
        FTimer->SetEnabled(true);
    }
    int Seen = 0;

private:
    std::function<void(TAnnotationsPropertyDialog*)> FAction;
    TComponentPtr<TTimer> FTimer{new TTimer(nullptr)};
    TAnnotationsPropertyDialog* FLast = nullptr;
};

} // namespace AnnotTest
