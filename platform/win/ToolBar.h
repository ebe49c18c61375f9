#pragma once
// A plain toolbar over ToolbarWindow32 with its buttons (TToolButton: caption, image, style,
// check state, hint, row break, an action to follow). A control given to AddControl takes a
// separator slot of its own width in button order and is kept over that slot.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Actions.h"
#include "platform/win/Controls.h"
#include "platform/win/ImageList.h"

class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsSeparator, tbsDivider };

class TToolButton {
public:
    TToolButton(const TToolButton&) = delete;
    TToolButton& operator=(const TToolButton&) = delete;
    ~TToolButton();

    TToolBar* GetToolBar() const { return FToolBar; }
    uint16_t GetCommandId() const { return FId; }
    int32_t GetIndex() const;
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    int32_t GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int32_t Value);
    TToolButtonStyle GetStyle() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    bool GetDown() const;
    void SetDown(bool Value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool Value);
    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool Value);
    TAction* GetAction() const { return FLink.GetAction(); }
    void SetAction(TAction* Value) { FLink.SetAction(Value); }
    // The button's rectangle in the toolbar's client coordinates.
    TRect GetBoundsRect() const;
    TControl* GetControl() const { return FControl; } // the control in this slot, if any
    void Click();

    TNotifyEvent OnClick;

private:
    friend class TToolBar;
    class TLink : public TActionLink {
    public:
        explicit TLink(TToolButton* B) : FButton(B) {}
        void ActionChanged() override;

    private:
        TToolButton* FButton = nullptr;
    };
    TToolButton(TToolBar* AToolBar, uint16_t AId) : FToolBar(AToolBar), FId(AId), FLink(this) {}
    BYTE StateBits() const;

    TToolBar* FToolBar = nullptr;
    uint16_t FId;
    std::string FCaption;
    int32_t FImageIndex = -1;
    TToolButtonStyle FStyle = tbsButton;
    bool FDown = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FWrap = false;
    std::string FHint;
    TControl* FControl = nullptr;
    int32_t FSeparatorWidth = 8;
    TLink FLink;
};

class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;
    std::string ClassName() const override { return "TToolBar"; }

    TToolButton* AddButton(const std::string& Caption = std::string(), TToolButtonStyle Style = tbsButton);
    // Control becomes the toolbar's child, in a separator slot as wide as it is.
    TToolButton* AddControl(TControl* Control);
    int32_t GetButtonCount() const { return static_cast<int32_t>(FButtons.size()); }
    TToolButton* GetButtons(int32_t Index) const; // a bad index raises EListError
    TToolButton* FindButton(uint16_t CommandId) const;

    TImageList* GetImages() const { return FImages; }
    void SetImages(TImageList* Value);
    bool GetShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool Value);
    bool GetList() const { return FList; }
    void SetList(bool Value);
    int32_t GetButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int32_t Value);
    int32_t GetButtonHeight() const { return FButtonHeight; }
    void SetButtonHeight(int32_t Value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    int32_t GetRowCount();

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;

private:
    friend class TToolButton;
    void Rebuild();
    void PlaceControls();
    void AdjustHeight();

    std::vector<std::unique_ptr<TToolButton>> FButtons;
    TImageList* FImages = nullptr;
    TChangeLink FImageLink;
    bool FShowCaptions = false;
    bool FFlat = true;
    bool FList = false;
    int32_t FButtonWidth = 23;
    int32_t FButtonHeight = 22;
    bool FAutoSize = false;
    uint16_t FNextId = 1;
    bool FRebuilding = false;
};
