#include "platform/rtl/Stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/FileStream.h"
#include "TempDir.h"

namespace {

std::string Content(TMemoryStream& M)
{
    return std::string(static_cast<const char*>(M.Memory()), static_cast<size_t>(M.GetSize()));
}

// A stream that hands out at most 3 bytes per Read, as a pipe or socket may.
class TTrickleStream : public TMemoryStream {
public:
    int32_t Read(void* Buffer, int32_t Count) override { return TMemoryStream::Read(Buffer, Count < 3 ? Count : 3); }
};

} // namespace

TEST(MemoryStream, ShortReadsAndReadBuffer)
{
    TMemoryStream M;
    M.WriteBuffer("0123456789", 10);
    EXPECT_EQ(M.GetPosition(), 10);
    M.SetPosition(4);
    char Buf[20] = {};
    EXPECT_EQ(M.Read(Buf, 20), 6);
    EXPECT_EQ(std::string(Buf, 6), "456789");
    EXPECT_EQ(M.Read(Buf, 20), 0);
    M.SetPosition(0);
    try {
        M.ReadBuffer(Buf, 20); // 10 bytes short
        ADD_FAILURE();
    } catch (const EReadError& E) {
        EXPECT_EQ(E.Message(), "Read past the end of the stream");
    }
    // ReadBuffer keeps asking a stream that answers in small pieces.
    TTrickleStream T;
    T.WriteBuffer("abcdefgh", 8);
    T.SetPosition(0);
    T.ReadBuffer(Buf, 8);
    EXPECT_EQ(std::string(Buf, 8), "abcdefgh");
}

TEST(MemoryStream, SeekSizeAndGaps)
{
    TMemoryStream M;
    M.WriteBuffer("abc", 3);
    EXPECT_EQ(M.Seek(-1, soEnd), 2);
    EXPECT_EQ(M.Seek(2, soCurrent), 4);
    M.WriteBuffer("z", 1); // one past the end: the gap is zeros
    EXPECT_EQ(Content(M), std::string("abc\0z", 5));
    EXPECT_THROW(M.Seek(-1, soBeginning), EStreamError);
    EXPECT_THROW(M.Seek(INT64_MAX, soEnd), EStreamError);
    EXPECT_EQ(M.GetPosition(), 5); // a failed seek moves nothing
    M.SetSize(2);
    EXPECT_EQ(M.GetPosition(), 2);
    M.SetSize(4);
    EXPECT_EQ(Content(M), std::string("ab\0\0", 4));
    EXPECT_EQ(M.Seek(int64_t(3) << 30, soBeginning), int64_t(3) << 30); // far seeks grow nothing
    EXPECT_EQ(M.GetSize(), 4);
    M.Clear();
    EXPECT_EQ(M.GetSize(), 0);
    EXPECT_EQ(M.GetPosition(), 0);
}

TEST(MemoryStream, CopyFromAndLoadSave)
{
    std::vector<char> Big(200000);
    for (size_t I = 0; I < Big.size(); ++I)
        Big[I] = static_cast<char>(I * 7);
    TMemoryStream Source;
    Source.WriteBuffer(Big.data(), static_cast<int32_t>(Big.size()));
    TMemoryStream Dest;
    EXPECT_EQ(Dest.CopyFrom(&Source, 0), 200000); // the whole source, from its start
    EXPECT_EQ(Content(Dest), std::string(Big.begin(), Big.end()));
    Source.SetPosition(10);
    TMemoryStream Part;
    EXPECT_EQ(Part.CopyFrom(&Source, 5), 5);
    EXPECT_EQ(Content(Part), std::string(Big.begin() + 10, Big.begin() + 15));
    Source.SetPosition(199999);
    EXPECT_THROW(Part.CopyFrom(&Source, 2), EReadError);
    EXPECT_THROW(Part.CopyFrom(&Part, 0), EStreamError);

    TMemoryStream Loaded;
    Source.SetPosition(77);
    Loaded.LoadFromStream(&Source);
    EXPECT_EQ(Loaded.GetPosition(), 0);
    EXPECT_EQ(Content(Loaded), Content(Source));
    TMemoryStream Saved;
    Saved.WriteBuffer("<", 1);
    Loaded.SaveToStream(&Saved);
    EXPECT_EQ(Saved.GetSize(), 200001);
}

TEST(FileStream, CreateOpenAndErrors)
{
    TTempDir Dir;
    const std::string Name = Dir.File("data.bin");
    {
        TFileStream F(Name, fmCreate);
        F.WriteBuffer("hello world", 11);
        EXPECT_EQ(F.GetSize(), 11);
    }
    {
        TFileStream F(Name, fmOpenRead | fmShareDenyNone);
        char Buf[32] = {};
        EXPECT_EQ(F.Read(Buf, 32), 11);
        EXPECT_EQ(std::string(Buf, 11), "hello world");
        F.SetPosition(6);
        EXPECT_THROW(F.ReadBuffer(Buf, 10), EReadError);
    }
    try {
        TFileStream F(Name, fmCreateNew);
        ADD_FAILURE();
    } catch (const EFCreateError& E) {
        EXPECT_TRUE(IsFileExistsError(E.GetErrorCode()));
        EXPECT_EQ(E.Message().rfind("Cannot create file '" + Name + "': ", 0), 0u) << E.Message();
    }
    try {
        TFileStream F(Dir.File("none.bin"), fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& E) {
        EXPECT_TRUE(IsFileNotFoundError(E.GetErrorCode()));
        EXPECT_EQ(E.GetFileName(), Dir.File("none.bin"));
        EXPECT_EQ(E.Message().rfind("Cannot open file '" + Dir.File("none.bin") + "': ", 0), 0u);
    }
    // A folder is not a file.
    EXPECT_THROW(TFileStream(Dir.Path().string(), fmOpenRead), EFOpenError);
    {
        TFileStream F(Name, fmCreate); // truncates
        EXPECT_EQ(F.GetSize(), 0);
    }
}

TEST(FileStream, FarSeekAndSize)
{
    TTempDir Dir;
    const std::string Name = Dir.File("far.bin");
    TFileStream F(Name, fmCreate);
    F.WriteBuffer("abcdef", 6);
    const int64_t Far = (int64_t(3) << 30) + 10;
    EXPECT_EQ(F.Seek(Far, soBeginning), Far);
    EXPECT_EQ(F.GetPosition(), Far);
    EXPECT_EQ(F.GetSize(), 6); // seeking does not grow the file
    EXPECT_THROW(F.Seek(-1, soBeginning), EStreamError);
    F.SetSize(3);
    EXPECT_EQ(F.GetPosition(), 3);
    F.SetPosition(0);
    TMemoryStream M;
    EXPECT_EQ(M.CopyFrom(&F, 0), 3);
    EXPECT_EQ(Content(M), "abc");

    TMemoryStream Round;
    Round.WriteBuffer(std::string("a\0\r\n\xff", 5).data(), 5);
    Round.SaveToFile(Dir.File("round.bin"));
    TMemoryStream Back;
    Back.LoadFromFile(Dir.File("round.bin"));
    EXPECT_EQ(Content(Back), Content(Round));
}

TEST(FileStream, ReadWhileAnotherHandleWrites)
{
    TTempDir Dir;
    const std::string Name = Dir.File("shared.log");
    TFileStream Writer(Name, fmCreate | fmShareDenyNone);
    Writer.WriteBuffer("first ", 6);
    TFileStream Reader(Name, fmOpenRead | fmShareDenyNone);
    Writer.WriteBuffer("second", 6);
    char Buf[12];
    Reader.ReadBuffer(Buf, 12);
    EXPECT_EQ(std::string(Buf, 12), "first second");
}
