#include "imagelib/GifCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// ---------------------------------------------------------------------------------------------
// Errors

namespace {

const char* const ErrorTexts[] = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "next message",
};

// Several images-library workers decode at once, each must see its own failure.
thread_local int32_t LastCode = 0;
// Plain characters, not a std::string: with this tool chain the destructor of a thread_local
// object can run on storage the runtime has already reused when a worker thread ends.
thread_local char LastText[1024];

void SetLastText(const std::string& Text) noexcept
{
    std::snprintf(LastText, sizeof(LastText), "%s", Text.c_str());
}

} // namespace

const char* GifErrorText(int32_t Code)
{
    if (Code < 0 || Code >= static_cast<int32_t>(std::size(ErrorTexts)))
        return "";
    return ErrorTexts[Code];
}

void GifError(int32_t Code)
{
    LastCode = Code;
    SetLastText(GifErrorText(Code));
    throw EInvalidGraphicOperation(std::string("TGif: ") + GifErrorText(Code));
}

void GifErrorMessage(const std::string& Text)
{
    LastCode = gifSpecialMessage;
    SetLastText(Text);
    throw EInvalidGraphicOperation("TGif: " + Text);
}

int32_t GifLastErrorCode() { return LastCode; }
std::string GifLastErrorText() { return LastText; }
void GifResetLastError()
{
    LastCode = 0;
    LastText[0] = '\0';
}

void GifAllocatePixels(std::vector<uint8_t>& Buffer, int64_t Width, int64_t Height)
{
    const int64_t Count = Width * Height; // 16-bit fields: the product may pass 2^31
    if (Width < 0 || Height < 0 || Count > GifMaxPixelBytes)
        throw EOutOfMemory("Out of memory");
    try {
        Buffer.assign(static_cast<size_t>(Count), 0);
    } catch (const std::bad_alloc&) {
        Buffer = std::vector<uint8_t>();
        throw EOutOfMemory("Out of memory");
    } catch (const std::length_error&) {
        Buffer = std::vector<uint8_t>();
        throw EOutOfMemory("Out of memory");
    }
}

// ---------------------------------------------------------------------------------------------
// Records

TGifExtension GifDefaultGraphicControl() { return TGifExtension(); }

TGifExtension* TGifImage::GraphicControl()
{
    for (auto& E : Extensions)
        if (E.Label == gifGraphicControl)
            return &E;
    return nullptr;
}

const TGifExtension* TGifImage::GraphicControl() const
{
    for (auto& E : Extensions)
        if (E.Label == gifGraphicControl)
            return &E;
    return nullptr;
}

TGifExtension& TGifImage::EnsureGraphicControl()
{
    if (TGifExtension* E = GraphicControl())
        return *E;
    Extensions.push_back(GifDefaultGraphicControl());
    return Extensions.back();
}

uint8_t GifTableSizeCode(int32_t Count)
{
    uint8_t S = 0;
    while (S < 7 && (2 << S) < Count)
        ++S;
    return S;
}

// ---------------------------------------------------------------------------------------------
// Progress

void TGifProgress::Start(int64_t Total, const std::string& Msg)
{
    FTotal = Total;
    FLastPosition = 0;
    FLastPercent = 0;
    FMsg = Msg;
    if (FHandler)
        FHandler(0, 0, FMsg);
}

void TGifProgress::Report(int64_t Position)
{
    FLastPosition = Position;
    if (Position <= 0)
        FLastPercent = 0;
    else if (Position >= FTotal)
        FLastPercent = 100;
    else
        FLastPercent = static_cast<uint8_t>(Position * 100 / FTotal);
    FHandler(1, FLastPercent, FMsg);
}

void TGifProgress::End()
{
    if (FHandler)
        FHandler(2, 100, FMsg);
}

// ---------------------------------------------------------------------------------------------
// Pixel placement

namespace {

// Puts decoded pixels row by row, or in the four interlaced passes; drops what does not fit.
class TPlacer {
public:
    TPlacer(TGifImage& Image, const TGifPixelSink* Sink, bool Interlaced)
        : FBuf(Image.Pixels.data()), FWidth(Image.Width), FHeight(Image.Height),
          FRemaining(static_cast<int64_t>(Image.Pixels.size())), FInterlaced(Interlaced),
          FSink(Sink && (Sink->Pixel || Sink->RowStart) ? Sink : nullptr)
    {
        if (FWidth <= 0 || FHeight <= 0)
            FRemaining = 0;
    }

    bool Done() const { return FRemaining <= 0; }

    void Put(const uint8_t* S, size_t N)
    {
        while (N > 0 && FRemaining > 0) {
            const size_t Room = static_cast<size_t>(FWidth - FX);
            const size_t Count = N < Room ? N : Room;
            uint8_t* Row = FBuf + static_cast<size_t>(FY) * static_cast<size_t>(FWidth);
            if (FSink) {
                for (size_t I = 0; I < Count; ++I) {
                    if (FX == 0 && FSink->RowStart)
                        FSink->RowStart(FY);
                    Row[FX] = S[I];
                    if (FSink->Pixel)
                        FSink->Pixel(FX, FY, S[I]);
                    ++FX;
                }
            } else {
                std::memcpy(Row + FX, S, Count);
                FX += static_cast<int32_t>(Count);
            }
            S += Count;
            N -= Count;
            FRemaining -= static_cast<int64_t>(Count);
            if (FX == FWidth) {
                FX = 0;
                NextRow();
            }
        }
    }

private:
    void NextRow()
    {
        static const int32_t Start[5] = {0, 0, 4, 2, 1};
        static const int32_t Step[5] = {1, 8, 8, 4, 2};
        if (!FInterlaced) {
            ++FY;
            return;
        }
        FY += Step[FPass];
        while (FY >= FHeight && FPass < 4) {
            ++FPass;
            FY = Start[FPass];
        }
        if (FY >= FHeight && FRemaining > 0)
            GifError(gifInvalidInterlacePass); // cannot happen: each row is visited once
    }

    uint8_t* FBuf;
    int32_t FWidth, FHeight;
    int64_t FRemaining;
    bool FInterlaced;
    const TGifPixelSink* FSink;
    int32_t FX = 0, FY = 0;
    int32_t FPass = 1;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// LZW decoding

void GifLzwDecode(TGifImage& Image, const uint8_t* Data, size_t Size, TGifProgress* Progress,
                  const TGifPixelSink* Sink)
{
    const int32_t MinSize = Image.LZWSize;
    if (MinSize + 1 > 12 || MinSize < 1)
        GifError(gifInvalidLzwCodeSize);

    // The work area lives only while one image is coded.
    struct TWork {
        uint16_t Prefix[4096];
        uint8_t Suffix[4096];
        uint8_t First[4096];
        uint16_t Length[4096];
        uint8_t Stack[4097];
    };
    std::unique_ptr<TWork> W(new TWork);

    const int32_t Clear = 1 << MinSize, End = Clear + 1;
    for (int32_t C = 0; C < Clear; ++C) {
        W->Prefix[C] = 0;
        W->Suffix[C] = W->First[C] = static_cast<uint8_t>(C);
        W->Length[C] = 1;
    }
    int32_t Width = MinSize + 1, Next = End + 1, Limit = 1 << Width;
    bool Full = false, AfterClear = false;
    int32_t Prev = -1;

    TPlacer Placer(Image, Sink, Image.Interlaced);
    const uint8_t* P = Data;
    const uint8_t* const PEnd = Data + Size;
    uint32_t Bits = 0;
    int32_t BitCount = 0;

    if (Progress)
        Progress->Start(static_cast<int64_t>(Size), "LZW decode image");
    while (!Placer.Done()) {
        while (BitCount < Width && P < PEnd) {
            Bits |= static_cast<uint32_t>(*P++) << BitCount;
            BitCount += 8;
            if (Progress)
                Progress->Step(P - Data);
        }
        if (BitCount < Width)
            break; // the data ran out: the remaining pixels stay 0
        int32_t Code = static_cast<int32_t>(Bits & ((1u << Width) - 1));
        Bits >>= Width;
        BitCount -= Width;

        if (Code == Clear) {
            Width = MinSize + 1;
            Next = End + 1;
            Limit = 1 << Width;
            Full = false;
            Prev = -1;
            AfterClear = true;
            continue;
        }
        if (Code == End) {
            if (AfterClear)
                GifError(gifInvalidLzwData);
            break;
        }
        AfterClear = false;

        if (Prev < 0) {
            if (Code >= Next)
                Code = 0;
        } else if (Code > Next) {
            GifError(gifInvalidLzwData);
        } else if (Code == Next) {
            // The previous string plus its own first character: the entry comes first.
            if (Full)
                GifError(gifInvalidLzwData);
            W->Prefix[Next] = static_cast<uint16_t>(Prev);
            W->Suffix[Next] = W->First[Prev];
            W->First[Next] = W->First[Prev];
            W->Length[Next] = static_cast<uint16_t>(W->Length[Prev] + 1);
            ++Next;
            Prev = -2; // added already
        }

        // The string, written backwards on a bounded stack.
        const int32_t Len = W->Length[Code];
        int32_t C = Code;
        for (int32_t I = Len - 1; I >= 0; --I) {
            W->Stack[I] = W->Suffix[C];
            C = W->Prefix[C];
        }
        Placer.Put(W->Stack, static_cast<size_t>(Len));

        if (Prev >= 0 && !Full) {
            W->Prefix[Next] = static_cast<uint16_t>(Prev);
            W->Suffix[Next] = W->First[Code];
            W->First[Next] = W->First[Prev];
            W->Length[Next] = static_cast<uint16_t>(W->Length[Prev] + 1);
            ++Next;
        }
        // Checked after every code, not only after an addition: with code size 1 the first
        // free code already equals the limit.
        if (Next >= Limit) {
            if (Width < 12) {
                ++Width;
                Limit <<= 1;
            } else {
                Full = true;
            }
        }
        Prev = Code;
    }
    if (Progress)
        Progress->End();
}

void GifSimpleDecode(TGifImage& Image, const uint8_t* Data, size_t Size, TGifProgress* Progress,
                     const TGifPixelSink* Sink)
{
    Image.Interlaced = false;
    if (Progress)
        Progress->Start(static_cast<int64_t>(Size), "simple decode image");
    if (Size > 0) {
        const int32_t Bpp = Data[0];
        if (Bpp < 1 || Bpp > 8)
            GifError(gifInvalidLzwData);
        TPlacer Placer(Image, Sink, false);
        const uint32_t Mask = (1u << Bpp) - 1;
        uint32_t Bits = 0;
        int32_t BitCount = 0;
        size_t Pos = 1;
        uint8_t Chunk[256];
        size_t N = 0;
        while (!Placer.Done()) {
            while (BitCount < Bpp && Pos < Size) {
                Bits |= static_cast<uint32_t>(Data[Pos++]) << BitCount;
                BitCount += 8;
                if (Progress)
                    Progress->Step(static_cast<int64_t>(Pos));
            }
            if (BitCount < Bpp)
                break;
            Chunk[N++] = static_cast<uint8_t>(Bits & Mask);
            Bits >>= Bpp;
            BitCount -= Bpp;
            if (N == sizeof(Chunk)) {
                Placer.Put(Chunk, N);
                N = 0;
            }
        }
        Placer.Put(Chunk, N);
    }
    if (Progress)
        Progress->End();
}

// ---------------------------------------------------------------------------------------------
// LZW encoding

namespace {

class TBitWriter {
public:
    explicit TBitWriter(std::vector<uint8_t>& Out) : FOut(Out) {}
    void Put(uint32_t Code, int32_t Width)
    {
        FBits |= Code << FCount;
        FCount += Width;
        while (FCount >= 8) {
            FOut.push_back(static_cast<uint8_t>(FBits));
            FBits >>= 8;
            FCount -= 8;
        }
    }
    void Flush()
    {
        if (FCount > 0)
            FOut.push_back(static_cast<uint8_t>(FBits));
        FBits = 0;
        FCount = 0;
    }

private:
    std::vector<uint8_t>& FOut;
    uint32_t FBits = 0;
    int32_t FCount = 0;
};

} // namespace

std::vector<uint8_t> GifLzwEncode(const TGifImage& Image, TGifProgress* Progress)
{
    const int32_t MinSize = Image.LZWSize;
    if (MinSize < 1 || MinSize > 11)
        GifError(gifInvalidLzwCodeSize);
    const int32_t Clear = 1 << MinSize, End = Clear + 1;
    const uint8_t* Pix = Image.Pixels.data();
    const size_t Count = Image.Pixels.size();
    // A pixel the code size cannot carry would make a file no reader decodes.
    if (MinSize < 8)
        for (size_t I = 0; I < Count; ++I)
            if (Pix[I] >= Clear)
                GifError(gifLzwOverflow);

    // The dictionary (prefix, byte) -> code, hashed; the same entries a linear scan would find.
    constexpr uint32_t HashSize = 8192;
    std::vector<uint32_t> Keys(HashSize), Codes(HashSize);
    auto Reset = [&] { std::fill(Keys.begin(), Keys.end(), 0xFFFFFFFFu); };
    auto Slot = [&](uint32_t Key) {
        uint32_t H = (Key * 2654435761u) >> 19;
        while (Keys[H] != 0xFFFFFFFFu && Keys[H] != Key)
            H = (H + 1) & (HashSize - 1);
        return H;
    };

    std::vector<uint8_t> Out;
    Out.reserve(Count / 2 + 16);
    TBitWriter Writer(Out);
    int32_t Width = MinSize + 1, Next = End + 1;
    Reset();
    if (Progress)
        Progress->Start(static_cast<int64_t>(Count), "LZW encode image");
    Writer.Put(static_cast<uint32_t>(Clear), Width);
    if (Count > 0) {
        uint32_t Cur = Pix[0];
        for (size_t I = 1; I < Count; ++I) {
            if (Progress)
                Progress->Step(static_cast<int64_t>(I));
            const uint32_t Key = (Cur << 8) | Pix[I];
            const uint32_t H = Slot(Key);
            if (Keys[H] == Key) {
                Cur = Codes[H];
                continue;
            }
            Writer.Put(Cur, Width);
            Keys[H] = Key;
            Codes[H] = static_cast<uint32_t>(Next);
            if (++Next > (1 << Width) && Width < 12)
                ++Width;
            if (Next == 4096) {
                Writer.Put(static_cast<uint32_t>(Clear), Width);
                Width = MinSize + 1;
                Next = End + 1;
                Reset();
            }
            Cur = Pix[I];
        }
        Writer.Put(Cur, Width);
        // The reader adds an entry for the last code before it reads the end code.
        if (++Next > (1 << Width) && Width < 12)
            ++Width;
    }
    Writer.Put(static_cast<uint32_t>(End), Width);
    Writer.Flush();
    if (Progress)
        Progress->End();
    return Out;
}

std::vector<uint8_t> GifSimpleEncode(const TGifImage& Image, TGifProgress* Progress)
{
    int32_t MaxValue = std::max(Image.TableSize - 1, 1);
    for (uint8_t V : Image.Pixels)
        MaxValue = std::max<int32_t>(MaxValue, V);
    int32_t Bpp = 1;
    while ((1 << Bpp) <= MaxValue)
        ++Bpp;
    std::vector<uint8_t> Out;
    Out.reserve(Image.Pixels.size() * Bpp / 8 + 2);
    Out.push_back(static_cast<uint8_t>(Bpp));
    TBitWriter Writer(Out);
    const int64_t Count = static_cast<int64_t>(Image.Pixels.size());
    if (Progress)
        Progress->Start(Count, "simple encode image");
    for (int64_t I = 0; I < Count; ++I) {
        if (Progress)
            Progress->Step(I);
        Writer.Put(Image.Pixels[static_cast<size_t>(I)], Bpp);
    }
    Writer.Flush();
    if (Progress)
        Progress->End();
    return Out;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

class TInput {
public:
    TInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    bool AtEnd() const { return FPos >= FSize; }
    size_t Left() const { return FSize - FPos; }
    uint8_t Byte()
    {
        if (FPos >= FSize)
            GifError(gifNoTerminator); // the file ends inside a block
        return FData[FPos++];
    }
    uint16_t Word()
    {
        const uint8_t Lo = Byte();
        return static_cast<uint16_t>(Lo | (Byte() << 8));
    }
    void Bytes(uint8_t* Dest, size_t Count)
    {
        if (Count > Left())
            GifError(gifNoTerminator);
        std::memcpy(Dest, FData + FPos, Count);
        FPos += Count;
    }
    // Data sub-blocks up to the zero-length one.
    TGifSubBlocks SubBlocks()
    {
        TGifSubBlocks Blocks;
        for (;;) {
            const uint8_t Len = Byte();
            if (Len == 0)
                return Blocks;
            std::vector<uint8_t> Block(Len);
            Bytes(Block.data(), Len);
            Blocks.push_back(std::move(Block));
        }
    }
    // Image data sub-blocks appended to Data; false when the file ends before the zero-length
    // block (Data then holds what there was).
    bool ImageData(std::vector<uint8_t>& Data)
    {
        for (;;) {
            if (AtEnd())
                return false;
            const size_t Len = FData[FPos++];
            if (Len == 0)
                return true;
            const size_t Take = std::min(Len, Left());
            Data.insert(Data.end(), FData + FPos, FData + FPos + Take);
            FPos += Take;
            if (Take < Len)
                return false;
        }
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

int32_t ReadTable(TGifDocument& Doc, TInput& In, uint8_t SizeCode)
{
    TGifColorTable Table;
    Table.Count = 2 << SizeCode;
    for (int32_t I = 0; I < Table.Count; ++I) {
        uint8_t Rgb[3];
        In.Bytes(Rgb, 3);
        Table.Colors[I] = static_cast<uint32_t>(Rgb[0]) | (static_cast<uint32_t>(Rgb[1]) << 8) |
                          (static_cast<uint32_t>(Rgb[2]) << 16);
    }
    Doc.Tables.push_back(Table);
    return static_cast<int32_t>(Doc.Tables.size()) - 1;
}

void ReadExtension(TGifDocument& Doc, TInput& In)
{
    TGifExtension E;
    E.Label = In.Byte();
    switch (E.Label) {
    case gifGraphicControl: {
        E.BlockSize = In.Byte();
        if (E.BlockSize != 4)
            GifError(gifInvalidBlockSize);
        const uint8_t Packed = In.Byte();
        E.Disposal = (Packed >> 2) & 7;
        E.UserInput = (Packed & 2) != 0;
        E.TransparentFlag = (Packed & 1) != 0;
        E.Delay = In.Word();
        E.TransparentIndex = In.Byte();
        if (In.Byte() != 0)
            GifError(gifInvalidTerminator);
        break;
    }
    case gifComment:
        E.SubBlocks = In.SubBlocks();
        break;
    case gifPlainText:
        E.BlockSize = In.Byte();
        if (E.BlockSize != 12)
            GifError(gifInvalidBlockSize);
        E.GridLeft = In.Word();
        E.GridTop = In.Word();
        E.GridWidth = In.Word();
        E.GridHeight = In.Word();
        E.CellWidth = In.Byte();
        E.CellHeight = In.Byte();
        E.ForegroundIndex = In.Byte();
        E.BackgroundIndex = In.Byte();
        E.SubBlocks = In.SubBlocks();
        break;
    case gifApplication:
        E.BlockSize = In.Byte();
        if (E.BlockSize != 11)
            GifError(gifInvalidBlockSize);
        In.Bytes(E.Identifier, 8);
        In.Bytes(E.AuthCode, 3);
        E.SubBlocks = In.SubBlocks();
        break;
    default: {
        static const char Hex[] = "0123456789ABCDEF";
        std::string Text = "unknown extension: 00";
        Text += Hex[E.Label >> 4];
        Text += Hex[E.Label & 15];
        GifErrorMessage(Text);
    }
    }
    Doc.Pending.push_back(std::move(E));
}

void ReadImage(TGifDocument& Doc, TInput& In, const TGifReadHooks& Hooks)
{
    Doc.Images.emplace_back();
    TGifImage& Image = Doc.Images.back();
    Image.Index = static_cast<int32_t>(Doc.Images.size()) - 1;
    Image.Extensions = std::move(Doc.Pending);
    Doc.Pending.clear();
    Image.Left = In.Word();
    Image.Top = In.Word();
    Image.Width = In.Word();
    Image.Height = In.Word();
    const uint8_t Packed = In.Byte();
    Image.LocalTable = (Packed & 0x80) != 0;
    Image.Interlaced = (Packed & 0x40) != 0;
    Image.Sort = (Packed & 0x20) != 0;
    if (Image.LocalTable) {
        Image.TableSize = 2 << (Packed & 7);
        Image.TableIndex = ReadTable(Doc, In, Packed & 7);
    } else if (Doc.Screen.GlobalTable && Doc.Screen.GlobalTableIndex >= 0) {
        Image.TableSize = Doc.Screen.GlobalTableSize;
        Image.TableIndex = Doc.Screen.GlobalTableIndex;
    } else {
        GifError(gifNoColorTable);
    }
    Image.LZWSize = In.Byte();
    std::vector<uint8_t> Data;
    Data.reserve(In.Left());
    const bool Whole = In.ImageData(Data);
    GifAllocatePixels(Image.Pixels, Image.Width, Image.Height);
    const TGifPixelSink* Sink = Hooks.BeforeDecode ? Hooks.BeforeDecode(Image) : nullptr;
    if (Image.LZWSize == 0)
        GifSimpleDecode(Image, Data.data(), Data.size(), Hooks.Progress, Sink);
    else
        GifLzwDecode(Image, Data.data(), Data.size(), Hooks.Progress, Sink);
    if (!Whole)
        GifError(gifNoTerminator); // the pixels decoded so far stay
}

} // namespace

void GifRead(TGifDocument& Doc, const uint8_t* Data, size_t Size, const TGifReadHooks& Hooks)
{
    Doc.Clear();
    TInput In(Data, Size);
    std::string Sig(reinterpret_cast<const char*>(Data), std::min<size_t>(Size, 6));
    std::string Upper = Sig;
    for (char& C : Upper)
        C = static_cast<char>(C >= 'a' && C <= 'z' ? C - 32 : C);
    if (Upper != "GIF87A" && Upper != "GIF89A")
        GifError(gifInvalidSignature);
    uint8_t Skip[6];
    In.Bytes(Skip, 6);
    Doc.Signature = Sig;

    TGifScreen& S = Doc.Screen;
    S.Width = In.Word();
    S.Height = In.Word();
    const uint8_t Packed = In.Byte();
    S.GlobalTable = (Packed & 0x80) != 0;
    S.ColorResolution = static_cast<uint8_t>(((Packed >> 4) & 7) + 1);
    S.Sort = (Packed & 8) != 0;
    S.GlobalTableSize = 2 << (Packed & 7);
    S.BackgroundIndex = In.Byte();
    S.AspectRatio = In.Byte();
    if (S.GlobalTable)
        S.GlobalTableIndex = ReadTable(Doc, In, Packed & 7);

    for (;;) {
        if (In.AtEnd())
            GifError(gifNoTerminator);
        const uint8_t Op = In.Byte();
        if (Op == 0)
            continue;
        if (Op == 0x3B)
            break;
        if (Op == 0x2C)
            ReadImage(Doc, In, Hooks);
        else if (Op == 0x21)
            ReadExtension(Doc, In);
        else
            GifError(gifUnknownOpCode);
    }
    if (!Doc.Pending.empty())
        GifError(gifExtensionOutOfOrder);
    if (Doc.Images.empty())
        GifError(gifNoImage);
}

void GifReadStream(TGifDocument& Doc, TStream* Source, const TGifReadHooks& Hooks)
{
    // A memory stream is read in place; anything else is copied whole first.
    if (auto* Memory = dynamic_cast<TMemoryStream*>(Source)) {
        GifRead(Doc, static_cast<const uint8_t*>(Memory->Memory()), static_cast<size_t>(Memory->GetSize()), Hooks);
        return;
    }
    TMemoryStream Work;
    Source->SetPosition(0);
    Work.CopyFrom(Source, 0);
    GifRead(Doc, static_cast<const uint8_t*>(Work.Memory()), static_cast<size_t>(Work.GetSize()), Hooks);
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

class TOutput {
public:
    void Byte(uint8_t B) { FData.push_back(B); }
    void Word(uint16_t W)
    {
        Byte(static_cast<uint8_t>(W));
        Byte(static_cast<uint8_t>(W >> 8));
    }
    void Bytes(const uint8_t* P, size_t N) { FData.insert(FData.end(), P, P + N); }
    // Sub-blocks of at most 255 bytes and the zero-length block.
    void SubBlocks(const uint8_t* P, size_t N)
    {
        while (N > 0) {
            const size_t Len = std::min<size_t>(N, 255);
            Byte(static_cast<uint8_t>(Len));
            Bytes(P, Len);
            P += Len;
            N -= Len;
        }
    }
    void SubBlocks(const TGifSubBlocks& Blocks)
    {
        for (const auto& B : Blocks)
            SubBlocks(B.data(), B.size());
        Byte(0);
    }
    void Table(const TGifColorTable& T)
    {
        const int32_t N = 2 << GifTableSizeCode(T.Count);
        for (int32_t I = 0; I < N; ++I) {
            const uint32_t C = I < 256 ? T.Colors[I] : 0;
            Byte(static_cast<uint8_t>(C));
            Byte(static_cast<uint8_t>(C >> 8));
            Byte(static_cast<uint8_t>(C >> 16));
        }
    }
    std::vector<uint8_t> FData;
};

const TGifColorTable& TableAt(const TGifDocument& Doc, int32_t Index)
{
    if (Index < 0 || Index >= static_cast<int32_t>(Doc.Tables.size()))
        GifError(gifValueOutOfRange);
    return Doc.Tables[static_cast<size_t>(Index)];
}

void WriteExtension(TOutput& Out, const TGifExtension& E)
{
    Out.Byte(0x21);
    Out.Byte(E.Label);
    switch (E.Label) {
    case gifGraphicControl:
        Out.Byte(4);
        Out.Byte(static_cast<uint8_t>((E.Disposal & 7) * 4 + (E.UserInput ? 2 : 0) + (E.TransparentFlag ? 1 : 0)));
        Out.Word(E.Delay);
        Out.Byte(E.TransparentIndex);
        Out.Byte(0);
        break;
    case gifPlainText:
        Out.Byte(12);
        Out.Word(E.GridLeft);
        Out.Word(E.GridTop);
        Out.Word(E.GridWidth);
        Out.Word(E.GridHeight);
        Out.Byte(E.CellWidth);
        Out.Byte(E.CellHeight);
        Out.Byte(E.ForegroundIndex);
        Out.Byte(E.BackgroundIndex);
        Out.SubBlocks(E.SubBlocks);
        break;
    case gifApplication:
        Out.Byte(11);
        Out.Bytes(E.Identifier, 8);
        Out.Bytes(E.AuthCode, 3);
        Out.SubBlocks(E.SubBlocks);
        break;
    default: // comments, and any other label as plain sub-blocks
        Out.SubBlocks(E.SubBlocks);
        break;
    }
}

} // namespace

std::string GifSignatureFor(const TGifDocument& Doc)
{
    return Doc.Images.size() == 1 && Doc.Images[0].Extensions.empty() ? "GIF87a" : "GIF89a";
}

void GifWrite(const TGifDocument& Doc, TStream* Target, TGifProgress* Progress)
{
    TOutput Out;
    const std::string Sig = GifSignatureFor(Doc);
    Out.Bytes(reinterpret_cast<const uint8_t*>(Sig.data()), 6);

    const TGifScreen& S = Doc.Screen;
    const TGifColorTable* Global = S.GlobalTable ? &TableAt(Doc, S.GlobalTableIndex) : nullptr;
    Out.Word(static_cast<uint16_t>(S.Width));
    Out.Word(static_cast<uint16_t>(S.Height));
    const uint8_t Res = static_cast<uint8_t>(std::clamp<int32_t>(S.ColorResolution, 1, 8) - 1);
    Out.Byte(static_cast<uint8_t>((Global ? 0x80 : 0) | (Res << 4) | (S.Sort ? 8 : 0) |
                                  (Global ? GifTableSizeCode(Global->Count) : 0)));
    Out.Byte(S.BackgroundIndex);
    Out.Byte(S.AspectRatio);
    if (Global)
        Out.Table(*Global);

    for (const TGifImage& Image : Doc.Images) {
        for (const TGifExtension& E : Image.Extensions)
            WriteExtension(Out, E);
        const TGifColorTable* Local = Image.LocalTable ? &TableAt(Doc, Image.TableIndex) : nullptr;
        Out.Byte(0x2C);
        Out.Word(static_cast<uint16_t>(Image.Left));
        Out.Word(static_cast<uint16_t>(Image.Top));
        Out.Word(static_cast<uint16_t>(Image.Width));
        Out.Word(static_cast<uint16_t>(Image.Height));
        // The size bits follow the image's table also when it is the global one.
        Out.Byte(static_cast<uint8_t>((Local ? 0x80 : 0) | GifTableSizeCode(Local ? Local->Count : Image.TableSize) |
                                      (Image.Interlaced ? 0x40 : 0) | (Image.Sort ? 0x20 : 0)));
        if (Local)
            Out.Table(*Local);
        Out.Byte(Image.LZWSize);
        // The pixels are kept row by row; an interlaced image is written in its pass order.
        const TGifImage* Source = &Image;
        TGifImage Reordered;
        if (Image.Interlaced && Image.LZWSize != 0 && Image.Width > 0 && Image.Height > 0) {
            Reordered.LZWSize = Image.LZWSize;
            Reordered.TableSize = Image.TableSize;
            Reordered.Pixels.reserve(Image.Pixels.size());
            static const int32_t Start[4] = {0, 4, 2, 1}, Step[4] = {8, 8, 4, 2};
            for (int32_t Pass = 0; Pass < 4; ++Pass)
                for (int32_t Y = Start[Pass]; Y < Image.Height; Y += Step[Pass]) {
                    const auto Row = Image.Pixels.begin() + static_cast<ptrdiff_t>(Y) * Image.Width;
                    Reordered.Pixels.insert(Reordered.Pixels.end(), Row, Row + Image.Width);
                }
            Source = &Reordered;
        }
        const std::vector<uint8_t> Data =
            Image.LZWSize == 0 ? GifSimpleEncode(*Source, Progress) : GifLzwEncode(*Source, Progress);
        Out.SubBlocks(Data.data(), Data.size());
        Out.Byte(0);
    }
    Out.Byte(0x3B);
    Target->WriteBuffer(Out.FData.data(), static_cast<int32_t>(Out.FData.size()));
}
