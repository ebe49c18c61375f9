#pragma once
// The link scanner: turns one fetched page into absolute addresses, taken from the value after
// every "src", "href" or "url" keyword inside a tag. No HTML parsing beyond cutting at "<" and
// ">"; the cost is linear in the size of the page.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/StringList.h"

// Searched in this order inside each tag.
inline constexpr std::array<std::string_view, 3> kHTMLScanKeywords = {"src", "href", "url"};

// True when the text starts with "http:" in any case, and for an empty text. Only such values
// are taken as absolute, so "httpd.jpg" stays relative.
bool IsHTTP(std::string_view S);
// True when the text names a scheme of its own other than "http:" ("https:", "mailto:",
// "javascript:", "data:"...): a letter, then letters, digits, "+", "-" or ".", then ":",
// with no "/" before that ":".
bool HasOtherScheme(std::string_view S);
// The text up to its first white space (blank, tab, CR, LF, form feed), without any double or
// single quote, trimmed.
std::string FirstWord(std::string_view S);
// A text of at least two characters loses a leading "/"; others stay.
std::string StripLeadingSlash(std::string_view S);
// True for an empty extension and for shtml, html, htm, asp, php, dll and cgi (with or without
// the leading dot, ignoring case and surrounding blanks).
bool IsHTMLPage(std::string_view Ext);

// The tag texts of a page: what lies between each "<" and the next ">".
class TTags : public TPersistent {
public:
    TTags();
    TTags(const TTags&) = delete;
    TTags& operator=(const TTags&) = delete;
    ~TTags() override;
    std::string ClassName() const override { return "TTags"; }

    void Assign(TPersistent* Source) override; // copies the text (and so the tags)

    const std::string& GetText() const { return FText; }
    void SetText(const std::string& Value); // parses only when the text changes
    TStringList* GetTags() const { return FTags.get(); }

private:
    void Parse();

    std::string FText;
    std::unique_ptr<TStringList> FTags;
};

// One collected address: the text it came from, cut into segments with ".." resolved, and
// rebuilt as "http://segment/.../segment" without a trailing "/".
class TURLPath : public TPersistent {
public:
    explicit TURLPath(const std::string& Text = std::string());
    TURLPath(const TURLPath&) = delete;
    TURLPath& operator=(const TURLPath&) = delete;
    ~TURLPath() override;
    std::string ClassName() const override { return "TURLPath"; }

    void Assign(TPersistent* Source) override; // sets the same source text

    const std::string& GetURL() const { return FURL; }
    const std::string& GetSourceText() const { return FSourceText; }
    void SetURL(const std::string& Text); // rebuilds only when the text changes
    TStringList* GetParts() const { return FParts.get(); }
    // False when no host is left to build an address from ("http://" alone, "http:///x").
    bool HasHost() const;

private:
    std::string FURL;
    std::string FSourceText;
    std::unique_ptr<TStringList> FParts;
};

// The scanner's owned list of collected addresses.
class TURLPathItems : public TObject {
public:
    TURLPathItems() = default;
    TURLPathItems(const TURLPathItems&) = delete;
    TURLPathItems& operator=(const TURLPathItems&) = delete;
    std::string ClassName() const override { return "TURLPathItems"; }

    TURLPath* Add(const std::string& Text);
    TURLPath* Append(std::unique_ptr<TURLPath> Item); // takes ownership
    // A bad index raises EListError.
    TURLPath* GetItem(int32_t Index) const;
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TURLPath>> FItems;
};

// One scanner per page: set the base address first, then the text; each change rescans and
// appends to URLs, which is never cleared.
class THTMLScan : public TComponent {
public:
    explicit THTMLScan(TComponent* AOwner = nullptr);
    ~THTMLScan() override;
    std::string ClassName() const override { return "THTMLScan"; }

    const std::string& GetText() const { return FText; }
    void SetText(const std::string& Value);
    const std::string& GetMainURL() const { return FMainURL; }
    // Stored with a trailing "/"; a value equal to the stored one after that does not rescan.
    void SetMainURL(const std::string& Value);
    TURLPathItems* GetURLs() const { return FURLs.get(); }

    // Collects the links of the current text after those already collected.
    void Scan();

private:
    void ScanTag(std::string_view Tag);

    std::string FText;
    std::string FMainURL;
    std::unique_ptr<TURLPathItems> FURLs;
};
