// The codec library's interface: format table, guessing, error texts, options, progress,
// argument checks, the stream procedures and the buffered reader.

#include <cstring>
#include <string>

#include "imagelib/bmc/BmcIo.h"
#include "platform/rtl/FileStream.h"
#include "tests/imagelib/bmc/BmcTestUtil.h"

using namespace bmctest;

TEST(BmcCore, InitDeinitAndCount)
{
    EXPECT_EQ(bmc_init(), 0);
    EXPECT_EQ(bmc_query_n_filetypes(), 3);
    EXPECT_EQ(bmc_deinit(), 0);
}

TEST(BmcCore, FormatTable)
{
    struct Row {
        const char *Short, *Long, *Ext;
        uint32_t Flags;
    };
    const Row Want[] = {
        {"Bitmap", "OS/2 1.1, 1.2, 2.0 / Windows 3.0 bitmap", "BMP VGA BGA RLE DIB RL4 RL8", 0xFF},
        {"PCX", "ZSoft PC Paintbrush Image format", "PCX PCC", 0xFF},
        {"Targa", "Truevision Targa/Vista bitmap", "TGA VST AFI", 0xCC},
    };
    for (int32_t T = 0; T < 3; ++T) {
        BMCFT Ft{};
        ASSERT_EQ(bmc_query_filetype(T, &Ft), BMC_OK);
        EXPECT_STREQ(Ft.short_name, Want[T].Short);
        EXPECT_STREQ(Ft.long_name, Want[T].Long);
        EXPECT_STREQ(Ft.extensions, Want[T].Ext);
        EXPECT_EQ(Ft.flags, Want[T].Flags);
    }
    BMCFT Ft{};
    EXPECT_EQ(bmc_query_filetype(3, &Ft), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_query_filetype(-1, &Ft), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_query_filetype(0, nullptr), BMC_ERR_BAD_ARG);
}

TEST(BmcCore, GuessFiletype)
{
    auto Guess = [](const char* Name) {
        int32_t Type = 77;
        const int32_t Rc = bmc_guess_filetype(Name, &Type);
        return Rc == BMC_OK ? Type : -Rc;
    };
    EXPECT_EQ(Guess("x.TGA"), 2);
    EXPECT_EQ(Guess("a.rl8"), 0);
    EXPECT_EQ(Guess("dir\\x.pcc"), 1);
    EXPECT_EQ(Guess("noext"), -4);
    EXPECT_EQ(Guess("C:\\a.b\\file"), -4);
    EXPECT_EQ(Guess("/home/a.b/file"), -4);
    EXPECT_EQ(Guess("C:\\a.b\\pic.Bmp"), 0);
    EXPECT_EQ(Guess("x.vst"), 2);
    EXPECT_EQ(Guess("x.afi"), 2);
    EXPECT_EQ(Guess("x.dib"), 0);
    EXPECT_EQ(Guess("x.PCX"), 1);
    EXPECT_EQ(Guess("x.gif"), -4);
    EXPECT_EQ(Guess("x."), -4);
    EXPECT_EQ(Guess("x.pc"), -4);   // a word must match whole
    EXPECT_EQ(Guess("x.pcx pcc"), -4);
    EXPECT_EQ(Guess(""), -4);
    int32_t Type = 0;
    EXPECT_EQ(bmc_guess_filetype(nullptr, &Type), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_guess_filetype("a.bmp", nullptr), BMC_ERR_BAD_ARG);
}

TEST(BmcCore, FileExtension)
{
    EXPECT_EQ(bmc_file_extension("a.b.c"), "c");
    EXPECT_EQ(bmc_file_extension("dir\\x.pcc"), "pcc");
    EXPECT_EQ(bmc_file_extension("C:\\a.b\\file"), "");
    EXPECT_EQ(bmc_file_extension("a.b/file"), "");
    EXPECT_EQ(bmc_file_extension("noext"), "");
    EXPECT_EQ(bmc_file_extension("x."), "");
    EXPECT_EQ(bmc_file_extension(".hidden"), "hidden");
}

TEST(BmcCore, ErrorTexts)
{
    const std::pair<int32_t, const char*> Want[] = {
        {0, "ok"},
        {1, "out of memory"},
        {2, "not supported"},
        {3, "bad option(s)"},
        {4, "not found"},
        {5, "bad magic number / signiture block"},
        {6, "bad bitmap size"},
        {7, "can't read file"},
        {8, "can't write file"},
        {9, "bad argument to bmc function"},
        {300, "number of bitmap planes is not 1"},
        {301, "bit count not 1, 4, 8 or 24"},
        {302, "cbFix bad"},
        {303, "compression type not uncompressed, RLE4 or RLE8"},
        {304, "less bitmaps in file than index requested"},
        {400, "bits per pixel not 8, 16, 24 or 32"},
        {401, "unsupported compression type for bits per pixel"},
        {402, "color map entry size not 24 bits per pixel"},
        {700, "version number not 4 or 5"},
        {701, "encoding mode not 1"},
        {702, "unsupported bpp/plane / plane combination"},
        {703, "corrupt file trailer"},
    };
    for (const auto& [Code, Text] : Want)
        EXPECT_STREQ(bmc_err(Code), Text) << Code;
    for (int32_t Code : {12345, 10, -1, 299, 305, 403, 704})
        EXPECT_STREQ(bmc_err(Code), "general error") << Code;
}

TEST(BmcCore, FindWord)
{
    EXPECT_TRUE(bmc_find_word("trunc", "trunc"));
    EXPECT_TRUE(bmc_find_word("a,TRUNC\tb", "trunc"));
    EXPECT_TRUE(bmc_find_word("  inv  ", "INV"));
    EXPECT_TRUE(bmc_find_word("1.1,,win", "win"));
    EXPECT_TRUE(bmc_find_word("1.1 win", "1.1"));
    EXPECT_FALSE(bmc_find_word("invb", "inv"));
    EXPECT_FALSE(bmc_find_word("inv", "invb"));
    EXPECT_FALSE(bmc_find_word("trun", "trunc"));
    EXPECT_FALSE(bmc_find_word("", "x"));
    EXPECT_FALSE(bmc_find_word("a b", ""));
    EXPECT_FALSE(bmc_find_word(nullptr, "x"));
    EXPECT_FALSE(bmc_find_word("x", nullptr));
    // No hidden position between calls: the same question gives the same answer.
    for (int I = 0; I < 3; ++I)
        EXPECT_TRUE(bmc_find_word("a b c", "b"));
}

TEST(BmcCore, Progress)
{
    ProgressLog Log;
    EXPECT_EQ(bmc_progress(nullptr, nullptr, 5, 0, 10, 255), 0);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 0, 0, 10, 255), 0);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 0, 0, 10, 0), 0); // unchanged: no call
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 5, 0, 10, 0), 50);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 2, 1, 4, 50), 33);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 20, 0, 10, 33), 100); // clamped
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, -5, 0, 10, 100), 0);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 3, 7, 7, 0), 0); // empty range
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, 3, 9, 7, 0), 0);
    EXPECT_EQ(bmc_progress(ProgressLog::Proc, &Log, INT64_MAX / 2, 0, INT64_MAX, 0), 49);
    EXPECT_EQ(Log.calls, (std::vector<int32_t>{0, 50, 33, 100, 0, 49}));
}

TEST(BmcCore, LayoutHelpers)
{
    BMC B;
    B.width = 37;
    B.height = 5;
    B.bpp = 24;
    EXPECT_EQ(bmc_row_bytes(&B), 112);
    EXPECT_EQ(bmc_data_size(&B), 560);
    B.bpp = 1;
    EXPECT_EQ(bmc_row_bytes(&B), 8);
    B.bpp = 4;
    EXPECT_EQ(bmc_row_bytes(&B), 20);
    B.bpp = 8;
    EXPECT_EQ(bmc_row_bytes(&B), 40);
    B.bpp = 16;
    EXPECT_EQ(bmc_row_bytes(&B), 0);
    B.bpp = 24;
    B.width = 100000;
    B.height = 100000; // 30 GB: no buffer can be asked for it
    EXPECT_EQ(bmc_data_size(&B), 0);
    EXPECT_EQ(bmc_row_bytes(nullptr), 0);
}

TEST(BmcCore, MissingArgumentsGive9)
{
    const std::vector<uint8_t> File = WriteOk(PatternPicture(4, 3, 8), BMC_FT_PCX);
    auto S = StreamOf(File);
    BMC B;
    BMCRGB Pal[256];
    uint8_t Data[64];
    for (int32_t T = 0; T < 3; ++T) {
        EXPECT_EQ(bmc_read_header("", nullptr, T, &B, ""), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_read_header("", S.get(), T, nullptr, ""), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_read_palette(nullptr, T, &B, Pal), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_read_palette(S.get(), T, nullptr, Pal), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_read_data(nullptr, T, &B, nullptr, nullptr, Data), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_read_data(S.get(), T, nullptr, nullptr, nullptr, Data), BMC_ERR_BAD_ARG);
        const Picture P = PatternPicture(4, 3, 8);
        const BMC W = P.Bmc();
        EXPECT_EQ(bmc_write("", nullptr, T, &W, P.palette.data(), P.data.data(), "", nullptr, nullptr), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_write("", S.get(), T, nullptr, P.palette.data(), P.data.data(), "", nullptr, nullptr),
                  BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_write("", S.get(), T, &W, nullptr, P.data.data(), "", nullptr, nullptr), BMC_ERR_BAD_ARG);
        EXPECT_EQ(bmc_write("", S.get(), T, &W, P.palette.data(), nullptr, "", nullptr, nullptr), BMC_ERR_BAD_ARG);
    }
    EXPECT_EQ(bmc_read_header("", S.get(), 3, &B, ""), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_read_header("", S.get(), -1, &B, ""), BMC_ERR_BAD_ARG);
}

TEST(BmcCore, DataNeedsTheHeaderOfItsFormat)
{
    const Picture P = PatternPicture(5, 4, 8);
    const std::vector<uint8_t> File = WriteOk(P, BMC_FT_PCX);
    auto S = StreamOf(File);
    BMCRGB Pal[256];
    std::vector<uint8_t> Data(1024);

    BMC Fresh; // never read
    Fresh.width = 5;
    Fresh.height = 4;
    Fresh.bpp = 8;
    EXPECT_EQ(bmc_read_data(S.get(), BMC_FT_PCX, &Fresh, nullptr, nullptr, Data.data()), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_read_palette(S.get(), BMC_FT_PCX, &Fresh, Pal), BMC_ERR_BAD_ARG);

    BMC B;
    ASSERT_EQ(bmc_read_header("", S.get(), BMC_FT_PCX, &B, ""), BMC_OK);
    EXPECT_EQ(bmc_read_data(S.get(), BMC_FT_TARGA, &B, nullptr, nullptr, Data.data()), BMC_ERR_BAD_ARG);
    BMC Wider = B; // a size the header did not give is not trusted
    Wider.width = 500;
    EXPECT_EQ(bmc_read_data(S.get(), BMC_FT_PCX, &Wider, nullptr, nullptr, Data.data()), BMC_ERR_BAD_ARG);
    EXPECT_EQ(bmc_read_data(S.get(), BMC_FT_PCX, &B, nullptr, nullptr, Data.data()), BMC_OK);

    // A failed header leaves the structure unusable for data.
    auto Bad = StreamOf({1, 2, 3});
    EXPECT_NE(bmc_read_header("", Bad.get(), BMC_FT_PCX, &B, ""), BMC_OK);
    EXPECT_EQ(bmc_read_data(Bad.get(), BMC_FT_PCX, &B, nullptr, nullptr, Data.data()), BMC_ERR_BAD_ARG);
}

TEST(BmcCore, WriteRefusesDepthsAFormatCannotWrite)
{
    for (int32_t Bpp : {1, 4}) {
        int32_t Rc = 0;
        WriteBytes(PatternPicture(3, 3, Bpp), BMC_FT_TARGA, "", &Rc);
        EXPECT_EQ(Rc, BMC_ERR_NOT_SUPPORTED) << Bpp;
    }
    Picture P = PatternPicture(3, 3, 8);
    P.bpp = 16;
    int32_t Rc = 0;
    WriteBytes(P, BMC_FT_BITMAP, "", &Rc);
    EXPECT_EQ(Rc, BMC_ERR_BAD_ARG);
    P.bpp = 8;
    P.width = 0;
    WriteBytes(P, BMC_FT_BITMAP, "", &Rc);
    EXPECT_EQ(Rc, BMC_ERR_BAD_SIZE);
}

TEST(BmcCore, StreamProceduresOverTStream)
{
    const BMCIO& Io = bmc_io();
    TMemoryStream S;
    EXPECT_EQ(Io.write(&S, "abcdef", 6), 6);
    EXPECT_EQ(Io.seek(&S, 1, 0), 1);
    char Buf[8] = {};
    EXPECT_EQ(Io.read(&S, Buf, 2), 2);
    EXPECT_EQ(std::string(Buf, 2), "bc");
    EXPECT_EQ(Io.seek(&S, 1, 1), 4);
    EXPECT_EQ(Io.seek(&S, -2, 2), 4);
    EXPECT_EQ(Io.read(&S, Buf, 8), 2);
    EXPECT_EQ(std::string(Buf, 2), "ef");
    EXPECT_EQ(Io.read(&S, Buf, 8), 0);
    // The stream raises for a position before its start; the procedure only reports it.
    EXPECT_EQ(Io.seek(&S, -100, 0), -1);
}

TEST(BmcCore, OpenAndCreateMakeFileStreams)
{
    TScratchDir Dir;
    const BMCIO& Io = bmc_io();
    const std::string Name = Dir.File("made.bin");
    EXPECT_EQ(Io.open(Name.c_str()), nullptr); // not there yet
    EXPECT_EQ(Io.open(nullptr), nullptr);

    TStream* W = Io.create(Name.c_str());
    ASSERT_NE(W, nullptr);
    const Picture P = PatternPicture(9, 7, 24);
    const BMC B = P.Bmc();
    ASSERT_EQ(bmc_write(Name.c_str(), W, BMC_FT_TARGA, &B, nullptr, P.data.data(), "", nullptr, nullptr), BMC_OK);
    EXPECT_EQ(Io.close(W), 0);

    TStream* R = Io.open(Name.c_str());
    ASSERT_NE(R, nullptr);
    BMC H;
    ASSERT_EQ(bmc_read_header(Name.c_str(), R, BMC_FT_TARGA, &H, ""), BMC_OK);
    Picture Q = NewPicture(H.width, H.height, H.bpp);
    ASSERT_EQ(bmc_read_data(R, BMC_FT_TARGA, &H, nullptr, nullptr, Q.data.data()), BMC_OK);
    EXPECT_EQ(Io.close(R), 0);
    ExpectSamePixels(P, Q);
    EXPECT_EQ(Io.create(Dir.File("no/such/folder/x.tga").c_str()), nullptr);
}

namespace {

int Reads = 0;
int32_t CountingRead(TStream* Stream, void* Buffer, int32_t Count)
{
    ++Reads;
    return Stream->Read(Buffer, Count);
}

} // namespace

TEST(BmcCore, InstalledProceduresAreTheOnesUsed)
{
    const std::vector<uint8_t> File = WriteOk(PatternPicture(6, 6, 24), BMC_FT_BITMAP);
    BMCIO Counting = bmc_io();
    Counting.read = CountingRead;
    bmc_io_setup(&Counting);
    Reads = 0;
    Picture P;
    const int32_t Rc = ReadBytes(File, BMC_FT_BITMAP, P);
    bmc_io_setup(nullptr);
    EXPECT_EQ(Rc, BMC_OK);
    EXPECT_GT(Reads, 0);
    Reads = 0;
    EXPECT_EQ(ReadBytes(File, BMC_FT_BITMAP, P), BMC_OK);
    EXPECT_EQ(Reads, 0); // the stream procedures are back
}

namespace {

// Accepts a fixed number of bytes, then refuses.
class TShortStream : public TMemoryStream {
public:
    explicit TShortStream(int64_t Room) : FRoom(Room) {}
    int32_t Write(const void* Buffer, int32_t Count) override
    {
        const int32_t N = static_cast<int32_t>(std::min<int64_t>(Count, FRoom));
        FRoom -= N;
        return N > 0 ? TMemoryStream::Write(Buffer, N) : 0;
    }

private:
    int64_t FRoom;
};

// Raises on every write, as a failing file stream does.
class TFailingStream : public TMemoryStream {
public:
    int32_t Write(const void*, int32_t) override { throw EWriteError("disk full"); }
};

} // namespace

TEST(BmcCore, ShortWritesGive8)
{
    const Picture P8 = PatternPicture(40, 30, 8);
    const Picture P24 = PatternPicture(40, 30, 24);
    for (int32_t T = 0; T < 3; ++T)
        for (const Picture* P : {&P8, &P24}) {
            const BMC B = P->Bmc();
            int32_t Full = 0;
            const size_t Size = WriteBytes(*P, T, "", &Full).size();
            ASSERT_EQ(Full, BMC_OK);
            for (int64_t Room : {int64_t(0), int64_t(10), static_cast<int64_t>(Size / 2), static_cast<int64_t>(Size - 1)}) {
                TShortStream S(Room);
                EXPECT_EQ(bmc_write("", &S, T, &B, P->palette.data(), P->data.data(), "", nullptr, nullptr),
                          BMC_ERR_WRITE)
                    << "format " << T << " room " << Room;
            }
            TFailingStream F;
            EXPECT_EQ(bmc_write("", &F, T, &B, P->palette.data(), P->data.data(), "", nullptr, nullptr), BMC_ERR_WRITE);
        }
}

TEST(BmcCore, BufferedReader)
{
    std::vector<uint8_t> Bytes(40000);
    for (size_t I = 0; I < Bytes.size(); ++I)
        Bytes[I] = static_cast<uint8_t>(I * 7 + I / 256);
    auto S = StreamOf(Bytes);
    BufferedReader R(S.get());
    ASSERT_TRUE(R.Ok());
    for (size_t I = 0; I < 20000; ++I)
        ASSERT_EQ(R.GetByte(), Bytes[I]) << I;
    uint8_t Block[5000];
    ASSERT_EQ(R.Read(Block, 5000), 5000);
    EXPECT_EQ(std::memcmp(Block, Bytes.data() + 20000, 5000), 0);
    ASSERT_TRUE(R.Skip(14000));
    EXPECT_EQ(R.GetByte(), Bytes[39000]);
    EXPECT_EQ(R.Read(Block, 5000), 999);
    EXPECT_EQ(R.GetByte(), -1);
    EXPECT_EQ(R.GetByte(), -1);
    EXPECT_FALSE(R.Skip(1));

    // A limit ends the bytes early, at the limit.
    S->SetPosition(100);
    BufferedReader L(S.get(), 20000);
    ASSERT_EQ(L.Read(Block, 4), 4);
    EXPECT_EQ(Block[0], Bytes[100]);
    ASSERT_TRUE(L.Skip(20000 - 5));
    EXPECT_EQ(L.GetByte(), Bytes[100 + 19999]);
    EXPECT_EQ(L.GetByte(), -1);
    EXPECT_EQ(S->GetPosition(), 20100); // nothing read beyond the limit
}

TEST(BmcCore, BufferedReaderOverAFailingStream)
{
    class TBroken : public TMemoryStream {
    public:
        int32_t Read(void*, int32_t) override { throw EReadError("broken"); }
    } S;
    BufferedReader R(&S);
    EXPECT_EQ(R.GetByte(), -1);
    uint8_t B[4];
    EXPECT_EQ(R.Read(B, 4), 0);
    // The codecs see a read failure, not an exception.
    BMC H;
    EXPECT_EQ(bmc_read_header("", &S, BMC_FT_PCX, &H, ""), BMC_ERR_READ);
}
