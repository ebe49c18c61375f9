#include "tests/support/NoClippedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include <windows.h>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

namespace TestSupport {

namespace {

// What the system draws around a caption, and no more: the check fails only on text that is
// really cut. A push button's text sits inside its 2-pixel frame and its focus rectangle; a
// check box's text starts 4 pixels after the box; a group box draws its caption 9 pixels in.
constexpr int32_t kButtonFrame = 4;
constexpr int32_t kBoxGap = 4;
constexpr int32_t kGroupCaptionLeft = 9;

SIZE Measure(HDC DC, TControl* C, const std::string& Text, UINT Format, int32_t Width = 0)
{
    HGDIOBJ Old = SelectObject(DC, C->GetFont()->GetHandle());
    RECT R{0, 0, Width, 0};
    DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Format | DT_CALCRECT);
    SelectObject(DC, Old);
    return SIZE{R.right - R.left, R.bottom - R.top};
}

// A windowed control made on the system's STATIC class: it says so when asked for its dialog
// code. Edits and lists hold text that is no caption, and the layer's own painted controls are
// no static windows: their windows are not made for asking (a combo box made sizes itself).
bool IsStaticWindow(TControl* C)
{
    auto* W = dynamic_cast<TWinControl*>(C);
    if (!W || dynamic_cast<TCustomEdit*>(C) || dynamic_cast<TComboBox*>(C) || dynamic_cast<TListBox*>(C) ||
        dynamic_cast<TCustomControl*>(C))
        return false;
    return (SendMessageA(W->GetHandle(), WM_GETDLGCODE, 0, 0) & DLGC_STATIC) != 0;
}

void Collect(TComponent* C, std::set<TControl*>& Seen, std::vector<TControl*>& Out)
{
    if (auto* Control = dynamic_cast<TControl*>(C)) {
        if (!Seen.insert(Control).second)
            return;
        Out.push_back(Control);
        if (auto* W = dynamic_cast<TWinControl*>(Control))
            for (int32_t I = 0; I < W->GetControlCount(); ++I)
                Collect(W->GetControls(I), Seen, Out);
    }
    for (int32_t I = 0; I < C->GetComponentCount(); ++I)
        Collect(C->GetComponents(I), Seen, Out);
}

} // namespace

void ExpectNoClippedText(TCustomForm* Form, const std::vector<const TControl*>& Skip)
{
    std::set<TControl*> Seen;
    std::vector<TControl*> Controls;
    Collect(Form, Seen, Controls);
    HDC DC = GetDC(nullptr);
    for (TControl* C : Controls) {
        if (C == Form || std::find(Skip.begin(), Skip.end(), C) != Skip.end())
            continue;
        const std::string Text = C->GetCaption();
        if (Text.empty())
            continue;
        SIZE Need{};
        // Labels, buttons and boxes draw "&" as a hot key's mark.
        if (auto* L = dynamic_cast<TLabel*>(C)) {
            Need = L->GetWordWrap() ? Measure(DC, C, Text, DT_WORDBREAK, C->GetWidth())
                                    : Measure(DC, C, Text, DT_SINGLELINE);
        } else if (dynamic_cast<TCheckBox*>(C) || dynamic_cast<TRadioButton*>(C)) {
            Need = Measure(DC, C, Text, DT_SINGLELINE);
            Need.cx += GetSystemMetrics(SM_CXMENUCHECK) + kBoxGap;
            Need.cy = std::max<LONG>(Need.cy, GetSystemMetrics(SM_CYMENUCHECK));
        } else if (dynamic_cast<TButton*>(C)) {
            Need = Measure(DC, C, Text, DT_SINGLELINE);
            Need.cx += 2 * kButtonFrame;
            Need.cy += 2 * kButtonFrame;
        } else if (dynamic_cast<TGroupBox*>(C)) {
            Need = Measure(DC, C, Text, DT_SINGLELINE);
            Need.cx += kGroupCaptionLeft;
        } else if (IsStaticWindow(C)) {
            Need = Measure(DC, C, Text, DT_WORDBREAK | DT_NOPREFIX, C->GetWidth());
        } else {
            continue;
        }
        const std::string Name = C->GetName().empty() ? std::string() : C->GetName() + " ";
        const std::string Where = Form->ClassName() + ": " + C->ClassName() + " " + Name + "\"" + Text + "\"";
        EXPECT_LE(Need.cx, C->GetWidth()) << Where << " is cut at the right";
        EXPECT_LE(Need.cy, C->GetHeight()) << Where << " is cut at the bottom";
    }
    ReleaseDC(nullptr, DC);
}

} // namespace TestSupport
