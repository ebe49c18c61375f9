// Seeds of the picture-class targets, made with our own writers: TIFF in every format and every
// compression it allows, one and several pages, strip sizes and text tags; PNM in every magic;
// DCX of every PCX depth with one and several pages; DOS EPS files with a TIFF preview. A few
// TIFF layouts our writer never makes (tiles, 16 bits, separate planes, extra samples, CMYK,
// LZW) are written through libtiff directly.

#include <cstring>
#include <functional>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TiffGlue.h"
#include "imagelib/TiffGraphic.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/Seeds.h"

namespace qmfuzz {
namespace {

std::vector<uint8_t> BytesOf(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return std::vector<uint8_t>(P, P + S.GetSize());
}

void StartLibrary()
{
    static const bool Started = [] {
        MakeDefaultPalettes();
        TiffLibInit();
        return true;
    }();
    (void)Started;
}

constexpr ImageFormat Formats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
const char* const FormatTags[] = {"bw", "gray16", "gray256", "color16", "color256", "rgb"};

struct TSize {
    int32_t W, H;
};
// Widths that cross byte, nibble and row padding boundaries.
constexpr TSize Sizes[] = {{1, 1}, {9, 3}, {33, 5}};

// A picture with runs and noise, so run-length and fax coders see both; palettes are coloured
// (the grey formats keep their grey ramps).
void Paint(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format)
{
    TDibLogPalette Palette{};
    const TDibLogPalette* Use = nullptr;
    if (Format == ifColor16 || Format == ifColor256) {
        const int32_t Count = Format == ifColor16 ? 16 : 256;
        Palette.Version = 0x300;
        Palette.NumEntries = uint16_t(Count);
        for (int32_t I = 0; I < Count; ++I)
            Palette.Entries[I] = TPaletteEntry{uint8_t(I * 37), uint8_t(255 - I * 11), uint8_t(I * 5), 0};
        Use = &Palette;
    }
    G.NewImage(W, H, Format, Use, 96, 72);
    const int32_t Used = (W * BitsPerPixel(Format) + 7) / 8;
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = G.ScanLine(Y);
        for (int32_t X = 0; X < Used; ++X)
            Row[X] = X < Used / 2 ? uint8_t(Y * 17) : uint8_t(X * 31 + Y * 7);
    }
}

// ------------------------------------------------------------------ TIFF

std::vector<uint8_t> WriteTiff(ImageFormat Format, TSize Sz, TiffCompression Compression, int32_t RowsPerStrip,
                               bool Tags)
{
    TTiffGraphic G;
    Paint(G, Sz.W, Sz.H, Format);
    G.SetCompression(Compression);
    if (RowsPerStrip > 0)
        G.SetRowsPerStrip(RowsPerStrip);
    if (Tags) {
        G.ImageDescription = "A picture";
        G.Artist = "Someone";
        G.DateTime = "2003:07:14 16:05:09";
        G.CustomTag(0).Text = "An annotation\r\nover two lines";
        G.CustomTag(5).WriteEnabled = true;
        G.CustomTag(5).Text = "user tag 6";
    }
    TMemoryStream S;
    G.SaveToStream(&S);
    return BytesOf(S);
}

// A file written through libtiff itself: Setup sets the directory's fields; rows (or tiles)
// get a pattern.
std::vector<uint8_t> LibTiffFile(const std::function<void(TIFF*)>& Setup, uint32_t W, uint32_t H, bool Tiled,
                                 int Planes = 1)
{
    TMemoryStream S;
    {
        TTiffHandle T(TiffStreamOpen(&S, "w"));
        if (!T)
            return {};
        TIFFSetField(T.Get(), TIFFTAG_IMAGEWIDTH, W);
        TIFFSetField(T.Get(), TIFFTAG_IMAGELENGTH, H);
        TIFFSetField(T.Get(), TIFFTAG_PLANARCONFIG, Planes > 1 ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
        Setup(T.Get());
        if (Tiled) {
            const tmsize_t Size = TIFFTileSize(T.Get());
            std::vector<uint8_t> Tile(size_t(Size > 0 ? Size : 1));
            for (size_t I = 0; I < Tile.size(); ++I)
                Tile[I] = uint8_t(I * 13 + I / 5);
            const uint32_t Tiles = TIFFNumberOfTiles(T.Get());
            for (uint32_t K = 0; K < Tiles; ++K)
                if (TIFFWriteEncodedTile(T.Get(), K, Tile.data(), Size) < 0)
                    return {};
        } else {
            const tmsize_t Size = TIFFScanlineSize(T.Get());
            std::vector<uint8_t> Row(size_t(Size > 0 ? Size : 1));
            for (int Plane = 0; Plane < Planes; ++Plane)
                for (uint32_t Y = 0; Y < H; ++Y) {
                    for (size_t I = 0; I < Row.size(); ++I)
                        Row[I] = uint8_t(I * 29 + Y * 3 + Plane * 50);
                    if (TIFFWriteScanline(T.Get(), Row.data(), Y, uint16_t(Plane)) < 0)
                        return {};
                }
        }
        if (!TIFFWriteDirectory(T.Get()))
            return {};
    }
    return BytesOf(S);
}

void Fields(TIFF* T, uint16_t Bits, uint16_t Samples, uint16_t Photometric, uint16_t Compression)
{
    TIFFSetField(T, TIFFTAG_BITSPERSAMPLE, Bits);
    TIFFSetField(T, TIFFTAG_SAMPLESPERPIXEL, Samples);
    TIFFSetField(T, TIFFTAG_PHOTOMETRIC, Photometric);
    TIFFSetField(T, TIFFTAG_COMPRESSION, Compression);
}

void AddHandTiffs(std::vector<TSeed>& Out)
{
    auto Add = [&Out](const char* Name, std::vector<uint8_t> File) {
        if (!File.empty())
            Out.push_back({Name, std::move(File)});
    };
    auto Tiles = [](TIFF* T) {
        TIFFSetField(T, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(T, TIFFTAG_TILELENGTH, 16);
    };
    Add("tiles_rgb.tif", LibTiffFile(
                             [&](TIFF* T) {
                                 Fields(T, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE);
                                 Tiles(T);
                             },
                             40, 20, true));
    Add("tiles_grey_deflate.tif", LibTiffFile(
                                      [&](TIFF* T) {
                                          Fields(T, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE);
                                          Tiles(T);
                                      },
                                      17, 33, true));
    Add("tiles_palette4.tif", LibTiffFile(
                                  [&](TIFF* T) {
                                      Fields(T, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS);
                                      Tiles(T);
                                      std::vector<uint16_t> Map(16);
                                      for (int I = 0; I < 16; ++I)
                                          Map[size_t(I)] = uint16_t(I * 4369);
                                      TIFFSetField(T, TIFFTAG_COLORMAP, Map.data(), Map.data(), Map.data());
                                  },
                                  20, 18, true));
    Add("tiles_jpeg_rgb.tif", LibTiffFile(
                                  [&](TIFF* T) {
                                      Fields(T, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG);
                                      Tiles(T);
                                  },
                                  32, 16, true));
    Add("grey16.tif",
        LibTiffFile([](TIFF* T) { Fields(T, 16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE); }, 7, 5, false));
    Add("grey16_miniswhite_deflate.tif",
        LibTiffFile([](TIFF* T) { Fields(T, 16, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_DEFLATE); }, 9, 4, false));
    Add("rgb48.tif", LibTiffFile([](TIFF* T) { Fields(T, 16, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE); }, 5, 3, false));
    Add("grey8_miniswhite.tif",
        LibTiffFile([](TIFF* T) { Fields(T, 8, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_PACKBITS); }, 11, 3, false));
    Add("grey2.tif", LibTiffFile([](TIFF* T) { Fields(T, 2, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE); }, 13, 3, false));
    Add("rgba_extra.tif", LibTiffFile(
                              [](TIFF* T) {
                                  Fields(T, 8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE);
                                  const uint16_t Extra[] = {EXTRASAMPLE_ASSOCALPHA};
                                  TIFFSetField(T, TIFFTAG_EXTRASAMPLES, 1, Extra);
                              },
                              6, 4, false));
    Add("grey_alpha.tif", LibTiffFile(
                              [](TIFF* T) {
                                  Fields(T, 8, 2, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE);
                                  const uint16_t Extra[] = {EXTRASAMPLE_UNASSALPHA};
                                  TIFFSetField(T, TIFFTAG_EXTRASAMPLES, 1, Extra);
                              },
                              6, 4, false));
    Add("cmyk.tif", LibTiffFile([](TIFF* T) { Fields(T, 8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE); }, 5, 5, false));
    Add("rgb_planes.tif",
        LibTiffFile([](TIFF* T) { Fields(T, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE); }, 7, 3, false, 3));
    Add("lzw.tif", LibTiffFile([](TIFF* T) { Fields(T, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW); }, 8, 8, false));
    Add("bilevel_no_bits.tif", LibTiffFile(
                                   [](TIFF* T) {
                                       TIFFSetField(T, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
                                       TIFFSetField(T, TIFFTAG_COMPRESSION, COMPRESSION_CCITTRLE);
                                   },
                                   20, 6, false));
    Add("fax3_2d_rows1.tif", LibTiffFile(
                                 [](TIFF* T) {
                                     Fields(T, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3);
                                     TIFFSetField(T, TIFFTAG_GROUP3OPTIONS, 1);
                                     TIFFSetField(T, TIFFTAG_ROWSPERSTRIP, 1);
                                 },
                                 30, 5, false));
}

void AddTiffSeeds(std::vector<TSeed>& Out)
{
    StartLibrary();
    for (size_t F = 0; F < std::size(Formats); ++F) {
        for (const TSize Sz : Sizes) {
            TTiffGraphic Probe;
            Paint(Probe, 1, 1, Formats[F]);
            for (int32_t C = 0; C < kTiffCompressionCount; ++C) {
                if (!Probe.CompressionAllowed(TiffCompression(C)))
                    continue;
                Out.push_back({Format("%s_%dx%d_c%d.tif", FormatTags[F], Sz.W, Sz.H, C),
                               WriteTiff(Formats[F], Sz, TiffCompression(C), 0, false)});
            }
        }
        // Strips of one and two rows, with every text tag and the annotation.
        Out.push_back({Format("%s_strips1_tags.tif", FormatTags[F]), WriteTiff(Formats[F], {21, 7}, 1, 1, true)});
        Out.push_back({Format("%s_strips2_zlib.tif", FormatTags[F]), WriteTiff(Formats[F], {21, 7}, 5, 2, true)});
    }
    // Several pages of different formats and compressions, appended one by one.
    TMemoryStream Pages;
    int32_t N = 0;
    for (const ImageFormat F : {ifTrueColor, ifBlackWhite, ifColor256, ifGray16}) {
        TTiffGraphic G;
        Paint(G, 10 + N, 6, F);
        G.SetCompression(F == ifBlackWhite ? 4 : (N % 2 ? 5 : 1));
        G.PageName = Format("Page %d", N + 1);
        G.AppendImageToStream(&Pages);
        ++N;
    }
    Out.push_back({"four_pages.tif", BytesOf(Pages)});
    AddHandTiffs(Out);
}

// ------------------------------------------------------------------ PNM

void AddPnmSeeds(std::vector<TSeed>& Out)
{
    StartLibrary();
    for (size_t F = 0; F < std::size(Formats); ++F)
        for (const TSize Sz : Sizes)
            for (const bool Binary : {false, true}) {
                TPpmGraphic G;
                Paint(G, Sz.W, Sz.H, Formats[F]);
                G.SetBinary(Binary);
                TMemoryStream S;
                G.SaveToStream(&S);
                Out.push_back(
                    {Format("%s_%dx%d_%s.pnm", FormatTags[F], Sz.W, Sz.H, Binary ? "raw" : "ascii"), BytesOf(S)});
            }
    // What our writer does not make: other maximum values, 16-bit samples, comments anywhere,
    // ASCII bitmaps without blanks between samples.
    auto Text = [&Out](const char* Name, std::string_view T) {
        Out.push_back({Name, std::vector<uint8_t>(T.begin(), T.end())});
    };
    Text("p1_tight.pbm", "P1\n# tight\n5 2\n10101\n01010\n");
    Text("p2_max15.pgm", "P2 3 2 15\n0 7 15\n# mid\n1 2 3\n");
    Text("p3_max65535.ppm", "P3\n2 1\n65535\n65535 0 32768 1 2 3\n");
    Text("p3_comment_in_header.ppm", "P3 # width next\n2 # height\n1\n255\n1 2 3 4 5 6\n");
    Text("p5_16bit.pgm", std::string_view("P5\n2 2\n1000\n\x03\xe8\x00\x00\x01\xf4\x00\x01", 20));
    Text("p6_16bit.ppm", std::string_view("P6 1 1 65535\n\xff\xff\x80\x00\x00\x01", 19));
    Text("p4_odd_width.pbm", std::string_view("P4\n11 2\n\xa5\xe0\x5a\x20", 12));
}

// ------------------------------------------------------------------ DCX

void AddDcxSeeds(std::vector<TSeed>& Out)
{
    StartLibrary();
    // PCX holds 1, 4, 8 and 24 bits; the grey formats go out as their palette depths.
    for (const ImageFormat F : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor, ifGray256})
        for (const TSize Sz : Sizes) {
            TDcxGraphic G;
            Paint(G, Sz.W, Sz.H, F);
            TMemoryStream S;
            G.SaveToStream(&S);
            Out.push_back({Format("%s_%dx%d.dcx", FormatTags[F], Sz.W, Sz.H), BytesOf(S)});
        }
    TMemoryStream Pages;
    int32_t N = 0;
    for (const ImageFormat F : {ifColor256, ifBlackWhite, ifTrueColor, ifColor16, ifColor256}) {
        TDcxGraphic G;
        Paint(G, 7 + 3 * N, 4 + N, F);
        G.AppendImageToStream(&Pages);
        ++N;
    }
    Out.push_back({"five_pages.dcx", BytesOf(Pages)});
}

// ------------------------------------------------------------------ EPS

void Put32(std::vector<uint8_t>& V, size_t At, uint32_t X)
{
    for (int I = 0; I < 4; ++I)
        V[At + size_t(I)] = uint8_t(X >> (8 * I));
}

// A DOS EPS header (30 bytes), the PostScript and the TIFF preview in either order.
std::vector<uint8_t> Eps(const std::vector<uint8_t>& Tiff, bool PreviewFirst)
{
    const std::string Ps =
        "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nnewpath 0 0 moveto 10 10 lineto stroke\n%%EOF\n";
    std::vector<uint8_t> V(30, 0);
    V[0] = 0xC5;
    V[1] = 0xD0;
    V[2] = 0xD3;
    V[3] = 0xC6;
    const uint32_t PsAt = PreviewFirst ? 30 + uint32_t(Tiff.size()) : 30;
    const uint32_t TiffAt = PreviewFirst ? 30 : 30 + uint32_t(Ps.size());
    Put32(V, 4, PsAt);
    Put32(V, 8, uint32_t(Ps.size()));
    Put32(V, 20, TiffAt);
    Put32(V, 24, uint32_t(Tiff.size()));
    V[28] = 0xFF;
    V[29] = 0xFF;
    if (PreviewFirst) {
        V.insert(V.end(), Tiff.begin(), Tiff.end());
        V.insert(V.end(), Ps.begin(), Ps.end());
    } else {
        V.insert(V.end(), Ps.begin(), Ps.end());
        V.insert(V.end(), Tiff.begin(), Tiff.end());
    }
    return V;
}

void AddEpsSeeds(std::vector<TSeed>& Out)
{
    StartLibrary();
    Out.push_back({"bw_fax4.eps", Eps(WriteTiff(ifBlackWhite, {33, 5}, 4, 0, false), false)});
    Out.push_back({"color256_packbits.eps", Eps(WriteTiff(ifColor256, {9, 3}, 1, 0, false), true)});
    Out.push_back({"rgb_jpeg.eps", Eps(WriteTiff(ifTrueColor, {17, 9}, 6, 0, false), false)});
    Out.push_back({"gray16_zlib.eps", Eps(WriteTiff(ifGray16, {9, 3}, 5, 0, true), true)});
}

} // namespace

void AddPictureClassSeeds(std::string_view Target, std::vector<TSeed>& Out)
{
    if (Target == "tiff")
        AddTiffSeeds(Out);
    else if (Target == "pnm")
        AddPnmSeeds(Out);
    else if (Target == "dcx")
        AddDcxSeeds(Out);
    else if (Target == "eps")
        AddEpsSeeds(Out);
}

} // namespace qmfuzz
