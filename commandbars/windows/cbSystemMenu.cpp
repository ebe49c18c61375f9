#include "commandbars/windows/cbSystemMenu.h"

#include <cstring>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/Actions.h"
#include "platform/win/Bitmap.h"

namespace {

// Menu texts are read into a buffer of this size; one character is always left for the NUL.
constexpr int32_t kMenuTextBuffer = 1024;

// The pop-up menu bitmaps of the close, restore, maximize and minimize entries
// (HBMMENU_POPUP_CLOSE .. HBMMENU_POPUP_MINIMIZE) and the program's glyphs for them.
constexpr UINT_PTR kFirstPopupBitmap = 8;
constexpr UINT_PTR kLastPopupBitmap = 11;
const char* const kPopupGlyphs[] = {"CBBARCLOSE", "CBBARRESTORE", "CBBARMAXIMIZE", "CBBARMINIMIZE"};

// Each sub-item's links are emptied first, so that nested entries lose their links too and go
// in the same clean-up; then every temporary item left without a link is freed.
void ClearBuiltLinks(TcbBarItemLinks* Links)
{
    while (Links->GetCount() > 0) {
        TcbBarItemLink* Link = Links->GetItem(Links->GetCount() - 1);
        if (auto* Sub = dynamic_cast<TcbBarSubItem*>(Link->GetItem()))
            ClearBuiltLinks(Sub->GetItemLinks());
        Link->Release();
    }
}

// A copy of a menu bitmap, or nothing for the predefined values (HBMMENU_*) and handles that
// are not bitmaps.
bool CopyMenuBitmap(HBITMAP Source, TBitmap* Glyph)
{
    const auto Value = reinterpret_cast<UINT_PTR>(Source);
    if (Value <= kLastPopupBitmap || Value == reinterpret_cast<UINT_PTR>(HBMMENU_CALLBACK) ||
        GetObjectType(Source) != OBJ_BITMAP)
        return false;
    HANDLE Copy = CopyImage(Source, IMAGE_BITMAP, 0, 0, 0);
    if (!Copy)
        return false;
    auto Picture = std::make_unique<TBitmap>();
    Picture->SetHandle(static_cast<HBITMAP>(Copy));
    Glyph->Assign(Picture.get());
    return true;
}

void SetEntryGlyph(TcbBarItem* Item, const MENUITEMINFOA& Info, bool BitmapEntry)
{
    TBitmap* Glyph = Item->GetGlyph();
    const auto ItemBitmap = reinterpret_cast<UINT_PTR>(Info.dwTypeData);
    if (BitmapEntry && ItemBitmap >= kFirstPopupBitmap && ItemBitmap <= kLastPopupBitmap) {
        TBitmap Picture;
        Picture.LoadFromResourceName(GetModuleHandleA(nullptr), kPopupGlyphs[ItemBitmap - kFirstPopupBitmap]);
        Glyph->Assign(&Picture);
        return;
    }
    const HBITMAP Mark = (Info.fState & MFS_CHECKED) ? Info.hbmpChecked : Info.hbmpUnchecked;
    if (Mark && CopyMenuBitmap(Mark, Glyph))
        return;
    if (BitmapEntry && Glyph->GetEmpty())
        CopyMenuBitmap(reinterpret_cast<HBITMAP>(Info.dwTypeData), Glyph);
}

// Entries deeper than this are not listed: a menu that holds itself would never end.
constexpr int32_t kMaxMenuDepth = 16;

void BuildLevel(TcbBarItemLinks* Links, HMENU Menu, HWND ChildWnd, TComponent* Owner, int32_t Depth)
{
    const int Count = GetMenuItemCount(Menu);
    bool PendingGroup = false;
    std::vector<char> Text(kMenuTextBuffer);
    for (int I = 0; I < Count; ++I) {
        MENUITEMINFOA Info{};
        Info.cbSize = cbPlatformFlags().NewMenuRecord ? sizeof(MENUITEMINFOA) : 44;
        Info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE;
        std::memset(Text.data(), 0, Text.size());
        Info.dwTypeData = Text.data();
        Info.cch = kMenuTextBuffer - 1;
        if (!GetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Info))
            continue;
        Text[kMenuTextBuffer - 1] = '\0';
        if (Info.fType & MFT_SEPARATOR) {
            PendingGroup = true;
            continue;
        }
        // A bitmap or owner-drawn entry's text field holds no text of ours: its string, if
        // any, comes from GetMenuString.
        const bool BitmapEntry = (Info.fType & MFT_BITMAP) != 0;
        std::string Caption;
        if (BitmapEntry || (Info.fType & MFT_OWNERDRAW)) {
            std::vector<char> Other(kMenuTextBuffer, '\0');
            if (GetMenuStringA(Menu, static_cast<UINT>(I), Other.data(), kMenuTextBuffer - 1, MF_BYPOSITION) > 0)
                Caption = Other.data();
        } else {
            Caption = Text.data();
        }
        std::string ShortCutText;
        if (const size_t Tab = Caption.find('\t'); Tab != std::string::npos) {
            ShortCutText = Caption.substr(Tab + 1);
            Caption.erase(Tab);
        }
        TcbBarItem* Item;
        if (Info.hSubMenu && Depth < kMaxMenuDepth) {
            auto* Sub = new TcbBarSubItem(Owner);
            TemporaryItems().push_back(Sub);
            Sub->SetFrameworkMade(true);
            BuildLevel(Sub->GetItemLinks(), Info.hSubMenu, ChildWnd, Owner, Depth + 1);
            Item = Sub;
        } else {
            auto* Button = new TcbBarButton(Owner);
            TemporaryItems().push_back(Button);
            Button->SetTag(static_cast<int32_t>(Info.wID));
            Button->OnClick = [ChildWnd](TObject* Sender) {
                auto* Entry = dynamic_cast<TcbBarButton*>(Sender);
                if (Entry && IsWindow(ChildWnd))
                    SendMessageA(ChildWnd, WM_SYSCOMMAND, static_cast<WPARAM>(static_cast<uint32_t>(Entry->GetTag())), 0);
            };
            if (Info.fState & MFS_CHECKED) {
                Button->SetButtonStyle(bsChecked);
                Button->SetDown(true);
            }
            Item = Button;
        }
        Item->SetCaption(Caption);
        if (!ShortCutText.empty())
            Item->SetShortCut(TextToShortCut(ShortCutText));
        Item->SetEnabled((Info.fState & (MF_GRAYED | MF_DISABLED)) == 0);
        SetEntryGlyph(Item, Info, BitmapEntry);
        TcbBarItemLink* Link = Links->Add();
        Link->SetItem(Item);
        Link->SetBeginGroup(PendingGroup);
        PendingGroup = false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TSystemMenuSubItem

TSystemMenuSubItem::TSystemMenuSubItem(TComponent* AOwner) : TCustomcbBarSubItem(AOwner) {}

void TSystemMenuSubItem::DoClick()
{
    HMENU Menu = FChildWnd && IsWindow(FChildWnd) ? GetSystemMenu(FChildWnd, FALSE) : nullptr;
    BuildSystemMenuItems(GetItemLinks(), Menu, FChildWnd, GetOwner());
    TCustomcbBarSubItem::DoClick();
}

void BuildSystemMenuItems(TcbBarItemLinks* Links, HMENU Menu, HWND ChildWnd, TComponent* Owner)
{
    if (!Links)
        return;
    ClearBuiltLinks(Links);
    FreeTemporaryItems();
    if (Menu && IsMenu(Menu))
        BuildLevel(Links, Menu, ChildWnd, Owner, 0);
}

// ---------------------------------------------------------------------------------------------
// TSystemMenuSubItemControl

HWND TSystemMenuSubItemControl::GetChildWnd() const
{
    auto* Item = dynamic_cast<TSystemMenuSubItem*>(GetItem());
    return Item ? Item->GetChildWnd() : nullptr;
}

int32_t TSystemMenuSubItemControl::GetWidth() const
{
    return GetSystemMetrics(SM_CXSMICON);
}

int32_t TSystemMenuSubItemControl::GetHeight() const
{
    return GetSystemMetrics(SM_CYSMICON);
}

bool TSystemMenuSubItemControl::CanSelect() const
{
    TcbBarManager* Manager = GetBarManager();
    return !(Manager && Manager->IsCustomizingOrDesigning());
}

void TSystemMenuSubItemControl::Draw(const TRect& R, TcbDrawKind)
{
    if (IsRectEmpty(&R))
        return;
    HDC DC = GetDC();
    TCustomcbBarControl* Bar = GetBarControl();
    Bar->FillBackground(DC, R, Bar->GetCachedBarBrush(), clNone);
    const HWND Child = GetChildWnd();
    if (!Child || !IsWindow(Child))
        return;
    auto Icon = reinterpret_cast<HICON>(SendMessageA(Child, WM_GETICON, ICON_SMALL, 0));
    if (!Icon)
        Icon = reinterpret_cast<HICON>(SendMessageA(Child, WM_GETICON, ICON_BIG, 0));
    if (!Icon)
        return;
    auto Small = static_cast<HICON>(CopyImage(Icon, IMAGE_ICON, 16, 16, 0));
    if (!Small)
        return;
    const int32_t X = R.left + (R.right - R.left - 16) / 2;
    const int32_t Y = R.top + (R.bottom - R.top - 16) / 2;
    DrawIconEx(DC, X, Y, Small, 16, 16, 0, nullptr, DI_NORMAL);
    DestroyIcon(Small);
}

void TSystemMenuSubItemControl::ControlDblClick()
{
    const HWND Child = GetChildWnd();
    GetBarControl()->HideAll();
    if (!Child || !IsWindow(Child))
        return;
    HMENU Menu = GetSystemMenu(Child, FALSE);
    if (!Menu)
        return;
    // A menu without a default command runs nothing.
    const UINT Command = GetMenuDefaultItem(Menu, FALSE, 0);
    if (Command == static_cast<UINT>(-1))
        return;
    SendMessageA(Child, WM_SYSCOMMAND, Command, 0);
}

// ---------------------------------------------------------------------------------------------
// Registration

void cbSystemMenuInit()
{
    auto* Ref = const_cast<TcbBarItemClassRef*>(cbItemClassOf("TSystemMenuSubItem"));
    Ref->Create = [](TComponent* Owner) -> TcbBarItem* { return new TSystemMenuSubItem(Owner); };
    RegisterBarItemClass(Ref, [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) -> TcbBarItemControl* {
        return new TSystemMenuSubItemControl(Bar, Link);
    }, false);
}

void cbSystemMenuDone()
{
    UnregisterBarItemClass(cbItemClassOf("TSystemMenuSubItem"));
}
