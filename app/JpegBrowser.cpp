#include "app/JpegBrowser.h"

#include <algorithm>

#include "imagelib/ImgDib.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphic.h"

TRect ThumbRect(const TRect& Inner, int32_t Width, int32_t Height)
{
    const int64_t IW = std::max<int64_t>(Inner.right - Inner.left, 1), IH = std::max<int64_t>(Inner.bottom - Inner.top, 1);
    const int64_t W = std::max(Width, 1), H = std::max(Height, 1);
    int64_t DW, DH;
    if (W <= H) {
        DH = IH;
        DW = std::max<int64_t>(IH * W / H, 1);
    } else {
        DW = IW;
        DH = std::max<int64_t>(IW * H / W, 1);
    }
    const int32_t Left = Inner.left + static_cast<int32_t>((IW - DW) / 2);
    const int32_t Top = Inner.top + static_cast<int32_t>((IH - DH) / 2);
    return Bounds(Left, Top, static_cast<int32_t>(DW), static_cast<int32_t>(DH));
}

// =============================================================================================
// TJpegPanel

TJpegPanel::TJpegPanel(TComponent* AOwner, TJpegBrowser* ABrowser) : TGraphicControl(AOwner), FBrowser(ABrowser)
{
    SetBounds(0, 0, 200, 200);
}

void TJpegPanel::SetPicBorderWidth(int32_t Value)
{
    if (Value == FPicBorderWidth)
        return;
    FPicBorderWidth = Value;
    Invalidate();
}

void TJpegPanel::SetFilename(const std::string& Value)
{
    if (Value == FFilename)
        return;
    // The thumbnail is asked for when the panel is first painted.
    FFilename = Value;
    Invalidate();
}

void TJpegPanel::SetSelected(bool Value)
{
    if (Value == FSelected)
        return;
    FSelected = Value;
    Invalidate();
}

bool TJpegPanel::GetLoaded() const
{
    return FBrowser && FBrowser->HasThumbnail(FFilename);
}

TRect TJpegPanel::InnerRect() const
{
    return Rect(FPicBorderWidth, FPicBorderWidth, GetWidth() - FPicBorderWidth, GetHeight() - FPicBorderWidth);
}

void TJpegPanel::Invalidate()
{
    if (FBrowser && FBrowser->GetBuilding())
        return;
    TGraphicControl::Invalidate();
}

void TJpegPanel::Paint()
{
    TCanvas* C = GetCanvas();
    TRect R = Rect(0, 0, GetWidth(), GetHeight());
    C->GetBrush()->SetColor(FSelected ? clActiveCaption : clBtnFace);
    C->FillRect(R);
    HDC DC = C->GetHandle();
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
    TRect Frame = R;
    InflateRect(&Frame, -(FPicBorderWidth - 1), -(FPicBorderWidth - 1));
    DrawEdge(DC, &Frame, BDR_SUNKENOUTER, BF_RECT);
    if (!FBrowser || FFilename.empty())
        return;
    if (TBitmap* Thumb = FBrowser->ThumbnailFor(this))
        C->StretchDraw(ThumbRect(InnerRect(), Thumb->GetWidth(), Thumb->GetHeight()), Thumb);
}

void TJpegPanel::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && !FSelected && !Shift.Contains(ssDouble) && FBrowser)
        FBrowser->PanelPressed(this);
}

void TJpegPanel::DblClick()
{
    TGraphicControl::DblClick();
    if (FBrowser)
        FBrowser->PanelDoubleClicked(this);
}

// =============================================================================================
// TThumbnailLoader

TThumbnailLoader::TThumbnailLoader(TDeliver Deliver)
    : FDeliver(std::move(Deliver)), FWake(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
    SetPriority(tpLowest);
}

TThumbnailLoader::~TThumbnailLoader()
{
    TerminateAndWait();
    if (FWake)
        CloseHandle(FWake);
}

void TThumbnailLoader::Request(const std::string& FileName, int32_t Width, int32_t Height)
{
    {
        std::lock_guard<std::mutex> Lock(FLock);
        auto Same = [&FileName](const TRequest& R) { return SameText(R.FileName, FileName); };
        FQueue.erase(std::remove_if(FQueue.begin(), FQueue.end(), Same), FQueue.end());
        FQueue.push_front(TRequest{FileName, Width, Height});
    }
    SetEvent(FWake);
}

void TThumbnailLoader::Drop(const std::string& FileName)
{
    std::lock_guard<std::mutex> Lock(FLock);
    auto Same = [&FileName](const TRequest& R) { return SameText(R.FileName, FileName); };
    FQueue.erase(std::remove_if(FQueue.begin(), FQueue.end(), Same), FQueue.end());
}

void TThumbnailLoader::DropAll()
{
    std::lock_guard<std::mutex> Lock(FLock);
    FQueue.clear();
}

void TThumbnailLoader::StopRequested()
{
    SetEvent(FWake);
}

HBITMAP TThumbnailLoader::MakeThumbnail(const std::string& FileName, int32_t Width, int32_t Height)
{
    try {
        TPicture Picture;
        Picture.LoadFromFile(FileName);
        TGraphic* G = Picture.GetGraphic();
        if (!G || G->GetEmpty() || G->GetWidth() < 1 || G->GetHeight() < 1)
            return nullptr;
        const TRect To = ThumbRect(Rect(0, 0, Width, Height), G->GetWidth(), G->GetHeight());
        // The source as a DC holding its pixels: the picture's own where it has one.
        HDC Source = nullptr;
        std::unique_ptr<TBitmap> Drawn;
        if (auto* Dib = dynamic_cast<TDibGraphic*>(G))
            Source = Dib->GetCanvas() ? Dib->GetCanvas()->GetHandle() : nullptr;
        else if (auto* Bmp = dynamic_cast<TBitmap*>(G))
            Source = Bmp->GetCanvas()->GetHandle();
        if (!Source) {
            Drawn = std::make_unique<TBitmap>();
            Drawn->SetSize(G->GetWidth(), G->GetHeight());
            Drawn->GetCanvas()->Draw(0, 0, G);
            Source = Drawn->GetCanvas()->GetHandle();
        }
        TBitmap Thumb;
        Thumb.SetPixelFormat(pf24bit);
        Thumb.SetSize(To.right - To.left, To.bottom - To.top);
        HDC Dest = Thumb.GetCanvas()->GetHandle();
        SetStretchBltMode(Dest, HALFTONE);
        SetBrushOrgEx(Dest, 0, 0, nullptr);
        if (!StretchBlt(Dest, 0, 0, Thumb.GetWidth(), Thumb.GetHeight(), Source, 0, 0, G->GetWidth(), G->GetHeight(),
                        SRCCOPY))
            return nullptr;
        GdiFlush();
        return Thumb.ReleaseHandle();
    } catch (...) {
        // Whatever a reader throws for this file, the file simply has no thumbnail.
        return nullptr;
    }
}

void TThumbnailLoader::Execute()
{
    while (!Terminated()) {
        TRequest Next;
        {
            std::lock_guard<std::mutex> Lock(FLock);
            if (!FQueue.empty()) {
                Next = std::move(FQueue.front());
                FQueue.pop_front();
            }
        }
        if (Next.FileName.empty()) {
            WaitForSingleObject(FWake, INFINITE);
            continue;
        }
        HBITMAP Thumb = MakeThumbnail(Next.FileName, Next.Width, Next.Height);
        bool Taken = false;
        try {
            Synchronize([&] {
                Taken = true;
                FDeliver(Next.FileName, Thumb);
            });
        } catch (...) {
            // A delivery that failed loses this thumbnail only; the next request is served.
        }
        if (!Taken && Thumb)
            DeleteObject(Thumb);
    }
}

// =============================================================================================
// TJpegBrowser

TJpegBrowser::TJpegBrowser(TComponent* AOwner) : TScrollingWinControl(AOwner), FFiles(std::make_unique<TStringList>())
{
    SetBounds(0, 0, 200, 200);
    SetAutoScroll(true);
}

TJpegBrowser::~TJpegBrowser()
{
    // The loader's last delivery must not find a browser half gone.
    FLoader.reset();
    TFlagScope Building(FBuilding);
    ClearPanels();
}

void TJpegBrowser::AddFile(const std::string& Name)
{
    if (FFileKeys.insert(KeyOf(Name)).second)
        FFiles->Add(Name);
}

void TJpegBrowser::ClearFiles()
{
    FFiles->Clear();
    FFileKeys.clear();
    FFailed.clear();
}

void TJpegBrowser::ForgetPanel(TJpegPanel* Panel)
{
    const std::string Key = KeyOf(Panel->GetFilename());
    auto It = FPanelOf.find(Key);
    if (It != FPanelOf.end() && It->second == Panel)
        FPanelOf.erase(It);
    if (FPending.erase(Key) && FLoader)
        FLoader->Drop(Panel->GetFilename());
    if (FSelected == Panel)
        FSelected = nullptr;
}

void TJpegBrowser::ClearPanels()
{
    FSelected = nullptr;
    if (FLoader)
        FLoader->DropAll();
    FPending.clear();
    FPanelOf.clear();
    std::vector<TJpegPanel*> Gone;
    Gone.swap(FPanels);
    // Last first: each leaves the end of its parent's list. The scroll position stays for the
    // next Rebuild, which settles the bars.
    {
        TFlagScope Building(FBuilding);
        for (auto It = Gone.rbegin(); It != Gone.rend(); ++It)
            delete *It;
    }
    if (!Gone.empty())
        Invalidate();
}

void TJpegBrowser::UnselectAll()
{
    for (TJpegPanel* P : FPanels)
        P->SetSelected(false);
}

void TJpegBrowser::DeletePanel(TJpegPanel* Panel)
{
    auto It = std::find(FPanels.begin(), FPanels.end(), Panel);
    if (It == FPanels.end())
        return;
    // A panel's place in the list is its index, and its file's place in Files.
    const size_t At = static_cast<size_t>(It - FPanels.begin());
    ForgetPanel(Panel);
    FPanels.erase(It);
    const int32_t File = static_cast<int32_t>(At);
    const std::string Key = KeyOf(Panel->GetFilename());
    if (File < FFiles->GetCount() && KeyOf(FFiles->GetStrings(File)) == Key) {
        FFiles->Delete(File);
        FFileKeys.erase(Key);
    }
    {
        TFlagScope Building(FBuilding);
        delete Panel;
        for (size_t I = At; I < FPanels.size(); ++I)
            FPanels[I]->SetIndex(static_cast<int32_t>(I));
        Place(At, FColumns);
    }
    UpdateScrollBars();
    Invalidate();
}

int32_t TJpegBrowser::ColumnsFor(int32_t Width) const
{
    const int32_t Cell = FPictureWidth + FSplitterWidth;
    return Cell > 0 ? std::max(Width, 0) / Cell : 0;
}

void TJpegBrowser::Place(size_t First, int32_t Columns)
{
    const int32_t Cell = FPictureWidth + FSplitterWidth;
    // Children sit at their place less the scroll position.
    const int32_t DX = GetHorzScrollBar()->GetPosition(), DY = GetVertScrollBar()->GetPosition();
    for (size_t I = First; I < FPanels.size(); ++I) {
        const int32_t N = static_cast<int32_t>(I);
        const int32_t Column = Columns > 0 ? N % Columns : N, Row = Columns > 0 ? N / Columns : 0;
        FPanels[I]->SetBounds(Column * Cell - DX, Row * Cell - DY, FPictureWidth, FPictureWidth);
    }
}

void TJpegBrowser::Rebuild()
{
    ClearPanels();
    FColumns = ColumnsFor(GetWidth());
    {
        TFlagScope Building(FBuilding);
        const int32_t Count = FFiles->GetCount();
        FPanels.reserve(static_cast<size_t>(Count));
        FPanelOf.reserve(static_cast<size_t>(Count));
        for (int32_t I = 0; I < Count; ++I) {
            // Freed by the browser itself (ClearPanels): an owner would tell every panel it
            // holds of each one that comes or goes.
            auto* P = new TJpegPanel(nullptr, this);
            P->SetIndex(I);
            P->SetFilename(FFiles->GetStrings(I));
            FPanels.push_back(P);
            FPanelOf[KeyOf(P->GetFilename())] = P;
        }
        Place(0, FColumns);
        for (TJpegPanel* P : FPanels)
            P->SetParent(this);
    }
    UpdateScrollBars();
    Invalidate();
}

void TJpegBrowser::Arrange()
{
    const int32_t Columns = ColumnsFor(GetWidth());
    if (Columns == FColumns || FPanels.empty()) {
        FColumns = Columns;
        return;
    }
    FColumns = Columns;
    {
        TFlagScope Building(FBuilding);
        Place(0, Columns);
    }
    UpdateScrollBars();
    Invalidate();
}

void TJpegBrowser::Resize()
{
    TScrollingWinControl::Resize();
    Arrange();
}

void TJpegBrowser::ScrollBy(int32_t DeltaX, int32_t DeltaY)
{
    // The system moves the picture and invalidates what it uncovers; the panels only follow.
    TFlagScope Building(FBuilding);
    TScrollingWinControl::ScrollBy(DeltaX, DeltaY);
}

void TJpegBrowser::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (GetFocus() != GetHandle() && CanFocus())
            SetFocus();
        break;
    case WM_MOUSEWHEEL:
        if (WheelScroll(GET_WHEEL_DELTA_WPARAM(M.WParam))) {
            M.Result = 0;
            return;
        }
        break;
    default:
        break;
    }
    TScrollingWinControl::WndProc(M);
}

bool TJpegBrowser::WheelScroll(int32_t Delta)
{
    TControlScrollBar* Bar = GetVertScrollBar();
    if (!Bar->IsScrollBarVisible()) {
        FWheelRest = 0;
        return false;
    }
    // A turn back the other way drops what was left of the last one.
    if ((FWheelRest > 0 && Delta < 0) || (FWheelRest < 0 && Delta > 0))
        FWheelRest = 0;
    FWheelRest += Delta;
    const int32_t Notches = FWheelRest / WHEEL_DELTA;
    FWheelRest -= Notches * WHEEL_DELTA;
    if (Notches == 0)
        return true;
    UINT Lines = 3;
    if (!SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0))
        Lines = 3;
    const int64_t Line = std::max<int64_t>((FPictureWidth + FSplitterWidth) / 3, Bar->GetIncrement());
    const int64_t Step = Lines == WHEEL_PAGESCROLL ? std::max(Bar->GetPageSize(), 1)
                                                   : static_cast<int64_t>(std::max<UINT>(Lines, 1)) * Line;
    const int64_t Range = std::max(Bar->GetRange(), 1);
    const int64_t Target = std::clamp<int64_t>(Bar->GetPosition() - Notches * std::min(Step, Range), 0, Range);
    Bar->SetPosition(static_cast<int32_t>(Target));
    return true;
}

void TJpegBrowser::ChildLayoutChanged(TControl* Child)
{
    if (!FBuilding)
        TScrollingWinControl::ChildLayoutChanged(Child);
}

void TJpegBrowser::PanelPressed(TJpegPanel* Panel)
{
    UnselectAll();
    FSelected = Panel;
    Panel->SetSelected(true);
    if (OnPanelClick)
        OnPanelClick(this, Panel);
}

void TJpegBrowser::PanelDoubleClicked(TJpegPanel* Panel)
{
    if (OnPanelDoubleClick)
        OnPanelDoubleClick(this, Panel);
}

// ---- the thumbnail cache

std::string TJpegBrowser::KeyOf(const std::string& FileName) { return UpperCase(FileName); }

bool TJpegBrowser::HasThumbnail(const std::string& FileName) const
{
    return FThumbs.count(KeyOf(FileName)) > 0;
}

bool TJpegBrowser::HasFailed(const std::string& FileName) const
{
    return FFailed.count(KeyOf(FileName)) > 0;
}

void TJpegBrowser::SetThumbnailCacheSize(int32_t Value)
{
    FThumbnailCacheSize = std::max(Value, 1);
    Trim();
}

void TJpegBrowser::Trim()
{
    while (static_cast<int32_t>(FThumbs.size()) > FThumbnailCacheSize && !FUse.empty()) {
        FThumbs.erase(FUse.back());
        FUse.pop_back();
    }
}

TBitmap* TJpegBrowser::ThumbnailFor(TJpegPanel* Panel)
{
    const std::string Key = KeyOf(Panel->GetFilename());
    auto It = FThumbs.find(Key);
    if (It != FThumbs.end()) {
        FUse.splice(FUse.begin(), FUse, It->second.Use);
        return It->second.Bitmap.get();
    }
    if (FFailed.count(Key) || FPending.count(Key))
        return nullptr;
    if (!FLoader) {
        FLoader.reset(TThread::New<TThumbnailLoader>(
            false, [this](const std::string& FileName, HBITMAP Thumbnail) { Deliver(FileName, Thumbnail); }));
    }
    FPending.insert(Key);
    const TRect Inner = Panel->InnerRect();
    FLoader->Request(Panel->GetFilename(), Inner.right - Inner.left, Inner.bottom - Inner.top);
    return nullptr;
}

void TJpegBrowser::Deliver(const std::string& FileName, HBITMAP Thumbnail)
{
    const std::string Key = KeyOf(FileName);
    FPending.erase(Key);
    if (!Thumbnail) {
        FFailed.insert(Key);
        return;
    }
    // The handle is this browser's from here: it is freed if it cannot be kept.
    TScopeExit Free([&Thumbnail] {
        if (Thumbnail)
            DeleteObject(Thumbnail);
    });
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetHandle(Thumbnail);
    Thumbnail = nullptr;
    ++FThumbnailsMade;
    auto It = FThumbs.find(Key);
    if (It != FThumbs.end()) {
        It->second.Bitmap = std::move(Bitmap);
        FUse.splice(FUse.begin(), FUse, It->second.Use);
    } else {
        FUse.push_front(Key);
        FThumbs.emplace(Key, TThumb{std::move(Bitmap), FUse.begin()});
        Trim();
    }
    auto P = FPanelOf.find(Key);
    if (P != FPanelOf.end())
        P->second->Invalidate();
}
