// Task-list files made by the import's own record writer, and index files.

#include <array>

#include "engine/ImportRecords.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::string ListFile(const std::vector<std::array<std::string, 3>>& Items)
{
    TMemoryStream S;
    int32_t N = 1;
    for (const auto& [Name, URL, Category] : Items) {
        TProjectItem I;
        I.SetNumber(N++);
        I.SetName(Name);
        I.SetURL(URL);
        I.SetCategory(Category);
        I.WriteToStream(&S);
    }
    return std::string(static_cast<const char*>(S.Memory()), size_t(S.GetSize()));
}

} // namespace

void AddImportSeeds(std::vector<TSeed>& Out)
{
    const std::string List = ListFile({{"Cars", "http://www.example.test/cars/", "Vehicles"},
                                       {"Boats", "http://www.example.test/boats/", ""},
                                       {"..\\up", "http://evil.example.test/", "../../windows"},
                                       {"CON", "http://d.example.test/", "aux"},
                                       {"   ", "http://blank.example.test/", "x"},
                                       {std::string(250, 'n'), std::string(250, 'u'), std::string(250, 'c')}});
    const std::string Index = "lists1.dat\r\nlists2.dat\nwith space#hash.dat\n\n\x01ctl\nlast\r";
    Out.push_back({"small", JoinTwo(ListFile({{"One", "http://o.example.test/", "C"}}), "one.dat\n")});
    Out.push_back({"index_only", JoinTwo("", Index)});
    Out.push_back({"list_only", JoinTwo(List, "")});
    Out.push_back({"both", JoinTwo(List, Index)});
    Out.push_back({"partial_record", JoinTwo(List.substr(0, List.size() - 100), Index)});
    std::string Many;
    for (int I = 0; I < 80; ++I)
        Many += "list" + std::to_string(I) + ".dat\n";
    Many += std::string(300, 'L') + "\n";
    Out.push_back({"many_lists", JoinTwo(List.substr(0, 604), Many)});
}

} // namespace qmfuzz
