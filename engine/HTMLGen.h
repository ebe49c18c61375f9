#pragma once
// Gallery pages: tables of thumbnails (the pictures themselves, shown small and linked to the
// full picture) followed by a line of links to every page. Texts only; the caller copies the
// pictures and writes page k to GetPageFileName(k).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"

// An attribute value as written into a page: as it is when made only of letters, digits and
// . _ - ~ ! ( ) /, otherwise in double quotes with blank # % ? as %XX and & < > " as entities.
std::string HTMLAttributeValue(std::string_view Value);

// The pictures of a gallery, in order, each name kept whole.
class TImageFiles : public TObject {
public:
    TImageFiles() = default;
    TImageFiles(const TImageFiles&) = delete;
    TImageFiles& operator=(const TImageFiles&) = delete;
    std::string ClassName() const override { return "TImageFiles"; }

    int32_t Add(const std::string& Name); // the new index
    // A bad index raises EListError.
    std::string GetItem(int32_t Index) const;
    int32_t GetCount() const { return static_cast<int32_t>(FNames.size()); }
    void Clear() { FNames.clear(); }

private:
    std::vector<std::string> FNames;
};

// Wraps a body into a complete document.
class THTMLFile : public TObject {
public:
    std::string ClassName() const override { return "THTMLFile"; }

    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    const std::string& GetBody() const { return FBody; }
    void SetBody(const std::string& Value) { FBody = Value; }

    void GetHTML(std::string& Text) const;
    std::string GetHTML() const;

private:
    std::string FTitle = "<no name>";
    std::string FBody;
};

class THTMLGenerator : public TObject {
public:
    THTMLGenerator();
    THTMLGenerator(const THTMLGenerator&) = delete;
    THTMLGenerator& operator=(const THTMLGenerator&) = delete;
    ~THTMLGenerator() override;
    std::string ClassName() const override { return "THTMLGenerator"; }

    int32_t GetRows() const { return FRows; }
    void SetRows(int32_t Value) { FRows = Value; }
    int32_t GetColumns() const { return FColumns; }
    void SetColumns(int32_t Value) { FColumns = Value; }
    const std::string& GetImageFolder() const { return FImageFolder; }
    void SetImageFolder(const std::string& Value) { FImageFolder = Value; }
    int32_t GetThumbWidth() const { return FThumbWidth; }
    void SetThumbWidth(int32_t Value) { FThumbWidth = Value; }
    int32_t GetThumbHeight() const { return FThumbHeight; }
    void SetThumbHeight(int32_t Value) { FThumbHeight = Value; }
    TImageFiles* GetImages() const { return FImages.get(); }
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    int32_t GetCellPadding() const { return FCellPadding; }
    void SetCellPadding(int32_t Value) { FCellPadding = Value; }
    int32_t GetCellSpacing() const { return FCellSpacing; }
    void SetCellSpacing(int32_t Value) { FCellSpacing = Value; }
    int32_t GetBorder() const { return FBorder; }
    void SetBorder(int32_t Value) { FBorder = Value; }
    // The first page's name (a full path is allowed); the others are derived from it.
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }

    // Images per page rounded up; 0 without images, and when Rows or Columns is below 1.
    int32_t GetPageCount() const;
    // The whole document of page Index (from 0); "<invalid page num>" for an index out of range.
    void GetPage(int32_t Index, std::string& Text) const;
    std::string GetPage(int32_t Index) const;
    // Where page Index goes: FileName for page 0; for page k the folder of FileName, the part of
    // its name before the first ".", "_", k and ".html".
    std::string GetPageFileName(int32_t Index) const;
    // The name other pages link to: the page file name without its folder, so a gallery keeps
    // working wherever it is copied.
    std::string GetPageLinkName(int32_t Index) const;

private:
    int32_t FRows = 5;
    int32_t FColumns = 7;
    std::string FImageFolder = "Images";
    int32_t FThumbWidth = 35;
    int32_t FThumbHeight = 35;
    std::unique_ptr<TImageFiles> FImages;
    std::string FTitle = "<no title>";
    int32_t FCellPadding = 0;
    int32_t FCellSpacing = 0;
    int32_t FBorder = 0;
    std::string FFileName = "index.html";
};
