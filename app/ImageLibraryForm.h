#pragma once
// The images library window: every picture the library records, as a list with a preview of the
// selected row or as a grid of thumbnails (preview mode), with verification, deletion, clearing,
// viewing, quarter turns of the preview and the HTML gallery.
//
// The list is filled by a worker thread (TLoadImageThread) that copies a batch of records at a
// time under the library's lock and hands them over as rows in a synchronised step. Rows own their
// full paths; every command reads that value, never a caption read back from the control.
// While the window is open the application's hint goes to status panel 2.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/ListView.h" // TItemChange

class TAction;
class TActionList;
class TDibGraphic;
class TImage;
class TImageList;
class TImageScrollBox;
class TJpegBrowser;
class TJpegPanel;
class TLoadImageThread;
class TPanel;
class TSplitter;
class TStatusBar;
class TStringList;
class TToolBar;
class TToolButton;

enum TLibraryActionId : uint16_t {
    laDelete = 1201,
    laView,
    laTurnLeft,
    laTurnRight,
    laPreview,
    laGenHTML,
};

class TImageLibraryForm : public TForm {
public:
    explicit TImageLibraryForm(TComponent* AOwner);
    ~TImageLibraryForm() override;
    std::string ClassName() const override { return "TImageLibraryForm"; }

    std::unique_ptr<TLoadImageThread> LoadThread;
    bool Loading = false;
    std::unique_ptr<TDibGraphic> RotateBuffer;
    // "<extension>=<image index>": the icon each extension got in ImageList.
    std::unique_ptr<TStringList> IconCache;

    TToolBar* ToolBar = nullptr;
    TToolButton* VerifyButton = nullptr;
    TToolButton* ClearButton = nullptr;
    TToolButton* HelpButton = nullptr;
    TPanel* ClientPanel = nullptr;
    TListView* ImageLibListView = nullptr;
    TSplitter* Splitter = nullptr;
    TPanel* ViewPanel = nullptr;
    TImageScrollBox* ImageScrollBox = nullptr;
    TImage* GifImage = nullptr;
    TJpegBrowser* JpegBrowser = nullptr;
    TStatusBar* StatusBar = nullptr;
    TImageList* ImageList = nullptr;

    TActionList* ActionList = nullptr;
    TAction* DeleteAction = nullptr;
    TAction* ViewAction = nullptr;
    TAction* TurnLeftAction = nullptr;
    TAction* TurnRightAction = nullptr;
    TAction* PreviewAction = nullptr;
    TAction* GenHTMLAction = nullptr;

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormResize(TObject* Sender);
    void LoadImageThreadTerminate(TObject* Sender);
    void ImageLibListViewChange(TObject* Sender, TListItem* Item, TItemChange Change);
    void ImageLibListViewResize(TObject* Sender);
    void ViewButtonClick(TObject* Sender);
    void DeleteButtonClick(TObject* Sender);
    void VerifyButtonClick(TObject* Sender);
    void ClearButtonClick(TObject* Sender);
    void HelpButtonClick(TObject* Sender);
    void TurnLeftActionExecute(TObject* Sender);
    void TurnRightActionExecute(TObject* Sender);
    void PreviewActionExecute(TObject* Sender);
    void GenHTMLActionExecute(TObject* Sender);
    void JpegBrowserPanelClick(TObject* Sender, TJpegPanel* Panel);
    void JpegBrowserPanelDoubleClick(TObject* Sender, TJpegPanel* Panel);
    void ApplicationEventsHint(TObject* Sender);

    bool GetPreviewMode() const { return FPreviewMode; }
    // The full path a row stands for.
    static std::string RowPath(TListItem* Item);
    std::vector<std::string> RowPaths(bool SelectedOnly) const;
    // The browser filled again from the library: every existing JPEG and BMP file.
    void FillBrowser();

private:
    void BuildLayout();
    void BuildActions();
    void ShowPreview(TListItem* Item);
    void Turn(double Angle);
    void BindHint();
    void RestoreHint();

    bool FPreviewMode = false;
    TListItem* FShownRow = nullptr; // the row the preview shows
    bool FHintBound = false;
    TNotifyEvent FSavedHint;        // the application's hint handler before this window's
};
