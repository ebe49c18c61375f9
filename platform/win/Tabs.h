#pragma once
// Tabs and pages: TTabSet (a tab strip alone, on SysTabControl32), TNotebook (pages without
// tabs, one visible at a time) and TPageControl with its TTabSheets (a tab per visible sheet;
// with no visible tab there is no strip and the active sheet fills the control).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Controls.h"

class TTabSet;

// The captions of a tab set's tabs; each change shows at once.
class TTabStrings {
public:
    int32_t Add(const std::string& S);
    void Insert(int32_t Index, const std::string& S);
    void Delete(int32_t Index);
    void Clear();
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    const std::string& GetStrings(int32_t Index) const;
    void SetStrings(int32_t Index, const std::string& S);
    int32_t IndexOf(const std::string& S) const;

private:
    friend class TTabSet;
    explicit TTabStrings(TTabSet* AOwner) : FOwner(AOwner) {}
    TTabSet* FOwner = nullptr;
    std::vector<std::string> FItems;
};

using TTabChangeEvent = std::function<void(TObject* Sender, int32_t NewTab, bool& AllowChange)>;

class TTabSet : public TWinControl {
public:
    explicit TTabSet(TComponent* AOwner);
    std::string ClassName() const override { return "TTabSet"; }
    TTabStrings* GetTabs() { return &FTabs; }
    int32_t GetTabIndex() const;
    // Asks OnChange like a click does; false when it was refused.
    bool SetTabIndex(int32_t Value);
    TTabChangeEvent OnChange;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    void SaveWindowState() override;

private:
    friend class TTabStrings;
    void Fill();
    TTabStrings FTabs{this};
    int32_t FTabIndex = -1;
};

// ---------------------------------------------------------------------------------------------

class TNotebookPage : public TCustomControl {
public:
    explicit TNotebookPage(TComponent* AOwner);
    std::string ClassName() const override { return "TNotebookPage"; }
};

class TNotebook : public TCustomControl {
public:
    explicit TNotebook(TComponent* AOwner);
    std::string ClassName() const override { return "TNotebook"; }
    // A new page with its caption, at the end.
    TNotebookPage* AddPage(const std::string& Caption);
    int32_t GetPageCount() const { return static_cast<int32_t>(FPages.size()); }
    TNotebookPage* GetPage(int32_t Index) const; // a bad index raises EListError
    // The captions of the pages, in order.
    std::vector<std::string> GetPages() const;
    int32_t GetPageIndex() const { return FPageIndex; }
    void SetPageIndex(int32_t Value);
    std::string GetActivePage() const;
    void SetActivePage(const std::string& Caption); // an unknown caption changes nothing
    TNotifyEvent OnPageChanged;

private:
    std::vector<TNotebookPage*> FPages;
    int32_t FPageIndex = -1;
};

// ---------------------------------------------------------------------------------------------

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    std::string ClassName() const override { return "TTabSheet"; }
    TPageControl* GetPageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* Value);
    bool GetTabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int32_t GetPageIndex() const;
    void SetPageIndex(int32_t Value);
    // The tab's position among the visible tabs, or -1.
    int32_t GetTabIndex() const;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    std::string ClassName() const override { return "TPageControl"; }
    int32_t GetPageCount() const { return static_cast<int32_t>(FSheets.size()); }
    TTabSheet* GetPage(int32_t Index) const;
    TTabSheet* GetActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* Value);
    int32_t GetActivePageIndex() const;
    void SetActivePageIndex(int32_t Value);
    bool GetHotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value);
    // The rectangle the sheets fill, in client coordinates.
    TRect GetDisplayRect();
    // Makes the next (or previous) sheet with a tab active, wrapping round, asked and told
    // through OnChanging and OnChange as a click on its tab is. False when nothing changed.
    bool SelectNextPage(bool GoForward);

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    void Resize() override;

private:
    friend class TTabSheet;
    void InsertSheet(TTabSheet* S);
    void RemoveSheet(TTabSheet* S);
    void UpdateTabs();
    void LayoutSheets();
    TTabSheet* SheetOfTab(int32_t Tab) const;

    std::vector<TTabSheet*> FSheets;
    TTabSheet* FActivePage = nullptr;
    bool FHotTrack = false;
    bool FUpdating = false;
};
