#pragma once
// Windowed labels: TStaticText is a STATIC window (its text can be read with WM_GETTEXT like any
// window's), TLinkLabel a clickable address in it: SS_NOTIFY, blue and underlined, the hand
// cursor, and OnClick on a click.

#include <string>

#include "platform/win/Controls.h"
#include "platform/win/StdCtrls.h"

class TStaticText : public TWinControl {
public:
    explicit TStaticText(TComponent* AOwner);
    std::string ClassName() const override { return "TStaticText"; }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    TAlignment FAlignment = taLeftJustify;
};

class TLinkLabel : public TStaticText {
public:
    explicit TLinkLabel(TComponent* AOwner);
    std::string ClassName() const override { return "TLinkLabel"; }
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
};
