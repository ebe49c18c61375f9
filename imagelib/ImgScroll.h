#pragma once
// The picture viewer control: TImageScrollBox shows one TDibGraphic at a zoom chosen by a mode or
// a percentage, with scroll bars when the shown picture exceeds the window, and hands the mouse
// to an exchangeable handler (drag to scroll, quick select, rubber band, annotation).
//
// The control also serves unshown: made with no owner and no parent, on any thread, it loads
// files and exposes Graphic without ever making a window or a timer window (Redraw does nothing
// without a parent). The images library measures pictures that way.
//
// Read-ahead: setting ReadAheadFileName starts a TReadGraphicThread that loads the file into a
// hand-over object shared with the control. The control takes the picture only when that load
// has finished and belongs to the current name; a superseded or orphaned load frees its own
// picture, so destroying the control never waits for the thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"
#include "imagelib/ImgTransf.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Scrolling.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"

class TImageScrollBox;

enum TZoomMode { zmOriginalSize, zmFullPage, zmFitWidth, zmFitHeight, zmPercent, zmFitToPage };

// The mouse modes of the control.
constexpr int32_t mmDrag = 0;
constexpr int32_t mmQuickSelect = 1;
constexpr int32_t mmRubberband = 2;
constexpr int32_t mmAnnotation = 3;
constexpr int32_t mmNone = 4;

// The screen cursors of the drag handler (registered by ImageLibInit).
constexpr TCursor crHandOpened = 100;
constexpr TCursor crHandClosed = 101;

using TZoomChangeEvent = std::function<void(TImageScrollBox* Sender, float Zoom)>;
using TBeforeSaveEvent = std::function<void(TObject* Sender, TDibGraphic* Graphic)>;
using TNewGraphicEvent = std::function<void(TDibGraphic* Graphic)>;
using TQuickSelectEvent = std::function<void(TObject* Sender, TDibGraphic* Graphic, const TRect& Rect)>;
using TRubberbandChangeEvent = std::function<void(const TRect& Rect)>;

// ---------------------------------------------------------------------------------------------
// Mouse handlers. X and Y are those of the control the event arrived at (the picture control's
// coordinates are picture coordinates).

class TMouseHandler : public TObject {
public:
    explicit TMouseHandler(TImageScrollBox* AOwner) : FOwner(AOwner) {}
    TMouseHandler(const TMouseHandler&) = delete;
    TMouseHandler& operator=(const TMouseHandler&) = delete;
    std::string ClassName() const override { return "TMouseHandler"; }

    // Around a redraw that resets or changes the zoom.
    virtual void BeforeRedraw() {}
    virtual void AfterRedraw() {}
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);

    TImageScrollBox* GetOwner() const { return FOwner; }
    bool GetPressed() const { return FPressed; }

protected:
    TImageScrollBox* FOwner = nullptr;
    bool FPressed = false;
};

// Drag to scroll: the picture point under the cursor stays under it.
class TDragMouseHandler : public TMouseHandler {
public:
    explicit TDragMouseHandler(TImageScrollBox* AOwner);
    std::string ClassName() const override { return "TDragMouseHandler"; }
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

private:
    TPoint FPressPoint{};
    TCursor FSavedCursor = crDefault;
};

// A dotted XOR rectangle on the control; the selected part of the display picture goes to
// OnQuickSelect as a new picture.
class TQuickSelectMouseHandler : public TMouseHandler {
public:
    explicit TQuickSelectMouseHandler(TImageScrollBox* AOwner);
    ~TQuickSelectMouseHandler() override;
    std::string ClassName() const override { return "TQuickSelectMouseHandler"; }
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

private:
    void DrawFrame();
    void ReleaseDeviceContext();
    TCanvas FCanvas;
    HDC FDC = nullptr;
    HWND FWindow = nullptr;
    TPoint FStart{};
    TPoint FEnd{};
};

// One selection rectangle in display-picture pixels with nine grab handles.
class TRubberbandMouseHandler : public TMouseHandler {
public:
    explicit TRubberbandMouseHandler(TImageScrollBox* AOwner);
    ~TRubberbandMouseHandler() override;
    std::string ClassName() const override { return "TRubberbandMouseHandler"; }
    void BeforeRedraw() override;
    void AfterRedraw() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

    // The handle at a window point (scroll positions H and V), -1 when none.
    int32_t HitTest(int32_t X, int32_t Y, int32_t H, int32_t V) const;
    // 0 corner, 1 vertical only, 2 horizontal only, 3 move; else raises.
    static int32_t GrabHandleToBandMovement(int32_t Handle);
    static TCursor GrabHandleToCursor(int32_t Handle);

    // Erases a shown band and reports (0, 0, 0, 0).
    void ClearBand();
    // The corners as they stand (not ordered).
    TRect GetBand() const { return Rect(FX1, FY1, FX2, FY2); }
    bool GetShown() const { return FShown; }

private:
    void DrawBand();
    void EraseBand();
    void FireChange();
    void FireEmpty();
    HWND Window() const;
    int32_t FX1 = 0, FY1 = 0, FX2 = 0, FY2 = 0;
    TCanvas FCanvas;
    bool FShown = false;
    int32_t FMovement = 0;
    int32_t FGrabHandle = 4;
    int32_t FRememberedWidth = 0;
    int32_t FRememberedHeight = 0;
    TPoint FLast{};
};

// What the control needs of the annotation mode's handler: it takes the control's annotation
// text on entry and gives it back when the mode is left. The annotations unit (ImgAnnot.h)
// provides the handler through the factory below, which the library's start registers.
class TAnnotationHandlerBase : public TMouseHandler {
public:
    using TMouseHandler::TMouseHandler;
    std::string ClassName() const override { return "TAnnotationHandlerBase"; }
    virtual void SetAnnotationText(const std::string& Text) = 0;
    virtual std::string GetAnnotationText() const = 0;
};

using TAnnotationHandlerFactory = std::function<std::unique_ptr<TAnnotationHandlerBase>(TImageScrollBox* Owner)>;
// Unset, mode 3 leaves no handler.
void SetAnnotationHandlerFactory(TAnnotationHandlerFactory Factory);
TAnnotationHandlerFactory GetAnnotationHandlerFactory();

// ---------------------------------------------------------------------------------------------

// What the control and its read-ahead thread share; every field under Lock.
struct TReadAheadHandOver {
    TCriticalSection Lock;
    std::string FileName;   // the name the current load reads
    uint32_t Generation = 0; // raised by every new read-ahead name
    std::unique_ptr<TDibGraphic> Picture; // the finished load of the current generation
    bool Finished = false;  // the current generation's load has ended (Picture may be empty)
    bool Orphaned = false;  // the control is gone
};

// Loads one file at the lowest priority and frees itself at the end. Starting one registers it
// so that WaitForReadAheadThreads can wait for its end.
class TReadGraphicThread final : public TThread {
public:
    // Made suspended; Start resumes it.
    TReadGraphicThread(std::shared_ptr<TReadAheadHandOver> HandOver, std::string FileName, uint32_t Generation);
    ~TReadGraphicThread() override;
    std::string ClassName() const override { return "TReadGraphicThread"; }
    // Makes, registers and starts one; the object frees itself.
    static void Start(std::shared_ptr<TReadAheadHandOver> HandOver, const std::string& FileName, uint32_t Generation);

protected:
    void Execute() override;

private:
    std::shared_ptr<TReadAheadHandOver> FHandOver;
    std::string FFileName;
    uint32_t FGeneration;
};

// Waits until every read-ahead thread started so far has ended (ImageLibDone, tests).
void WaitForReadAheadThreads();

// The library's start and end steps of this unit: the hand cursors as screen cursors 100 and
// 101 (from the module's "HANDOPENEDCURSOR" and "HANDCLOSEDCURSOR"), and their removal.
void RegisterScrollBoxCursors();
void UnregisterScrollBoxCursors();

// ---------------------------------------------------------------------------------------------

class TImageScrollBox : public TScrollingWinControl {
public:
    explicit TImageScrollBox(TComponent* AOwner);
    ~TImageScrollBox() override;
    std::string ClassName() const override { return "TImageScrollBox"; }

    // ImageIndex is 1-based; 0 loads every image of a multi-image file. On a failure Graphic is
    // empty, the control shows nothing, FileName stays and the exception reaches the caller.
    void LoadFromFile(const std::string& FileName, int32_t ImageIndex);
    // A new picture read from Stream. Name chooses the class by its extension; names the
    // registry does not know go through the platform's TPicture (through a temporary copy when
    // Name is not an existing file). Progress goes to OnReadWriteProgress when asked for.
    std::unique_ptr<TDibGraphic> ReadGraphicFromStream(TStream* Stream, const std::string& Name, bool WithProgress,
                                                       int32_t ImageIndex);
    void Clear();
    // The loaded picture; never null.
    TDibGraphic* GetGraphic() const { return FGraphic.get(); }
    int32_t GetFileImageCount(const std::string& FileName);
    // Fires OnNewGraphic and takes the picture's annotation text.
    virtual void DoNewGraphic(TDibGraphic* Graphic);
    // Builds the display picture and lays it out. Does nothing without a parent, when hidden or
    // while a redraw runs. A failure leaves the empty state and reaches the caller.
    virtual void Redraw(bool Reset);

    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& Value);
    const std::string& GetReadAheadFileName() const { return FReadAheadFileName; }
    void SetReadAheadFileName(const std::string& Value);
    bool GetAntiAliased() const { return FAntiAliased; }
    void SetAntiAliased(bool Value);
    TZoomMode GetZoomMode() const { return FZoomMode; }
    void SetZoomMode(TZoomMode Value);
    float GetZoomPercent() const { return FZoomPercent; }
    void SetZoomPercent(float Value);
    bool GetCentered() const { return FCentered; }
    void SetCentered(bool Value);
    bool GetMouseHandlerOwnership() const { return FMouseHandlerOwnership; }
    void SetMouseHandlerOwnership(bool Value) { FMouseHandlerOwnership = Value; }
    int32_t GetMouseMode() const { return FMouseMode; }
    void SetMouseMode(int32_t Value);
    const std::string& GetAnnotations() const { return FAnnotations; }
    void SetAnnotations(const std::string& Value);

    TMouseHandler* GetMouseHandler() const { return FMouseHandler; }
    // Installs a handler of the caller's; the control frees it (when replaced, on the window's
    // destruction and its own) only while MouseHandlerOwnership is on. Handlers the mouse modes
    // make are always the control's.
    void SetMouseHandler(TMouseHandler* Handler);

    // The child showing the display picture, and that picture.
    TImage* GetImage() const { return FImage; }
    TDibGraphic* GetDisplayGraphic() const { return FDisplay; }
    float GetPreviousPercent() const { return FPreviousPercent; }
    bool GetScrolling() const { return FScrolling; }
    bool GetRedrawing() const { return FRedrawing; }
    TRect GetVisibleRect() const { return FVisibleRect; }
    TTimer* GetFrameTimer() const { return FFrameTimer.get(); }

    // Frames of Graphic (1-based).
    void SetFrame(int32_t Index);
    bool GetAnimate() const { return FAnimate; }
    void SetAnimate(bool Value);
    // One tick of the frame timer: the next frame (after the last comes 1).
    void FrameTimerTick();

    void WndProc(TMessage& Message) override;

    TZoomChangeEvent OnZoomChange;
    TBeforeSaveEvent OnBeforeSave; // declared for callers; this control never fires it
    TRedrawEvent OnRedraw;
    TNewGraphicEvent OnNewGraphic;
    TQuickSelectEvent OnQuickSelect;
    TMouseEvent OnImageMouseDown;
    TMouseMoveEvent OnImageMouseMove;
    TMouseEvent OnImageMouseUp;
    TNotifyEvent OnImageDblClick;
    TRubberbandChangeEvent OnRubberbandChange;
    TDidodazaProgressEvent OnReadWriteProgress;
    TNotifyEvent OnBeginScroll;
    TNotifyEvent OnEndScroll;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void DblClick() override;

private:
    friend class TRubberbandMouseHandler;
    void ComputeZoom();
    void ShowEmpty();
    void BuildDisplay(int32_t W, int32_t H);
    void RouteMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void RouteMouseMove(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
    void RouteMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void FreeMouseHandler();
    std::unique_ptr<TDibGraphic> TakeReadAhead(const std::string& FileName);
    std::unique_ptr<TDibGraphic> ReadThroughPicture(TStream* Stream, const std::string& Name, bool WithProgress);
    void Progress(bool WithProgress, uint8_t& Last, int32_t Percent);
    void ClearRubberband();

    TImage* FImage = nullptr;           // owned as a component
    std::unique_ptr<TDibGraphic> FGraphic;
    TDibGraphic* FDisplay = nullptr;    // owned by FImage's picture
    std::unique_ptr<TResizeTransform> FResize;
    std::unique_ptr<TAntiAliasTransform> FAntiAlias;
    TMouseHandler* FMouseHandler = nullptr;
    bool FHandlerMadeHere = false;      // made by MouseMode: always the control's
    int32_t FMouseMode = mmDrag;
    float FPreviousPercent = 100.0f;
    bool FAnimate = false;
    std::unique_ptr<TTimer> FFrameTimer;
    bool FScrolling = false;
    bool FRedrawing = false;
    TRect FVisibleRect{};
    std::shared_ptr<TReadAheadHandOver> FReadAhead;
    std::string FAnnotations;

    std::string FFileName;
    std::string FReadAheadFileName;
    bool FAntiAliased = false;
    TZoomMode FZoomMode = zmOriginalSize;
    float FZoomPercent = 100.0f;
    bool FCentered = false;
    bool FMouseHandlerOwnership = true;
};
