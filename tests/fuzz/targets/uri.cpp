// The address splitter over addresses taken from pages, settings and imported tasks.

#include "platform/net/Uri.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(uri)
{
    TUri U;
    try {
        U.SetURI(qmfuzz::TextOf(Data, Size));
    } catch (const Exception&) {
        return 0;
    }
    // Open: a host holding ":" with an empty port is written without that port's ":"; with
    // an empty protocol ("://" first) that "://" is not written, so the host, port and login
    // are lost, or a later "://" starts the address on the next parse.
    QM_FUZZ_SKIP_KNOWN(U.GetPort().empty() && U.GetHost().find(':') != std::string::npos);
    QM_FUZZ_SKIP_KNOWN(U.GetProtocol().empty() && qmfuzz::TextOf(Data, Size).find("://") != std::string_view::npos);
    // Joined and split again, an address keeps its text and its parts.
    const std::string Joined = U.GetURI();
    TUri Again(Joined);
    QM_FUZZ_CHECK(Again.GetURI() == Joined);
    QM_FUZZ_CHECK(Again.GetHost() == U.GetHost());
    QM_FUZZ_CHECK(Again.GetPort() == U.GetPort());
    QM_FUZZ_CHECK(Again.GetParams() == U.GetParams());
    return 0;
}
