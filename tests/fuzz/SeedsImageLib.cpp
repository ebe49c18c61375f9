// Images library files made by the library's own record writers.

#include "engine/ImagesLibraryRecords.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::vector<uint8_t> Library(int32_t Count, int32_t Records, bool Ours = true)
{
    TMemoryStream S;
    TImageLibraryHeader H;
    if (!Ours)
        H.SetSignature("Some Other Library File");
    H.SetCount(Count);
    H.SaveToStream(&S);
    for (int32_t I = 0; I < Records; ++I) {
        TImageDetail D;
        D.SetFileName(I == 2 ? std::string(300, 'p') : "C:\\Pictures\\Site\\picture" + std::to_string(I) + ".jpg");
        D.SetAddedDate(37800.5 + I);
        D.SetFileSize(RoundImageFileSize(1000 * (I + 1) + 77));
        D.SetHeight(480 + I);
        D.SetWidth(640 - I);
        D.SaveToStream(&S);
    }
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

} // namespace

void AddImageLibSeeds(std::vector<TSeed>& Out)
{
    Out.push_back({"empty.db", Library(0, 0)});
    Out.push_back({"one.db", Library(1, 1)});
    Out.push_back({"five.db", Library(5, 5)});
    Out.push_back({"count_above_records.db", Library(1000000, 3)});
    Out.push_back({"count_below_records.db", Library(2, 4)});
    Out.push_back({"negative_count.db", Library(-1, 2)});
    Out.push_back({"foreign.db", Library(2, 2, false)});
    std::vector<uint8_t> Cut = Library(3, 3);
    Cut.resize(Cut.size() - 100);
    Out.push_back({"cut_record.db", Cut});
}

} // namespace qmfuzz
