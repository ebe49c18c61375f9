#pragma once
// The collect tool: copies a task's saved pictures into one folder, chosen by format, pixel size
// and file size. A load thread completes the rows with the pictures' sizes from the images
// library; a copy thread copies the checked rows, asking through TConfirmOverwriteForm about a
// file that already exists in the destination.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Thread.h"

class TListItem;
class TListView;
class TProgressBar;
class TTask;
class TUpDown;

// A row a thread of the tool handles, taken from the list on the user-interface thread when the
// thread is made: the threads never read the list view.
struct TCollectRow {
    int32_t Index = 0;
    std::string Path; // the full path
    std::string Name; // the file name (the row's caption)
};

// Reports its progress on a bar (range 0 .. rows - 1, or 0 .. 100 without rows) and a label
// ("<position> of <maximum>", empty at 0). Made on the user-interface thread, suspended.
class TProgressThread : public TThread {
public:
    TProgressThread(TProgressBar* Bar, TLabel* StateLabel, int32_t RowCount, std::vector<TCollectRow> Rows);
    std::string ClassName() const override { return "TProgressThread"; }
    int32_t GetPosition() const { return FPosition; }

protected:
    // The synchronised progress step.
    void Progress(int32_t Position);
    const std::vector<TCollectRow>& GetRows() const { return FRows; }

private:
    TProgressBar* FBar = nullptr;
    TLabel* FStateLabel = nullptr;
    std::vector<TCollectRow> FRows;
    std::atomic<int32_t> FPosition{0};
};

// Adds each row's width and height from the images library as its next two sub-items.
class TLoadThread : public TProgressThread {
public:
    TLoadThread(TListView* List, TProgressBar* Bar, TLabel* StateLabel, std::vector<TCollectRow> Rows);
    ~TLoadThread() override;
    std::string ClassName() const override { return "TLoadThread"; }

protected:
    void Execute() override;

private:
    TListView* FList = nullptr; // written in synchronised steps only
};

// Copies its rows into the destination folder.
class TCopyThread : public TProgressThread {
public:
    // RowCount: the rows of the whole list (the bar's range); Rows: those to copy.
    TCopyThread(const std::string& DestFolder, int32_t RowCount, TProgressBar* Bar, TLabel* StateLabel,
                std::vector<TCollectRow> Rows);
    ~TCopyThread() override;
    std::string ClassName() const override { return "TCopyThread"; }

    // Copies that failed (read after the thread ended).
    int32_t GetFailed() const { return FFailed.load(); }

protected:
    void Execute() override;

private:
    // On the user-interface thread: how the current file is copied (oaOverride, oaRename, oaSkip,
    // or a plain copy when the target does not exist).
    int32_t ResolveTarget();
    bool CopyCurrent(int32_t How);

    std::string FDestFolder; // with a trailing backslash
    std::string FSource;
    std::string FTarget;
    bool FPrompt = true;
    int32_t FAction; // oaRename at start
    std::atomic<int32_t> FFailed{0};
};

class TCopyPicturesForm : public TForm {
public:
    explicit TCopyPicturesForm(TComponent* AOwner);
    ~TCopyPicturesForm() override;
    std::string ClassName() const override { return "TCopyPicturesForm"; }

    // Given by the opener before the window shows.
    TTask* Task = nullptr;
    TListView* SourceList = nullptr;
    // Where the pictures go, with a trailing backslash; the program's folder at first.
    std::string DestFolder;
    // The size columns are complete.
    bool Loaded = false;
    // The running threads (nullptr when none runs).
    std::unique_ptr<TLoadThread> LoadThread;
    std::unique_ptr<TCopyThread> CopyThread;

    // The full path a row stands for.
    static std::string RowPath(TListItem* Item);

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void SelectButtonClick(TObject* Sender);
    void UnselectButtonClick(TObject* Sender);
    void CopyButtonClick(TObject* Sender);
    void ChangeDestButtonClick(TObject* Sender);
    void LimitImageSizeCheckClick(TObject* Sender);
    void LimitFileSizeCheckClick(TObject* Sender);
    void CloseButtonClick(TObject* Sender);
    void HelpButtonClick(TObject* Sender);
    void LoadThreadTerminate(TObject* Sender);
    void CopyThreadTerminate(TObject* Sender);

    TGroupBox* FolderGroup = nullptr;
    TLabel* SourceCaptionLabel = nullptr;
    TLabel* SourceLabel = nullptr;
    TLabel* DestCaptionLabel = nullptr;
    TLabel* DestLabel = nullptr;
    TButton* ChangeDestButton = nullptr;

    TGroupBox* LimitGroup = nullptr;
    TCheckBox* LimitImageSizeCheck = nullptr;
    TLabel* WidthLabel = nullptr;
    TEdit* WidthEdit = nullptr;
    TUpDown* WidthUpDown = nullptr;
    TLabel* WidthPixelsLabel = nullptr;
    TLabel* HeightLabel = nullptr;
    TEdit* HeightEdit = nullptr;
    TUpDown* HeightUpDown = nullptr;
    TLabel* HeightPixelsLabel = nullptr;
    TCheckBox* LimitFileSizeCheck = nullptr;
    TLabel* FileSizeLabel = nullptr;
    TEdit* FileSizeEdit = nullptr;
    TUpDown* FileSizeUpDown = nullptr;
    TLabel* FileSizeKBLabel = nullptr;

    TGroupBox* FormatGroup = nullptr;
    // ".gif", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".pcx", ".png", ".wmf".
    std::array<TCheckBox*, 9> FormatChecks{};

    TListView* ImagesListView = nullptr;
    TProgressBar* ProgressBar = nullptr;
    TLabel* StateLabel = nullptr;
    TButton* SelectButton = nullptr;
    TButton* UnselectButton = nullptr;
    TButton* CopyButton = nullptr;
    TButton* CloseButton = nullptr;
    TButton* HelpButton = nullptr;

private:
    // Terminates the running threads and waits for them.
    void StopThreads();
    void SetRowButtons(bool Enabled);
    // The rows as the threads take them: all, or the checked ones.
    std::vector<TCollectRow> CollectRows(bool CheckedOnly);

    // A thread that has ended, freed with the next one or with the window (a thread object is
    // never freed inside its own termination handler).
    std::unique_ptr<TThread> FEnded;
};
