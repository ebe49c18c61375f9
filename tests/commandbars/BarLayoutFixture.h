#pragma once
// The form the layout-storage tests store and load: one design, made as often as a test needs
// it, so that "made again from the same design" is exact. Form "LayoutForm" with manager
// "BarManager1", the buttons btnNew, btnOpen, btnSave and a nameless one, the sub-item subFile
// holding the three named buttons, a label, on request a placeable dock site "DockRight" at the
// right edge, and the bars "Main Menu" (the main menu, top, row 0,
// subFile), "Standard" (top, row 1, the four buttons, a group line before btnOpen) and "Tools"
// (floating at (300, 200), client 150 x 60, btnNew).

#include <string>

#include "commandbars/cbBar.h"
#include "commandbars/cbBarItems.h"
#include "commandbars/cbBarManager.h"
#include "commandbars/cbDockControl.h"
#include "commandbars/cbItemLinks.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

namespace BarLayoutTest {

// What the next form made from the design stores and where.
struct TLayoutDesignSettings {
    TcbBarManagerStyle Style = bmsFlat;
    bool StoreInRegistry = false;
    std::string RegistryPath;
    bool StoreInIniFile = false;
    std::string IniFileName;
    TStream* IniStream = nullptr;
    // The form gets the dock site "DockRight" (its window makes the form's window too).
    bool DockRight = false;
};
inline TLayoutDesignSettings gLayoutDesign;

inline void BuildLayoutForm(TCustomForm& Root, const TFormDesignContext&)
{
    auto* M = new TcbBarManager(&Root);
    M->SetName("BarManager1");
    M->SetStyle(gLayoutDesign.Style);
    M->SetStoreInRegistry(gLayoutDesign.StoreInRegistry);
    M->SetRegistryPath(gLayoutDesign.RegistryPath);
    M->SetStoreInIniFile(gLayoutDesign.StoreInIniFile);
    M->SetIniFileName(gLayoutDesign.IniFileName);
    M->SetIniStream(gLayoutDesign.IniStream);

    const auto Button = [&Root](const char* Name, const char* Caption) {
        auto* B = new TcbBarButton(&Root);
        if (*Name)
            B->SetName(Name);
        B->SetCaption(Caption);
        return B;
    };
    TcbBarButton* New = Button("btnNew", "&New");
    TcbBarButton* Open = Button("btnOpen", "&Open");
    TcbBarButton* Save = Button("btnSave", "&Save");
    TcbBarButton* Nameless = Button("", "&Help");
    auto* File = new TcbBarSubItem(&Root);
    File->SetName("subFile");
    File->SetCaption("&File");
    for (TcbBarItem* Item : {static_cast<TcbBarItem*>(New), static_cast<TcbBarItem*>(Open), static_cast<TcbBarItem*>(Save)})
        File->GetItemLinks()->Add()->SetItem(Item);
    auto* Label = new TLabel(&Root);
    Label->SetName("CaptionLabel");
    if (gLayoutDesign.DockRight) {
        auto* DockRight = new TcbBarDockControl(&Root);
        DockRight->SetName("DockRight");
        DockRight->SetParent(&Root);
        DockRight->SetBarManager(M);
        DockRight->SetDockAlign(dalRight);
    }

    const auto AddBar = [M](const char* Caption, TcbBarDockingStyle Docking, int32_t Row) {
        TcbBar* Bar = M->GetBars()->Add();
        Bar->SetCaption(Caption);
        Bar->SetDockingStyle(Docking);
        Bar->SetRow(Row);
        Bar->SetVisible(true);
        return Bar;
    };
    TcbBar* MainMenu = AddBar("Main Menu", dsTop, 0);
    MainMenu->SetIsMainMenu(true);
    MainMenu->GetItemLinks()->Add()->SetItem(File);
    TcbBar* Standard = AddBar("Standard", dsTop, 1);
    Standard->GetItemLinks()->Add()->SetItem(New);
    TcbBarItemLink* OpenLink = Standard->GetItemLinks()->Add();
    OpenLink->SetItem(Open);
    OpenLink->SetBeginGroup(true);
    Standard->GetItemLinks()->Add()->SetItem(Save);
    Standard->GetItemLinks()->Add()->SetItem(Nameless);
    TcbBar* Tools = AddBar("Tools", dsNone, 0);
    Tools->SetFloatLeft(300);
    Tools->SetFloatTop(200);
    Tools->SetFloatClientWidth(150);
    Tools->SetFloatClientHeight(60);
    Tools->GetItemLinks()->Add()->SetItem(New);
}

// The form; a second class of another name shares the design (two forms of one ini file).
class TLayoutForm : public TForm {
public:
    explicit TLayoutForm(const std::string& Name = "LayoutForm") : TForm(nullptr)
    {
        SetName(Name);
        ApplyFormDesign(*this);
    }
    std::string ClassName() const override { return "TLayoutForm"; }

    TcbBarManager* Manager() const { return static_cast<TcbBarManager*>(FindComponent("BarManager1")); }
    TcbBar* Bar(int32_t Index) const { return Manager()->GetBars()->GetItem(Index); }
    int32_t BarCount() const { return Manager()->GetBars()->GetCount(); }
    TcbBarItem* Item(const char* Name) const { return static_cast<TcbBarItem*>(FindComponent(Name)); }
    TcbBarSubItem* SubFile() const { return static_cast<TcbBarSubItem*>(FindComponent("subFile")); }
    TcbBarDockControl* DockRight() const { return static_cast<TcbBarDockControl*>(FindComponent("DockRight")); }
    TcbBarItemLinks* Links(int32_t BarIndex) const { return Bar(BarIndex)->GetItemLinks(); }
};

using TLayoutFormPtr = TComponentPtr<TLayoutForm>;

inline TLayoutFormPtr MakeLayoutForm(const std::string& Name = "LayoutForm")
{
    return TLayoutFormPtr(new TLayoutForm(Name));
}

// Registers the design for the test's life and starts each test from the plain settings.
class TLayoutDesignScope {
public:
    TLayoutDesignScope()
    {
        gLayoutDesign = TLayoutDesignSettings{};
        RegisterFormDesign("TLayoutForm", BuildLayoutForm);
    }
    TLayoutDesignScope(const TLayoutDesignScope&) = delete;
    TLayoutDesignScope& operator=(const TLayoutDesignScope&) = delete;
    ~TLayoutDesignScope()
    {
        UnregisterFormDesign("TLayoutForm");
        gLayoutDesign = TLayoutDesignSettings{};
    }
};

} // namespace BarLayoutTest
