#pragma once
// Dock sites: child windows along a form's edges (or placed anywhere, TcbBarDockControl) in which
// toolbar windows are arranged in rows, each row holding toolbars side by side. Every bar manager
// has four sites of its own, one per edge of its form. A site grows and shrinks with its rows
// (to nothing when it holds no bar) and shares out each row's length among its bars, shrinking
// the rightmost first when they do not fit. User-interface thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTypes.h"
#include "commandbars/painters/cbPainter.h"
#include "platform/win/Controls.h"

class TcbBarManager;
class TBitmap;
class TcbBar;
class TcbBarControl;
class TcbDockCol;
class TcbDockRow;

// The margin around a site within which a dragged bar docks there.
constexpr int32_t kcbDockingMargin = 23;

class TcbDockControl : public TCustomControl, public IcbDockSiteView {
public:
    explicit TcbDockControl(TComponent* AOwner);
    ~TcbDockControl() override;
    std::string ClassName() const override { return "TcbDockControl"; }
    // One of a manager's own sites on the form's edge of Style.
    static TcbDockControl* CreateForEdge(TCustomForm* Form, TcbBarDockingStyle Style, TcbBarManager* Manager);

    bool GetAllowDocking() const { return FAllowDocking; }
    void SetAllowDocking(bool Value) { FAllowDocking = Value; }
    TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    void SetBackgroundBitmap(TBitmap* Value);
    TcbBarManager* GetBarManager() const override { return FBarManager; }
    virtual void SetBarManager(TcbBarManager* Value);
    // dsNone for a placeable site.
    TcbBarDockingStyle GetEdgeStyle() const { return FEdgeStyle; }
    // From Align: top, bottom, left, right; anything else top.
    TcbBarDockingStyle GetDockingStyle() const override;
    bool IsHorizontal() const;

    // Virtual operations, in slot order.
    virtual void BackgroundChanged();
    virtual bool CanDock(TcbBar* Bar) const;
    virtual void UpdateColor();
    virtual int32_t GetRowsSize() const;
    virtual bool IsSunkenBorder() const;
    void FillBackground(HDC DC, const TRect& R) override;
    virtual bool HasBackgroundBitmap() const;
    virtual bool HasCustomBackground() const;
    virtual void RepaintBars();
    virtual void ResetBackgroundCache();
    virtual void UpdateCustomBackgroundFlag();

    // Rows and the bars in them.
    int32_t GetRowCount() const override { return static_cast<int32_t>(FRows.size()); }
    TcbDockRow* GetRow(int32_t Index) const;
    TRect GetRowRect(int32_t Row) const override;
    int32_t GetRowBarCount(int32_t Row) const override;
    const TcbBar* GetRowBar(int32_t Row, int32_t Index) const override;
    TcbDockCol* FindCol(const TcbBarControl* Window) const;
    // Inserts Window at a screen point; with Apply it is moved there and the site updated.
    void InsertBar(TcbBarControl* Window, TPoint ScreenPoint, bool Apply);
    void RemoveBar(TcbDockCol* Col, bool Update = true);
    void RemoveBar(TcbBarControl* Window, bool Update = true);
    void MoveBar(TcbBarControl* Window, TPoint ScreenPoint);
    void EndMove();
    // The screen rect within which a dragged bar docks here.
    TRect GetDockZone();
    // The row at a screen point, and whether it is a new row to be inserted there.
    int32_t RowAtPoint(TPoint ScreenPoint, bool& NewRow);
    // The rows laid out, then the site's size across made to fit them.
    void UpdateDock();
    void LayoutDockRows();

    // The view.
    TRect GetClientRect() const override;
    TBitmap* GetBackgroundCache() const override { return FBackgroundCache.get(); }
    HWND GetSiteHandle() override { return GetHandle(); }

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void PaintWindow(HDC DC) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The size across while the site holds no rows.
    virtual int32_t GetZeroSize() const { return 0; }
    bool IsLoadingBars() const;
    void SetEdgeStyle(TcbBarDockingStyle Value) { FEdgeStyle = Value; }
    // The frames of the site and its bars again.
    void RefreshFrames();
    // While the site lays its rows out or sizes itself.
    bool FUpdating = false;

private:
    void LayoutRow(TcbDockRow* Row, int32_t RowLength);
    int32_t BarLength(TcbBarControl* Window, int32_t Length, int32_t& Thickness);

    bool FAllowDocking = true;
    std::unique_ptr<TBitmap> FBackgroundBitmap;
    std::unique_ptr<TBitmap> FBackgroundCache;
    TcbBarManager* FBarManager = nullptr;
    TcbBarDockingStyle FEdgeStyle = dsNone;
    std::vector<std::unique_ptr<TcbDockRow>> FRows;
    int32_t FReservedSize = 10;
    bool FCustomBackground = false;
    int32_t FLastLength = -1;
};

enum TcbBarDockAlign { dalNone, dalTop, dalBottom, dalLeft, dalRight };

class TcbBarDockControl : public TcbDockControl {
public:
    explicit TcbBarDockControl(TComponent* AOwner);
    ~TcbBarDockControl() override;
    std::string ClassName() const override { return "TcbBarDockControl"; }

    TcbBarDockAlign GetDockAlign() const { return FDockAlign; }
    void SetDockAlign(TcbBarDockAlign Value);
    bool GetAllowZeroSizeInDesignTime() const { return FAllowZeroSizeInDesignTime; }
    void SetAllowZeroSizeInDesignTime(bool Value);
    // Color and ParentColor switch UseOwnColor on (not while loading).
    void SetColor(TColor Value) override;
    void SetDockParentColor(bool Value);
    bool GetSunkenBorder() const { return IsSunkenBorder(); }
    void SetSunkenBorder(bool Value);
    bool GetUseOwnColor() const { return FUseOwnColor; }
    void SetUseOwnColor(bool Value);
    bool GetUseOwnSunkenBorder() const { return FUseOwnSunkenBorder; }
    void SetUseOwnSunkenBorder(bool Value);

    bool CanDock(TcbBar* Bar) const override;
    void UpdateColor() override;
    int32_t GetRowsSize() const override;
    bool IsSunkenBorder() const override;
    void SetBarManager(TcbBarManager* Value) override;

    void WndProc(TMessage& Message) override;

protected:
    int32_t GetZeroSize() const override;
    void PaintWindow(HDC DC) override;

private:
    TcbBarDockAlign FDockAlign = dalTop;
    bool FAllowZeroSizeInDesignTime = false;
    bool FUseOwnColor = false;
    bool FUseOwnSunkenBorder = false;
    bool FSunkenBorder = false;
    bool FSettingColor = false;
};
