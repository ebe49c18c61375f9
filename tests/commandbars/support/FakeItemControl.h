#pragma once
// An item control for painter tests: every state and value a painter reads is a public field.

#include <string>

#include <windows.h>

#include "commandbars/painters/cbPainter.h"

namespace CommandBarsTest {

class FakeItemControl : public IcbItemControlView {
public:
    explicit FakeItemControl(const IcbBarWindowView* ABar = nullptr) : Bar(ABar) {}

    TcbBarItemLink* Link = nullptr;
    TcbBarItem* Item = nullptr;
    const IcbBarWindowView* Bar;
    TcbItemControlKind Kind = ickButton;

    bool Selected = false, Pressed = false, Down = false, Enabled = true, DroppedDown = false, Active = false;
    bool PressedByMouse = false, ArrowPressed = false, Editing = false, ReadOnly = false, RarelyUsed = false;
    bool FirstRarelyUsed = false;
    bool BeginGroup = false;

    std::string Caption = "&Open";
    TBitmap* Glyph = nullptr;
    int32_t ImageIndex = -1;
    TImageList* Images = nullptr;
    TImageList* HotImages = nullptr;
    TImageList* LargeImages = nullptr;
    TImageList* DisabledImages = nullptr;
    bool GlyphEnabled = true;
    std::string ShortCutText;
    TcbBarPaintStyle PaintStyle = psStandard;
    int32_t ButtonStyle = 0;
    bool Lowered = false;
    int32_t ArrowWidth = 11;

    TRect ItemRect = Rect(0, 0, 23, 22);
    TRect ItemRect2{};
    int32_t Width = 23, Height = 22, EditCaptionWidth = 0;
    HWND Editor = nullptr;
    std::string Text;
    TRect ComboButtonRect{};

    TcbBarItemLink* GetItemLink() const override { return Link; }
    TcbBarItem* GetItem() const override { return Item; }
    const IcbBarWindowView* GetBarWindow() const override { return Bar; }
    TcbItemControlKind GetKind() const override { return Kind; }
    bool IsSelected() const override { return Selected; }
    bool IsPressed() const override { return Pressed; }
    bool IsDown() const override { return Down; }
    bool IsEnabled() const override { return Enabled; }
    bool IsDroppedDown() const override { return DroppedDown; }
    bool IsActive() const override { return Active; }
    bool IsPressedByMouse() const override { return PressedByMouse; }
    bool IsArrowPressed() const override { return ArrowPressed; }
    bool IsEditing() const override { return Editing; }
    bool IsReadOnly() const override { return ReadOnly; }
    bool IsRarelyUsed() const override { return RarelyUsed; }
    bool IsFirstRarelyUsed() const override { return FirstRarelyUsed; }
    bool IsBeginGroup() const override { return BeginGroup; }
    std::string GetCaption() const override { return Caption; }
    TBitmap* GetGlyph() const override { return Glyph; }
    int32_t GetImageIndex() const override { return ImageIndex; }
    TImageList* GetImages() const override { return Images; }
    TImageList* GetHotImages() const override { return HotImages; }
    TImageList* GetLargeImages() const override { return LargeImages; }
    TImageList* GetDisabledImages() const override { return DisabledImages; }
    bool IsGlyphEnabled() const override { return GlyphEnabled; }
    bool HasGlyph() const override { return Glyph != nullptr || (Images != nullptr && ImageIndex >= 0); }
    std::string GetShortCutText() const override { return ShortCutText; }
    TcbBarPaintStyle GetRealPaintStyle() const override { return PaintStyle; }
    int32_t GetButtonStyle() const override { return ButtonStyle; }
    bool IsLowered() const override { return Lowered; }
    int32_t GetArrowWidth() const override { return ArrowWidth; }
    TRect GetItemRect() const override { return ItemRect; }
    TRect GetItemRect2() const override { return ItemRect2; }
    int32_t GetWidth() const override { return Width; }
    int32_t GetHeight() const override { return Height; }
    int32_t GetEditCaptionWidth() const override { return EditCaptionWidth; }
    HWND GetEditor() const override { return Editor; }
    std::string GetText() const override { return Text; }
    TRect GetComboButtonRect() const override { return ComboButtonRect; }
};

} // namespace CommandBarsTest
