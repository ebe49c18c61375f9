#pragma once
// The task views bound to real controls: a list view (with its small image list) and a rich
// edit. The main window and the engine driver hand these to their tasks; the task model reaches
// the controls only through them. Each binding follows its control's life: once the control is
// freed, the binding does nothing and reports no rows.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/TaskViews.h"
#include "platform/rtl/Classes.h"

class TListView;
class TListItem;
class TRichEdit;

class TListViewTaskView : public TComponent, public TTaskListView {
public:
    explicit TListViewTaskView(TListView* View, TComponent* AOwner = nullptr);
    std::string ClassName() const override { return "TListViewTaskView"; }

    TListView* GetListView() const { return FView; }

    // A row's data is its Data pointer; a non-empty DataText is kept whole in the row's owned
    // value slot and freed with the row.
    int32_t AddRow(const std::string& Caption, const std::vector<std::string>& SubItems, int32_t ImageIndex,
                   const void* Data, const std::string& DataText) override;
    int32_t IndexOfData(const void* Data) const override;
    void DeleteRow(int32_t Index) override;
    void SetRowImage(int32_t Index, int32_t ImageIndex) override;
    void SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text) override;
    // The shell's small icon for the file, added to the view's small image list; -1 when the
    // view has no small image list or the shell gives no icon.
    int32_t AddFileIcon(const std::string& FileName) override;
    int32_t GetImageCount() const override;

    // The text data AddRow kept for a row ("" when it has none).
    static std::string RowDataText(TListItem* Row);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TListItem* Row(int32_t Index) const; // nullptr for a bad index or no view

    TListView* FView = nullptr;
};

// The lines a log pane keeps: a long crawl writes two or three lines per address, and each line
// costs the rich edit far more than its text (up to 20 KB under Wine). Under Wine, taking lines
// off the top also costs time in proportion to the lines that stay.
inline constexpr int32_t kLogPaneLines = 1000;

class TRichEditLogView : public TComponent, public TTaskLogView {
public:
    // The edit keeps its last kLogPaneLines lines.
    explicit TRichEditLogView(TRichEdit* Edit, TComponent* AOwner = nullptr);
    std::string ClassName() const override { return "TRichEditLogView"; }

    TRichEdit* GetRichEdit() const { return FEdit; }
    // Appends the line as the edit's new last line.
    void AddLine(const std::string& Line) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TRichEdit* FEdit = nullptr;
};
