// The link scanner over a fetched page, as a crawl uses it: the page's folder address first,
// then the page text.

#include "engine/HTMLScan.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(htmlscan)
{
    THTMLScan Scan;
    try {
        Scan.SetMainURL("http://www.example.test/gallery/2003/");
        Scan.SetText(std::string(qmfuzz::TextOf(Data, Size)));
    } catch (const Exception&) {
        return 0;
    }
    TURLPathItems* URLs = Scan.GetURLs();
    for (int32_t I = 0; I < URLs->GetCount(); ++I) {
        const std::string& URL = URLs->GetItem(I)->GetURL();
        QM_FUZZ_CHECK(URL.compare(0, 7, "http://") == 0);
        // ".." is resolved away, never kept as a folder of the address.
        std::string_view Rest = std::string_view(URL).substr(7);
        size_t Start = 0;
        for (size_t K = 0; K <= Rest.size(); ++K) {
            if (K == Rest.size() || Rest[K] == '/') {
                QM_FUZZ_CHECK(Rest.substr(Start, K - Start) != "..");
                Start = K + 1;
            }
        }
    }
    return 0;
}
