#include "engine/HTMLGen.h"

#include <algorithm>

#include "platform/rtl/Paths.h"

namespace {

const char* const kCrLf = "\r\n";

bool IsPlainAttributeChar(char C)
{
    if ((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9'))
        return true;
    switch (C) {
    case '.': case '_': case '-': case '~': case '!': case '(': case ')': case '/':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string HTMLAttributeValue(std::string_view Value)
{
    bool Plain = !Value.empty();
    for (char C : Value)
        if (!IsPlainAttributeChar(C)) {
            Plain = false;
            break;
        }
    if (Plain)
        return std::string(Value);

    // Unquoted, a blank or "#" breaks the link and "<", ">" or a quote would end the tag.
    std::string R = "\"";
    R.reserve(Value.size() + 2);
    for (char C : Value) {
        switch (C) {
        case ' ': R += "%20"; break;
        case '#': R += "%23"; break;
        case '%': R += "%25"; break;
        case '?': R += "%3F"; break;
        case '&': R += "&amp;"; break;
        case '<': R += "&lt;"; break;
        case '>': R += "&gt;"; break;
        case '"': R += "&quot;"; break;
        default: R += C; break;
        }
    }
    R += '"';
    return R;
}

// ---------------------------------------------------------------------------------------------
// TImageFiles

int32_t TImageFiles::Add(const std::string& Name)
{
    FNames.push_back(Name);
    return GetCount() - 1;
}

std::string TImageFiles::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FNames[static_cast<size_t>(Index)];
}

// ---------------------------------------------------------------------------------------------
// THTMLFile

void THTMLFile::GetHTML(std::string& Text) const
{
    Text.clear();
    Text.reserve(FBody.size() + FTitle.size() + 80);
    Text += "<html>\r\n";
    Text += "<head>\r\n";
    Text += "<title>" + FTitle + "</title>\r\n";
    Text += "</head>\r\n";
    Text += "<body>\r\n";
    Text += FBody;
    Text += kCrLf;
    Text += "</body>\r\n";
    Text += "</html>\r\n";
}

std::string THTMLFile::GetHTML() const
{
    std::string Text;
    GetHTML(Text);
    return Text;
}

// ---------------------------------------------------------------------------------------------
// THTMLGenerator

THTMLGenerator::THTMLGenerator() : FImages(std::make_unique<TImageFiles>()) {}

THTMLGenerator::~THTMLGenerator() = default;

int32_t THTMLGenerator::GetPageCount() const
{
    if (FRows < 1 || FColumns < 1)
        return 0;
    // In 64 bits: large Rows x Columns from the dialog's fields must not overflow.
    const int64_t PerPage = static_cast<int64_t>(FRows) * FColumns;
    const int64_t Count = FImages->GetCount();
    return static_cast<int32_t>((Count + PerPage - 1) / PerPage);
}

std::string THTMLGenerator::GetPageFileName(int32_t Index) const
{
    if (Index < 0)
        throw EListError(Format("List index %d out of range", Index));
    if (Index == 0)
        return FFileName;
    // Only the name part is cut at its first ".", so a dotted folder keeps its name.
    const std::string Name = ExtractFileName(FFileName);
    const size_t Dot = Name.find('.');
    const std::string Stem = Dot == std::string::npos ? std::string() : Name.substr(0, Dot);
    return ExtractFilePath(FFileName) + Stem + "_" + IntToStr(Index) + ".html";
}

std::string THTMLGenerator::GetPageLinkName(int32_t Index) const
{
    return ExtractFileName(GetPageFileName(Index));
}

void THTMLGenerator::GetPage(int32_t Index, std::string& Text) const
{
    const int32_t PageCount = GetPageCount();
    if (Index < 0 || Index >= PageCount) {
        Text = "<invalid page num>";
        return;
    }
    const int64_t PerPage = static_cast<int64_t>(FRows) * FColumns;
    const int64_t First = Index * PerPage;
    const int64_t LastImage = std::min<int64_t>(First + PerPage - 1, FImages->GetCount() - 1);

    std::string Body;
    Body += "<h3> Page: " + IntToStr(Index + 1) + "/" + IntToStr(PageCount) + "</h3>";
    Body += "<table width=\"100%\" border=" + IntToStr(FBorder) + " cellspacing=" + IntToStr(FCellSpacing) +
            " cellpadding=" + IntToStr(FCellPadding) + ">" + kCrLf;
    const std::string Size = " width=" + IntToStr(FThumbWidth) + " height=" + IntToStr(FThumbHeight) + ">";
    int64_t I = First;
    for (int32_t Row = 0; Row < FRows; ++Row) {
        Body += "<tr>\r\n";
        // Cells past the last picture are left out, so only the rows are walked once it is reached.
        for (int32_t Col = 0; Col < FColumns && I <= LastImage; ++Col, ++I) {
            const std::string Src =
                HTMLAttributeValue(FImageFolder + "/" + ExtractFileName(FImages->GetItem(static_cast<int32_t>(I))));
            Body += "<td>\r\n";
            Body += "<a href=" + Src + " target=_blank>\r\n";
            Body += "<img src=" + Src + Size + kCrLf;
            Body += "</a>\r\n";
            Body += "</td>\r\n";
        }
        Body += "</tr>\r\n";
    }
    Body += "</table>\r\n";
    Body += "<table width=100% border=0 cellspacing=0 cellpadding=0><tr><td>\r\n";
    Body += "<p>";
    for (int32_t J = 0; J < PageCount; ++J) {
        if (J == Index)
            Body += IntToStr(J + 1) + " ";
        else
            Body += "<a href=" + HTMLAttributeValue(GetPageLinkName(J)) + ">" + IntToStr(J + 1) + "</a> ";
    }
    Body += "</p>\r\n";
    Body += "</td></tr></table>\r\n";

    THTMLFile File;
    File.SetTitle(FTitle);
    File.SetBody(Body);
    File.GetHTML(Text);
}

std::string THTMLGenerator::GetPage(int32_t Index) const
{
    std::string Text;
    GetPage(Index, Text);
    return Text;
}
