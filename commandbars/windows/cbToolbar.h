#pragma once
// The toolbar window: the window of one bar (a toolbar, the main menu bar or a status bar),
// docked as a child of a dock site or floating as a small owned window with its own caption,
// close button and sizing frame. It lays its item controls out in one or several lines
// (horizontal, or top to bottom on a left or right site with rotated text), shows the "More
// Buttons" mark when links do not fit, draws its grip and border (or a status bar's size grip)
// in the non-client area and runs the keyboard menu mode of a toolbar. The dock site arranges
// these windows in rows of cols (TcbDockRow, TcbDockCol). The line layout itself works on plain
// entries (TcbLayoutItem) so that it can be run over sizes without windows.
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"

class TcbBar;
class TcbBarItemLink;
class TcbDockCol;
class TcbDockControl;
class TcbDockRow;

// The room of the "More Buttons" mark at the end of a docked bar's line.
constexpr int32_t kcbMarkSize = 11;

// ---------------------------------------------------------------------------------------------
// The line layout over plain entries. Along is the direction of the lines (x on a horizontal
// bar, y on a vertical one), across the other.

struct TcbLayoutItem {
    int32_t Along = 0;    // the control's size along the line
    int32_t Across = 0;   // and across it
    int32_t MinAlong = 0; // the least an iaClient control may take
    bool BeginGroup = false;
    TcbBarItemAlign Align = iaLeft;
    bool LineBreak = false;  // the control starts a new line (set by cbCalcWrappedSize)
    bool LastOfLine = false; // the last control of its line
    TRect Rect{};            // placed rect (empty: not shown)
    TRect SeparatorRect{};   // the group line before it (empty: none)
};

struct TcbLayoutParams {
    bool Wrap = false;
    bool Vertical = false;
    int32_t LineLength = 0; // the length available to the controls
    int32_t FullLength = 0; // the client's length (a separator between wrapped lines spans it)
    int32_t GroupGap = 0;   // the separator size
};

// Places the entries in lines (CalcControlsPositions); true when an aligned control pushed
// further entries off its line. Entries that do not fit a line that does not wrap keep empty
// rects.
bool cbLayoutLine(std::vector<TcbLayoutItem>& Items, const TcbLayoutParams& P);

// Breaks the entries into lines of Length (CalcWrappedSize): an overflowing line breaks before
// the last group that starts on it, which moves whole to the next line. Along/Across give the
// size in and out; the shown MDI buttons (MDIAlong x MDIAcross, 0 when none) go at the end of the
// last line or on a line of their own.
void cbCalcWrappedLines(std::vector<TcbLayoutItem>& Items, int32_t GroupGap, int32_t Length, int32_t& Along,
                        int32_t& Across, int32_t MDIAlong = 0, int32_t MDIAcross = 0);

// Measures the entries on one line: false as soon as an entry after the first would pass Limit.
bool cbMeasureOneLine(const std::vector<TcbLayoutItem>& Items, int32_t GroupGap, int32_t Limit, int32_t& Along,
                      int32_t& Across);

// The geometry of the MDI buttons of a main menu bar (client coordinates).
enum TcbMDIButtonsMode { mbmNone, mbmThreeButtons, mbmCloseOnly };
struct TcbMDIButtonGeometry {
    TcbMDIButtonsMode Mode = mbmNone;
    int32_t ButtonWidth = 0;  // SM_CXMENUSIZE - 2
    int32_t ButtonHeight = 0; // SM_CYMENUSIZE - 4
    bool Vertical = false;
    bool Wrap = false;
    bool MarkReserved = false;   // docked with a visible mark
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    int32_t LastLineTop = 0;     // across: the last line of a wrapping bar
    int32_t LastLineBottom = 0;
    bool LastLineReachesBand = false;
    bool HasShownLinks = true;
};
int32_t cbMDIButtonsAlong(const TcbMDIButtonGeometry& G);
TRect cbMDIButtonRect(const TcbMDIButtonGeometry& G, int32_t Index);

// The grab point after a change of style: the drag-start offsets scaled to the new size.
TPoint cbScaleGrabPoint(int32_t OffsetX, int32_t OldWidth, int32_t OffsetY, int32_t OldHeight, TSize NewSize);

// ---------------------------------------------------------------------------------------------
// The toolbar window.

class TcbBarControl : public TCustomcbBarControl {
public:
    TcbBarControl(TcbBarManager* AOwner, TcbBar* ABar);
    ~TcbBarControl() override;
    std::string ClassName() const override { return "TcbBarControl"; }

    // Virtual operations, in slot order after the base's.
    virtual TRect GetGripHitRect() const;
    virtual void CaptionChanged();
    // The constructor the link list uses for a bar's window.
    static TcbBarControl* CreateForBar(TcbBarManager* AOwner, TcbBar* ABar);
    virtual void EnterKeyboardMode(TcbBarItemControl* Control);
    // Keyboard mode with Control selected; without one, the first selectable control when
    // SelectFirst is set, else nothing.
    void EnterKeyboardModeAt(TcbBarItemControl* Control, bool SelectFirst);
    virtual void LeaveKeyboardMode();
    // A click in keyboard mode may end the mode (set by a click on a control or when a
    // sub-item's menu opens from the keyboard). While it is set, a title under the mouse opens
    // its menu at once.
    bool GetSecondClick() const { return FSecondClick; }
    void SetSecondClick(bool Value) { FSecondClick = Value; }

    // Overrides of the base.
    void CalcDrawingConsts() override;
    bool IsLastItemControl(const TcbBarItemControl* Control) const override;
    bool HasNonFlatFrame() const override;
    // A floating window hidden with its inactive form hides its shadow too, also when it is
    // moved or sized while hidden.
    bool IsShadowVisible() const override;
    bool CanCustomize() const override;
    int32_t GetBeginGroupSize() const override;
    HFONT GetFontHandle() const override;
    HRGN CreateItemRgn(const TcbBarItemControl* Control) const override;
    HBRUSH GetBarBrush() const override;
    bool IsMarkVisible() const override;
    bool IgnoresMouseMove() const override;
    void RepaintItemControl(TcbBarItemControl* Control) override;
    void SetDockingStyle(TcbBarDockingStyle Value) override;
    void AssignFont() override;
    void SetIsActive(bool Value) override;
    void SelectControlByKeyboard(TcbBarItemControl* Control) override;
    void UpdateAlphaBlend() override;
    void SetMarkState(TcbButtonState Value) override;
    void FillBackgroundEx(HDC DC, TRect R, bool InClient, TColor Color, HBRUSH Brush) override;
    bool HasBackgroundBitmap() const override;
    bool HasCustomBackground() const override;
    TPoint GetClientOffset() const override;
    void HideAll() override;
    void RebuildBar() override;
    TcbBar* GetBar() const override { return FBar; }

    // The view.
    bool IsMainMenu() const override;
    bool IsStatusBar() const override;
    bool CanMove() const override;
    bool HasCaption() const override { return FHasCaption && GetDockingStyle() == dsNone; }
    bool CanClose() const override;
    bool HasItemsPushedOff() const override { return FItemsPushedOff; }
    TBitmap* GetBackgroundBitmap() const override;
    TcbButtonState GetCloseButtonState() const override { return FCloseButtonState; }

    bool IsHorizontallyDocked() const;
    bool IsVerticallyDocked() const;
    TColor GetCaptionColor() const;
    TRect GetMarkRectInWindow() const;
    // The caption flag: a floating window has a caption and can be closed.
    bool GetCaptionFlag() const { return FHasCaption; }
    void SetCaptionFlag(bool Value) { FHasCaption = Value; }
    bool IsSizeGripShown() const { return FSizeGrip; }
    int32_t GetStoredHitCode() const { return FHitCode; }

    // The layout lock: layout, rebuild and repaint wait while it is above 0.
    void LockLayout() { ++FLayoutLock; }
    void UnlockLayout() { if (FLayoutLock > 0) --FLayoutLock; }
    bool IsLayoutLocked() const { return FLayoutLock > 0; }

    // The docked place: the window is made a child of Site with the style (outside a drag the
    // handle is made again).
    void SetDockingStyleAndSite(TcbBarDockingStyle Style, TcbDockControl* Site);
    TcbDockControl* GetDockSite() const { return FDockSite; }
    IcbDockSiteView* GetParentDockSite() const override;
    // The site is being freed: the window forgets it.
    void SiteGone(TcbDockControl* Site);
    // The font the controls draw with: the window's, turned by -90 degrees on a vertical bar
    // with RotateWhenVertical.
    HFONT GetCanvasFont();

    // The layout and sizes.
    void CalcControlsPositions();
    TSize GetSizeForDockingStyle(TcbBarDockingStyle Style);
    TSize GetSizeForWidth(TcbBarDockingStyle Style, int32_t Width);
    TSize GetSizeForHeight(TcbBarDockingStyle Style, int32_t Height);
    int32_t GetMinBarWidth(TcbBarDockingStyle Style);
    int32_t GetMinBarHeight(TcbBarDockingStyle Style);
    int32_t GetPreferredBarWidth(TcbBarDockingStyle Style);
    int32_t GetPreferredBarHeight(TcbBarDockingStyle Style);
    void CalcWrappedSize(bool ReserveMark, int32_t Length, TSize& Size);
    TRect GetMDIButtonRect(int32_t Index) const;
    // The MDI buttons of a main menu bar (indexed by TcbMDIButton): three for the
    // maximized active child of the manager's frame, else the close button alone with the
    // manager's ShowCloseButton; whether a shown button can be used; the button under a
    // client point (-1: none).
    TcbMDIButtonsMode GetMDIButtonsMode() const;
    bool IsMDIButtonEnabled(int32_t Index) const;
    bool IsMDIButtonHot(TcbMDIButton Button) const override;
    int32_t MDIButtonAtPos(TPoint P, bool EnabledOnly) const;
    // The one pressed and the one hot MDI button of all toolbar windows (-1: none).
    static int32_t GetPressedMDIButton();
    static int32_t GetHotMDIButton();
    TPoint GetGrabPoint(TcbBarDockingStyle Style);
    TcbDockCol* GetDockCol() const;
    // The window wraps its controls: floating, or docked MultiLine.
    bool Wraps() const;

    // Set by the dock site's row layout.
    int32_t GetMinLength() const { return FMinLength; }
    int32_t GetFullLength() const { return FFullLength; }
    void SetRowLengths(int32_t MinLength, int32_t FullLength) { FMinLength = MinLength; FFullLength = FullLength; }
    void SetItemsPushedOff(bool Value) { FItemsPushedOff = Value; }

    // The drag start values recorded on a grip press.
    const int32_t* GetDragStart() const { return FDragStartValues; }
    // Records the drag start values for a cursor point (screen) and runs the bars' drag.
    void StartDrag(TPoint ScreenPoint);

    // The floating window's parts. The caption strip and the close button in window
    // coordinates, or in client coordinates (above the client area, so negative y).
    TRect GetCaptionRect(bool InClient = false) const;
    TRect GetCloseButtonRect(bool InClient = false) const;
    // The size grip of a status bar, in client coordinates.
    TRect GetSizeGripRect() const;
    // A change redraws the button at once.
    void SetCloseButtonState(TcbButtonState Value);
    // Shows the floating window without activating it, above its form.
    void ShowFloating();
    // A floating window partly or wholly outside the work area of its monitor is moved back
    // inside it (the display or the work area changed).
    void MoveIntoWorkArea();
    // The floating window rebuilds its shadow's parts (the manager asks when its form changed).
    void RebuildShadow();

    // The moving state of a drag: while it lasts the window keeps a docked (child) and a
    // floating (popup) handle and swaps them as the bar docks and floats; in-place windows are
    // hidden and the cursor is the size-all one. At its end the unused handle goes and the bar
    // stores its place.
    void SetMoving(bool Value);
    bool IsMoving() const { return FMoving; }
    // The docking style the drag started with.
    TcbBarDockingStyle GetMoveStartStyle() const { return FMoveStartStyle; }

    // The width of an edit control dragged while customizing: whether the cursor is on (or
    // dragging) its edge, and the width shown while it is dragged (0: none).
    bool IsWidthSizing() const { return FWidthSizing; }
    int32_t GetNewWidth() const { return FNewWidth; }

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void PaintBar(HDC DC) override;
    void KeyNavigation(uint16_t Key) override;
    void MoveToNextToolbar(bool Forward) override;

private:
    // The shown links' entries, with the sizes of their controls.
    std::vector<TcbLayoutItem> LayoutItems(std::vector<TcbBarItemLink*>& Links) const;
    TcbLayoutParams LayoutParams(int32_t ClientAlong, int32_t ClientAcross) const;
    bool MarkShownFor(TcbBarDockingStyle Style) const;
    TcbMDIButtonGeometry MDIGeometry() const;
    int32_t MDIButtonsAlong(bool Vertical) const;
    // The size of an unwrapped bar given the length it may take along its orientation.
    TSize GetSingleLineSize(TcbBarDockingStyle Style, int32_t Length, bool Vertical);
    void WMNCCalcSize(TMessage& M);
    void WMNCPaint();
    void WMNCHitTest(TMessage& M);
    void WMLButtonDown(TMessage& M);
    void WMMouseMove(TMessage& M);
    void WMWindowPosChanged(TMessage& M);
    void FontChangedHere();
    void RefreshFrame();
    // Floating: the parts of cbToolbarFloating.cpp.
    void WMSizing(TMessage& M);
    void FloatingNCHitTest(TMessage& M);
    void FloatingNCCalcSize(RECT* R);
    void FloatingNCPaint(HDC DC, const TRect& Window);
    void RedrawFloatingMark();
    // The mark rect in client coordinates (a floating bar's lies in its caption).
    TRect MarkRectInClient() const;
    void CloseButtonLoop();
    void WMWindowPosChanging(TMessage& M);
    void DockOrFloat();
    void MarkPollTimer();
    // The floating window went with its owner's window: the bar waits for the form's new window
    // and hides meanwhile.
    void FloatingWindowLost();
    void FloatingMouseMove(TPoint P);
    // The moving state's handles: the handle of the other kind made or taken for a style.
    void SwapHandleForMove(TcbBarDockingStyle Style, TcbDockControl* Site);
    void ReparentTo(TcbDockControl* Site);
    void MoveInPlaceWindows(bool Show);
    // Edit-width sizing while customizing.
    TcbBarItemControl* SizableEditControl() const;
    bool EditEdgeAt(TPoint P, bool& RightEdge) const;
    bool WMSetCursorEditWidth(TMessage& M);
    bool EditWidthButtonDown(TPoint P);
    void EditWidthMouseMove(TPoint P);
    void EditWidthButtonUp();
    void EndEditWidthSizing();
    void InvertSizingFrame(); // draws or erases the inverted frame (DSTINVERT)
    TRect EditSizingFrame() const; // screen
    TRect SizeGripRect() const; // window coordinates
    // The MDI buttons (cbToolbarMDI.cpp): drawing, taken out of Rest while painting, or at once
    // after a change; the press, the release, the mouse over them and the reset.
    void DrawMDIButtons(HDC DC, HRGN Rest);
    void RedrawMDIButtons();
    bool MDIButtonDown(TPoint P);
    bool MDIButtonUp(TPoint P);
    bool MDIMouseMove(TPoint P);
    void ResetMDIButtons();
    bool IsOwnerFormVisible() const;

    HWND FSavedFocus = nullptr;
    TcbBar* FBar;
    TcbButtonState FCloseButtonState = bstNormal;
    bool FHasCaption = true;
    bool FSizeGrip = false;
    int32_t FHitCode = HTCLIENT;
    int32_t FLayoutLock = 0;
    bool FSecondClick = false;
    int32_t FMDIButtonWidth = 0;
    int32_t FMDIButtonHeight = 0;
    int32_t FMinLength = 0;
    int32_t FFullLength = 0;
    bool FMoving = false;
    TcbBarDockingStyle FMoveStartStyle = dsNone;
    std::vector<HWND> FHiddenInPlaceWindows;
    bool FRotating = false;
    bool FWidthSizing = false;
    bool FRightEdge = false;
    bool FWidthCaptured = false;
    int32_t FNewWidth = 0;
    // While the system sizes the floating window by an edge: where the cursor and the window
    // were when it began, so that each step asks for the width under the cursor (steps that
    // build on the last snapped size would lose the snap each time).
    bool FEdgeSizing = false;
    POINT FEdgeSizingCursor{};
    TRect FEdgeSizingStart{};
    int32_t FEdgeGrab = 0;
    TcbBarItemControl* FSizingControl = nullptr;
    TRect FDrawnSizingFrame{}; // the inverted frame on the screen (empty: none)
    bool FItemsPushedOff = false;
    int32_t FDragStartValues[4] = {0, 0, 0, 0};
    TcbDockControl* FDockSite = nullptr;
    HFONT FRotatedFont = nullptr;
    // The hide that follows a lost floating window; stopped with the window object, so that it
    // never reaches a later window made in the same memory.
    UINT_PTR FLostTimer = 0;
    bool FRebuilding = false;
    // The line-break flags of the controls: the links whose control starts a new line.
    std::vector<const TcbBarItemLink*> FLineBreakLinks;
};

// ---------------------------------------------------------------------------------------------
// Rows and cols of a dock site.

class TcbDockCol {
public:
    TcbDockCol(TcbDockRow* ARow, TcbBarControl* ABarControl);
    TcbDockRow* GetRow() const { return FRow; }
    TcbBarControl* GetBarControl() const { return FBarControl; }
    int32_t GetLeft() const { return FLeft; }
    int32_t GetTop() const { return FTop; }
    void SetPos(int32_t ALeft, int32_t ATop) { FLeft = ALeft; FTop = ATop; }
    // Copies the window's current left and top.
    void UpdatePos();

private:
    friend class TcbDockControl;
    TcbDockRow* FRow;
    TcbBarControl* FBarControl;
    int32_t FLeft = 0;
    int32_t FTop = 0;
};

class TcbDockRow {
public:
    explicit TcbDockRow(TcbDockControl* ADockControl) : FDockControl(ADockControl) {}
    TcbDockControl* GetDockControl() const { return FDockControl; }
    int32_t GetColCount() const { return static_cast<int32_t>(FCols.size()); }
    TcbDockCol* GetCol(int32_t Index) const;
    int32_t IndexOf(const TcbDockCol* Col) const;
    int32_t GetThickness() const { return FThickness; }

private:
    friend class TcbDockControl;
    TcbDockControl* FDockControl;
    std::vector<std::unique_ptr<TcbDockCol>> FCols;
    int32_t FThickness = 0;
    int32_t FOffset = 0;
};

// The framework's start and end of the toolbar windows: the link lists' toolbar window maker.
void cbToolbarInit();
void cbToolbarDone();
