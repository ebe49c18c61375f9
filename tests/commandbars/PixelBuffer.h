#pragma once
// A top-down 32-bit DIB section with its own memory DC, for reading what a routine drew.

#include <cstdint>
#include <vector>

#include <windows.h>

#include "tests/support/Screenshot.h"

namespace CommandBarsTest {

class TDib {
public:
    TDib(int32_t Width, int32_t Height, COLORREF Background = RGB(1, 2, 3)) : FWidth(Width), FHeight(Height)
    {
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Info.bmiHeader.biWidth = Width;
        Info.bmiHeader.biHeight = -Height;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 32;
        FDC = CreateCompatibleDC(nullptr);
        void* Bits = nullptr;
        FBitmap = CreateDIBSection(FDC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
        FOld = SelectObject(FDC, FBitmap);
        FBits = static_cast<uint32_t*>(Bits);
        Fill(Background);
    }
    TDib(const TDib&) = delete;
    TDib& operator=(const TDib&) = delete;
    ~TDib()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    HDC DC() const { return FDC; }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    void Fill(COLORREF C)
    {
        HBRUSH B = CreateSolidBrush(C);
        RECT R{0, 0, FWidth, FHeight};
        FillRect(FDC, &R, B);
        DeleteObject(B);
    }
    // As a COLORREF (what RGB and GetSysColor give).
    COLORREF Pixel(int32_t X, int32_t Y) const
    {
        GdiFlush();
        const uint32_t P = FBits[Y * FWidth + X];
        return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF);
    }
    size_t Count(COLORREF C) const
    {
        size_t N = 0;
        for (int32_t Y = 0; Y < FHeight; ++Y)
            for (int32_t X = 0; X < FWidth; ++X)
                N += Pixel(X, Y) == C;
        return N;
    }
    TestSupport::TShot Shot() const
    {
        GdiFlush();
        TestSupport::TShot S;
        S.W = FWidth;
        S.H = FHeight;
        S.Pixels.assign(FBits, FBits + FWidth * FHeight);
        return S;
    }

private:
    int32_t FWidth, FHeight;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

inline COLORREF Sys(int Index)
{
    return GetSysColor(Index);
}

} // namespace CommandBarsTest
