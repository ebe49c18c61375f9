#pragma once
// A borderless "Please wait ..." window with a message line; the main window keeps one and shows
// or hides it around long operations, without a modal loop.

#include <string>

#include "app/StaticText.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TWaitForm : public TForm {
public:
    explicit TWaitForm(TComponent* AOwner);
    std::string ClassName() const override { return "TWaitForm"; }

    TLabel* PleaseLabel = nullptr;
    TStaticText* MessageLabel = nullptr; // a window, so its text reads back with WM_GETTEXT

    // Sets MessageLabel, shows the window and paints it at once.
    void ShowMessage(const std::string& Text);
};
