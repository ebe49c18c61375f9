#pragma once
// The full-window picture viewer: one file of a list at a time, stepped back and forth, zoomed,
// turned by quarter turns and run as a slide show. A GIF file shows a copy of its first frame in
// a plain picture control; every other file goes through the scroll box.
//
// The commands are actions with fixed command ids (TViewerActionId): WM_COMMAND with lParam 0
// and an id runs the enabled action, as on the main window. How the context menu is shown is the
// business of TViewerCommandBars alone.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/Forms.h"

class TAction;
class TActionList;
class TDibGraphic;
class TEdit;
class TImage;
class TImageScrollBox;
class TLabel;
class TPanel;
class TStrings;
class TTimer;
class TToolBar;
class TToolButton;
class TUpDown;
class TViewerCommandBars;

enum TViewerActionId : uint16_t {
    vaTurnLeft = 1101,
    vaTurnRight,
    vaOrgSize,
    vaZoomIn,
    vaZoomOut,
    vaPrev,
    vaNext,
    vaClose,
    vaSlideShow,
};

// Zoom In never goes past this step, nor past a display picture of kMaxZoomPixels pixels (about
// 100 MB at 24 bits): each step builds the whole display picture.
constexpr int32_t kMaxZoomStep = 1600;
constexpr int64_t kMaxZoomPixels = 33554432;

class TViewImageForm : public TForm {
public:
    explicit TViewImageForm(TComponent* AOwner);
    ~TViewImageForm() override;
    std::string ClassName() const override { return "TViewImageForm"; }

    std::string FileName;             // the file shown
    TStrings* FileList = nullptr;     // the files to step through; the opener's
    int32_t FileIndex = -1;           // FileName's place in FileList
    std::unique_ptr<TDibGraphic> RotateBuffer;
    int32_t ZoomStep = 100;           // percent

    TPanel* ToolPanel = nullptr;
    TToolBar* ToolBar = nullptr;
    TToolButton* SlideShowButton = nullptr;
    TPanel* DelayPanel = nullptr;
    TLabel* DelayLabel = nullptr;
    TEdit* SecEdit = nullptr;
    TUpDown* SecUpDown = nullptr;
    TLabel* SecLabel = nullptr;
    TImageScrollBox* ImageScrollBox = nullptr;
    TImage* GifImage = nullptr;
    TTimer* Timer = nullptr;

    TActionList* ActionList = nullptr;
    TAction* TurnLeftAction = nullptr;
    TAction* TurnRightAction = nullptr;
    TAction* OrgSizeAction = nullptr;
    TAction* ZoomInAction = nullptr;
    TAction* ZoomOutAction = nullptr;
    TAction* PrevAction = nullptr;
    TAction* NextAction = nullptr;
    TAction* CloseAction = nullptr;
    TAction* SlideShowAction = nullptr;

    // Shows FileName. A file that cannot be read goes to the application's error report and
    // leaves an empty picture; the window stays usable.
    void ShowCurrent();
    void Prev1Click(TObject* Sender);
    void Next1Click(TObject* Sender);
    void urnLeft1Click(TObject* Sender);
    void urnRight1Click(TObject* Sender);
    void OrgSizeActionExecute(TObject* Sender);
    void ZoomInActionExecute(TObject* Sender);
    void ZoomOutActionExecute(TObject* Sender);
    void SlideShowActionExecute(TObject* Sender);
    void SecEditChange(TObject* Sender);
    void TimerTimer(TObject* Sender);
    void CloseMenuItemClick(TObject* Sender);
    void FormKeyPress(TObject* Sender, char& Key);
    void FormDestroy(TObject* Sender);

    // Whether a Width x Height picture may be shown at Percent.
    static bool CanZoomTo(int32_t Width, int32_t Height, int32_t Percent);
    // The slide show's delay: the seconds typed or stepped, at least 1.
    int32_t DelaySeconds() const;
    TViewerCommandBars* GetCommandBars() const { return FCommandBars.get(); }

private:
    void BuildToolBar();
    void BuildActions();
    void Turn(double Angle);

    std::unique_ptr<TViewerCommandBars> FCommandBars;
    bool FTicking = false; // a slide-show step runs (its error box may be up)
};

// Opens the viewer modally on FileList's entry Index, with the list to step through, and frees
// it when it closes. Nothing for an index outside the list.
void ShowImageViewer(TStrings* FileList, int32_t Index);
