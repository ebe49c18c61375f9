#pragma once
// Helpers of the scroll box tests: a hidden form that gives the control a window, picture files
// written with the library's own writers, and a two-image test format.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgScroll.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Forms.h"
#include "tests/support/TestSupport.h"

namespace ImgScrollTest {

// A colour that tells every pixel apart (up to 4096 x 4096).
inline uint32_t PatternColor(int32_t X, int32_t Y)
{
    return PackRgb(uint8_t(X * 7 + Y), uint8_t(X ^ (Y * 3)), uint8_t((X >> 4) * 16 + (Y >> 4)));
}

inline void FillPattern(TDibGraphic& G, int32_t W, int32_t H)
{
    G.NewImage(W, H, ifTrueColor);
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = G.ScanLine(Y);
        for (int32_t X = 0; X < W; ++X) {
            const uint32_t C = PatternColor(X, Y);
            Row[X * 3] = uint8_t(C);
            Row[X * 3 + 1] = uint8_t(C >> 8);
            Row[X * 3 + 2] = uint8_t(C >> 16);
        }
    }
}

inline std::string WritePng(const std::string& Name, int32_t W, int32_t H)
{
    TPngGraphic G;
    FillPattern(G, W, H);
    G.SaveToFile(Name);
    return Name;
}

inline std::string WriteJpeg(const std::string& Name, int32_t W, int32_t H)
{
    TJpegGraphic G;
    FillPattern(G, W, H);
    G.SaveToFile(Name);
    return Name;
}

inline void WriteBytes(const std::string& Name, const std::vector<uint8_t>& Bytes)
{
    TFileStream S(Name, fmCreate);
    if (!Bytes.empty())
        S.WriteBuffer(Bytes.data(), int32_t(Bytes.size()));
}

// A 16 x 16 icon file, 32 bits per pixel, in the layout of the ICO format.
inline std::vector<uint8_t> IconBytes()
{
    std::vector<uint8_t> B;
    auto U16 = [&](uint32_t V) { B.push_back(uint8_t(V)); B.push_back(uint8_t(V >> 8)); };
    auto U32 = [&](uint32_t V) { U16(V & 0xFFFF); U16(V >> 16); };
    const uint32_t Pixels = 16 * 16 * 4, Mask = 16 * 4, Size = 40 + Pixels + Mask;
    U16(0); U16(1); U16(1);                                  // ICONDIR
    B.push_back(16); B.push_back(16); B.push_back(0); B.push_back(0);
    U16(1); U16(32); U32(Size); U32(22);                     // ICONDIRENTRY
    U32(40); U32(16); U32(32); U16(1); U16(32); U32(0); U32(Pixels + Mask); U32(0); U32(0); U32(0); U32(0);
    for (int32_t Y = 0; Y < 16; ++Y)
        for (int32_t X = 0; X < 16; ++X) {
            B.push_back(uint8_t(X * 16)); B.push_back(uint8_t(Y * 16)); B.push_back(0x80); B.push_back(0xFF);
        }
    B.insert(B.end(), Mask, 0);
    return B;
}

// A borderless form with a window, hidden, with the control under test at (0, 0).
struct TBoxOnForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TImageScrollBox* Box;
    explicit TBoxOnForm(int32_t W = 400, int32_t H = 300)
    {
        Form->SetBorderStyle(bsNone);
        Form->SetClientSize(W + 200, H + 200);
        Box = new TImageScrollBox(Form.get());
        Box->SetBounds(0, 0, W, H);
        Box->SetParent(Form.get());
        Form->HandleNeeded();
    }
};

// A test format whose files hold two images: image N is 10N x 10N, filled with colour N.
class TTwoImageGraphic : public TDibGraphic {
public:
    std::string ClassName() const override { return "TTwoImageGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override { return std::make_unique<TTwoImageGraphic>(); }
    int32_t GetStreamImageCount(TStream*) override { return 2; }
    void LoadImageFromStream(TStream* Stream, int32_t Index) override
    {
        uint8_t Byte = 0;
        Stream->ReadBuffer(&Byte, 1); // an empty file is a damaged one
        if (Index < 1 || Index > 2)
            throw EDidodazaError("No such image");
        NewImage(10 * Index, 10 * Index, ifTrueColor);
        Fill(PackRgb(uint8_t(Index), 0, 0));
    }
};

} // namespace ImgScrollTest
