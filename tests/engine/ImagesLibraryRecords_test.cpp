// The images library's records and its tolerant reader: byte layouts, crafted and hostile files.
// Runtime only, so it also runs natively under the sanitizers.
#include "engine/ImagesLibraryRecords.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/Stream.h"
#include "platform/rtl/SysUtils.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes StreamBytes(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return TBytes(P, P + S.GetSize());
}

int32_t I32At(const TBytes& B, size_t Offset)
{
    int32_t V;
    std::memcpy(&V, B.data() + Offset, 4);
    return V;
}

double F64At(const TBytes& B, size_t Offset)
{
    double V;
    std::memcpy(&V, B.data() + Offset, 8);
    return V;
}

void PutI32(TBytes& B, size_t Offset, int32_t V)
{
    std::memcpy(B.data() + Offset, &V, 4);
}

// A header as a foreign writer might make it: the text, then whatever Fill says.
TBytes MakeHeader(const std::string& Signature, int32_t Version, int32_t Count, uint8_t Fill = 0)
{
    TBytes B(264, Fill);
    std::memcpy(B.data(), Signature.data(), std::min<size_t>(Signature.size(), 256));
    if (Signature.size() < 256)
        B[Signature.size()] = 0;
    PutI32(B, 256, Version);
    PutI32(B, 260, Count);
    return B;
}

TBytes MakeRecord(const std::string& Name, double Date, int32_t Size, int32_t Height, int32_t Width,
                  uint8_t Fill = 0)
{
    TBytes B(280, Fill);
    std::memcpy(B.data(), Name.data(), std::min<size_t>(Name.size(), 256));
    if (Name.size() < 256)
        B[Name.size()] = 0;
    std::memcpy(B.data() + 256, &Date, 8);
    PutI32(B, 264, Size);
    PutI32(B, 268, Height);
    PutI32(B, 272, Width);
    return B;
}

void Append(TBytes& To, const TBytes& From)
{
    To.insert(To.end(), From.begin(), From.end());
}

std::unique_ptr<TMemoryStream> StreamOf(const TBytes& B)
{
    auto S = std::make_unique<TMemoryStream>();
    if (!B.empty())
        S->WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
    S->SetPosition(0);
    return S;
}

struct TReadResult {
    bool Ours = false;
    std::vector<std::unique_ptr<TImageDetail>> Records;
};

TReadResult ReadAll(TStream* S, TImageLibraryHeader& Header)
{
    TReadResult R;
    R.Ours = ReadImageLibrary(S, Header, [&R](std::unique_ptr<TImageDetail> D) { R.Records.push_back(std::move(D)); });
    return R;
}

// Hands out at most one byte per call: a reader must not take a short read for the end.
class TTrickleStream : public TMemoryStream {
public:
    int32_t Read(void* Buffer, int32_t Count) override { return TMemoryStream::Read(Buffer, Count > 0 ? 1 : 0); }
};

// Fails with an input-output error once Limit bytes were read.
class TFailingReadStream : public TMemoryStream {
public:
    explicit TFailingReadStream(int64_t Limit) : FLimit(Limit) {}
    int32_t Read(void* Buffer, int32_t Count) override
    {
        if (GetPosition() + Count > FLimit)
            throw EInOutError("device error", 23);
        return TMemoryStream::Read(Buffer, Count);
    }

private:
    int64_t FLimit;
};

// Accepts Limit bytes, then refuses to write.
class TFullStream : public TMemoryStream {
public:
    explicit TFullStream(int64_t Limit) : FLimit(Limit) {}
    int32_t Write(const void* Buffer, int32_t Count) override
    {
        const int64_t Room = FLimit - GetPosition();
        if (Room <= 0)
            return 0;
        return TMemoryStream::Write(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, Room)));
    }

private:
    int64_t FLimit;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Layouts

TEST(ImageLibraryRecords, HeaderIsWrittenAs264BytesWithZerosAfterTheSignature)
{
    TImageLibraryHeader H;
    EXPECT_EQ(H.GetSignature(), "Quillmoor Images Library File");
    EXPECT_EQ(H.GetVersion(), 227);
    EXPECT_EQ(H.GetCount(), 0);
    H.SetCount(3);
    TMemoryStream S;
    H.SaveToStream(&S);
    const TBytes B = StreamBytes(S);
    ASSERT_EQ(B.size(), 264u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data()), 29), "Quillmoor Images Library File");
    for (size_t I = 29; I < 256; ++I)
        ASSERT_EQ(B[I], 0) << "byte " << I;
    EXPECT_EQ(B[256], 227);
    EXPECT_EQ(B[257], 0);
    EXPECT_EQ(B[258], 0);
    EXPECT_EQ(B[259], 0);
    EXPECT_EQ(B[260], 3);
    EXPECT_EQ(B[261], 0);
    EXPECT_EQ(B[262], 0);
    EXPECT_EQ(B[263], 0);
}

TEST(ImageLibraryRecords, DetailIsWrittenAs280BytesInSizeHeightWidthOrder)
{
    TImageDetail D;
    D.SetFileName("C:\\pics\\a.jpg");
    D.SetAddedDate(45123.625);
    D.SetFileSize(896);
    D.SetHeight(480);
    D.SetWidth(640);
    TMemoryStream S;
    D.SaveToStream(&S);
    const TBytes B = StreamBytes(S);
    ASSERT_EQ(B.size(), 280u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data())), "C:\\pics\\a.jpg");
    for (size_t I = 13; I < 256; ++I)
        ASSERT_EQ(B[I], 0) << "byte " << I;
    EXPECT_EQ(F64At(B, 256), 45123.625);
    EXPECT_EQ(I32At(B, 264), 896);
    EXPECT_EQ(I32At(B, 268), 480);
    EXPECT_EQ(I32At(B, 272), 640);
    for (size_t I = 276; I < 280; ++I)
        EXPECT_EQ(B[I], 0) << "byte " << I;
    // Little-endian in the file: the low byte of 640 (0x280) first.
    EXPECT_EQ(B[272], 0x80);
    EXPECT_EQ(B[273], 0x02);
}

TEST(ImageLibraryRecords, NewDetailIsEmptyAndAssignCopiesEveryField)
{
    TImageDetail Empty;
    EXPECT_EQ(Empty.GetFileName(), "");
    EXPECT_EQ(Empty.GetAddedDate(), 0.0);
    EXPECT_EQ(Empty.GetFileSize(), 0);
    EXPECT_EQ(Empty.GetHeight(), 0);
    EXPECT_EQ(Empty.GetWidth(), 0);

    TImageDetail A;
    A.SetFileName("x.png");
    A.SetAddedDate(1.5);
    A.SetFileSize(128);
    A.SetHeight(-1);
    A.SetWidth(-1);
    TImageDetail B;
    B.Assign(&A);
    EXPECT_EQ(B.GetFileName(), "x.png");
    EXPECT_EQ(B.GetAddedDate(), 1.5);
    EXPECT_EQ(B.GetFileSize(), 128);
    EXPECT_EQ(B.GetHeight(), -1);
    EXPECT_EQ(B.GetWidth(), -1);

    TImageLibraryHeader H;
    H.SetCount(7);
    H.SetVersion(1);
    H.SetSignature("other");
    TImageLibraryHeader H2;
    H2.Assign(&H);
    EXPECT_EQ(H2.GetCount(), 7);
    EXPECT_EQ(H2.GetVersion(), 1);
    EXPECT_EQ(H2.GetSignature(), "other");
    // Neither kind takes the other.
    EXPECT_THROW(B.Assign(&H), EConvertError);
    EXPECT_THROW(H2.Assign(&A), EConvertError);
}

TEST(ImageLibraryRecords, DetailRoundTripsEveryValueBitForBit)
{
    TImageDetail A;
    A.SetFileName("D:\\Zirovudi dira Riv\\Images\\\xE9t\xE9.gif"); // 8-bit system code page text
    A.SetAddedDate(-693593.999);
    A.SetFileSize(std::numeric_limits<int32_t>::min());
    A.SetHeight(std::numeric_limits<int32_t>::max());
    A.SetWidth(-1);
    TMemoryStream S;
    A.SaveToStream(&S);
    S.SetPosition(0);
    TImageDetail B;
    B.LoadFromStream(&S);
    EXPECT_EQ(B.GetFileName(), A.GetFileName());
    EXPECT_EQ(B.GetAddedDate(), A.GetAddedDate());
    EXPECT_EQ(B.GetFileSize(), A.GetFileSize());
    EXPECT_EQ(B.GetHeight(), A.GetHeight());
    EXPECT_EQ(B.GetWidth(), A.GetWidth());
}

TEST(ImageLibraryRecords, LongNameIsCutTo255BytesOnDiskAndKeptWholeInMemory)
{
    std::string Long;
    for (int I = 0; I < 300; ++I)
        Long += static_cast<char>('a' + I % 26);
    TImageDetail D;
    D.SetFileName(Long);
    TMemoryStream S;
    D.SaveToStream(&S);
    EXPECT_EQ(D.GetFileName(), Long);
    const TBytes B = StreamBytes(S);
    ASSERT_EQ(B.size(), 280u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(B.data()), 255), Long.substr(0, 255));
    EXPECT_EQ(B[255], 0);
    S.SetPosition(0);
    TImageDetail R;
    R.LoadFromStream(&S);
    EXPECT_EQ(R.GetFileName(), Long.substr(0, 255));

    // Exactly 255 fits whole; 256 loses its last byte.
    D.SetFileName(Long.substr(0, 255));
    TMemoryStream S2;
    D.SaveToStream(&S2);
    S2.SetPosition(0);
    R.LoadFromStream(&S2);
    EXPECT_EQ(R.GetFileName(), Long.substr(0, 255));
}

TEST(ImageLibraryRecords, NameIsReadUpToItsFirstNulWithinItsField)
{
    // Junk after the NUL means nothing.
    TBytes B = MakeRecord("a.bmp", 2.0, 256, 3, 4, 0xCC);
    auto S = StreamOf(B);
    TImageDetail D;
    D.LoadFromStream(S.get());
    EXPECT_EQ(D.GetFileName(), "a.bmp");
    EXPECT_EQ(D.GetFileSize(), 256);
    EXPECT_EQ(D.GetHeight(), 3);
    EXPECT_EQ(D.GetWidth(), 4);

    // No NUL at all: the name stops at the field's end, not in the numbers after it.
    TBytes NoNul(280, 'Q');
    PutI32(NoNul, 264, 128);
    auto S2 = StreamOf(NoNul);
    D.LoadFromStream(S2.get());
    EXPECT_EQ(D.GetFileName(), std::string(256, 'Q'));
    EXPECT_EQ(D.GetFileSize(), 128);
}

TEST(ImageLibraryRecords, ShortRecordRaisesAndLeavesTheDetailAsItWas)
{
    TBytes B = MakeRecord("b.png", 1.0, 1, 2, 3);
    B.resize(279);
    auto S = StreamOf(B);
    TImageDetail D;
    D.SetFileName("kept");
    EXPECT_THROW(D.LoadFromStream(S.get()), EReadError);
    EXPECT_EQ(D.GetFileName(), "kept");

    TBytes H = MakeHeader(kImageLibrarySignature, 227, 1);
    H.resize(263);
    auto S2 = StreamOf(H);
    TImageLibraryHeader Header;
    EXPECT_THROW(Header.LoadFromStream(S2.get()), EReadError);
    EXPECT_EQ(Header.GetCount(), 0);
}

TEST(ImageLibraryRecords, WritingToAFullStreamRaises)
{
    TFullStream S(100);
    TImageLibraryHeader H;
    EXPECT_THROW(H.SaveToStream(&S), EWriteError);
    TFullStream S2(300);
    TImageDetail D;
    D.SaveToStream(&S2);
    EXPECT_THROW(D.SaveToStream(&S2), EWriteError);
}

// ---------------------------------------------------------------------------------------------
// The tolerant reader

TEST(ImageLibraryRecords, ReadsEveryRecordOfAGoodFileInOrder)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 3);
    Append(B, MakeRecord("one", 1.0, 128, 10, 20));
    Append(B, MakeRecord("two", 2.0, 256, 11, 21));
    Append(B, MakeRecord("three", 3.0, 384, 12, 22));
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    auto R = ReadAll(S.get(), H);
    EXPECT_TRUE(R.Ours);
    ASSERT_EQ(R.Records.size(), 3u);
    EXPECT_EQ(R.Records[0]->GetFileName(), "one");
    EXPECT_EQ(R.Records[1]->GetFileName(), "two");
    EXPECT_EQ(R.Records[2]->GetFileName(), "three");
    EXPECT_EQ(R.Records[2]->GetAddedDate(), 3.0);
    EXPECT_EQ(R.Records[2]->GetFileSize(), 384);
    EXPECT_EQ(R.Records[2]->GetHeight(), 12);
    EXPECT_EQ(R.Records[2]->GetWidth(), 22);
    EXPECT_EQ(H.GetCount(), 3);
    EXPECT_EQ(H.GetVersion(), 227);
}

TEST(ImageLibraryRecords, SignatureDifferingInOneLetterReadsNothing)
{
    TBytes B = MakeHeader("Quillmoor Images Library Filf", 227, 1);
    Append(B, MakeRecord("one", 1.0, 128, 10, 20));
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    H.SetCount(42);
    auto R = ReadAll(S.get(), H);
    EXPECT_FALSE(R.Ours);
    EXPECT_TRUE(R.Records.empty());
    EXPECT_EQ(H.GetCount(), 42); // untouched

    // Letter case counts too, and so does text past our signature before the NUL.
    for (const char* Sig : {"quillmoor Images Library File", "Quillmoor Images Library File!", "",
                            "Quillmoor Images Library Fil"}) {
        TBytes C = MakeHeader(Sig, 227, 1);
        Append(C, MakeRecord("one", 1.0, 128, 10, 20));
        auto S2 = StreamOf(C);
        EXPECT_FALSE(ReadAll(S2.get(), H).Ours) << Sig;
    }
}

TEST(ImageLibraryRecords, SignatureFieldWithoutNulIsForeignAndReadSafely)
{
    TBytes B(264, 'Q');
    PutI32(B, 260, 1);
    Append(B, MakeRecord("one", 1.0, 128, 10, 20));
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    EXPECT_FALSE(ReadAll(S.get(), H).Ours);
}

TEST(ImageLibraryRecords, JunkAfterTheSignaturesNulIsIgnored)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 1, 0xAB);
    Append(B, MakeRecord("one", 1.0, 128, 10, 20, 0xAB));
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    auto R = ReadAll(S.get(), H);
    EXPECT_TRUE(R.Ours);
    ASSERT_EQ(R.Records.size(), 1u);
    EXPECT_EQ(R.Records[0]->GetFileName(), "one");
}

TEST(ImageLibraryRecords, OtherVersionsLoadAsLongAsTheSignatureIsOurs)
{
    for (int32_t Version : {1, 0, -1, 228, std::numeric_limits<int32_t>::max()}) {
        TBytes B = MakeHeader(kImageLibrarySignature, Version, 1);
        Append(B, MakeRecord("v", 1.0, 128, 1, 1));
        auto S = StreamOf(B);
        TImageLibraryHeader H;
        auto R = ReadAll(S.get(), H);
        EXPECT_TRUE(R.Ours) << Version;
        EXPECT_EQ(R.Records.size(), 1u) << Version;
        EXPECT_EQ(H.GetVersion(), Version);
    }
}

TEST(ImageLibraryRecords, ZeroOrNegativeCountReadsNothing)
{
    for (int32_t Count : {0, -5, std::numeric_limits<int32_t>::min()}) {
        TBytes B = MakeHeader(kImageLibrarySignature, 227, Count);
        Append(B, MakeRecord("present but not counted", 1.0, 128, 1, 1));
        auto S = StreamOf(B);
        TImageLibraryHeader H;
        auto R = ReadAll(S.get(), H);
        EXPECT_TRUE(R.Ours) << Count;
        EXPECT_TRUE(R.Records.empty()) << Count;
        EXPECT_EQ(H.GetCount(), 0) << Count;
    }
}

TEST(ImageLibraryRecords, CountLargerThanTheRecordsKeepsTheWholeOnesAndStopsAtAPartialOne)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 10);
    for (int I = 0; I < 3; ++I)
        Append(B, MakeRecord("r" + std::to_string(I), I, 128 * I, I, I));
    TBytes Half = MakeRecord("partial", 9.0, 1, 1, 1);
    Half.resize(140);
    Append(B, Half);
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    auto R = ReadAll(S.get(), H);
    EXPECT_TRUE(R.Ours);
    ASSERT_EQ(R.Records.size(), 3u);
    EXPECT_EQ(R.Records[2]->GetFileName(), "r2");
    EXPECT_EQ(H.GetCount(), 3); // what was read, not what the file claimed
}

TEST(ImageLibraryRecords, HugeCountOnASmallFileReadsWhatIsThereAtOnce)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 2000000000);
    for (int I = 0; I < 3; ++I)
        Append(B, MakeRecord("r" + std::to_string(I), I, 128, I, I));
    auto S = StreamOf(B);
    TImageLibraryHeader H;
    // Nothing is walked or sized from the count: a reader that reserved or looped over two
    // billion records would fail to allocate or never end here.
    auto R = ReadAll(S.get(), H);
    EXPECT_TRUE(R.Ours);
    EXPECT_EQ(R.Records.size(), 3u);
    EXPECT_EQ(H.GetCount(), 3);
}

TEST(ImageLibraryRecords, ShortOrEmptyHeaderReadsNothing)
{
    for (size_t Size : {size_t(0), size_t(1), size_t(100), size_t(263)}) {
        TBytes B = MakeHeader(kImageLibrarySignature, 227, 1);
        B.resize(Size);
        auto S = StreamOf(B);
        TImageLibraryHeader H;
        H.SetCount(9);
        auto R = ReadAll(S.get(), H);
        EXPECT_FALSE(R.Ours) << Size;
        EXPECT_TRUE(R.Records.empty());
        EXPECT_EQ(H.GetCount(), 9);
    }
}

TEST(ImageLibraryRecords, HeaderOnlyFileIsAnEmptyLibrary)
{
    auto S = StreamOf(MakeHeader(kImageLibrarySignature, 227, 0));
    TImageLibraryHeader H;
    auto R = ReadAll(S.get(), H);
    EXPECT_TRUE(R.Ours);
    EXPECT_TRUE(R.Records.empty());
}

TEST(ImageLibraryRecords, ShortReadsAreNotTakenForTheEnd)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 2);
    Append(B, MakeRecord("first", 1.0, 128, 5, 6));
    Append(B, MakeRecord("second", 2.0, 256, 7, 8));
    TTrickleStream S;
    S.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
    S.SetPosition(0);
    TImageLibraryHeader H;
    auto R = ReadAll(&S, H);
    ASSERT_EQ(R.Records.size(), 2u);
    EXPECT_EQ(R.Records[1]->GetFileName(), "second");
    EXPECT_EQ(R.Records[1]->GetWidth(), 8);
}

TEST(ImageLibraryRecords, DeviceErrorIsPassedOnAfterTheWholeRecordsBeforeIt)
{
    TBytes B = MakeHeader(kImageLibrarySignature, 227, 3);
    for (int I = 0; I < 3; ++I)
        Append(B, MakeRecord("r" + std::to_string(I), I, 128, I, I));
    TFailingReadStream S(264 + 280 * 2 + 10);
    S.WriteBuffer(B.data(), static_cast<int32_t>(B.size()));
    S.SetPosition(0);
    TImageLibraryHeader H;
    std::vector<std::string> Names;
    EXPECT_THROW(ReadImageLibrary(&S, H, [&Names](std::unique_ptr<TImageDetail> D) { Names.push_back(D->GetFileName()); }),
                 EInOutError);
    EXPECT_EQ(Names, (std::vector<std::string>{"r0", "r1"}));
}

TEST(ImageLibraryRecords, RecordsWrittenByTheWritersReadBack)
{
    TMemoryStream S;
    TImageLibraryHeader H;
    H.SetCount(2);
    H.SaveToStream(&S);
    for (int I = 0; I < 2; ++I) {
        TImageDetail D;
        D.SetFileName("pic" + std::to_string(I) + ".tif");
        D.SetAddedDate(40000 + I);
        D.SetFileSize(1024 * I);
        D.SetHeight(100 + I);
        D.SetWidth(200 + I);
        D.SaveToStream(&S);
    }
    EXPECT_EQ(S.GetSize(), 264 + 280 * 2);
    S.SetPosition(0);
    TImageLibraryHeader R;
    auto Read = ReadAll(&S, R);
    ASSERT_EQ(Read.Records.size(), 2u);
    EXPECT_EQ(Read.Records[1]->GetFileName(), "pic1.tif");
    EXPECT_EQ(Read.Records[1]->GetAddedDate(), 40001.0);
    EXPECT_EQ(Read.Records[1]->GetFileSize(), 1024);
    EXPECT_EQ(Read.Records[1]->GetHeight(), 101);
    EXPECT_EQ(Read.Records[1]->GetWidth(), 201);
}

// ---------------------------------------------------------------------------------------------
// Sizes

TEST(ImageLibraryRecords, FileSizesAreWholeBlocksOf128ClampedToTheSignedField)
{
    EXPECT_EQ(RoundImageFileSize(1000), 896);
    EXPECT_EQ(RoundImageFileSize(128), 128);
    EXPECT_EQ(RoundImageFileSize(127), 0);
    EXPECT_EQ(RoundImageFileSize(255), 128);
    EXPECT_EQ(RoundImageFileSize(0), 0);
    EXPECT_EQ(RoundImageFileSize(-5), 0);
    EXPECT_EQ(RoundImageFileSize(0x7FFFFF7F), 0x7FFFFF00);
    EXPECT_EQ(RoundImageFileSize(0x7FFFFF80), 0x7FFFFF80);
    EXPECT_EQ(RoundImageFileSize(0x7FFFFFFF), 0x7FFFFF80);
    EXPECT_EQ(RoundImageFileSize(0x80000000LL), 0x7FFFFF80);
    EXPECT_EQ(RoundImageFileSize(5000000000LL), 0x7FFFFF80);
    EXPECT_EQ(RoundImageFileSize(std::numeric_limits<int64_t>::max()), 0x7FFFFF80);
}
