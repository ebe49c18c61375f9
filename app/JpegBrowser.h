#pragma once
// The thumbnail grid of the images library window. TJpegBrowser lays out one TJpegPanel per file
// in square cells of PictureWidth + SplitterWidth; a panel shows a copy of its picture scaled to
// the size it is drawn at.
//
// Thumbnails are made on one worker thread (TThumbnailLoader) when a panel that has none is
// painted, most recent request first, and kept by the browser in a cache of ThumbnailCacheSize
// entries keyed by file name (the least recently painted dropped first). The cache outlives
// Rebuild and ClearPanels, so a resize decodes nothing it still holds; the full pictures are
// never kept. A file that cannot be read leaves its panel empty, without a message, until the
// files are given again (ClearFiles); any failure of one file (whatever it throws) leaves the
// loader going on with the next.
//
// The panels are windowless children. While the browser makes, moves or frees them in bulk
// (Rebuild, Arrange, ClearPanels, scrolling) they do not invalidate themselves one by one: the
// browser is invalidated once at the end, or the system invalidates what a scroll uncovers.

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <windows.h>

#include "platform/win/Controls.h"
#include "platform/win/Scrolling.h"
#include "platform/win/Thread.h"

class TBitmap;
class TJpegBrowser;
class TJpegPanel;
class TStringList;

using TJpegPanelEvent = std::function<void(TObject* Sender, TJpegPanel* Panel)>;

// Where a Width x Height picture is drawn inside Inner, keeping its proportions: a picture at
// most as wide as high fills the inner height and is centred across, a wider one fills the
// inner width and is centred down (offsets halved, toward zero). Never smaller than 1 x 1.
TRect ThumbRect(const TRect& Inner, int32_t Width, int32_t Height);

class TJpegPanel : public TGraphicControl {
public:
    TJpegPanel(TComponent* AOwner, TJpegBrowser* ABrowser);
    std::string ClassName() const override { return "TJpegPanel"; }

    int32_t GetPicBorderWidth() const { return FPicBorderWidth; }
    void SetPicBorderWidth(int32_t Value);
    const std::string& GetFilename() const { return FFilename; }
    void SetFilename(const std::string& Value);
    bool GetSelected() const { return FSelected; }
    void SetSelected(bool Value);
    int32_t GetIndex() const { return FIndex; }
    void SetIndex(int32_t Value) { FIndex = Value; }
    TJpegBrowser* GetBrowser() const { return FBrowser; }
    // Whether the browser holds this panel's thumbnail.
    bool GetLoaded() const;
    // The area inside the border, in the panel's coordinates.
    TRect InnerRect() const;
    // Nothing while the browser lays out its panels in bulk: it repaints as a whole afterwards.
    void Invalidate() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void DblClick() override;

private:
    TJpegBrowser* FBrowser = nullptr;
    int32_t FPicBorderWidth = 10;
    std::string FFilename;
    bool FSelected = false;
    int32_t FIndex = -1;
};

// Makes thumbnails on one worker thread at the lowest priority and hands each to the
// user-interface thread.
class TThumbnailLoader : public TThread {
public:
    // Runs on the user-interface thread with the new thumbnail (owned by the receiver from then
    // on), or nullptr when the file could not be read.
    using TDeliver = std::function<void(const std::string& FileName, HBITMAP Thumbnail)>;

    explicit TThumbnailLoader(TDeliver Deliver);
    ~TThumbnailLoader() override;
    std::string ClassName() const override { return "TThumbnailLoader"; }

    // Asks for FileName's thumbnail fitted into Width x Height; the latest request goes first.
    void Request(const std::string& FileName, int32_t Width, int32_t Height);
    // Forgets requests not yet started.
    void Drop(const std::string& FileName);
    void DropAll();

    // The file read through the picture registry and scaled (halftone) to ThumbRect of a
    // Width x Height area; nullptr when it cannot be read. Any thread.
    static HBITMAP MakeThumbnail(const std::string& FileName, int32_t Width, int32_t Height);

protected:
    void Execute() override;
    void StopRequested() override;

private:
    struct TRequest {
        std::string FileName;
        int32_t Width;
        int32_t Height;
    };
    TDeliver FDeliver;
    std::mutex FLock;
    std::deque<TRequest> FQueue; // front: the next to make
    HANDLE FWake = nullptr;
};

class TJpegBrowser : public TScrollingWinControl {
public:
    static constexpr int32_t DefaultThumbnailCacheSize = 1024;

    explicit TJpegBrowser(TComponent* AOwner);
    // Stops the loader and waits for it.
    ~TJpegBrowser() override;
    std::string ClassName() const override { return "TJpegBrowser"; }

    int32_t GetPictureWidth() const { return FPictureWidth; }
    void SetPictureWidth(int32_t Value) { FPictureWidth = Value; }
    int32_t GetSplitterWidth() const { return FSplitterWidth; }
    void SetSplitterWidth(int32_t Value) { FSplitterWidth = Value; }
    TJpegPanel* GetSelected() const { return FSelected; }
    const std::vector<TJpegPanel*>& GetPanels() const { return FPanels; }
    TStringList* GetFiles() const { return FFiles.get(); }

    // Appends Name unless it is there already (case ignored); a hashed look-up, so filling
    // with many files takes time in proportion to their number.
    void AddFile(const std::string& Name);
    // Empties Files; files that could not be read are tried again when next painted.
    void ClearFiles();
    // Frees every panel (and drops their thumbnail requests); the cache and the scroll position
    // stay.
    void ClearPanels();
    void UnselectAll();
    // Frees the panel and takes its file out of Files; the panels after it take the index and
    // the cell of the one before them. The other panels stay as they are.
    void DeletePanel(TJpegPanel* Panel);
    // A panel per file, row by row in cells of PictureWidth + SplitterWidth, as many across as
    // the control's width holds (with none, all in row 0). The scroll position is kept.
    void Rebuild();
    // The panels put in their cells for the control's width now, as Rebuild places them,
    // without making or freeing any; nothing moves while the number of columns stays. Runs on
    // every resize of the browser.
    void Arrange();
    // Whether panels are being made, moved or freed in bulk now.
    bool GetBuilding() const { return FBuilding; }

    TJpegPanelEvent OnPanelClick;
    TJpegPanelEvent OnPanelDoubleClick;

    // The cache.
    int32_t GetThumbnailCacheSize() const { return FThumbnailCacheSize; }
    // At least 1; a smaller cache drops its least recently painted thumbnails at once.
    void SetThumbnailCacheSize(int32_t Value);
    int32_t GetThumbnailCount() const { return static_cast<int32_t>(FThumbs.size()); }
    // Thumbnails made (decodes that succeeded) since the browser was made.
    int32_t GetThumbnailsMade() const { return FThumbnailsMade; }
    bool HasThumbnail(const std::string& FileName) const;
    // Whether the loader could not make FileName's thumbnail since the files were last given.
    bool HasFailed(const std::string& FileName) const;
    // The loader, once a panel has asked for a thumbnail (nullptr before).
    TThumbnailLoader* GetLoader() const { return FLoader.get(); }

    // For panels: the thumbnail to paint (marked as just painted), or nullptr after asking the
    // loader for it.
    TBitmap* ThumbnailFor(TJpegPanel* Panel);
    // For panels: a left press on an unselected panel, and a double click.
    void PanelPressed(TJpegPanel* Panel);
    void PanelDoubleClicked(TJpegPanel* Panel);

    // A press in the view takes the keyboard focus (the wheel goes to the focus); the wheel
    // scrolls the rows.
    void WndProc(TMessage& Message) override;
    // Delta in the wheel's units (WHEEL_DELTA a notch, up positive): the rows scroll by the
    // system's lines per notch, a line being a third of a cell (a page when the system says so).
    // False when there is nothing to scroll, so the wheel goes on to the parent.
    bool WheelScroll(int32_t Delta);

protected:
    void ChildLayoutChanged(TControl* Child) override;
    void Resize() override;
    void ScrollBy(int32_t DeltaX, int32_t DeltaY) override;

private:
    struct TThumb {
        std::unique_ptr<TBitmap> Bitmap;
        std::list<std::string>::iterator Use;
    };
    static std::string KeyOf(const std::string& FileName);
    void Deliver(const std::string& FileName, HBITMAP Thumbnail);
    void Trim();
    void ForgetPanel(TJpegPanel* Panel);
    int32_t ColumnsFor(int32_t Width) const;
    // Places the panels from index First on in their cells for Columns.
    void Place(size_t First, int32_t Columns);

    int32_t FPictureWidth = 100;
    int32_t FSplitterWidth = 10;
    TJpegPanel* FSelected = nullptr;
    std::vector<TJpegPanel*> FPanels;
    std::unique_ptr<TStringList> FFiles;
    std::unordered_set<std::string> FFileKeys; // KeyOf every name in FFiles
    int32_t FColumns = -1;                      // the columns the panels are placed for
    bool FBuilding = false; // panels come and go: the scroll range is settled once at the end
    int32_t FWheelRest = 0; // wheel turned short of a notch (fine-grained wheels)

    int32_t FThumbnailCacheSize = DefaultThumbnailCacheSize;
    int32_t FThumbnailsMade = 0;
    std::unordered_map<std::string, TThumb> FThumbs; // by KeyOf
    std::list<std::string> FUse;                      // keys, the most recently painted first
    std::set<std::string> FPending;                   // asked for and not yet delivered
    std::set<std::string> FFailed;                    // could not be read
    std::unordered_map<std::string, TJpegPanel*> FPanelOf;
    std::unique_ptr<TThumbnailLoader> FLoader;
};
