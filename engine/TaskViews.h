#pragma once
// What a task writes into the main window's views, reduced to the few row and line operations it
// uses. The main window and the engine driver bind them to real list views and a rich edit
// (TaskViewControls.h); model tests may bind the recording views below. Every call runs on the
// user-interface thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTaskListView {
public:
    virtual ~TTaskListView() = default;
    // Appends a row; Data identifies it (an item), DataText is the row's text data (a file name).
    virtual int32_t AddRow(const std::string& Caption, const std::vector<std::string>& SubItems,
                           int32_t ImageIndex, const void* Data, const std::string& DataText) = 0;
    // The first row whose Data is Data, or -1.
    virtual int32_t IndexOfData(const void* Data) const = 0;
    virtual void DeleteRow(int32_t Index) = 0;
    virtual void SetRowImage(int32_t Index, int32_t ImageIndex) = 0;
    virtual void SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text) = 0;
    // Adds the shell's small icon for the file to the view's small image list; its index, or -1.
    virtual int32_t AddFileIcon(const std::string& FileName) = 0;
    virtual int32_t GetImageCount() const = 0;
};

class TTaskLogView {
public:
    virtual ~TTaskLogView() = default;
    virtual void AddLine(const std::string& Line) = 0;
};

// A small image list several recording views may share, as the real views share one.
struct TRecordingImageList {
    int32_t Count = 0;
    std::vector<std::string> Files; // what each image was made for
};

struct TRecordingRow {
    std::string Caption;
    std::vector<std::string> SubItems;
    int32_t ImageIndex = -1;
    const void* Data = nullptr;
    std::string DataText;
};

// A list view that only remembers its rows.
class TRecordingListView : public TTaskListView {
public:
    explicit TRecordingListView(std::shared_ptr<TRecordingImageList> Images = nullptr)
        : FImages(Images ? std::move(Images) : std::make_shared<TRecordingImageList>())
    {
    }
    int32_t AddRow(const std::string& Caption, const std::vector<std::string>& SubItems, int32_t ImageIndex,
                   const void* Data, const std::string& DataText) override
    {
        FRows.push_back({Caption, SubItems, ImageIndex, Data, DataText});
        return static_cast<int32_t>(FRows.size()) - 1;
    }
    int32_t IndexOfData(const void* Data) const override
    {
        for (size_t I = 0; I < FRows.size(); ++I)
            if (FRows[I].Data == Data)
                return static_cast<int32_t>(I);
        return -1;
    }
    void DeleteRow(int32_t Index) override
    {
        if (Index >= 0 && static_cast<size_t>(Index) < FRows.size())
            FRows.erase(FRows.begin() + Index);
    }
    void SetRowImage(int32_t Index, int32_t ImageIndex) override
    {
        if (Index >= 0 && static_cast<size_t>(Index) < FRows.size())
            FRows[Index].ImageIndex = ImageIndex;
    }
    void SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text) override
    {
        if (Index < 0 || static_cast<size_t>(Index) >= FRows.size() || SubIndex < 0)
            return;
        auto& Subs = FRows[Index].SubItems;
        if (Subs.size() <= static_cast<size_t>(SubIndex))
            Subs.resize(SubIndex + 1);
        Subs[SubIndex] = Text;
    }
    int32_t AddFileIcon(const std::string& FileName) override
    {
        FImages->Files.push_back(FileName);
        return FImages->Count++;
    }
    int32_t GetImageCount() const override { return FImages->Count; }

    const std::vector<TRecordingRow>& Rows() const { return FRows; }
    TRecordingImageList& Images() { return *FImages; }
    void Clear() { FRows.clear(); }

private:
    std::shared_ptr<TRecordingImageList> FImages;
    std::vector<TRecordingRow> FRows;
};

class TRecordingLogView : public TTaskLogView {
public:
    void AddLine(const std::string& Line) override { FLines.push_back(Line); }
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
};
