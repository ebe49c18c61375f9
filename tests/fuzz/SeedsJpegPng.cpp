// JPEG and PNG files made by our glue over the C libraries' writers: grey and colour, every PNG
// colour type and depth, interlaced, progressive and optimised JPEG.

#include <algorithm>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGlue.h"
#include "imagelib/PngGlue.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::vector<uint8_t> BytesOf(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

struct TRows {
    std::vector<uint8_t> Buffer;
    std::vector<uint8_t*> Rows;
    TRows(uint32_t W, uint32_t H, size_t RowBytes) : Buffer(RowBytes * H), Rows(H)
    {
        for (uint32_t Y = 0; Y < H; ++Y)
            Rows[Y] = Buffer.data() + RowBytes * Y;
        for (size_t I = 0; I < Buffer.size(); ++I)
            Buffer[I] = uint8_t(I % RowBytes < RowBytes / 2 ? I / RowBytes * 9 : I * 31 + W);
    }
};

std::vector<uint8_t> MakeJpeg(uint32_t W, uint32_t H, bool Grey, int32_t Quality, bool Progressive, bool Optimize)
{
    TMemoryStream S;
    {
        TJpegCompressorGuard C(&S);
        TJpegCompressParams P{};
        P.Width = W;
        P.Height = H;
        P.Components = Grey ? 1 : 3;
        P.InColorSpace = Grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        P.DensityUnit = 1;
        P.XDensity = 96;
        P.YDensity = 72;
        P.Quality = Quality;
        P.Progressive = Progressive;
        P.Optimize = Optimize;
        JpegSetCompressParams(C.Get(), P);
        TRows R(W, H, size_t(W) * size_t(P.Components));
        JpegRun(C.Get(), [](j_compress_ptr I, void*) { jpeg_start_compress(I, TRUE); });
        JpegRun(
            C.Get(),
            [](j_compress_ptr I, void* Arg) {
                auto* Rows = static_cast<uint8_t**>(Arg);
                while (I->next_scanline < I->image_height)
                    jpeg_write_scanlines(I, Rows + I->next_scanline, I->image_height - I->next_scanline);
            },
            R.Rows.data());
        JpegRun(C.Get(), [](j_compress_ptr I, void*) { jpeg_finish_compress(I); });
    }
    return BytesOf(S);
}

// The picture a PNG seed holds: its size, sample layout, interlacing, transparency and rows.
struct TPngSeedPicture {
    uint32_t W, H;
    int Depth, Type;
    bool Interlaced, Transparency;
    uint8_t** Rows;
};

std::vector<uint8_t> MakePng(uint32_t W, uint32_t H, int Depth, int Type, bool Interlaced, bool Transparency)
{
    int Channels = Type == PNG_COLOR_TYPE_RGB ? 3 : Type == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                   : Type == PNG_COLOR_TYPE_GRAY_ALPHA                               ? 2
                                                                                     : 1;
    const size_t RowBytes = (size_t(W) * size_t(Channels) * size_t(Depth) + 7) / 8;
    TRows R(W, H, RowBytes);
    if (Type == PNG_COLOR_TYPE_PALETTE && Depth < 8) // keep indices inside a small palette
        for (auto& B : R.Buffer)
            B &= uint8_t(Depth == 1 ? 0xFF : Depth == 2 ? 0x55 : 0x33);
    TMemoryStream S;
    TPngSeedPicture Picture{W, H, Depth, Type, Interlaced, Transparency, R.Rows.data()};
    {
        TPngGlueGuard G(&S, true);
        PngRun(
            G.Get(),
            [](TPngGlue* G, void* Arg) {
                auto* P = static_cast<TPngSeedPicture*>(Arg);
                png_set_IHDR(G->Png, G->Info, P->W, P->H, P->Depth, P->Type,
                             P->Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                             PNG_FILTER_TYPE_DEFAULT);
                png_color Pal[256];
                png_byte Alpha[256];
                for (int I = 0; I < 256; ++I) {
                    Pal[I] = png_color{png_byte(I * 37), png_byte(I * 11), png_byte(255 - I)};
                    Alpha[I] = png_byte(255 - I);
                }
                if (P->Type == PNG_COLOR_TYPE_PALETTE)
                    png_set_PLTE(G->Png, G->Info, Pal, 1 << std::min(P->Depth, 8));
                if (P->Transparency) {
                    png_color_16 Trans{};
                    Trans.red = Trans.green = Trans.blue = Trans.gray = 1;
                    png_set_tRNS(G->Png, G->Info, P->Type == PNG_COLOR_TYPE_PALETTE ? Alpha : nullptr,
                                 P->Type == PNG_COLOR_TYPE_PALETTE ? 1 << std::min(P->Depth, 8) : 0, &Trans);
                }
                png_set_gAMA(G->Png, G->Info, 0.45455);
                png_set_pHYs(G->Png, G->Info, 3780, 2835, PNG_RESOLUTION_METER);
                png_color_16 Bk{};
                png_set_bKGD(G->Png, G->Info, &Bk);
                png_text Text{};
                Text.compression = PNG_TEXT_COMPRESSION_zTXt;
                Text.key = const_cast<char*>("Comment");
                Text.text = const_cast<char*>("made by our writer, compressed text chunk");
                png_set_text(G->Png, G->Info, &Text, 1);
                png_write_info(G->Png, G->Info);
                png_write_image(G->Png, P->Rows);
                png_write_end(G->Png, G->Info);
            },
            &Picture);
    }
    return BytesOf(S);
}

} // namespace

void AddJpegSeeds(std::vector<TSeed>& Out)
{
    Out.push_back({"grey_8x8.jpg", MakeJpeg(8, 8, true, 75, false, false)});
    Out.push_back({"colour_17x9.jpg", MakeJpeg(17, 9, false, 90, false, false)});
    Out.push_back({"colour_1x1.jpg", MakeJpeg(1, 1, false, 50, false, false)});
    Out.push_back({"progressive_33x20.jpg", MakeJpeg(33, 20, false, 80, true, false)});
    Out.push_back({"progressive_grey_40x3.jpg", MakeJpeg(40, 3, true, 60, true, false)});
    Out.push_back({"optimised_25x25.jpg", MakeJpeg(25, 25, false, 95, false, true)});
    Out.push_back({"low_quality_64x48.jpg", MakeJpeg(64, 48, false, 5, false, false)});
    Out.push_back({"full_quality_16x70.jpg", MakeJpeg(16, 70, false, 100, true, true)});
}

void AddPngSeeds(std::vector<TSeed>& Out)
{
    struct TKind {
        int Type;
        std::vector<int> Depths;
        const char* Name;
    };
    const TKind Kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, "grey"},
                           {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, "palette"},
                           {PNG_COLOR_TYPE_RGB, {8, 16}, "rgb"},
                           {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, "greyalpha"},
                           {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, "rgba"}};
    for (const TKind& K : Kinds)
        for (const int D : K.Depths)
            for (const bool Interlaced : {false, true}) {
                const bool Trans = K.Type == PNG_COLOR_TYPE_PALETTE || K.Type == PNG_COLOR_TYPE_GRAY ||
                                   K.Type == PNG_COLOR_TYPE_RGB;
                Out.push_back({Format("%s%d%s_%s.png", K.Name, D, Interlaced ? "_interlaced" : "", Trans ? "trns" : "plain"),
                               MakePng(Interlaced ? 11 : 13, Interlaced ? 9 : 5, D, K.Type, Interlaced, Trans)});
            }
}

} // namespace qmfuzz
