// A task's project file and its failed-address file, read as TTask::LoadFromFile reads them:
// the header, the options record (each possibly cut short), the address lines in pieces, then the
// failed-address lines. The first byte: bit 0 set puts a written header and options record in
// front of the first file (so the fuzzer works on the lines), the other bits give the piece size.

#include <cstring>
#include <memory>

#include "engine/ProjectFile.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Lines of Text fed in Piece-byte pieces, as the reader feeds its 64 KiB buffers.
std::vector<std::string> PieceLines(std::string_view Text, size_t Piece)
{
    std::vector<std::string> Lines;
    TLineSplitter Splitter;
    auto OnLine = [&Lines](std::string_view L) { Lines.emplace_back(L); };
    for (size_t At = 0; At < Text.size(); At += Piece)
        Splitter.Feed(Text.substr(At, Piece), OnLine);
    Splitter.Finish(OnLine);
    return Lines;
}

bool SameDouble(double A, double B)
{
    return std::memcmp(&A, &B, sizeof(A)) == 0;
}

// A read field written back is the same text, cut to its terminated size.
std::string Cut(const std::string& S, size_t Size)
{
    return S.substr(0, Size - 1);
}

} // namespace

QM_FUZZ_TARGET(project)
{
    if (Size < 1)
        return 0;
    const bool Compact = (Data[0] & 1) != 0;
    const size_t Piece = size_t(Data[0] >> 1) + 1;
    const qmfuzz::TTwoFiles Files = qmfuzz::SplitTwo(Data + 1, Size - 1);
    std::string Project;
    if (Compact) {
        TProjectHeaderRec H;
        EncodeProjectHeader(TProjectHeaderData{"task", "", "http://www.example.test/", "{1}", 1, 0}, H);
        auto O = std::make_unique<TOptionsRec>();
        EncodeOptionsRecord(TOptionsData{}, *O);
        Project.assign(reinterpret_cast<const char*>(&H), sizeof(H));
        Project.append(reinterpret_cast<const char*>(O.get()), sizeof(*O));
    }
    Project.append(Files.First);
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Project.data());

    try {
        // The header.
        const size_t HeaderGot = std::min(Project.size(), kProjectHeaderSize);
        const TProjectHeaderData H = DecodeProjectHeader(Bytes, HeaderGot);
        for (const std::string* S : {&H.Name, &H.Note, &H.StartURL, &H.ID})
            QM_FUZZ_CHECK(S->size() <= kProjectTextSize && S->find('\0') == std::string::npos);
        TProjectHeaderRec HRec;
        EncodeProjectHeader(H, HRec);
        const TProjectHeaderData H2 = DecodeProjectHeader(reinterpret_cast<const uint8_t*>(&HRec), sizeof(HRec));
        QM_FUZZ_CHECK(H2.Name == Cut(H.Name, 1024) && H2.Note == Cut(H.Note, 1024) &&
                      H2.StartURL == Cut(H.StartURL, 1024) && H2.ID == Cut(H.ID, 1024));
        QM_FUZZ_CHECK(H2.State == H.State && H2.SavedCount == H.SavedCount);

        // The options record: none when the header is cut short, else what follows of it.
        size_t Valid = 0;
        const uint8_t* OBytes = nullptr;
        if (HeaderGot == kProjectHeaderSize) {
            OBytes = Bytes + kProjectHeaderSize;
            Valid = std::min(Project.size() - kProjectHeaderSize, kOptionsRecordSize);
        }
        // The reader hands over a buffer of the full size; give exactly the bytes read, so an
        // access past them is seen.
        std::vector<uint8_t> Exact(OBytes, OBytes + Valid);
        const TOptionsData D = DecodeOptionsRecord(Exact.empty() ? nullptr : Exact.data(), Valid);
        for (const auto* L : {&D.FileMasks, &D.ExcludeFiles, &D.ExcludeWebsites}) {
            QM_FUZZ_CHECK(L->size() <= kProjectListSlots);
            for (const std::string& S : *L)
                QM_FUZZ_CHECK(S.size() <= kProjectTextSize && S != kProjectListEnd);
        }
        auto ORec = std::make_unique<TOptionsRec>();
        EncodeOptionsRecord(D, *ORec);
        const TOptionsData D2 = DecodeOptionsRecord(reinterpret_cast<const uint8_t*>(ORec.get()), sizeof(*ORec));
        QM_FUZZ_CHECK(D2.DefaultFolder == Cut(D.DefaultFolder, 1024) && D2.LoginUser == Cut(D.LoginUser, 1024) &&
                      D2.LoginPassword == Cut(D.LoginPassword, 1024) &&
                      D2.ProxyServerAddr == Cut(D.ProxyServerAddr, 1024) &&
                      D2.DefaultLogFolder == Cut(D.DefaultLogFolder, 1024));
        QM_FUZZ_CHECK(D2.FileMaxSize == D.FileMaxSize && D2.FileMinSize == D.FileMinSize && D2.SeekDeep == D.SeekDeep &&
                      D2.ProxyServerPort == D.ProxyServerPort && D2.SchemeType == D.SchemeType &&
                      D2.SchemeCount == D.SchemeCount && D2.TimeOut == D.TimeOut && D2.CloseOption == D.CloseOption);
        QM_FUZZ_CHECK(SameDouble(D2.StartDate, D.StartDate) && SameDouble(D2.StartTime, D.StartTime));
        QM_FUZZ_CHECK(D2.EnableFileLimit == D.EnableFileLimit && D2.UseLogin == D.UseLogin &&
                      D2.SaveAsWebStructure == D.SaveAsWebStructure && D2.AutoSaveLog == D.AutoSaveLog);
        const std::pair<const std::vector<std::string>*, const std::vector<std::string>*> Lists[] = {
            {&D.FileMasks, &D2.FileMasks}, {&D.ExcludeFiles, &D2.ExcludeFiles}, {&D.ExcludeWebsites, &D2.ExcludeWebsites}};
        for (const auto& [A, B] : Lists) {
            // A cut entry (1023 bytes) can never turn into the end marker.
            QM_FUZZ_CHECK(B->size() == A->size());
            for (size_t I = 0; I < B->size(); ++I)
                QM_FUZZ_CHECK((*B)[I] == Cut((*A)[I], 1024));
        }

        // The address lines after both records.
        const size_t LinesAt = std::min(Project.size(), kProjectHeaderSize + kOptionsRecordSize);
        const std::string_view Text = std::string_view(Project).substr(LinesAt);
        const std::vector<std::string> Lines = PieceLines(Text, Piece);
        // Whole or in pieces, the same lines (none here is over the splitter's 1 MiB limit).
        const std::vector<std::string_view> Whole = SplitTextLines(Text);
        QM_FUZZ_CHECK(Whole.size() == Lines.size());
        for (size_t I = 0; I < Lines.size() && I < Whole.size(); ++I)
            QM_FUZZ_CHECK(Whole[I] == Lines[I]);
        for (const std::string& L : Lines) {
            QM_FUZZ_CHECK(L.find_first_of("\r\n") == std::string::npos);
            bool Done = false;
            int32_t Depth = 0;
            std::string Address;
            if (!ParseItemLine(L, Done, Depth, Address))
                continue;
            QM_FUZZ_CHECK(!Address.empty() && L.size() >= Address.size() + 2);
            QM_FUZZ_CHECK(L.compare(L.size() - Address.size(), Address.size(), Address) == 0);
            // What the writer makes of a read line reads back the same.
            bool Done2 = false;
            int32_t Depth2 = 0;
            std::string Address2;
            QM_FUZZ_CHECK(ParseItemLine(FormatItemLine(Done, Depth, Address), Done2, Depth2, Address2));
            QM_FUZZ_CHECK(Done2 == Done && Depth2 == Depth && Address2 == Address);
        }

        // The failed-address file: each line that is not blank is one address.
        for (const std::string& L : PieceLines(Files.Second, Piece)) {
            QM_FUZZ_CHECK(L.find_first_of("\r\n") == std::string::npos);
            Trim(L);
        }
    } catch (const Exception&) {
    }
    return 0;
}
