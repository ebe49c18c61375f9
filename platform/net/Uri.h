#pragma once
// Splits an address into its parts and joins them again, keeping the text as written:
// no percent-decoding, no change of case, no ".." resolution.
//
// Protocol "://" [Username [":" Password] "@"] Host [":" Port] Path Document ["?" Params] ["#" Bookmark]
// Without "://" there is no protocol and no host: the text before the query is Path (up to its
// last "/", may be empty) and Document.

#include <string>
#include <string_view>

#include "platform/rtl/SysUtils.h"

class TUri : public TObject {
public:
    TUri() = default;
    explicit TUri(std::string_view Uri) { SetURI(Uri); }
    std::string ClassName() const override { return "TUri"; }

    std::string GetURI() const; // the full address; parsing it again gives the same text
    void SetURI(std::string_view Uri);

    const std::string& GetProtocol() const { return FProtocol; }
    void SetProtocol(const std::string& Value) { FProtocol = Value; }
    const std::string& GetUsername() const { return FUsername; }
    void SetUsername(const std::string& Value) { FUsername = Value; }
    const std::string& GetPassword() const { return FPassword; }
    void SetPassword(const std::string& Value) { FPassword = Value; }
    const std::string& GetHost() const { return FHost; }
    void SetHost(const std::string& Value) { FHost = Value; }
    const std::string& GetPort() const { return FPort; } // empty when none, never a default
    void SetPort(const std::string& Value) { FPort = Value; }
    const std::string& GetPath() const { return FPath; }
    void SetPath(const std::string& Value) { FPath = Value; }
    const std::string& GetDocument() const { return FDocument; }
    void SetDocument(const std::string& Value) { FDocument = Value; }
    const std::string& GetParams() const { return FParams; }
    void SetParams(const std::string& Value) { FParams = Value; }
    const std::string& GetBookmark() const { return FBookmark; }
    void SetBookmark(const std::string& Value) { FBookmark = Value; }

private:
    std::string FProtocol, FUsername, FPassword, FHost, FPort, FPath, FDocument, FParams, FBookmark;
    bool FHasAuthority = false; // the parsed text held "://", even with an empty protocol
};
