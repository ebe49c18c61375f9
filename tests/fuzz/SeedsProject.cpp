// Project and failed-address files made by the project file's own writers.

#include <algorithm>
#include <memory>

#include "engine/ProjectFile.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::string ItemLines()
{
    std::string T;
    T += FormatItemLine(false, 3, "http://www.example.test/") + "\r\n";
    T += FormatItemLine(true, 2, "http://www.example.test/gallery/a,b.jpg") + "\r\n";
    T += FormatItemLine(true, -1, "http://www.example.test/x y/") + "\n";
    T += "notanumber,$7F,http://www.example.test/hex\r";
    T += "\r\n,,\r\n1,2\r\n0,1,last-without-end";
    return T;
}

const std::string FailedLines = "http://www.example.test/gone.jpg\r\n   \r\nhttp://b.example.test/\nhttp://c.example.test/z";

std::string WholeFile(const TOptionsData& O, const std::string& Lines)
{
    TProjectHeaderRec H;
    EncodeProjectHeader(TProjectHeaderData{"Pictures", "note", "http://www.example.test/", "{0A1B}", 3, 42}, H);
    auto R = std::make_unique<TOptionsRec>();
    EncodeOptionsRecord(O, *R);
    std::string F(reinterpret_cast<const char*>(&H), sizeof(H));
    F.append(reinterpret_cast<const char*>(R.get()), sizeof(*R));
    return F + Lines;
}

std::vector<uint8_t> WithMode(uint8_t Mode, const std::vector<uint8_t>& Rest)
{
    // Sized first: GCC 12 warns falsely about inserting after a one-byte vector.
    std::vector<uint8_t> V(1 + Rest.size());
    V[0] = Mode;
    std::copy(Rest.begin(), Rest.end(), V.begin() + 1);
    return V;
}

} // namespace

void AddProjectSeeds(std::vector<TSeed>& Out)
{
    // Small ones first: the replay test also feeds every prefix of the first three.
    Out.push_back({"lines_piece1", WithMode(1, JoinTwo(ItemLines(), FailedLines))});
    Out.push_back({"lines_piece64", WithMode(1 | 63 << 1, JoinTwo(ItemLines(), FailedLines))});
    Out.push_back({"lines_no_failed", WithMode(1 | 2 << 1, JoinTwo(ItemLines(), ""))});
    TProjectHeaderRec H;
    EncodeProjectHeader(TProjectHeaderData{"Header only", "", "http://h.example.test/", "{1}", 1, 0}, H);
    Out.push_back({"header_only", WithMode(0, JoinTwo(std::string_view(reinterpret_cast<const char*>(&H), sizeof(H)), ""))});

    TOptionsData O;
    O.DefaultFolder = "C:\\Pictures";
    O.EnableFileLimit = true;
    O.FileMaxSize = 1 << 20;
    O.FileMinSize = 1024;
    O.SeekDeep = 5;
    O.UseProxyServer = true;
    O.ProxyServerAddr = "proxy.example.test";
    O.ProxyServerPort = 8080;
    O.DefaultLogFolder = "C:\\Logs";
    O.AutoSaveLog = true;
    O.FileMasks = {"*.jpg", "*.gif", "*.png"};
    O.ExcludeFiles = {"banner*"};
    O.ExcludeWebsites = {"ads.example.test"};
    O.SchemeType = 2;
    O.SchemeCount = 7;
    O.StartDate = 37800;
    O.StartTime = 0.5;
    O.UseLogin = true;
    O.LoginUser = "user";
    O.LoginPassword = "secret";
    O.TimeOut = 30;
    O.CloseOption = 1;
    O.SaveAsWebStructure = true;
    Out.push_back({"whole", WithMode(0, JoinTwo(WholeFile(O, ItemLines()), FailedLines))});
    // Full lists have no end marker; a list cut by the end of the file.
    TOptionsData Full;
    for (int I = 0; I < 256; ++I) {
        Full.FileMasks.push_back("*.m" + std::to_string(I));
        Full.ExcludeWebsites.push_back(std::string(1023, char('a' + I % 26)));
    }
    Out.push_back({"full_lists", WithMode(2 << 1, JoinTwo(WholeFile(Full, "0,0,http://x.example.test/\r\n"), ""))});
    const std::string Cut = WholeFile(O, "").substr(0, kProjectHeaderSize + offsetof(TOptionsRec, ExcludeFiles) + 1500);
    Out.push_back({"cut_in_list", WithMode(0, JoinTwo(Cut, FailedLines))});
}

} // namespace qmfuzz
