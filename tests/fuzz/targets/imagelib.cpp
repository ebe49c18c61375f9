// The images library file "imglib.db" as TImageLibrary.LoadFromStream reads it: header, then
// the picture records up to the file's count. What reads must write back and read the same.

#include <cstring>
#include <vector>

#include "engine/ImagesLibraryRecords.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

bool SameDetail(const TImageDetail& A, const TImageDetail& B)
{
    const double DA = A.GetAddedDate(), DB = B.GetAddedDate();
    return A.GetFileName() == B.GetFileName() && std::memcmp(&DA, &DB, sizeof(DA)) == 0 &&
           A.GetFileSize() == B.GetFileSize() && A.GetHeight() == B.GetHeight() && A.GetWidth() == B.GetWidth();
}

} // namespace

QM_FUZZ_TARGET(imagelib)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    std::vector<std::unique_ptr<TImageDetail>> Read;
    TImageLibraryHeader Header;
    Header.SetSignature("untouched");
    Header.SetVersion(-7);
    Header.SetCount(-9);
    bool Ours = false;
    try {
        Ours = ReadImageLibrary(S.get(), Header, [&Read](std::unique_ptr<TImageDetail> D) { Read.push_back(std::move(D)); });
    } catch (const Exception&) {
        return 0;
    }
    if (!Ours) {
        QM_FUZZ_CHECK(Read.empty());
        QM_FUZZ_CHECK(Header.GetSignature() == "untouched" && Header.GetVersion() == -7 && Header.GetCount() == -9);
        return 0;
    }
    QM_FUZZ_CHECK(Header.HasOurSignature());
    QM_FUZZ_CHECK(Header.GetCount() >= 0 && size_t(Header.GetCount()) == Read.size());
    QM_FUZZ_CHECK(Read.size() <= (Size - sizeof(TImageLibraryHeaderRecord)) / sizeof(TImageDetailRecord));
    bool Short = true; // every name fits its field with the NUL, so it writes back whole
    for (const auto& D : Read) {
        QM_FUZZ_CHECK(D->GetFileName().size() <= size_t(kImageLibraryNameSize) &&
                      D->GetFileName().find('\0') == std::string::npos);
        Short = Short && D->GetFileName().size() < size_t(kImageLibraryNameSize);
    }

    TMemoryStream Out;
    Header.SaveToStream(&Out);
    for (const auto& D : Read)
        D->SaveToStream(&Out);
    QM_FUZZ_CHECK(Out.GetSize() == int64_t(sizeof(TImageLibraryHeaderRecord) + Read.size() * sizeof(TImageDetailRecord)));
    Out.SetPosition(0);
    std::vector<std::unique_ptr<TImageDetail>> Again;
    TImageLibraryHeader Header2;
    QM_FUZZ_CHECK(ReadImageLibrary(&Out, Header2, [&Again](std::unique_ptr<TImageDetail> D) { Again.push_back(std::move(D)); }));
    QM_FUZZ_CHECK(Again.size() == Read.size() && Header2.GetVersion() == Header.GetVersion());
    for (size_t I = 0; Short && I < Read.size() && I < Again.size(); ++I)
        QM_FUZZ_CHECK(SameDetail(*Read[I], *Again[I]));

    // A record cut short raises and leaves the object as it was.
    if (!Read.empty()) {
        TMemoryStream Cut;
        Read[0]->SaveToStream(&Cut);
        Cut.SetSize(Cut.GetSize() - 1 - int64_t(Data[Size - 1] % 200));
        Cut.SetPosition(0);
        TImageDetail D;
        D.Assign(Read.back().get());
        try {
            D.LoadFromStream(&Cut);
            QM_FUZZ_CHECK(!"a cut record reads");
        } catch (const Exception&) {
        }
        QM_FUZZ_CHECK(SameDetail(D, *Read.back()));
    }

    // The size rounding over a size from the input.
    int64_t Raw = 0;
    std::memcpy(&Raw, Data + Size - std::min<size_t>(Size, 8), std::min<size_t>(Size, 8));
    const int32_t Rounded = RoundImageFileSize(Raw);
    QM_FUZZ_CHECK(Rounded >= 0 && Rounded <= kMaxImageFileSize && Rounded % 128 == 0);
    QM_FUZZ_CHECK(Raw <= 0 ? Rounded == 0 : Rounded <= Raw && (Raw > kMaxImageFileSize || Raw - Rounded < 128));
    return 0;
}
