// Going back to the form's design: a bar reset after the user's OK (its links, or the whole bar
// with UseFullReset, sub-menus two levels deep, its dock site held from redrawing meanwhile),
// nothing without a design or after Cancel, a failing replay that leaves nothing behind, and the
// usage record reset after the user's Yes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/FormDesign.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/support/TestSupport.h"

using TestSupport::TDialogAnswerer;

namespace {

bool gFailReplay = false;

void BuildResetForm(TCustomForm& Root, const TFormDesignContext& Ctx)
{
    if (Ctx.Restoring && gFailReplay)
        throw EConvertError("the design cannot be read");
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    auto Button = [&](const char* Name) {
        auto* B = new TcbBarButton(&Root);
        B->SetName(Name);
        B->SetCaption(Name);
        return B;
    };
    TcbBarButton* New = Button("New");
    TcbBarButton* Open = Button("Open");
    TcbBarButton* Save = Button("Save");
    auto Sub = [&](const char* Name) {
        auto* S = new TcbBarSubItem(&Root);
        S->SetName(Name);
        S->SetCaption(Name);
        return S;
    };
    TcbBarSubItem* File = Sub("File");
    TcbBarSubItem* Recent = Sub("Recent");
    auto Link = [](TcbBarItemLinks* Links, TcbBarItem* Item, bool Group = false, bool Recently = true) {
        TcbBarItemLink* L = Links->Add();
        L->SetItem(Item);
        L->SetBeginGroup(Group);
        L->SetMostRecentlyUsed(Recently);
    };
    TcbBar* Standard = M->GetBars()->Add();
    Standard->SetName("Standard");
    Standard->SetCaption("Standard");
    Standard->SetRow(0);
    Standard->SetVisible(true);
    Link(Standard->GetItemLinks(), New);
    Link(Standard->GetItemLinks(), Open, false, false);
    Link(Standard->GetItemLinks(), Save, true);
    TcbBar* Menu = M->GetBars()->Add();
    Menu->SetName("Menu");
    Menu->SetCaption("Menu");
    Link(Menu->GetItemLinks(), File);
    Link(File->GetItemLinks(), New);
    Link(File->GetItemLinks(), Recent, true);
    Link(Recent->GetItemLinks(), Open);
    Link(Recent->GetItemLinks(), Save, false, false);
}

class TResetForm : public TForm {
public:
    explicit TResetForm(TComponent* AOwner) : TForm(AOwner) { ApplyFormDesign(*this); }
    std::string ClassName() const override { return "TResetForm"; }
};

// Registered before the form is made, unregistered after it went.
struct TDesignRegistration {
    TDesignRegistration() { RegisterFormDesign("TResetForm", BuildResetForm); }
    ~TDesignRegistration()
    {
        UnregisterFormDesign("TResetForm");
        gFailReplay = false;
    }
};

struct TDesignedForm : TDesignRegistration {
    TComponentPtr<TResetForm> Form{new TResetForm(nullptr)};
    TcbBarManager* Manager = BarManagers()->ManagerOfForm(Form.get());
    TcbBar* Bar(int32_t I) const { return Manager->GetBars()->GetItem(I); }
    template <class T>
    T* Find(const char* Name) const
    {
        return dynamic_cast<T*>(Form->FindComponent(Name));
    }
};

std::vector<std::string> Captions(TcbBarItemLinks* Links)
{
    std::vector<std::string> Out;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Out.push_back((Links->GetItem(I)->GetOwnBeginGroup() ? "|" : "") + Links->GetItem(I)->GetCaption());
    return Out;
}

} // namespace

TEST(BarReset, ResetBringsBackTheDesignsLinksAfterOk)
{
    TDesignedForm F;
    ASSERT_NE(F.Manager, nullptr);
    TcbBar* Standard = F.Bar(0);
    EXPECT_TRUE(Standard->CanReset());
    TcbBar* Added = F.Manager->GetBars()->Add();
    EXPECT_FALSE(Added->CanReset());
    int Before = 0, After = 0;
    F.Manager->OnBarBeforeReset = [&](TObject*, TcbBar* B) { Before += B == Standard; };
    F.Manager->OnBarAfterReset = [&](TObject*, TcbBar* B) { After += B == Standard; };
    const int32_t Items = F.Manager->GetItemCount();
    const int32_t Managers = BarManagers()->GetCount();

    TcbBarItemLinks* Links = Standard->GetItemLinks();
    Links->GetItem(2)->Release();
    Links->GetItem(1)->SetUserCaption("Mine");
    {
        TDialogAnswerer Cancel("reset the changes", IDCANCEL);
        Standard->ResetWithConfirmation();
        EXPECT_EQ(Cancel.AnsweredCount(), 1);
        EXPECT_EQ(Cancel.Text(), "Are you sure you want to reset the changes made to the 'Standard' toolbar?");
        EXPECT_EQ(Cancel.Caption(), Application->GetTitle());
    }
    EXPECT_EQ(Captions(Links), (std::vector<std::string>{"New", "Mine"}));
    EXPECT_EQ(Before, 0);

    TDialogAnswerer Ok("reset the changes", IDOK);
    Standard->ResetWithConfirmation();
    EXPECT_EQ(Ok.AnsweredCount(), 1);
    EXPECT_EQ(Captions(Links), (std::vector<std::string>{"New", "Open", "|Save"}));
    EXPECT_EQ(Links->GetItem(1)->GetItem(), F.Find<TcbBarItem>("Open"));
    EXPECT_TRUE(Links->GetItem(1)->GetUserCaption().empty());
    EXPECT_TRUE(Links->GetItem(0)->GetMostRecentlyUsed());
    EXPECT_FALSE(Links->GetItem(1)->GetMostRecentlyUsed());
    EXPECT_TRUE(Links->GetItem(2)->GetMostRecentlyUsed());
    EXPECT_EQ(Before, 1);
    EXPECT_EQ(After, 1);
    EXPECT_EQ(BarManagers()->GetCount(), Managers);
    EXPECT_EQ(F.Manager->GetItemCount(), Items);
}

TEST(BarReset, AFullResetTakesTheBarAndTheSubMenusTwoLevelsDeep)
{
    TDesignedForm F;
    F.Manager->SetUseFullReset(true);
    TcbBar* Standard = F.Bar(0);
    Standard->SetCaption("Changed");
    Standard->SetRow(3);
    Standard->SetVisible(false);
    auto* File = F.Find<TcbBarSubItem>("File");
    auto* Recent = F.Find<TcbBarSubItem>("Recent");
    Recent->GetItemLinks()->GetItem(0)->Release();
    File->GetItemLinks()->GetItem(0)->SetUserCaption("Fresh");
    {
        TDialogAnswerer Ok("reset the changes", IDOK);
        Standard->ResetWithConfirmation();
        EXPECT_EQ(Ok.Text(), "Are you sure you want to reset the changes made to the 'Changed' toolbar?");
    }
    EXPECT_EQ(Standard->GetCaption(), "Standard");
    EXPECT_EQ(Standard->GetRow(), 0);
    EXPECT_FALSE(Standard->GetVisible());
    // The menu bar's sub-items come back through their own bar's reset.
    TDialogAnswerer Ok("reset the changes", IDOK);
    F.Bar(1)->ResetWithConfirmation();
    EXPECT_EQ(Captions(File->GetItemLinks()), (std::vector<std::string>{"New", "|Recent"}));
    EXPECT_EQ(Captions(Recent->GetItemLinks()), (std::vector<std::string>{"Open", "Save"}));
    EXPECT_EQ(Recent->GetItemLinks()->GetItem(0)->GetItem(), F.Find<TcbBarItem>("Open"));
    EXPECT_FALSE(Recent->GetItemLinks()->GetItem(1)->GetMostRecentlyUsed());
}

TEST(BarReset, NoDesignOrAFailingReplayChangesNothing)
{
    CommandBarsTest::TManagerForm Plain;
    TcbBar* Bar = Plain.AddBar("Plain");
    auto* Item = Plain.AddItem("One");
    CommandBarsTest::TManagerForm::AddLink(Bar, Item);
    int Events = 0;
    Plain.Manager->OnBarBeforeReset = [&](TObject*, TcbBar*) { ++Events; };
    {
        TDialogAnswerer Ok("reset the changes", IDOK);
        Bar->ResetWithConfirmation();
        EXPECT_EQ(Ok.AnsweredCount(), 1);
    }
    EXPECT_EQ(Bar->GetItemLinks()->GetCount(), 1);
    EXPECT_EQ(Events, 0);

    TDesignedForm F;
    TcbBarItemLinks* Links = F.Bar(0)->GetItemLinks();
    Links->GetItem(0)->Release();
    const int32_t Managers = BarManagers()->GetCount();
    const int32_t Items = F.Manager->GetItemCount();
    const int32_t Owned = F.Form->GetComponentCount();
    gFailReplay = true;
    TDialogAnswerer Ok("reset the changes", IDOK);
    EXPECT_THROW(F.Bar(0)->ResetWithConfirmation(), EConvertError);
    EXPECT_EQ(Captions(Links), (std::vector<std::string>{"Open", "|Save"}));
    EXPECT_EQ(BarManagers()->GetCount(), Managers);
    EXPECT_EQ(F.Manager->GetItemCount(), Items);
    EXPECT_EQ(F.Form->GetComponentCount(), Owned);
}

TEST(BarReset, UsageDataComesBackFromTheDesignAfterYes)
{
    TDesignedForm F;
    int Stored = 0;
    cbExtensions().LoadFromRegistry = [&](TcbBarManager*, const std::string&) { ++Stored; };
    cbExtensions().LoadFromIniFile = [&](TcbBarManager*, const std::string&) { ++Stored; };
    TScopeExit Clear([] {
        cbExtensions().LoadFromRegistry = nullptr;
        cbExtensions().LoadFromIniFile = nullptr;
    });
    F.Manager->SetStoreInRegistry(true);
    TcbBarItemLinks* Links = F.Bar(0)->GetItemLinks();
    auto* Recent = F.Find<TcbBarSubItem>("Recent");
    Links->GetItem(0)->SetMostRecentlyUsed(false);
    Links->GetItem(1)->SetMostRecentlyUsed(true);
    Recent->GetItemLinks()->GetItem(1)->SetMostRecentlyUsed(true);
    {
        TDialogAnswerer No("record of the commands", IDNO);
        F.Manager->ResetUsageDataWithConfirmation();
        EXPECT_EQ(No.AnsweredCount(), 1);
        EXPECT_EQ(No.Text(), uiGetResourceString(cbsResetUsageDataQuery));
        EXPECT_EQ(No.Caption(), Application->GetTitle());
        EXPECT_EQ(No.DefaultButton(), IDNO);
    }
    EXPECT_FALSE(Links->GetItem(0)->GetMostRecentlyUsed());
    TDialogAnswerer Yes("record of the commands", IDYES);
    F.Manager->ResetUsageDataWithConfirmation();
    EXPECT_EQ(Yes.AnsweredCount(), 1);
    EXPECT_TRUE(Links->GetItem(0)->GetMostRecentlyUsed());
    EXPECT_FALSE(Links->GetItem(1)->GetMostRecentlyUsed());
    EXPECT_FALSE(Recent->GetItemLinks()->GetItem(1)->GetMostRecentlyUsed());
    // Recently used links lead the recent list again.
    EXPECT_EQ(Links->GetRecentListItem(Links->GetRecentListCount() - 1), Links->GetItem(1));
    EXPECT_EQ(Stored, 0);
}

namespace {

// What the watched dock site was told about redrawing, and whether the bar's window of before
// the reset still existed at that moment.
struct TRedrawNote {
    WPARAM Redraw;
    bool OldWindowAlive;
};
std::vector<TRedrawNote> gRedrawNotes;
HWND gOldBarWindow = nullptr;
WNDPROC gSiteProc = nullptr;

LRESULT CALLBACK WatchSite(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
{
    if (Msg == WM_SETREDRAW)
        gRedrawNotes.push_back({WP, IsWindow(gOldBarWindow) != FALSE});
    return CallWindowProcA(gSiteProc, W, Msg, WP, LP);
}

} // namespace

// A full reset takes the bar's window down and puts a new one up: its dock site stops redrawing
// before the old window goes and starts again once the new one is there, so the site never shows
// the bar missing; afterwards the site is shown as before.
TEST(BarReset, AFullResetHoldsTheDockSitesRedrawingWhileTheBarIsRemade)
{
    TDesignedForm F;
    F.Manager->SetUseFullReset(true);
    TcbBar* Standard = F.Bar(0);
    F.Form->SetBounds(40, 40, 500, 300);
    F.Form->Show();
    Standard->SetDockingStyle(dsTop);
    TcbDockControl* Site = F.Manager->GetBars()->GetDockControl(dsTop);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetBarControl() && Standard->GetBarControl()->HandleAllocated(); },
                                       5000, "the docked bar's window"));
    ASSERT_TRUE(Site->HandleAllocated());
    ASSERT_TRUE(IsWindowVisible(Site->GetHandle()));
    gOldBarWindow = Standard->GetBarControl()->GetHandle();
    ASSERT_EQ(GetParent(gOldBarWindow), Site->GetHandle());
    gRedrawNotes.clear();
    const HWND SiteWnd = Site->GetHandle();
    gSiteProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(SiteWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchSite)));
    {
        TScopeExit Restore([SiteWnd] { SetWindowLongPtrA(SiteWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gSiteProc)); });
        TDialogAnswerer Ok("reset the changes", IDOK);
        Standard->ResetWithConfirmation();
        EXPECT_EQ(Ok.AnsweredCount(), 1);
    }
    EXPECT_FALSE(IsWindow(gOldBarWindow)) << "the reset made the bar's window anew";
    ASSERT_EQ(gRedrawNotes.size(), 2u);
    EXPECT_EQ(gRedrawNotes[0].Redraw, static_cast<WPARAM>(FALSE));
    EXPECT_TRUE(gRedrawNotes[0].OldWindowAlive) << "the site stopped redrawing before the bar's window went";
    EXPECT_EQ(gRedrawNotes[1].Redraw, static_cast<WPARAM>(TRUE));
    EXPECT_FALSE(gRedrawNotes[1].OldWindowAlive);
    EXPECT_TRUE(IsWindowVisible(SiteWnd)) << "the site shows again";
    EXPECT_EQ(Captions(Standard->GetItemLinks()), (std::vector<std::string>{"New", "Open", "|Save"}));
}
