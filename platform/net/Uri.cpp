#include "platform/net/Uri.h"

void TUri::SetURI(std::string_view Uri)
{
    FProtocol.clear();
    FUsername.clear();
    FPassword.clear();
    FHost.clear();
    FPort.clear();
    FPath.clear();
    FDocument.clear();
    FParams.clear();
    FBookmark.clear();
    FHasAuthority = false;

    std::string_view Rest = Uri;
    // The fragment starts at the first "#", the query at the first "?" before it.
    const size_t Hash = Rest.find('#');
    if (Hash != std::string_view::npos) {
        FBookmark = std::string(Rest.substr(Hash + 1));
        Rest = Rest.substr(0, Hash);
    }
    const size_t Query = Rest.find('?');
    if (Query != std::string_view::npos) {
        FParams = std::string(Rest.substr(Query + 1));
        Rest = Rest.substr(0, Query);
    }

    const size_t Scheme = Rest.find("://");
    if (Scheme == std::string_view::npos) {
        const size_t Slash = Rest.rfind('/');
        const size_t Split = Slash == std::string_view::npos ? 0 : Slash + 1;
        FPath = std::string(Rest.substr(0, Split));
        FDocument = std::string(Rest.substr(Split));
        return;
    }
    FProtocol = std::string(Rest.substr(0, Scheme));
    FHasAuthority = true;
    Rest = Rest.substr(Scheme + 3);

    const size_t AuthorityEnd = Rest.find('/');
    std::string_view Authority = Rest.substr(0, AuthorityEnd);
    const std::string_view PathPart = AuthorityEnd == std::string_view::npos ? std::string_view() : Rest.substr(AuthorityEnd);

    // A password may hold "@", so the user part ends at the last one.
    const size_t At = Authority.rfind('@');
    if (At != std::string_view::npos) {
        const std::string_view User = Authority.substr(0, At);
        const size_t Colon = User.find(':');
        FUsername = std::string(User.substr(0, Colon));
        if (Colon != std::string_view::npos)
            FPassword = std::string(User.substr(Colon + 1));
        Authority = Authority.substr(At + 1);
    }
    // "[v6 address]:port" keeps its colons inside the brackets.
    const size_t Bracket = Authority.rfind(']');
    const size_t PortColon = Authority.rfind(':');
    if (PortColon != std::string_view::npos && (Bracket == std::string_view::npos || PortColon > Bracket)) {
        FHost = std::string(Authority.substr(0, PortColon));
        FPort = std::string(Authority.substr(PortColon + 1));
    } else {
        FHost = std::string(Authority);
    }

    const size_t LastSlash = PathPart.rfind('/');
    if (LastSlash == std::string_view::npos) {
        FPath.assign(1, '/'); // not = "/": GCC 12 warns falsely (-Wrestrict) on that at -O2
    } else {
        FPath = std::string(PathPart.substr(0, LastSlash + 1));
        FDocument = std::string(PathPart.substr(LastSlash + 1));
    }
}

std::string TUri::GetURI() const
{
    std::string R;
    // "://" is written whenever there is an authority to write or the parsed text had one,
    // so that parsing the result again gives the same parts.
    if (FHasAuthority || !FProtocol.empty() || !FHost.empty() || !FPort.empty() || !FUsername.empty() ||
        !FPassword.empty()) {
        R = FProtocol + "://";
        if (!FUsername.empty() || !FPassword.empty()) {
            R += FUsername;
            if (!FPassword.empty())
                R += ":" + FPassword;
            R += "@";
        }
        R += FHost;
        // A host holding ":" (not inside "[...]") needs its port's ":" even when the port is
        // empty, or the part after the host's last ":" would be read back as the port.
        const size_t Bracket = FHost.rfind(']');
        const size_t Colon = FHost.rfind(':');
        const bool HostHasColon = Colon != std::string::npos && (Bracket == std::string::npos || Colon > Bracket);
        if (!FPort.empty() || HostHasColon)
            R += ":" + FPort;
        // The path must start with "/" or it would run into the host.
        if (FPath.empty() || FPath[0] != '/')
            R += "/";
    }
    R += FPath;
    // A document without a path end would join the last folder name.
    if (!FPath.empty() && FPath.back() != '/' && !FDocument.empty())
        R += "/";
    R += FDocument;
    if (!FParams.empty())
        R += "?" + FParams;
    if (!FBookmark.empty())
        R += "#" + FBookmark;
    return R;
}
