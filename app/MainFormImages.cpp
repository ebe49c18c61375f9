// The images pane of the main window: the list of the selected task's saved pictures, the preview
// beside it and the picture commands (delete, copy, move, sort, open folder, build-in).

#include "app/DeleteByRules.h"
#include "app/MainActions.h"
#include "app/MainForm.h"

#include <algorithm>
#include <unordered_set>

// The active desktop's interface is declared only with the internet types.
#include <wininet.h>

#include <shlobj.h>

#include "app/ConfirmDeleteForm.h"
#include "app/ConfirmOverwriteForm.h"
#include "app/CopyPicturesForm.h"
#include "app/DeleteByForm.h"
#include "app/ImageLibraryForm.h"
#include "app/ViewImageForm.h"
#include "app/WallpaperOptionsForm.h"
#include "engine/EngineRoutines.h"
#include "engine/EngineText.h"
#include "engine/ImagesLibrary.h"
#include "engine/Task.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Dialogs.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Registry.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/Files.h"
#include "platform/win/Screen.h"
#include "platform/win/ShellUtils.h"
#include "platform/win/StatusBar.h"
#include "platform/win/TreeView.h"

namespace {

// The row's sub-item, "" when it has not been set (yet).
std::string SubItemOf(TListItem* Item, int32_t Index)
{
    TListSubItems* S = Item->GetSubItems();
    return Index < S->GetCount() ? S->GetStrings(Index) : std::string();
}

// "900 KB" -> 900; anything that is not a number gives 0.
int32_t RowKilobytes(TListItem* Item)
{
    const std::string S = SubItemOf(Item, 1);
    return S.size() < 3 ? 0 : StrToIntDef(S.substr(0, S.size() - 3), 0);
}

// The documents folder's CSIDL.
constexpr int32_t kCsidlPersonal = 5;

std::string FullPathOf(const std::string& Path)
{
    char Buf[MAX_PATH * 4];
    const DWORD N = GetFullPathNameA(Path.c_str(), sizeof(Buf), Buf, nullptr);
    return N > 0 && N < sizeof(Buf) ? std::string(Buf, N) : Path;
}

} // namespace

std::string TMainForm::ImageRowPath(TListItem* Item)
{
    if (!Item)
        return std::string();
    const std::string* P = Item->Value().Get<std::string>();
    return P ? *P : std::string();
}

void TMainForm::BuildImagesPane()
{
    auto* Icons = new TImageList(this);
    Icons->SetName("ImageIcons");
    ImagesListView->SetSmallImages(Icons);

    ImageScrollBox = new TImageScrollBox(this);
    ImageScrollBox->SetName("ImageScrollBox");
    ImageScrollBox->SetParent(PreviewPanel);
    ImageScrollBox->SetAlign(alClient);
    ImageScrollBox->SetMouseMode(mmDrag);
    GifImage = new TImage(this);
    GifImage->SetName("GifImage");
    GifImage->SetParent(PreviewPanel);
    GifImage->SetAlign(alClient);
    GifImage->SetVisible(false);

    ImagesListView->OnChange = [this](TObject* S, TListItem* I, TItemChange C) { ImagesListViewChange(S, I, C); };
    ImagesListView->OnCompare = [this](TObject*, TListItem* A, TListItem* B, int32_t, int32_t& R) {
        R = ImagesListViewCompare(A, B);
    };
    ImagesListView->OnColumnClick = [this](TObject*, TListColumn* C) { ImagesListViewColumnClick(C); };
    ImagesListView->OnDeletion = [this](TObject*, TListItem* I) {
        if (I == LastImageIndex)
            LastImageIndex = nullptr;
    };
    ImagesListView->OnDblClick = [this](TObject* S) { ImagesListViewDblClick(S); };
    ImagesListView->OnKeyDown = [this](TObject* S, uint16_t& Key, TShiftState) {
        if (Key == VK_RETURN) {
            Key = 0;
            ImagesListViewDblClick(S);
        }
    };

    auto Bind = [this](uint16_t Id, void (TMainForm::*Handler)(TObject*)) {
        Actions->BindAction(Id, [this, Handler](TObject* S) { (this->*Handler)(S); });
    };
    Bind(maImageFit, &TMainForm::ImageFitActionExecute);
    Bind(maImageDelete, &TMainForm::ImageDeleteActionExecute);
    Bind(maImageDeleteAll, &TMainForm::ImageDeleteAllActionExecute);
    Bind(maImageDeleteBy, &TMainForm::ImageDeleteByActionExecute);
    Bind(maImageCollect, &TMainForm::ImageCollectActionExecute);
    Bind(maImageOpenFolder, &TMainForm::ImageOpenFolderActionExecute);
    Bind(maImageCopyTo, &TMainForm::ImageCopyToActionExecute);
    Bind(maImageMoveTo, &TMainForm::ImageMoveToActionExecute);
    Bind(maImageBuildIn, &TMainForm::ImageBuildInActionExecute);
    Bind(maImageWallpaper, &TMainForm::ImageWallpaperActionExecute);
    Bind(maImageLibrary, &TMainForm::ImageLibraryActionExecute);
    FailedRestartButton->OnClick = [this](TObject* S) { FailedRestartButtonClick(S); };
    FailedDeleteButton->OnClick = [this](TObject* S) { FailedDeleteButtonClick(S); };
    FailedClearButton->OnClick = [this](TObject* S) { FailedClearButtonClick(S); };
    FailedExportButton->OnClick = [this](TObject* S) { FailedExportButtonClick(S); };
    FailedUrlListView->OnChange = [this](TObject*, TListItem*, TItemChange) { UpdateFailedButtons(); };
    Actions->BindAction(maImageSortByName, [this](TObject*) { SetImageSort(Actions->ImageSortByNameAction); });
    Actions->BindAction(maImageSortBySize, [this](TObject*) { SetImageSort(Actions->ImageSortBySizeAction); });
    Actions->BindAction(maImageSortByType, [this](TObject*) { SetImageSort(Actions->ImageSortByTypeAction); });
    Actions->BindAction(maImageUnsort, [this](TObject*) { SetImageSort(Actions->ImageUnsortAction); });
}

void TMainForm::ApplyImagePaneSettings()
{
    ImageScrollBox->SetZoomMode(Actions->ImageFitAction->GetChecked() ? zmFitToPage : zmOriginalSize);
    TAction* Sort = Actions->ImageUnsortAction;
    for (TAction* A : {Actions->ImageSortByNameAction, Actions->ImageSortBySizeAction, Actions->ImageSortByTypeAction})
        if (A->GetChecked())
            Sort = A;
    SetImageSort(Sort);
}

// ---- the list

void TMainForm::FillImagesPane(TTask* Task)
{
    TListItems* Rows = ImagesListView->GetItems();
    const TSortType Sort = ImagesListView->GetSortType();
    {
        Rows->BeginUpdate();
        TScopeExit EndFill([&] {
            ImagesListView->SetSortType(Sort);
            Rows->EndUpdate();
        });
        Rows->Clear();
        LastImageIndex = nullptr;
        BuildInFiles->Clear();
        if (Task) {
            // Sorted once at the end rather than row by row.
            ImagesListView->SetSortType(stNone);
            // The library's names are held only while the list fills.
            TScopeExit ForgetNames([this] { FLibraryNames.clear(); });
            FLibraryNames.clear();
            if (ImageLibrary) {
                const int32_t N = ImageLibrary->GetCount();
                for (int32_t I = 0; I < N; ++I)
                    if (TImageDetail* D = ImageLibrary->GetItem(I))
                        FLibraryNames.insert(D->GetFileName());
            }
            LoadImagesList(AddTrailingBackslash(Task->GetOptions()->GetDefaultFolder()) + "Saved");
        }
    }
    ShowImagePreview(nullptr);
}

int32_t TMainForm::ImageIconIndex(const std::string& FileName)
{
    // ImageExtIcons holds "<extension>=<image index>": the index the icon got in the view's image
    // list, which the crawl's rows share. An "=" inside an extension must not split the line.
    std::string Key = LowerCase(ExtractFileExt(FileName));
    std::replace(Key.begin(), Key.end(), '=', '_');
    if (Key.empty())
        Key = ".";
    if (ImageExtIcons->IndexOfName(Key) >= 0)
        return StrToIntDef(ImageExtIcons->GetValues(Key), -1);
    TImageList* Icons = ImagesListView->GetSmallImages();
    int32_t Index = -1;
    if (Icons) {
        std::unique_ptr<TIcon> Icon = ShellSmallIcon(FileName);
        if (Icon)
            Index = Icons->AddIcon(Icon.get());
    }
    ImageExtIcons->Add(Key + "=" + IntToStr(Index));
    return Index;
}

void TMainForm::LoadImagesList(const std::string& Folder)
{
    const std::string Base = AddTrailingBackslash(Folder);
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA((Base + "*.*").c_str(), &D);
    if (H == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::pair<std::string, WIN32_FIND_DATAA>> Entries;
    do {
        const std::string Name = D.cFileName;
        if (Name != "." && Name != "..")
            Entries.emplace_back(Name, D);
    } while (FindNextFileA(H, &D));
    FindClose(H);
    for (const auto& [Name, E] : Entries) {
        const std::string Full = Base + Name;
        if (E.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            LoadImagesList(Full);
            continue;
        }
        const std::string Ext = ExtractFileExt(Name);
        if (Ext.find(PartialSuffix) != std::string::npos)
            continue;
        const uint64_t Size = (static_cast<uint64_t>(E.nFileSizeHigh) << 32) | E.nFileSizeLow;
        TListItem* Row = ImagesListView->GetItems()->Add();
        Row->SetCaption(Name);
        Row->GetSubItems()->Add(Ext);
        Row->GetSubItems()->Add(IntToStr(static_cast<int64_t>(Size / 1024)) + " KB");
        Row->GetSubItems()->Add(Base);
        Row->SetImageIndex(ImageIconIndex(Name));
        Row->Value().Set(Full);
        if (!FLibraryNames.count(Full))
            BuildInFiles->Add(Full);
    }
}

void TMainForm::UpdateImageActions()
{
    const bool Rows = ImagesListView->GetItems()->GetCount() > 0;
    const bool Selected = ImagesListView->GetSelCount() > 0;
    auto Set = [](TAction* A, bool V) { TMainActions::SetEnabled(A, V); };
    Set(Actions->ImageOpenFolderAction, IsTaskNode(TasksTreeView->GetSelected()));
    Set(Actions->ImageDeleteAllAction, Rows);
    Set(Actions->ImageDeleteByAction, Rows);
    Set(Actions->ImageBuildInAction, Rows);
    Set(Actions->ImageCopyToAction, Selected);
    Set(Actions->ImageMoveToAction, Selected);
    Set(Actions->ImageDeleteAction, Selected);
    Set(Actions->ImageWallpaperAction, Selected);
}

// ---- the preview

void TMainForm::ShowImagePreview(TListItem* Item)
{
    if (!Item) {
        ImageScrollBox->Clear();
        GifImage->GetPicture()->SetGraphic(static_cast<TGraphic*>(nullptr));
        GifImage->SetVisible(false);
        ImageScrollBox->SetVisible(true);
        return;
    }
    TBusyCursor Wait;
    ShowPictureFile(ImageScrollBox, GifImage, ImageRowPath(Item));
}

void TMainForm::ImagesListViewChange(TObject*, TListItem*, TItemChange)
{
    UpdateImageActions();
    TListItem* Selected = ImagesListView->GetSelected();
    if (Selected == LastImageIndex)
        return;
    LastImageIndex = Selected;
    ShowImagePreview(Selected);
}

void TMainForm::ImageFitActionExecute(TObject*)
{
    Actions->ImageFitAction->SetChecked(!Actions->ImageFitAction->GetChecked());
    ImageScrollBox->SetZoomMode(Actions->ImageFitAction->GetChecked() ? zmFitToPage : zmOriginalSize);
}

void TMainForm::ImagesListViewDblClick(TObject*)
{
    TListItem* Selected = ImagesListView->GetSelected();
    if (!Selected)
        return;
    TStringList Files;
    TListItems* Items = ImagesListView->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I)
        Files.Add(ImageRowPath(Items->GetItem(I)));
    ShowImageViewer(&Files, Selected->GetIndex());
}

void TMainForm::ImageLibraryActionExecute(TObject*)
{
    // Freed by the pointer however the window ends.
    const TComponentPtr<TImageLibraryForm> Library(new TImageLibraryForm(nullptr));
    Library->ShowModal();
}

// ---- sorting

int32_t TMainForm::ImagesListViewCompare(TListItem* A, TListItem* B)
{
    int32_t Column = -1;
    int32_t R = 0;
    if (Actions->ImageSortByNameAction->GetChecked()) {
        Column = 0;
        R = CompareStr(A->GetCaption(), B->GetCaption());
    } else if (Actions->ImageSortByTypeAction->GetChecked()) {
        Column = 1;
        R = CompareStr(SubItemOf(A, 0), SubItemOf(B, 0));
    } else if (Actions->ImageSortBySizeAction->GetChecked()) {
        Column = 2;
        const int32_t X = RowKilobytes(A), Y = RowKilobytes(B);
        R = X < Y ? -1 : X > Y ? 1 : 0;
    }
    // Image 2 on the compared column's header marks a descending order.
    if (Column >= 0 && Column < ImagesListView->GetColumns()->GetCount() &&
        ImagesListView->GetColumns()->GetItem(Column)->GetImageIndex() == 2)
        R = -R;
    return R;
}

void TMainForm::SetImageSort(TAction* Chosen)
{
    for (TAction* A : {Actions->ImageSortByNameAction, Actions->ImageSortBySizeAction, Actions->ImageSortByTypeAction,
                       Actions->ImageUnsortAction})
        A->SetChecked(A == Chosen);
    if (Chosen == Actions->ImageUnsortAction) {
        // The present order stays; later rows are appended.
        ImagesListView->SetSortType(stNone);
        return;
    }
    ImagesListView->SetSortType(stText); // sorts at once through OnCompare
}

void TMainForm::ImagesListViewColumnClick(TListColumn* Column)
{
    if (!Column)
        return;
    switch (Column->GetIndex()) {
    case 0: SetImageSort(Actions->ImageSortByNameAction); break;
    case 1: SetImageSort(Actions->ImageSortByTypeAction); break;
    case 2: SetImageSort(Actions->ImageSortBySizeAction); break;
    default: break;
    }
}

// ---- delete

std::vector<TListItem*> TMainForm::SelectedImageRows() const
{
    std::vector<TListItem*> Rows;
    TListItems* Items = ImagesListView->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I)
        if (Items->GetItem(I)->GetSelected())
            Rows.push_back(Items->GetItem(I));
    return Rows;
}

void TMainForm::RemoveImageRows(const std::vector<TListItem*>& Rows)
{
    TListItems* Items = ImagesListView->GetItems();
    for (size_t K = Rows.size(); K-- > 0;) {
        const int32_t I = Items->IndexOf(Rows[K]);
        if (I >= 0)
            Items->Delete(I);
    }
    LastImageIndex = nullptr;
    ShowImagePreview(ImagesListView->GetSelected());
    LastImageIndex = ImagesListView->GetSelected();
    UpdateImageActions();
}

std::vector<TListItem*> TMainForm::DeleteImageFiles(const std::vector<TListItem*>& Rows)
{
    // A row goes only when its file is gone: one that could not be deleted keeps its row.
    std::vector<TListItem*> Gone;
    for (size_t K = Rows.size(); K-- > 0;) {
        const std::string Path = ImageRowPath(Rows[K]);
        DeleteFileA(Path.c_str());
        if (GetFileAttributesA(Path.c_str()) == INVALID_FILE_ATTRIBUTES)
            Gone.insert(Gone.begin(), Rows[K]);
    }
    return Gone;
}

void TMainForm::ImageDeleteActionExecute(TObject*)
{
    std::vector<TListItem*> Rows = SelectedImageRows();
    if (Rows.empty())
        return;
    if (Application->MessageBox("Do you want to delete selected images ?", "Question", MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK)
        return;
    // The preview lets go of the file first.
    ShowImagePreview(nullptr);
    LastImageIndex = nullptr;
    RemoveImageRows(DeleteImageFiles(Rows));
}

void TMainForm::ImageDeleteAllActionExecute(TObject*)
{
    TListItems* Items = ImagesListView->GetItems();
    if (Items->GetCount() == 0)
        return;
    if (Application->MessageBox("Delete all downloaded files ?", "Question", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    TBusyCursor Wait;
    ShowImagePreview(nullptr);
    LastImageIndex = nullptr;
    std::vector<TListItem*> Rows;
    for (int32_t I = 0; I < Items->GetCount(); ++I)
        Rows.push_back(Items->GetItem(I));
    Items->BeginUpdate();
    TScopeExit End([Items] { Items->EndUpdate(); });
    RemoveImageRows(DeleteImageFiles(Rows));
}

std::vector<std::string> TMainForm::DeleteByPaths(const TDeleteByRules& Rules)
{
    std::vector<std::string> Paths;
    // The filter is a mask over the whole file name ("tn*.*", "?fie.*"); an empty one takes nothing.
    const std::string Filter = Trim(Rules.FileFilter);
    TListItems* Items = ImagesListView->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I) {
        TListItem* Row = Items->GetItem(I);
        const std::string Path = ImageRowPath(Row);
        const int32_t KB = RowKilobytes(Row);
        bool Take = false;
        if (Rules.BySize && ImageLibrary) {
            // A picture that could not be measured (-1 x -1) counts as below any limit: the
            // confirmation list lets the user keep it.
            if (TImageDetail* D = ImageLibrary->FindByName(Path))
                Take = D->GetWidth() < Rules.MaxWidth && D->GetHeight() < Rules.MaxHeight;
        }
        if (Rules.BySmaller && KB <= Rules.SmallerThan)
            Take = true;
        if (Rules.ByRange && KB >= Rules.RangeFrom && KB <= Rules.RangeTo)
            Take = true;
        if (Rules.ByFilter && !Filter.empty() && MatchesMask(ExtractFileName(Path), Filter))
            Take = true;
        if (Take)
            Paths.push_back(Path);
    }
    return Paths;
}

void TMainForm::RemoveDeletedRows(const std::vector<std::string>& Paths)
{
    std::unordered_set<std::string> Set;
    for (const std::string& P : Paths)
        Set.insert(UpperCase(P));
    std::vector<TListItem*> Rows;
    TListItems* Items = ImagesListView->GetItems();
    for (int32_t I = 0; I < Items->GetCount(); ++I) {
        const std::string P = ImageRowPath(Items->GetItem(I));
        if (Set.count(UpperCase(P)) && GetFileAttributesA(P.c_str()) == INVALID_FILE_ATTRIBUTES)
            Rows.push_back(Items->GetItem(I));
    }
    TBusyCursor Wait;
    RemoveImageRows(Rows);
}

void TMainForm::ImageDeleteByActionExecute(TObject*)
{
    TDeleteByRules Rules;
    {
        const TComponentPtr<TDeleteByForm> F(new TDeleteByForm(nullptr));
        if (F->ShowModal() != mrOk)
            return;
        Rules = F->GetRules();
    }
    const std::vector<std::string> Paths = DeleteByPaths(Rules);
    const TComponentPtr<TConfirmDeleteForm> Confirm(new TConfirmDeleteForm(nullptr));
    Confirm->SetFiles(&Paths);
    // The preview lets go of the file it shows, which may be one of those deleted.
    ShowImagePreview(nullptr);
    LastImageIndex = nullptr;
    const bool Ok = Confirm->ShowModal() == mrOk;
    if (Ok) {
        RemoveDeletedRows(Paths);
        return;
    }
    LastImageIndex = ImagesListView->GetSelected();
    ShowImagePreview(LastImageIndex);
}

// ---- collect

void TMainForm::ImageCollectActionExecute(TObject*)
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    if (!Task)
        return;
    const TComponentPtr<TCopyPicturesForm> F(new TCopyPicturesForm(nullptr));
    F->Task = Task;
    F->SourceList = ImagesListView;
    F->ShowModal();
}

// ---- open folder

void TMainForm::ImageOpenFolderActionExecute(TObject*)
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    if (!Task)
        return;
    ShellOpen(GetHandle(), "open", AddTrailingBackslash(Task->GetOptions()->GetDefaultFolder()) + "Saved", "", "",
              SW_SHOWNORMAL);
}

// ---- copy and move

void TMainForm::CopyOrMoveImages(bool Move)
{
    std::vector<TListItem*> Rows = SelectedImageRows();
    if (Rows.empty())
        return;
    std::string Folder;
    if (!BrowseForFolder(GetHandle(), "Copy to ...", "", Folder))
        return;
    Folder = AddTrailingBackslash(Folder);
    bool Prompt = true;
    int32_t Action = oaRename;
    int32_t Failed = 0;
    std::vector<TListItem*> Moved;
    if (Move) {
        // The preview lets go of the file it shows.
        ShowImagePreview(nullptr);
        LastImageIndex = nullptr;
    }
    for (TListItem* Row : Rows) {
        const std::string Source = ImageRowPath(Row);
        std::string Target = Folder + ExtractFileName(Source);
        // A file is never copied or moved onto itself.
        if (SameText(FullPathOf(Source), FullPathOf(Target)))
            continue;
        bool Replace = false;
        if (GetFileAttributesA(Target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (Prompt) {
                TConfirmOverwriteForm Form(nullptr);
                Form.SetFiles(Source, Target);
                const TModalResult R = Form.ShowModal();
                Action = R == mrOk ? Form.Action : oaSkip;
                Prompt = !Form.NoPromptCheck->GetChecked();
            }
            if (Action == oaSkip)
                continue;
            if (Action == oaRename)
                Target = UniqueFileName(Target);
            else
                Replace = true;
        }
        bool Ok;
        if (Move)
            Ok = MoveFileExA(Source.c_str(), Target.c_str(),
                             MOVEFILE_COPY_ALLOWED | (Replace ? MOVEFILE_REPLACE_EXISTING : 0)) != 0;
        else
            Ok = CopyFileA(Source.c_str(), Target.c_str(), Replace ? FALSE : TRUE) != 0;
        if (!Ok)
            ++Failed;
        else if (Move)
            Moved.push_back(Row);
    }
    if (Move && !Moved.empty())
        RemoveImageRows(Moved);
    if (Failed > 0)
        Application->MessageBox(Format(Move ? "%d file(s) could not be moved !" : "%d file(s) could not be copied !",
                                       Failed),
                                "Error", MB_OK | MB_ICONERROR);
}

void TMainForm::ImageCopyToActionExecute(TObject*) { CopyOrMoveImages(false); }
void TMainForm::ImageMoveToActionExecute(TObject*) { CopyOrMoveImages(true); }

// ---- build-in

void TMainForm::ImageBuildInActionExecute(TObject*)
{
    if (BuildInFiles->GetCount() == 0) {
        Application->MessageBox("No image need to build-in library!", "Information", MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (Application->MessageBox("Do you want to build-in these images? It will take a few minutes.", "Question",
                                MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    TBusyCursor Wait;
    auto Bar = std::make_unique<TProgressBar>(nullptr);
    Bar->SetParent(StatusBar);
    Bar->SetBounds(60, 3, 80, StatusBar->GetHeight() - 6);
    Bar->SetMin(1);
    Bar->SetMax(std::max<int32_t>(BuildInFiles->GetCount(), 1));
    Bar->SetStep(1);
    TStatusPanel* Panel = StatusBar->GetPanels()->GetCount() > 0 ? StatusBar->GetPanels()->GetItem(0) : nullptr;
    if (Panel) {
        Panel->SetWidth(150);
        Panel->SetText("Building");
    }
    TScopeExit Done([&] {
        if (Panel) {
            Panel->SetWidth(5);
            Panel->SetText("");
        }
        Bar.reset();
        BuildInFiles->Clear();
    });
    for (int32_t I = 0; I < BuildInFiles->GetCount(); ++I) {
        try {
            if (ImageLibrary)
                ImageLibrary->AddImage(BuildInFiles->GetStrings(I));
        } catch (const Exception&) {
            // A file gone or unreadable meanwhile is passed over.
        }
        Bar->StepIt();
    }
}

// ---- set wallpaper

std::string TMainForm::WallpaperFileName()
{
    std::string Personal = SpecialFolderPath(kCsidlPersonal, true);
    if (Personal.empty())
        Personal = ProgramFolder();
    return AddTrailingBackslash(Personal) + TRegSettings::DefaultTreeName + "\\Wallpaper.bmp";
}

bool TMainForm::WriteWallpaperBitmap(const std::string& Source, const std::string& Target)
{
    // The row's own file: a GIF's first frame, any other picture through its class.
    TBitmapGraphic Bmp;
    try {
        if (IsGifFileName(Source)) {
            TGif Gif;
            Gif.SetProgressiveDisplay(false);
            Gif.LoadFromFile(Source);
            if (Gif.GetImageCount() < 1)
                return false;
            Bmp.Assign(Gif.GetBitmap(0));
        } else {
            const TComponentPtr<TImageScrollBox> Box(new TImageScrollBox(nullptr));
            Box->LoadFromFile(Source, 1);
            if (Box->GetGraphic()->GetEmpty())
                return false;
            Bmp.Assign(Box->GetGraphic());
        }
        if (Bmp.GetEmpty())
            return false;
        ForceDirectories(ExtractFilePath(Target));
        Bmp.SaveToFile(Target);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

namespace {

// The active desktop's interface, declared here with the ids it is known by.
const GUID kClsidActiveDesktop = {0x75048700, 0xef1f, 0x11d0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xde, 0xac, 0xf9}};
const GUID kIidActiveDesktop = {0xf490eb00, 0x1240, 0x11d1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xde, 0xac, 0xf9}};

bool SetActiveDesktopWallpaper(const std::string& Path, int32_t Style)
{
    IActiveDesktop* Desktop = nullptr;
    if (FAILED(CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIidActiveDesktop,
                                reinterpret_cast<void**>(&Desktop))) ||
        !Desktop)
        return false;
    std::wstring Wide(Path.size() + 1, L'\0');
    const int N = MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, Wide.data(), static_cast<int>(Wide.size()));
    Wide.resize(N > 0 ? static_cast<size_t>(N - 1) : 0);
    WALLPAPEROPT Options{};
    Options.dwSize = 8;
    Options.dwStyle = static_cast<DWORD>(Style);
    const bool Ok = SUCCEEDED(Desktop->SetWallpaper(Wide.c_str(), 0)) &&
                    SUCCEEDED(Desktop->SetWallpaperOptions(&Options, 0)) &&
                    SUCCEEDED(Desktop->ApplyChanges(AD_APPLY_ALL));
    Desktop->Release();
    return Ok;
}

void SetRegistryWallpaper(const std::string& Path, int32_t Style)
{
    static const char* const Tile[] = {"0", "1", "0", "0"};
    static const char* const Stretch[] = {"0", "0", "2", "2"};
    const size_t S = static_cast<size_t>(std::clamp(Style, 0, 3));
    TRegistry Reg;
    Reg.SetRootKey(HKEY_CURRENT_USER);
    if (Reg.OpenKey("Control Panel\\desktop", true)) {
        Reg.WriteString("Wallpaper", Path);
        Reg.WriteString("TileWallpaper", Tile[S]);
        Reg.WriteString("WallpaperStyle", Stretch[S]);
        Reg.CloseKey();
    }
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(Path.c_str()), SPIF_SENDWININICHANGE);
}

} // namespace

void TMainForm::SetWallpaper(const std::string& Path, int32_t Style)
{
    if (GetWindowsVersionCode() == 5 && SetActiveDesktopWallpaper(Path, Style))
        return;
    SetRegistryWallpaper(Path, Style);
}

void TMainForm::ImageWallpaperActionExecute(TObject*)
{
    TListItem* Row = ImagesListView->GetSelected();
    if (!Row)
        return;
    TWallpaperOptionsForm Options(nullptr);
    if (Options.ShowModal() != mrOk)
        return;
    const std::string Path = WallpaperFileName();
    TBusyCursor Wait;
    if (!WriteWallpaperBitmap(ImageRowPath(Row), Path)) {
        Application->MessageBox("Cannot make the wallpaper from " + ImageRowPath(Row) + " !", "Error",
                                MB_OK | MB_ICONERROR);
        return;
    }
    SetWallpaper(Path, Options.GetStyle());
}

// ---- the failed-address panel

void TMainForm::UpdateFailedButtons()
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    const bool Rows = FailedUrlListView->GetItems()->GetCount() > 0;
    const bool Selected = FailedUrlListView->GetSelCount() > 0;
    FailedRestartButton->SetEnabled(Task && Selected);
    FailedDeleteButton->SetEnabled(Task && Selected);
    FailedClearButton->SetEnabled(Task && Rows);
    FailedExportButton->SetEnabled(Task && Rows);
}

void TMainForm::FailedRestartButtonClick(TObject*)
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    if (!Task)
        return;
    FailedRestartButton->SetEnabled(false);
    TListItems* Rows = FailedUrlListView->GetItems();
    for (int32_t I = Rows->GetCount() - 1; I >= 0; --I) {
        TListItem* Row = Rows->GetItem(I);
        if (!Row->GetSelected())
            continue;
        const std::string Address = Row->GetCaption();
        Task->GetItems()->DeleteURL(Address);
        RemoveFailedAddress(Task, Address);
        auto* Item = new TTaskItem(Task, Address);
        Item->SetDepth(-1);
        const int32_t Before = Task->GetItems()->GetCount();
        Task->GetItems()->AddSorted(Item);
        Rows->Delete(I);
        if (Task->GetItems()->GetCount() > Before)
            Task->AddURLRow(Item);
        else
            delete Item; // the address was there already
    }
    UpdateFailedButtons();
}

void TMainForm::RemoveFailedAddress(TTask* Task, const std::string& Address)
{
    // The done count follows the address list only: a removal from the failed list gives back
    // what the list's own bookkeeping took for a done item.
    TTaskItem* Removed = nullptr;
    const int32_t Done = Task->GetDoneCount();
    if (Task->GetFailedList()->DeleteURL(Address, &Removed) && Removed && Removed->GetDone())
        Task->SetDoneCount(Done);
}

void TMainForm::FailedDeleteButtonClick(TObject*)
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    if (!Task)
        return;
    TListItems* Rows = FailedUrlListView->GetItems();
    for (int32_t I = Rows->GetCount() - 1; I >= 0; --I) {
        if (!Rows->GetItem(I)->GetSelected())
            continue;
        RemoveFailedAddress(Task, Rows->GetItem(I)->GetCaption());
        Rows->Delete(I);
    }
    UpdateFailedButtons();
}

void TMainForm::FailedClearButtonClick(TObject*)
{
    TTask* Task = TaskOfNode(TasksTreeView->GetSelected());
    if (!Task)
        return;
    Task->GetFailedList()->Clear();
    FailedUrlListView->GetItems()->Clear();
    UpdateFailedButtons();
}

void TMainForm::FailedExportButtonClick(TObject*)
{
    TListItems* Rows = FailedUrlListView->GetItems();
    SaveDialog->SetFilter("Text files (*.txt)|*.txt");
    SaveDialog->SetDefaultExt("txt");
    if (!SaveDialog->Execute())
        return;
    std::string Text;
    for (int32_t I = 0; I < Rows->GetCount(); ++I)
        Text += Rows->GetItem(I)->GetCaption() + "\r\n";
    TFileStream F(SaveDialog->GetFileName(), fmCreate);
    if (!Text.empty())
        F.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
}
