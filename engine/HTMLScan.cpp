#include "engine/HTMLScan.h"

#include "platform/rtl/ScopeGuards.h"

namespace {

bool IsWordEnd(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '\f';
}

char LowerAscii(char C)
{
    return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

bool StartsWithNoCase(std::string_view S, std::string_view Prefix)
{
    if (S.size() < Prefix.size())
        return false;
    for (size_t I = 0; I < Prefix.size(); ++I)
        if (LowerAscii(S[I]) != Prefix[I])
            return false;
    return true;
}

bool IsAsciiLetter(char C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}

bool IsAsciiDigit(char C)
{
    return C >= '0' && C <= '9';
}

// The first place of a lower-case Word in S, ignoring the case of S. The keywords are a few
// letters long, so this stays linear in S.
size_t FindNoCase(std::string_view S, std::string_view Word)
{
    if (Word.empty() || S.size() < Word.size())
        return std::string_view::npos;
    for (size_t I = 0; I + Word.size() <= S.size(); ++I)
        if (StartsWithNoCase(S.substr(I), Word))
            return I;
    return std::string_view::npos;
}

// Calls OnTag with the text between each "<" and the next ">"; a new "<" starts the tag
// afresh. A ">" outside a tag is plain text: adding the last tag again would only duplicate
// links, and a run of them after a long tag would cost quadratic time and memory.
template <class F>
void CutTags(std::string_view Text, F&& OnTag)
{
    bool InTag = false;
    size_t Start = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '<') {
            InTag = true;
            Start = I + 1;
        } else if (C == '>' && InTag) {
            OnTag(Text.substr(Start, I - Start));
            InTag = false;
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Text tests

bool IsHTTP(std::string_view S)
{
    return S.empty() || StartsWithNoCase(S, "http:");
}

bool HasOtherScheme(std::string_view S)
{
    for (size_t I = 0; I < S.size(); ++I) {
        const char C = S[I];
        if (C == ':')
            return I > 0 && !StartsWithNoCase(S, "http:");
        if (I == 0 ? !IsAsciiLetter(C) : !(IsAsciiLetter(C) || IsAsciiDigit(C) || C == '+' || C == '-' || C == '.'))
            return false;
    }
    return false;
}

std::string FirstWord(std::string_view S)
{
    std::string R;
    for (char C : S) {
        if (IsWordEnd(C))
            break;
        if (C != '"' && C != '\'')
            R += C;
    }
    return Trim(R);
}

std::string StripLeadingSlash(std::string_view S)
{
    if (S.size() >= 2 && S[0] == '/')
        S.remove_prefix(1);
    return std::string(S);
}

bool IsHTMLPage(std::string_view Ext)
{
    std::string T = Trim(Ext);
    if (T.empty())
        return true;
    if (T[0] == '.')
        T.erase(0, 1);
    T = LowerCase(Trim(T));
    for (std::string_view Page : {"shtml", "html", "htm", "asp", "php", "dll", "cgi"})
        if (T == Page)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// TTags

TTags::TTags() : FTags(std::make_unique<TStringList>()) {}

TTags::~TTags() = default;

void TTags::Assign(TPersistent* Source)
{
    if (auto* Other = dynamic_cast<TTags*>(Source)) {
        SetText(Other->GetText());
        return;
    }
    TPersistent::Assign(Source);
}

void TTags::SetText(const std::string& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    Parse();
}

void TTags::Parse()
{
    FTags->BeginUpdate();
    TScopeExit End([this] { FTags->EndUpdate(); });
    FTags->Clear();
    CutTags(FText, [this](std::string_view Tag) { FTags->Add(std::string(Tag)); });
}

// ---------------------------------------------------------------------------------------------
// TURLPath

TURLPath::TURLPath(const std::string& Text) : FParts(std::make_unique<TStringList>())
{
    SetURL(Text);
}

TURLPath::~TURLPath() = default;

void TURLPath::Assign(TPersistent* Source)
{
    if (auto* Other = dynamic_cast<TURLPath*>(Source)) {
        SetURL(Other->GetSourceText());
        return;
    }
    TPersistent::Assign(Source);
}

void TURLPath::SetURL(const std::string& Text)
{
    if (Text == FSourceText)
        return;
    FSourceText = Text;
    std::string_view Work = FSourceText;
    if (StartsWithNoCase(Work, "http://"))
        Work.remove_prefix(7);

    // ".." is resolved on a stack, so a value made of thousands of them stays linear. It never
    // removes the host: "../../x.jpg" on a page two folders deep must not become the host
    // "x.jpg"; at the root it is dropped alone, as a browser does.
    std::vector<std::string_view> Segments;
    auto Push = [&Segments](std::string_view Segment) {
        if (Segment == "..") {
            if (Segments.size() > 1)
                Segments.pop_back();
        } else {
            Segments.push_back(Segment);
        }
    };
    size_t Start = 0;
    for (size_t I = 0; I < Work.size(); ++I) {
        if (Work[I] == '/') {
            Push(Work.substr(Start, I - Start));
            Start = I + 1;
        }
    }
    const std::string_view Last = Work.substr(Start);
    if (!Trim(Last).empty())
        Push(Last);

    FParts->BeginUpdate();
    FParts->Clear();
    FURL = "http://";
    for (size_t I = 0; I < Segments.size(); ++I) {
        FParts->Add(std::string(Segments[I]));
        FURL += Segments[I];
        if (I + 1 < Segments.size())
            FURL += '/';
    }
    FParts->EndUpdate();
}

bool TURLPath::HasHost() const
{
    return FParts->GetCount() > 0 && !Trim(FParts->GetStrings(0)).empty();
}

// ---------------------------------------------------------------------------------------------
// TURLPathItems

TURLPath* TURLPathItems::Add(const std::string& Text)
{
    return Append(std::make_unique<TURLPath>(Text));
}

TURLPath* TURLPathItems::Append(std::unique_ptr<TURLPath> Item)
{
    FItems.push_back(std::move(Item));
    return FItems.back().get();
}

TURLPath* TURLPathItems::GetItem(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FItems[static_cast<size_t>(Index)].get();
}

// ---------------------------------------------------------------------------------------------
// THTMLScan

THTMLScan::THTMLScan(TComponent* AOwner) : TComponent(AOwner), FURLs(std::make_unique<TURLPathItems>()) {}

THTMLScan::~THTMLScan() = default;

void THTMLScan::SetText(const std::string& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    Scan();
}

void THTMLScan::SetMainURL(const std::string& Value)
{
    std::string Base = Value;
    if (Base.empty() || Base.back() != '/')
        Base += '/';
    if (Base == FMainURL)
        return;
    FMainURL = std::move(Base);
    Scan();
}

void THTMLScan::Scan()
{
    // Cut as TTags cuts, but without keeping a copy of the page and its tag list: eight workers
    // scanning pages of up to 16 MiB share one 32-bit address space.
    CutTags(FText, [this](std::string_view Tag) { ScanTag(Tag); });
}

void THTMLScan::ScanTag(std::string_view Tag)
{
    for (std::string_view Keyword : kHTMLScanKeywords) {
        const size_t P = FindNoCase(Tag, Keyword);
        if (P == std::string_view::npos)
            continue;
        const size_t Q = Tag.find('=', P);
        if (Q == std::string_view::npos)
            continue;
        std::string Value = FirstWord(Tag.substr(Q + 1));
        if (Value.empty())
            continue;
        if (!IsHTTP(Value)) {
            // Other schemes (https, mailto, javascript, data) are not for a plain-HTTP crawl.
            if (HasOtherScheme(Value))
                continue;
            // Relative, also with a leading "/": joined to the page's folder.
            Value = FMainURL + StripLeadingSlash(Value);
        }
        Value = Trim(Value);
        if (Value.empty())
            continue;
        auto Path = std::make_unique<TURLPath>(Value);
        // "http://" alone leaves nothing to fetch; the rest of the page is still scanned.
        if (!Path->HasHost())
            continue;
        FURLs->Append(std::move(Path));
    }
}
