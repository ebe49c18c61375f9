#pragma once
// The scene of the Customize dialog tests: the popups' form made from its design (Flat manager,
// "Main Menu", "Standard" and "Tools", so the design's bars can be reset) with its categories
// named "File" (New, Open, Save and the sub-item "&File") and "Edit" (Find, Zoom, Tool A, Tool
// B), and a second shown form with its own manager. It counts the dialog's show and hide events
// and closes the dialog at its end.

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/customize/cbBarCustForm.h"
#include "commandbars/customize/cbBarNameEd.h"
#include "platform/rtl/Classes.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Tabs.h"
#include "tests/commandbars/support/PopupsFixture.h"

namespace CommandBarsTest {

class TCustomizeFixture : public TPopupsFixture {
public:
    explicit TCustomizeFixture(bool Designing = false, TcbBarManagerStyle Style = bmsFlat);
    ~TCustomizeFixture();

    TComponentPtr<TForm> Second{new TForm(nullptr)};
    TcbBarManager* SecondManager = nullptr;
    int ShownCount = 0, HiddenCount = 0;

    // Enters customizing mode and answers the open dialog (a test failure when none opened).
    TcbBarCustomizingForm* OpenDialog();
    static TcbBarCustomizingForm* Dialog() { return GetCustomizingForm(); }
    // The visible top-level windows of the thread that are Customize dialogs.
    static int DialogWindowCount();

    // A list's selection changed as a click does: LB_SETCURSEL and its LBN_SELCHANGE.
    static void SelectRow(TListBox* List, int32_t Index);
    // A combo's selection changed as the user does: CB_SETCURSEL and its CBN_SELCHANGE.
    static void SelectEntry(TComboBox* Box, int32_t Index);
    // BM_CLICK on a button or check box.
    static void ClickButton(TWinControl* Button);
    // The texts of a list's rows.
    static std::vector<std::string> Rows(TListBox* List);
    // The captions of the visible tabs of a page control.
    static std::vector<std::string> Tabs(TPageControl* Pages);
};

// Plays the framework's name dialog from a user-interface-thread timer: at each step it waits for
// the dialog to show and be enabled, records what it shows, empties the edit (recording whether
// OK stays enabled), types the step's text and presses OK or Cancel.
class TNameDialogPlayer {
public:
    struct TStep {
        std::string Text;
        bool Ok = true;
    };
    struct TSeen {
        std::string Caption, Label, Initial;
        SIZE Client{};
        RECT Window{};
        bool OkEnabledWhenEmpty = true;
    };
    explicit TNameDialogPlayer(std::vector<TStep> Steps, std::string ShotName = std::string());
    TNameDialogPlayer(const TNameDialogPlayer&) = delete;
    TNameDialogPlayer& operator=(const TNameDialogPlayer&) = delete;
    ~TNameDialogPlayer();

    const std::vector<TSeen>& Seen() const { return FSeen; }
    bool Done() const { return FNext >= FSteps.size(); }
    // Runs On with the dialog the first time it shows (the layout check, say).
    std::function<void(TcbBarNameEd* Editor)> OnFirstShow;

private:
    void Tick();
    std::vector<TStep> FSteps;
    std::vector<TSeen> FSeen;
    std::string FShotName;
    size_t FNext = 0;
    UINT_PTR FTimer = 0;
};

// Counts the frees of a component through its free notification.
class TFreeCounter : public TComponent {
public:
    explicit TFreeCounter(TComponent* Watched) : TComponent(nullptr), FWatched(Watched)
    {
        Watched->FreeNotification(this);
    }
    std::string ClassName() const override { return "TFreeCounter"; }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (AComponent == FWatched && Operation == opRemove)
            ++Count;
    }
    int Count = 0;

private:
    TComponent* FWatched;
};

// Sibling controls of every container in Root that overlap, or that stick out of their parent's
// client area: one text per fault, empty when the layout holds. Hidden controls are left out.
std::vector<std::string> LayoutFaults(TWinControl* Root);

} // namespace CommandBarsTest
