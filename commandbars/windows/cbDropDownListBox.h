#pragma once
// The drop-down list of a combo item: an owner-drawn list window that floats above everything
// under the combo's control while the combo is dropped down. A press on the combo that opened
// it may still hold the mouse: the list then tracks that press until the button comes up.

#include <string>

#include <windows.h>

#include "platform/win/Controls.h"

class TcbBarCustomCombo;

class TcbBarDropDownListBox : public TWinControl {
public:
    explicit TcbBarDropDownListBox(TcbBarCustomCombo* Combo);
    std::string ClassName() const override { return "TcbBarDropDownListBox"; }

    TcbBarCustomCombo* GetCombo() const { return FCombo; }
    bool IsTracking() const { return FTracking; }
    void SetTracking(bool Value) { FTracking = Value; }
    int32_t GetItemIndex() const;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowHandle(const TCreateParams& Params) override;
    void DestroyWindowHandle() override;

private:
    void SelectUnderMouse(LPARAM LParam);
    // The combo's active control previews the entry now selected.
    void SelectionChanged(int32_t Before);
    void ItemChosen();

    TcbBarCustomCombo* FCombo;
    bool FTracking = false;
    HFONT FFont = nullptr;
};
