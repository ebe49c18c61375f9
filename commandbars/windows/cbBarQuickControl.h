#pragma once
// The "More Buttons" window of a toolbar: opened by the toolbar's mark, it shows copies of the
// links that did not fit (or are not shown) and the "&Add or Remove Buttons" sub-item, whose
// menu lists every link of the toolbar with a check mark that shows or hides it on the toolbar,
// then "&Reset Toolbar" and "&Customize...". The window's links belong to a hidden temporary bar
// of the manager; its entries are temporary items. At most one such window exists; it closes
// with its toolbar's mark, and 200 ms after a control of another window is selected.
// User-interface thread only.

#include <cstdint>
#include <string>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/windows/cbToolbar.h"

class TcbBarQuickControl;

// An entry of "&Add or Remove Buttons": it stands for a link of the toolbar.
class TcbBarQuickCustItem : public TcbBarButton {
public:
    explicit TcbBarQuickCustItem(TComponent* AOwner) : TcbBarButton(AOwner) {}
    std::string ClassName() const override { return "TcbBarQuickCustItem"; }
    // The clicked entry's link shows or hides the link it stands for (the menu stays open).
    void DoClick() override;
};

// "&Reset Toolbar" and "&Customize...".
class TcbBarQuickCustExtButton : public TcbBarButton {
public:
    explicit TcbBarQuickCustExtButton(TComponent* AOwner) : TcbBarButton(AOwner) {}
    std::string ClassName() const override { return "TcbBarQuickCustExtButton"; }
};

// "&Add or Remove Buttons": its menu is filled each time it opens.
class TcbBarQuickSubItem : public TcbBarSubItem {
public:
    explicit TcbBarQuickSubItem(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarQuickSubItem"; }
    // The toolbar window whose links the menu lists (nullptr: none any more).
    TcbBarControl* GetToolbar() const;
    void SetQuickControl(TcbBarQuickControl* Value) { FQuickControl = Value; }
    void DoPopup() override;
    // Empties the menu's links.
    void ClearEntries();

private:
    TcbBarQuickControl* FQuickControl = nullptr;
};

class TcbBarQuickCustItemControl : public TcbBarButtonControl {
public:
    using TcbBarButtonControl::TcbBarButtonControl;

    // The link the entry stands for (nullptr when it has gone).
    TcbBarItemLink* GetRepresentedLink() const;

    std::string GetCaption() const override;
    TBitmap* GetGlyph() const override;
    int32_t GetImageIndex() const override;
    TImageList* GetImages() const override;
    bool HasGlyph() const override;
    std::string GetHint() const override;
    uint16_t GetShortCut() const override;
    int32_t GetDefaultWidth() const override;
    bool ClosesMenuOnClick() const override { return false; }
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    TcbItemControlKind GetKind() const override { return ickQuickCustomization; }

protected:
    // Whether the check area shows down.
    virtual bool IsChecked() const;
    // The entry's own drawing: the check area, the check glyph, the button, the background.
    void DrawEntry(const TRect& R, TcbDrawKind Kind, bool Checked);

private:
    bool FDrawingCheck = false;
};

class TcbBarQuickCustExtButtonControl : public TcbBarButtonControl {
public:
    using TcbBarButtonControl::TcbBarButtonControl;
    int32_t GetDefaultWidth() const override;
    int32_t GetCaptionOffset() const override;
    void Draw(const TRect& R, TcbDrawKind Kind) override;
    TcbItemControlKind GetKind() const override { return ickQuickCustomization; }
};

class TcbBarQuickControl : public TcbBarControl {
public:
    // Made for the toolbar window whose mark was pressed: the hidden temporary bar, the copies
    // of the links that did not fit and the "&Add or Remove Buttons" entry; placed at the mark.
    TcbBarQuickControl(TcbBarManager* AOwner, TcbBarControl* AOwnerToolbar);
    ~TcbBarQuickControl() override;
    std::string ClassName() const override { return "TcbBarQuickControl"; }

    // The open window (nullptr: none).
    static TcbBarQuickControl* GetOpenQuickControl();
    // Opens the window for a toolbar window (the open one closes first).
    static void Open(TcbBarControl* Toolbar);

    TcbBarControl* GetOwnerToolbar() const { return FOwnerToolbar; }
    TcbBar* GetTemporaryBar() const { return FTemporaryBar; }
    TcbBarQuickSubItem* GetSubItem() const { return FSubItem; }
    // The 200 ms close timer: started when a control of another window is selected.
    void StartCloseTimer();
    bool IsCloseTimerRunning() const { return FCloseTimer != 0; }

    // Overrides.
    TWinControl* GetParentItemWindow() const override;
    HBRUSH GetBarBrush() const override;
    bool IsPopup() const override { return true; }
    bool IsQuickCustomizingMenu() const override { return true; }
    bool IsAttachedToParentItem() const override;
    void HideAll() override;
    void RebuildBar() override;
    TcbBarWindowKind GetKind() const override { return bwkQuickCustomization; }

    void WndProc(TMessage& Message) override;

private:
    void Place();
    TSize WindowSize();
    void CloseTimerTick();

    TcbBarControl* FOwnerToolbar;
    TcbBar* FTemporaryBar = nullptr;
    TcbBarQuickSubItem* FSubItem = nullptr;
    UINT_PTR FCloseTimer = 0;
    TRect FMarkRect{};
    int32_t FContentWidth = 0;
};

// The class registrations of the three entry kinds and the window's extension entries (the
// framework's start and end).
void cbBarQuickControlInit();
void cbBarQuickControlDone();
