#include "app/StaticText.h"

TStaticText::TStaticText(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(TControlStyle{});
    SetParentColor(true);
    SetBounds(0, 0, 120, 17);
}

void TStaticText::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TStaticText::CreateParams(TCreateParams& P)
{
    TWinControl::CreateParams(P);
    P.SysClassName = "STATIC";
    P.Style &= ~WS_CLIPCHILDREN;
    P.Style |= SS_NOPREFIX | (FAlignment == taCenter ? SS_CENTER : FAlignment == taRightJustify ? SS_RIGHT : SS_LEFT);
}

void TStaticText::WndProc(TMessage& M)
{
    if (M.Msg == CN_CTLCOLORSTATIC) {
        M.Result = ControlColor(reinterpret_cast<HDC>(M.WParam));
        return;
    }
    TWinControl::WndProc(M);
}

// =============================================================================================

TLinkLabel::TLinkLabel(TComponent* AOwner) : TStaticText(AOwner)
{
    SetParentFont(false);
    GetFont()->SetColor(clBlue);
    GetFont()->SetStyle(TFontStyles{fsUnderline});
    SetCursor(crHandPoint);
}

void TLinkLabel::CreateParams(TCreateParams& P)
{
    TStaticText::CreateParams(P);
    P.Style |= SS_NOTIFY; // without it the window lets clicks and the cursor through
}

void TLinkLabel::WndProc(TMessage& M)
{
    if (M.Msg == CN_COMMAND) {
        if (HIWORD(M.WParam) == STN_CLICKED)
            Click();
        return;
    }
    TStaticText::WndProc(M);
}
