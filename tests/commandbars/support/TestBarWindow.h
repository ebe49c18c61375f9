#pragma once
// Minimal concrete bar windows for the tests of the window base and the item controls:
// TTestBarWindow lays its shown links out in one row (as a menu: one column) with the painter's
// sizes, paints each control, and like a toolbar answers Enter with PressAndClick of the
// selected control. TTestMenuWindow is the menu window a sub-item opens in the tests.

#include <string>

#include "commandbars/windows/cbBarControl.h"

class TCustomForm;

namespace CommandBarsTest {

class TTestBarWindow : public TCustomcbBarControl {
public:
    // A top-level window owned by Form's window, showing Links.
    TTestBarWindow(TcbBarManager* Manager, TcbBarItemLinks* Links, TCustomForm* Form, bool Menu = false);
    ~TTestBarWindow() override;
    std::string ClassName() const override { return "TTestBarWindow"; }

    TcbBarWindowKind GetKind() const override { return FMenu ? bwkMenu : bwkToolbar; }
    bool IsPopup() const override { return FMenu; }
    int32_t GetBeginGroupSize() const override { return 6; }
    void AssignFont() override;
    void SetMarkState(TcbButtonState Value) override { FMarkState = Value; }
    void RebuildBar() override;
    void CreateControls() override;
    void RepaintItemControl(TcbBarItemControl* Control) override;
    TcbSubMenuMetrics GetSubMenuMetrics() const override;
    TcbBar* GetBar() const override { return FBar; }
    void SetBar(TcbBar* Value) { FBar = Value; }
    // Docks the window at a side (a vertical toolbar at dsLeft / dsRight).
    void DockAt(TcbBarDockingStyle Style) { SetDockingStyle(Style); RebuildBar(); }
    // Shows the window at a screen point.
    void ShowAt(int32_t X, int32_t Y);
    int32_t GetRebuildCount() const { return FRebuilds; }
    // Like a toolbar, a press starts the menu mode in the window when none runs.
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void PaintBar(HDC DC) override;
    void KeyNavigation(uint16_t Key) override;

private:
    bool FMenu;
    TCustomForm* FForm;
    TcbBar* FBar = nullptr;
    int32_t FRebuilds = 0;
};

class TTestMenuWindow : public TTestBarWindow {
public:
    TTestMenuWindow(TcbBarManager* Manager, TcbBarItemLinks* Links, TCustomForm* Form);
    ~TTestMenuWindow() override;
    std::string ClassName() const override { return "TTestMenuWindow"; }
    // How many test menu windows live now.
    static int LiveCount();
};

// Has the sub-items' controls open TTestMenuWindows while it lives.
class TTestMenuFactory {
public:
    explicit TTestMenuFactory(TCustomForm* Form);
    TTestMenuFactory(const TTestMenuFactory&) = delete;
    TTestMenuFactory& operator=(const TTestMenuFactory&) = delete;
    ~TTestMenuFactory();
};

} // namespace CommandBarsTest
