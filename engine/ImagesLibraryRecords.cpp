#include "engine/ImagesLibraryRecords.h"

#include <algorithm>
#include <cstring>

namespace {

// Text up to its first NUL, never past the field.
std::string FieldText(const char* Field, size_t Size)
{
    const void* End = std::memchr(Field, 0, Size);
    return std::string(Field, End ? static_cast<const char*>(End) - Field : Size);
}

// Cut to Size - 1 bytes, terminated, zeros after.
void SetFieldText(char* Field, size_t Size, const std::string& Text)
{
    std::memset(Field, 0, Size);
    std::memcpy(Field, Text.data(), std::min(Text.size(), Size - 1));
}

// The whole record, or false at the end of the stream (a partial record counts as the end).
bool ReadWhole(TStream* Stream, void* Buffer, int32_t Count)
{
    auto* P = static_cast<uint8_t*>(Buffer);
    int32_t Done = 0;
    while (Done < Count) {
        const int32_t N = Stream->Read(P + Done, Count - Done);
        if (N <= 0)
            return false;
        Done += N;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TImageDetail

void TImageDetail::Assign(TPersistent* Source)
{
    if (auto* S = dynamic_cast<TImageDetail*>(Source)) {
        FAddedDate = S->FAddedDate;
        FHeight = S->FHeight;
        FFileSize = S->FFileSize;
        FWidth = S->FWidth;
        FFileName = S->FFileName;
        return;
    }
    TStreamPersistent::Assign(Source);
}

void TImageDetail::ToRecord(TImageDetailRecord& R) const
{
    std::memset(&R, 0, sizeof(R));
    SetFieldText(R.FileName, sizeof(R.FileName), FFileName);
    R.AddedDate = FAddedDate;
    R.FileSize = FFileSize;
    R.Height = FHeight;
    R.Width = FWidth;
}

void TImageDetail::FromRecord(const TImageDetailRecord& R)
{
    FFileName = FieldText(R.FileName, sizeof(R.FileName));
    FAddedDate = R.AddedDate;
    FFileSize = R.FileSize;
    FHeight = R.Height;
    FWidth = R.Width;
}

void TImageDetail::SaveToStream(TStream* Stream)
{
    TImageDetailRecord R;
    ToRecord(R);
    Stream->WriteBuffer(&R, sizeof(R));
}

void TImageDetail::LoadFromStream(TStream* Stream)
{
    TImageDetailRecord R;
    Stream->ReadBuffer(&R, sizeof(R));
    FromRecord(R);
}

// ---------------------------------------------------------------------------------------------
// TImageLibraryHeader

void TImageLibraryHeader::Assign(TPersistent* Source)
{
    if (auto* S = dynamic_cast<TImageLibraryHeader*>(Source)) {
        FCount = S->FCount;
        FVersion = S->FVersion;
        FSignature = S->FSignature;
        return;
    }
    TStreamPersistent::Assign(Source);
}

void TImageLibraryHeader::ToRecord(TImageLibraryHeaderRecord& R) const
{
    std::memset(&R, 0, sizeof(R));
    SetFieldText(R.Signature, sizeof(R.Signature), FSignature);
    R.Version = FVersion;
    R.Count = FCount;
}

void TImageLibraryHeader::FromRecord(const TImageLibraryHeaderRecord& R)
{
    FSignature = FieldText(R.Signature, sizeof(R.Signature));
    FVersion = R.Version;
    FCount = R.Count;
}

void TImageLibraryHeader::SaveToStream(TStream* Stream)
{
    TImageLibraryHeaderRecord R;
    ToRecord(R);
    Stream->WriteBuffer(&R, sizeof(R));
}

void TImageLibraryHeader::LoadFromStream(TStream* Stream)
{
    TImageLibraryHeaderRecord R;
    Stream->ReadBuffer(&R, sizeof(R));
    FromRecord(R);
}

// ---------------------------------------------------------------------------------------------

bool ReadImageLibrary(TStream* Stream, TImageLibraryHeader& Header,
                      const std::function<void(std::unique_ptr<TImageDetail>)>& Add)
{
    TImageLibraryHeaderRecord HR;
    if (!ReadWhole(Stream, &HR, sizeof(HR)))
        return false;
    TImageLibraryHeader FileHeader;
    FileHeader.FromRecord(HR);
    if (!FileHeader.HasOurSignature())
        return false;
    Header.Assign(&FileHeader);
    // The count only bounds the loop; a damaged count ends at the stream's end.
    int32_t Read = 0;
    while (Read < FileHeader.GetCount()) {
        TImageDetailRecord R;
        if (!ReadWhole(Stream, &R, sizeof(R)))
            break;
        auto Detail = std::make_unique<TImageDetail>();
        Detail->FromRecord(R);
        Add(std::move(Detail));
        ++Read;
    }
    Header.SetCount(Read);
    return true;
}

int32_t RoundImageFileSize(int64_t Size)
{
    if (Size <= 0)
        return 0;
    if (Size > kMaxImageFileSize)
        return kMaxImageFileSize;
    return static_cast<int32_t>(Size & ~int64_t(127));
}
