// The portable GIF coder and file model: LZW edge cases, hostile files, structure faults,
// round trips, and the Pillow / ImageMagick cross-checks (host build only).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imagelib/GifCodec.h"
#include "tests/imagelib/support/ByteStreams.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Codes packed least significant bit first, with the widths the caller chooses.
struct TCodeWriter {
    Bytes Out;
    uint32_t Acc = 0;
    int N = 0;
    void Put(uint32_t Code, int Width)
    {
        Acc |= Code << N;
        N += Width;
        while (N >= 8) {
            Out.push_back(static_cast<uint8_t>(Acc));
            Acc >>= 8;
            N -= 8;
        }
    }
    Bytes Done()
    {
        if (N > 0)
            Out.push_back(static_cast<uint8_t>(Acc));
        N = 0;
        return Out;
    }
};

// Codes with the reader's width rule written out by hand: the width is the bit length of the
// next entry the reader will have made (at most 12).
struct TStreamBuilder {
    int MinSize;
    int Next;
    int Width;
    bool First = true;
    TCodeWriter W;
    explicit TStreamBuilder(int Min) : MinSize(Min), Next((1 << Min) + 2), Width(Min + 1) {}
    void Clear()
    {
        W.Put(1u << MinSize, Width);
        Next = (1 << MinSize) + 2;
        Width = MinSize + 1;
        First = true;
    }
    void Code(uint32_t C)
    {
        W.Put(C, Width);
        if (!First && Next < 4096) {
            ++Next;
            if (Next == (1 << Width) && Width < 12)
                ++Width;
        }
        First = false;
    }
    void End() { W.Put((1u << MinSize) + 1, Width); }
};

TGifImage MakeImage(int W, int H, int Min, bool Interlaced = false)
{
    TGifImage I;
    I.Width = W;
    I.Height = H;
    I.LZWSize = static_cast<uint8_t>(Min);
    I.Interlaced = Interlaced;
    GifAllocatePixels(I.Pixels, W, H);
    return I;
}

std::string ErrorOf(const std::function<void()>& F)
{
    try {
        F();
    } catch (const EInvalidGraphicOperation& E) {
        return E.Message();
    }
    return "(no error)";
}

// A file from parts: header + screen (optional 4-entry global table) + body + trailer.
struct TFileBuilder {
    Bytes B;
    explicit TFileBuilder(const char* Sig = "GIF89a", bool Global = true, int W = 4, int H = 2)
    {
        for (int K = 0; K < 6; ++K)
            B.push_back(static_cast<uint8_t>(Sig[K]));
        Word(W);
        Word(H);
        B.push_back(Global ? 0x91 : 0x10); // 4 entries
        B.push_back(0);
        B.push_back(0);
        if (Global)
            for (uint8_t C : {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255})
                B.push_back(C);
    }
    void Word(int V)
    {
        B.push_back(static_cast<uint8_t>(V));
        B.push_back(static_cast<uint8_t>(V >> 8));
    }
    void Add(std::initializer_list<int> V)
    {
        for (int X : V)
            B.push_back(static_cast<uint8_t>(X));
    }
    // A W x H image of code size 2: clear, the pixels 0,1,2,3 repeating, end.
    void Image(int W = 4, int H = 2, int Packed = 0)
    {
        Add({0x2C});
        Word(0);
        Word(0);
        Word(W);
        Word(H);
        Add({Packed, 2});
        TStreamBuilder S(2);
        S.Clear();
        for (int I = 0; I < W * H; ++I)
            S.Code(static_cast<uint32_t>(I % 4));
        S.End();
        Bytes D = S.W.Done();
        for (size_t P = 0; P < D.size(); P += 255) {
            const size_t N = std::min<size_t>(255, D.size() - P);
            B.push_back(static_cast<uint8_t>(N));
            B.insert(B.end(), D.begin() + P, D.begin() + P + N);
        }
        B.push_back(0);
    }
    void Trailer() { B.push_back(0x3B); }
};

std::string ReadError(const Bytes& B)
{
    TGifDocument Doc;
    return ErrorOf([&] { GifRead(Doc, B.data(), B.size()); });
}

Bytes Save(const TGifDocument& Doc)
{
    TMemoryStream S;
    GifWrite(Doc, &S);
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return Bytes(P, P + S.GetSize());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// LZW

TEST(GifLzw, DecodesAHandCodedSample)
{
    // A 10 x 10 three-colour picture coded with minimum code size 2.
    const Bytes Data = {0x8C, 0x2D, 0x99, 0x87, 0x2A, 0x1C, 0xDC, 0x33, 0xA0, 0x02, 0x75,
                        0xEC, 0x95, 0xFA, 0xA8, 0xDE, 0x60, 0x8C, 0x04, 0x91, 0x4C, 0x01};
    const char* Rows[10] = {"1111122222", "1111122222", "1111122222", "1110000222", "1110000222",
                            "2220000111", "2220000111", "2222211111", "2222211111", "2222211111"};
    TGifImage I = MakeImage(10, 10, 2);
    GifLzwDecode(I, Data.data(), Data.size(), nullptr);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 10; ++X)
            ASSERT_EQ(I.Pixels[Y * 10 + X], Rows[Y][X] - '0') << X << "," << Y;
}

TEST(GifLzw, RoundTripsEveryCodeSizeThroughManyClears)
{
    std::mt19937 Rnd(42);
    for (int Min = 1; Min <= 8; ++Min) {
        for (int Kind = 0; Kind < 3; ++Kind) {
            TGifImage I = MakeImage(301, 97, Min);
            for (size_t P = 0; P < I.Pixels.size(); ++P) {
                const uint32_t R = Rnd();
                // noise fills the table and forces clears; runs build long strings
                I.Pixels[P] = static_cast<uint8_t>((Kind == 0 ? R : Kind == 1 ? P / 700 : (P % 13 == 0 ? R : 0)) &
                                                   ((1u << Min) - 1));
            }
            const Bytes Coded = GifLzwEncode(I, nullptr);
            TGifImage Back = MakeImage(301, 97, Min);
            GifLzwDecode(Back, Coded.data(), Coded.size(), nullptr);
            ASSERT_EQ(Back.Pixels, I.Pixels) << "code size " << Min << " kind " << Kind;
        }
    }
}

TEST(GifLzw, CodeWidthGrowsAtThePowersOfTwo)
{
    // Code 0 again and again: every code adds (0,0)-strings; the widths follow the table.
    TStreamBuilder S(2);
    S.Clear();
    int64_t Pixels = 0;
    S.Code(0);
    Pixels += 1;
    // Entries 6, 7, ... : code k (k >= 6) means the string of length k-4.
    for (uint32_t C = 6; C < 600; ++C) {
        S.Code(C);
        Pixels += C - 4;
    }
    S.End();
    const Bytes D = S.W.Done();
    TGifImage I = MakeImage(static_cast<int>(Pixels) + 3, 1, 2);
    std::fill(I.Pixels.begin(), I.Pixels.end(), 9);
    GifLzwDecode(I, D.data(), D.size(), nullptr);
    for (int64_t P = 0; P < Pixels; ++P)
        ASSERT_EQ(I.Pixels[P], 0) << P;
    // The end code stopped it: the last three are untouched by the decoder.
    EXPECT_EQ(I.Pixels[Pixels], 9);
}

TEST(GifLzw, AFullTableWaitsForTheNextClear)
{
    // Fill the table up to 4096 entries with 1-pixel codes, then go on at 12 bits without a
    // clear, then clear and use the small width again.
    TStreamBuilder S(2);
    S.Clear();
    int Count = 0;
    for (int K = 0; K < 4200; ++K, ++Count)
        S.Code(static_cast<uint32_t>(K % 3 + 1));
    EXPECT_EQ(S.Width, 12);
    S.Clear();
    for (int K = 0; K < 10; ++K, ++Count)
        S.Code(2);
    S.End();
    const Bytes D = S.W.Done();
    TGifImage I = MakeImage(Count, 1, 2);
    GifLzwDecode(I, D.data(), D.size(), nullptr);
    // With the strings of the entries the decoder made, the first 4200 codes are roots.
    int P = 0;
    for (int K = 0; K < 4200; ++K)
        ASSERT_EQ(I.Pixels[P++], K % 3 + 1) << K;
    for (int K = 0; K < 10; ++K)
        ASSERT_EQ(I.Pixels[P++], 2);
}

TEST(GifLzw, ALongChainDecodesWithoutRecursion)
{
    // Each code is the next free one: entry k's string is k-4 zeros, a chain of 4000 entries.
    TStreamBuilder S(2);
    S.Clear();
    S.Code(0);
    int64_t Pixels = 1;
    for (uint32_t C = 6; C < 4006; ++C) {
        S.Code(C);
        Pixels += C - 4;
    }
    S.End();
    const Bytes D = S.W.Done();
    TGifImage I = MakeImage(4000, static_cast<int>(Pixels / 4000) + 1, 2);
    std::fill(I.Pixels.begin(), I.Pixels.end(), 3);
    GifLzwDecode(I, D.data(), D.size(), nullptr);
    EXPECT_EQ(I.Pixels[0], 0);
    EXPECT_EQ(I.Pixels[Pixels - 1], 0);
    EXPECT_EQ(I.Pixels[Pixels], 3);
}

TEST(GifLzw, FaultsRaiseTheirCodes)
{
    TGifImage I = MakeImage(4, 4, 12);
    Bytes D = {0, 0, 0, 0};
    EXPECT_EQ(ErrorOf([&] { GifLzwDecode(I, D.data(), D.size(), nullptr); }), "TGif: Invalid LZW Code Size");
    EXPECT_EQ(GifLastErrorCode(), gifInvalidLzwCodeSize);

    {   // a code above the next free one
        TStreamBuilder S(2);
        S.Clear();
        S.Code(1);
        S.Code(7); // next free is 6
        S.End();
        D = S.W.Done();
        TGifImage J = MakeImage(4, 4, 2);
        EXPECT_EQ(ErrorOf([&] { GifLzwDecode(J, D.data(), D.size(), nullptr); }), "TGif: Invalid LZW Data Format");
    }
    {   // an end code right after a clear
        TStreamBuilder S(2);
        S.Clear();
        S.End();
        D = S.W.Done();
        TGifImage J = MakeImage(4, 4, 2);
        EXPECT_EQ(ErrorOf([&] { GifLzwDecode(J, D.data(), D.size(), nullptr); }), "TGif: Invalid LZW Data Format");
        EXPECT_EQ(GifLastErrorCode(), gifInvalidLzwData);
    }
    for (uint8_t Bpp : {0, 9}) {
        TGifImage J = MakeImage(4, 4, 0);
        D = {Bpp, 0xFF, 0xFF};
        EXPECT_EQ(ErrorOf([&] { GifSimpleDecode(J, D.data(), D.size(), nullptr); }), "TGif: Invalid LZW Data Format");
    }
}

TEST(GifLzw, ShortDataLeavesTheRestZeroAndSurplusIsIgnored)
{
    TGifImage Full = MakeImage(50, 40, 8);
    for (size_t P = 0; P < Full.Pixels.size(); ++P)
        Full.Pixels[P] = static_cast<uint8_t>(P * 7 + 1);
    Bytes D = GifLzwEncode(Full, nullptr);
    const Bytes Cut(D.begin(), D.begin() + static_cast<ptrdiff_t>(D.size() / 3));
    TGifImage I = MakeImage(50, 40, 8);
    GifLzwDecode(I, Cut.data(), Cut.size(), nullptr);
    size_t Good = 0;
    while (Good < I.Pixels.size() && I.Pixels[Good] == Full.Pixels[Good])
        ++Good;
    EXPECT_GT(Good, 100u);
    EXPECT_LT(Good, I.Pixels.size());
    for (size_t P = Good + 300; P < I.Pixels.size(); ++P)
        ASSERT_EQ(I.Pixels[P], 0) << P;

    // Decoding into a smaller picture stops once it is full, plain or interlaced.
    for (bool Interlaced : {false, true}) {
        TGifImage Small = MakeImage(50, 10, 8, Interlaced);
        EXPECT_NO_THROW(GifLzwDecode(Small, D.data(), D.size(), nullptr));
    }
}

TEST(GifLzw, InterlacedRowsComeInFourPasses)
{
    const int W = 3, H = 19;
    // Coded in file order: each row holds its position in the pass order.
    TGifImage Coded = MakeImage(W, H, 5);
    std::vector<int> Order;
    for (int Y = 0; Y < H; Y += 8) Order.push_back(Y);
    for (int Y = 4; Y < H; Y += 8) Order.push_back(Y);
    for (int Y = 2; Y < H; Y += 4) Order.push_back(Y);
    for (int Y = 1; Y < H; Y += 2) Order.push_back(Y);
    ASSERT_EQ(static_cast<int>(Order.size()), H);
    for (int R = 0; R < H; ++R)
        for (int X = 0; X < W; ++X)
            Coded.Pixels[R * W + X] = static_cast<uint8_t>(R);
    const Bytes D = GifLzwEncode(Coded, nullptr);
    TGifImage I = MakeImage(W, H, 5, true);
    GifLzwDecode(I, D.data(), D.size(), nullptr);
    for (int R = 0; R < H; ++R)
        for (int X = 0; X < W; ++X)
            ASSERT_EQ(I.Pixels[Order[R] * W + X], R) << "row " << Order[R];
}

TEST(GifLzw, UncompressedFormPacksLeastSignificantBitFirst)
{
    TGifImage I = MakeImage(5, 1, 0, true);
    const Bytes D = {3, 0b10001101, 0b00000010}; // 5, 1, 2 ... (3 bits each)
    GifSimpleDecode(I, D.data(), D.size(), nullptr);
    EXPECT_EQ(I.Pixels[0], 5);
    EXPECT_EQ(I.Pixels[1], 1);
    EXPECT_EQ(I.Pixels[2], 2);
    EXPECT_EQ(I.Pixels[3], 1); // bits 9..11 of 0x028D
    EXPECT_EQ(I.Pixels[4], 0); // past the data
    EXPECT_FALSE(I.Interlaced);
    TGifImage R = MakeImage(17, 3, 0);
    R.TableSize = 16;
    for (size_t P = 0; P < R.Pixels.size(); ++P)
        R.Pixels[P] = static_cast<uint8_t>(P % 16);
    const Bytes E = GifSimpleEncode(R, nullptr);
    EXPECT_EQ(E[0], 4);
    TGifImage Back = MakeImage(17, 3, 0);
    GifSimpleDecode(Back, E.data(), E.size(), nullptr);
    EXPECT_EQ(Back.Pixels, R.Pixels);
}

TEST(GifLzw, ProgressFollowsTheHundredUnitRule)
{
    TGifImage I = MakeImage(200, 150, 8);
    std::mt19937 Rnd(1);
    for (auto& P : I.Pixels)
        P = static_cast<uint8_t>(Rnd());
    const Bytes D = GifLzwEncode(I, nullptr);
    std::vector<std::tuple<int, int, std::string>> Calls;
    int64_t LastPos = 0;
    bool Spaced = true;
    TGifProgress Prog([&](int32_t Stage, uint8_t Percent, const std::string& Msg) { Calls.emplace_back(Stage, Percent, Msg); });
    TGifImage Back = MakeImage(200, 150, 8);
    GifLzwDecode(Back, D.data(), D.size(), &Prog);
    ASSERT_GE(Calls.size(), 3u);
    EXPECT_EQ(Calls.front(), std::make_tuple(0, 0, std::string("LZW decode image")));
    EXPECT_EQ(Calls.back(), std::make_tuple(2, 100, std::string("LZW decode image")));
    int Last = 0;
    for (size_t K = 1; K + 1 < Calls.size(); ++K) {
        EXPECT_EQ(std::get<0>(Calls[K]), 1);
        EXPECT_GE(std::get<1>(Calls[K]), Last);
        Last = std::get<1>(Calls[K]);
    }
    // At most one report per 100 bytes of data.
    EXPECT_LE(static_cast<int64_t>(Calls.size()) - 2, static_cast<int64_t>(D.size()) / 100);
    (void)LastPos;
    (void)Spaced;
}

// ---------------------------------------------------------------------------------------------
// File structure

TEST(GifFile, LowerCaseSignatureIsAccepted)
{
    TFileBuilder F("gif89a");
    F.Image();
    F.Trailer();
    TGifDocument Doc;
    GifRead(Doc, F.B.data(), F.B.size());
    EXPECT_EQ(Doc.Signature, "gif89a");
    ASSERT_EQ(Doc.Images.size(), 1u);
    EXPECT_EQ(Doc.Images[0].Pixels, (Bytes{0, 1, 2, 3, 0, 1, 2, 3}));
    EXPECT_EQ(Doc.Screen.GlobalTableSize, 4);
    EXPECT_EQ(Doc.Tables[0].Colors[1], 0x0000FFu); // red in 0x00BBGGRR
}

TEST(GifFile, StructureFaultsRaiseTheirTexts)
{
    {
        TFileBuilder F("GIF88a");
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: Invalid GIF Signature Code");
    }
    {
        TFileBuilder F;
        F.Image();
        EXPECT_EQ(ReadError(F.B), "TGif: No GIF Terminator Found");
    }
    {
        TFileBuilder F;
        F.Add({0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0});
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: Invalid Extension Block Size");
    }
    {
        TFileBuilder F;
        F.Add({0x21, 0xF9, 4, 0, 0, 0, 0, 7});
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: Invalid Extension Block Terminator");
    }
    {
        TFileBuilder F;
        F.Add({0x21, 0xF8, 0});
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: unknown extension: 00F8");
        EXPECT_EQ(GifLastErrorCode(), gifSpecialMessage);
        EXPECT_EQ(GifLastErrorText(), "unknown extension: 00F8");
    }
    {
        TFileBuilder F;
        F.Image();
        F.Add({0x21, 0xFE, 2, 'h', 'i', 0});
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: Extension Block Out-Of-Order With Image Data");
    }
    {
        TFileBuilder F;
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: No Image Description");
    }
    {
        TFileBuilder F;
        F.Add({0x99});
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: Unknown Graphics Operation Code");
    }
    {
        TFileBuilder F("GIF89a", false);
        F.Image();
        F.Trailer();
        EXPECT_EQ(ReadError(F.B), "TGif: No Local or Global Color Table for Image");
    }
    {   // cut inside the screen's table
        TFileBuilder F;
        F.B.resize(15);
        EXPECT_EQ(ReadError(F.B), "TGif: No GIF Terminator Found");
        EXPECT_EQ(ReadError(Bytes{'G', 'I'}), "TGif: Invalid GIF Signature Code");
    }
}

TEST(GifFile, ShortImageDataKeepsWhatWasRead)
{
    // Zero-length data block, then the trailer: loads, pixels 0.
    TFileBuilder F;
    F.Add({0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0, 2, 0, 0x3B});
    TGifDocument Doc;
    GifRead(Doc, F.B.data(), F.B.size());
    EXPECT_EQ(Doc.Images.at(0).Pixels, Bytes(8, 0));

    // Cut in the middle of the coded data: no terminator, the pixels decoded so far stay.
    TGifDocument Big;
    Big.Screen.Width = 64;
    Big.Screen.Height = 64;
    Big.Screen.GlobalTable = true;
    Big.Screen.GlobalTableSize = 256;
    Big.Screen.GlobalTableIndex = 0;
    Big.Tables.emplace_back();
    Big.Tables[0].Count = 256;
    TGifImage I = MakeImage(64, 64, 8);
    for (size_t P = 0; P < I.Pixels.size(); ++P)
        I.Pixels[P] = static_cast<uint8_t>(P / 64 + 1);
    I.TableIndex = 0;
    I.TableSize = 256;
    Big.Images.push_back(I);
    Bytes Whole = Save(Big);
    Whole.resize(Whole.size() - 200); // inside the coded data, which ends the file
    TGifDocument Back;
    EXPECT_EQ(ErrorOf([&] { GifRead(Back, Whole.data(), Whole.size()); }), "TGif: No GIF Terminator Found");
    ASSERT_EQ(Back.Images.size(), 1u);
    EXPECT_EQ(Back.Images[0].Pixels[0], 1);
    EXPECT_EQ(Back.Images[0].Pixels[64 * 5], 6);
    EXPECT_EQ(Back.Images[0].Pixels.back(), 0);
}

TEST(GifFile, HugeDescriptorRaisesOutOfMemoryAndEmptyImagesLoad)
{
    TFileBuilder F;
    F.Add({0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0, 0x3B});
    TGifDocument Doc;
    EXPECT_THROW(GifRead(Doc, F.B.data(), F.B.size()), EOutOfMemory);
    EXPECT_TRUE(Doc.Images.at(0).Pixels.empty());

    TFileBuilder Z;
    Z.Add({0x2C, 0, 0, 0, 0, 0, 0, 5, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    GifRead(Doc, Z.B.data(), Z.B.size());
    EXPECT_EQ(Doc.Images.at(0).Height, 5);
    EXPECT_TRUE(Doc.Images[0].Pixels.empty());
    // and it writes back and reads again
    const Bytes Again = Save(Doc);
    TGifDocument Back;
    GifRead(Back, Again.data(), Again.size());
    EXPECT_EQ(Back.Images.at(0).Height, 5);
}

TEST(GifFile, HostileFilesNeverEscapeThePicture)
{
    // Random damage to a good file: each load either succeeds or raises; sanitizers watch
    // every write.
    TGifDocument Doc;
    Doc.Screen.Width = 40;
    Doc.Screen.Height = 30;
    Doc.Tables.emplace_back();
    Doc.Tables[0].Count = 16;
    for (int K = 0; K < 2; ++K) {
        TGifImage I = MakeImage(40 - K * 7, 30 - K * 5, 4, K == 1);
        for (size_t P = 0; P < I.Pixels.size(); ++P)
            I.Pixels[P] = static_cast<uint8_t>((P * 3 + K) % 16);
        I.LocalTable = true;
        I.TableIndex = 0;
        I.TableSize = 16;
        I.Extensions.push_back(GifDefaultGraphicControl());
        Doc.Images.push_back(I);
    }
    const Bytes Good = Save(Doc);
    std::mt19937 Rnd(7);
    int Loaded = 0, Failed = 0;
    for (int Round = 0; Round < 3000; ++Round) {
        Bytes B = Good;
        const int Hits = 1 + static_cast<int>(Rnd() % 6);
        for (int H = 0; H < Hits; ++H)
            B[6 + Rnd() % (B.size() - 6)] = static_cast<uint8_t>(Rnd());
        if (Rnd() % 4 == 0)
            B.resize(Rnd() % B.size());
        TGifDocument Back;
        try {
            GifRead(Back, B.data(), B.size());
            ++Loaded;
        } catch (const EInvalidGraphicOperation&) {
            ++Failed;
        } catch (const EOutOfMemory&) {
            ++Failed;
        }
        for (const auto& I : Back.Images)
            ASSERT_LE(I.Pixels.size(), size_t(I.Width) * size_t(I.Height));
    }
    EXPECT_GT(Loaded, 0);
    EXPECT_GT(Failed, 0);
}

namespace {

TGifDocument RichDocument(int Images)
{
    TGifDocument Doc;
    Doc.Signature = "GIF89a";
    Doc.Screen.Width = 33;
    Doc.Screen.Height = 21;
    Doc.Screen.ColorResolution = 5;
    Doc.Screen.BackgroundIndex = 3;
    Doc.Screen.AspectRatio = 49;
    std::mt19937 Rnd(5);
    for (int K = 0; K < Images; ++K) {
        TGifColorTable T;
        T.Count = 2 << (K * 2 + 1); // 4, 16, 64
        for (int C = 0; C < T.Count; ++C)
            T.Colors[C] = Rnd() & 0xFFFFFF;
        Doc.Tables.push_back(T);
        TGifImage I = MakeImage(33 - K, 21 - 2 * K, K * 2 + 2, K % 2 == 1);
        I.Index = K;
        I.Left = K;
        I.Top = 2 * K;
        I.LocalTable = true;
        I.Sort = K == 2;
        I.TableIndex = K;
        I.TableSize = T.Count;
        for (auto& P : I.Pixels)
            P = static_cast<uint8_t>(Rnd() % T.Count);
        TGifExtension GC;
        GC.Disposal = static_cast<uint8_t>(K + 1);
        GC.UserInput = K == 1;
        GC.TransparentFlag = K != 1;
        GC.Delay = static_cast<uint16_t>(10 * K + 3);
        GC.TransparentIndex = static_cast<uint8_t>(K + 1);
        I.Extensions.push_back(GC);
        TGifExtension Comment;
        Comment.Label = gifComment;
        Comment.SubBlocks = {Bytes{'a', 'b'}, Bytes(255, 'x'), Bytes{'z'}};
        I.Extensions.push_back(Comment);
        if (K == 0) {
            TGifExtension Text;
            Text.Label = gifPlainText;
            Text.BlockSize = 12;
            Text.GridLeft = 1;
            Text.GridTop = 2;
            Text.GridWidth = 300;
            Text.GridHeight = 40;
            Text.CellWidth = 8;
            Text.CellHeight = 13;
            Text.ForegroundIndex = 1;
            Text.BackgroundIndex = 2;
            Text.SubBlocks = {Bytes{'H', 'e', 'l', 'l', 'o'}};
            I.Extensions.push_back(Text);
            TGifExtension App;
            App.Label = gifApplication;
            App.BlockSize = 11;
            std::memcpy(App.Identifier, "NETSCAPE", 8);
            std::memcpy(App.AuthCode, "2.0", 3);
            App.SubBlocks = {Bytes{1, 0, 0}};
            I.Extensions.push_back(App);
        }
        Doc.Images.push_back(I);
    }
    return Doc;
}

} // namespace

TEST(GifFile, RoundTripKeepsEverything)
{
    for (int N : {1, 3}) {
        const TGifDocument Doc = RichDocument(N);
        const Bytes B = Save(Doc);
        TGifDocument Back;
        GifRead(Back, B.data(), B.size());
        ASSERT_EQ(Back.Images.size(), Doc.Images.size());
        EXPECT_EQ(Back.Signature, "GIF89a");
        EXPECT_EQ(Back.Screen.Width, 33);
        EXPECT_EQ(Back.Screen.ColorResolution, 5);
        EXPECT_EQ(Back.Screen.BackgroundIndex, 3);
        EXPECT_EQ(Back.Screen.AspectRatio, 49);
        EXPECT_FALSE(Back.Screen.GlobalTable);
        ASSERT_EQ(Back.Tables.size(), Doc.Tables.size());
        for (size_t K = 0; K < Doc.Images.size(); ++K) {
            const TGifImage& A = Doc.Images[K];
            const TGifImage& R = Back.Images[K];
            EXPECT_EQ(R.Pixels, A.Pixels) << K;
            EXPECT_EQ(R.Interlaced, A.Interlaced);
            EXPECT_EQ(R.Sort, A.Sort);
            EXPECT_EQ(R.LocalTable, A.LocalTable);
            EXPECT_EQ(R.LZWSize, A.LZWSize);
            EXPECT_EQ(R.Left, A.Left);
            EXPECT_EQ(R.Top, A.Top);
            EXPECT_EQ(R.TableSize, A.TableSize);
            EXPECT_EQ(R.Extensions, A.Extensions);
            EXPECT_EQ(Back.Tables[R.TableIndex], Doc.Tables[A.TableIndex]);
        }
    }
}

TEST(GifFile, SignatureFollowsTheContent)
{
    TGifDocument Doc = RichDocument(1);
    Doc.Images[0].Extensions.clear();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Save(Doc).data()), 6), "GIF87a");
    Doc.Images[0].Extensions.push_back(TGifExtension{});
    Doc.Images[0].Extensions[0].Label = gifComment;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Save(Doc).data()), 6), "GIF89a");
    TGifDocument Two = RichDocument(2);
    for (auto& I : Two.Images)
        I.Extensions.clear();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Save(Two).data()), 6), "GIF89a");
    // A table index outside the list cannot be written.
    Two.Images[1].TableIndex = 9;
    EXPECT_EQ(ErrorOf([&] { Save(Two); }), "TGif: Value Out Of Range");
}

// ---------------------------------------------------------------------------------------------
// Cross-checks with Pillow and ImageMagick (host build only: Wine cannot start them)

#ifndef _WIN32
namespace {

std::string TempDir()
{
    static std::string Dir;
    if (Dir.empty()) {
        char Pattern[] = "/tmp/gifcodecXXXXXX";
        Dir = mkdtemp(Pattern);
    }
    return Dir;
}

bool RunScript(const std::string& Args)
{
    const std::string Cmd = std::string(GIF_TEST_PYTHON) + " " + GIF_TEST_DIR "/pil_gif.py " + Args + " >/dev/null 2>&1";
    return std::system(Cmd.c_str()) == 0;
}

using ImageTest::ReadFileBytes;
using ImageTest::WriteFileBytes;

// Frame K as RGB from the composite Pillow reports (frames at their offsets).
void ExpectSameColours(const TGifDocument& Doc, const std::string& Base, bool WholeFrames)
{
    const Bytes Rgb = ReadFileBytes(Base + ".rgb");
    std::ifstream Txt(Base + ".txt");
    size_t Offset = 0;
    for (size_t K = 0; K < Doc.Images.size(); ++K) {
        int W = 0, H = 0;
        ASSERT_TRUE(Txt >> W >> H) << "frame " << K;
        const TGifImage& I = Doc.Images[K];
        const TGifColorTable& T = Doc.Tables[I.TableIndex];
        if (WholeFrames) {
            ASSERT_EQ(W, I.Width);
            ASSERT_EQ(H, I.Height);
        }
        for (int Y = 0; Y < I.Height; ++Y)
            for (int X = 0; X < I.Width; ++X) {
                const uint32_t C = T.Colors[I.Pixels[Y * I.Width + X]];
                const size_t P = Offset + (size_t(Y + I.Top) * W + size_t(X + I.Left)) * 3;
                ASSERT_LT(P + 2, Rgb.size());
                const uint32_t Seen = Rgb[P] | (Rgb[P + 1] << 8) | (Rgb[P + 2] << 16);
                ASSERT_EQ(Seen, C) << "frame " << K << " at " << X << "," << Y;
            }
        Offset += size_t(W) * H * 3;
    }
    EXPECT_EQ(Offset, Rgb.size());
}

bool ToolsPresent()
{
    return std::system((std::string(GIF_TEST_PYTHON) + " -c 'import PIL' 2>/dev/null").c_str()) == 0;
}

} // namespace

TEST(GifCross, PillowDecodesOurFilesToOurColours)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "no Pillow";
    std::mt19937 Rnd(11);
    for (int Min = 2; Min <= 8; ++Min) {
        for (bool Interlaced : {false, true}) {
            TGifDocument Doc;
            Doc.Screen.Width = 41;
            Doc.Screen.Height = 23;
            Doc.Screen.GlobalTable = true;
            Doc.Screen.GlobalTableIndex = 0;
            Doc.Screen.GlobalTableSize = 1 << Min;
            Doc.Tables.emplace_back();
            Doc.Tables[0].Count = 1 << Min;
            for (int C = 0; C < (1 << Min); ++C)
                Doc.Tables[0].Colors[C] = Rnd() & 0xFFFFFF;
            const int Frames = Min == 4 ? 3 : 1;
            for (int K = 0; K < Frames; ++K) {
                TGifImage I = MakeImage(41, 23, Min, Interlaced);
                I.Index = K;
                I.TableIndex = 0;
                I.TableSize = 1 << Min;
                for (size_t P = 0; P < I.Pixels.size(); ++P)
                    I.Pixels[P] = static_cast<uint8_t>((Rnd() % 3 ? P / 17 + K : Rnd()) % (1u << Min));
                if (K > 0) { // a local table of its own
                    TGifColorTable T;
                    T.Count = 1 << Min;
                    for (int C = 0; C < T.Count; ++C)
                        T.Colors[C] = Rnd() & 0xFFFFFF;
                    Doc.Tables.push_back(T);
                    I.LocalTable = true;
                    I.TableIndex = static_cast<int32_t>(Doc.Tables.size()) - 1;
                    I.Extensions.push_back(GifDefaultGraphicControl());
                    I.Extensions.back().Disposal = 1;
                }
                Doc.Images.push_back(I);
            }
            if (Frames > 1)
                Doc.Images[0].Extensions.push_back(GifDefaultGraphicControl());
            const std::string Base = TempDir() + "/ours" + std::to_string(Min) + (Interlaced ? "i" : "p");
            WriteFileBytes(Base + ".gif", Save(Doc));
            ASSERT_TRUE(RunScript("decode " + Base + ".gif " + Base));
            ExpectSameColours(Doc, Base, true);
        }
    }
}

TEST(GifCross, FilesMadeByPillowAndImageMagickLoadWithTheirColours)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "no Pillow";
    for (const char* Kind : {"pil-interlaced", "pil-transparent", "pil-animation", "pil-comment", "magick-plasma",
                             "magick-animation"}) {
        const std::string Base = TempDir() + "/" + Kind;
        ASSERT_TRUE(RunScript(std::string("make ") + Kind + " " + Base)) << Kind;
        const Bytes B = ReadFileBytes(Base + ".gif");
        TGifDocument Doc;
        ASSERT_NO_THROW(GifRead(Doc, B.data(), B.size())) << Kind;
        SCOPED_TRACE(Kind);
        ExpectSameColours(Doc, Base, false);
        std::ifstream Info(Base + ".info");
        std::string Line;
        std::getline(Info, Line);
        const std::string Duration = Line.substr(9);
        std::getline(Info, Line);
        const std::string Comment = Line.substr(8);
        std::getline(Info, Line);
        const std::string Transparency = Line.substr(13);
        const TGifExtension* GC = Doc.Images[0].GraphicControl();
        if (std::string(Kind) == "pil-interlaced" || std::string(Kind) == "magick-plasma") {
            EXPECT_TRUE(Doc.Images[0].Interlaced);
        }
        if (std::string(Kind) == "pil-transparent") {
            ASSERT_NE(GC, nullptr);
            EXPECT_TRUE(GC->TransparentFlag);
            EXPECT_EQ(std::to_string(GC->TransparentIndex), Transparency);
        }
        if (std::string(Kind) == "pil-animation" || std::string(Kind) == "magick-animation") {
            EXPECT_GT(Doc.Images.size(), 1u);
            ASSERT_NE(GC, nullptr);
            EXPECT_EQ(std::to_string(GC->Delay * 10), Duration);
        }
        if (std::string(Kind) == "pil-animation") {
            EXPECT_TRUE(Doc.Images[1].LocalTable);
            EXPECT_EQ(Doc.Images[2].GraphicControl()->Delay, 25);
        }
        if (std::string(Kind) == "pil-comment") {
            std::string Found;
            for (const auto& E : Doc.Images[0].Extensions)
                if (E.Label == gifComment)
                    for (const auto& S : E.SubBlocks)
                        Found.append(S.begin(), S.end());
            EXPECT_EQ(Found, Comment);
        }
        // And what we write back, Pillow decodes to the same colours.
        WriteFileBytes(Base + "-again.gif", Save(Doc));
        ASSERT_TRUE(RunScript("decode " + Base + "-again.gif " + Base + "-again"));
        ExpectSameColours(Doc, Base + "-again", false);
    }
}
#endif
