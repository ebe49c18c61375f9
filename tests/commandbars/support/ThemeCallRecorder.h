#pragma once
// Records every DrawThemeBackground the framework makes while it lives, with the window whose
// device context it drew on (none for a memory DC), through the theme entry table; the entries
// come back and the handle cache is emptied when it ends. Also the test's own theme handle and
// its drawing of a part into a memory bitmap, for the reference pixels of live windows.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/foundation/cbTheme.h"

namespace CommandBarsTest {

struct TThemeCall {
    HTHEME Theme;
    HWND Window; // WindowFromDC of the call's DC
    int Part, State;
    RECT R;
};

class TThemeCallRecorder {
public:
    TThemeCallRecorder()
    {
        Calls().clear();
        Real() = GetThemeEntry(teDrawThemeBackground);
        SetThemeEntry(teDrawThemeBackground, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Draw)));
    }
    ~TThemeCallRecorder()
    {
        SetThemeEntry(teDrawThemeBackground, Real());
        CloseAllThemeClasses();
        Calls().clear();
    }
    TThemeCallRecorder(const TThemeCallRecorder&) = delete;
    TThemeCallRecorder& operator=(const TThemeCallRecorder&) = delete;

    void Clear() { Calls().clear(); }
    // The calls made with Class's handle, on Window (nullptr: on any DC).
    std::vector<TThemeCall> Of(TcbThemeClass Class, HWND Window = nullptr) const
    {
        std::vector<TThemeCall> Found;
        HTHEME H = OpenThemeClass(Class);
        for (const TThemeCall& C : Calls())
            if (H && C.Theme == H && (!Window || C.Window == Window))
                Found.push_back(C);
        return Found;
    }
    // The calls of Class on Window whose rectangle equals R.
    std::vector<TThemeCall> At(TcbThemeClass Class, HWND Window, const RECT& R) const
    {
        std::vector<TThemeCall> Found;
        for (const TThemeCall& C : Of(Class, Window))
            if (EqualRect(&C.R, &R))
                Found.push_back(C);
        return Found;
    }
    const std::vector<TThemeCall>& All() const { return Calls(); }

private:
    static std::vector<TThemeCall>& Calls()
    {
        static std::vector<TThemeCall> List;
        return List;
    }
    static FARPROC& Real()
    {
        static FARPROC Entry = nullptr;
        return Entry;
    }
    static HRESULT WINAPI Draw(HTHEME Theme, HDC DC, int Part, int State, const RECT* R, const RECT* Clip)
    {
        Calls().push_back({Theme, WindowFromDC(DC), Part, State, R ? *R : RECT{}});
        using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
        return reinterpret_cast<TDraw>(reinterpret_cast<void (*)()>(Real()))(Theme, DC, Part, State, R, Clip);
    }
};

// The test's own handle of a class, apart from the framework's cache.
class TOwnThemeHandle {
public:
    explicit TOwnThemeHandle(const wchar_t* ClassName) : FTheme(UxTheme::OpenThemeData(nullptr, ClassName)) {}
    ~TOwnThemeHandle()
    {
        if (FTheme)
            UxTheme::CloseThemeData(FTheme);
    }
    TOwnThemeHandle(const TOwnThemeHandle&) = delete;
    TOwnThemeHandle& operator=(const TOwnThemeHandle&) = delete;
    HTHEME Get() const { return FTheme; }
    void Draw(HDC DC, int Part, int State, const RECT& R) const
    {
        UxTheme::DrawThemeBackground(FTheme, DC, Part, State, &R, nullptr);
    }

private:
    HTHEME FTheme;
};

// A 32-bit top-down memory bitmap the test draws its references into.
class TRefBitmap {
public:
    TRefBitmap(int32_t W, int32_t H) : FW(W), FH(H)
    {
        BITMAPINFO Info{};
        Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
        Info.bmiHeader.biWidth = W;
        Info.bmiHeader.biHeight = -H;
        Info.bmiHeader.biPlanes = 1;
        Info.bmiHeader.biBitCount = 32;
        FDC = CreateCompatibleDC(nullptr);
        FBitmap = CreateDIBSection(FDC, &Info, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
        FOld = SelectObject(FDC, FBitmap);
    }
    ~TRefBitmap()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    TRefBitmap(const TRefBitmap&) = delete;
    TRefBitmap& operator=(const TRefBitmap&) = delete;
    HDC DC() const { return FDC; }
    void Fill(COLORREF C, const RECT* R = nullptr)
    {
        const RECT Whole{0, 0, FW, FH};
        HBRUSH B = CreateSolidBrush(C);
        FillRect(FDC, R ? R : &Whole, B);
        DeleteObject(B);
    }
    // As a COLORREF.
    COLORREF Pixel(int32_t X, int32_t Y) const
    {
        GdiFlush();
        const uint32_t V = FBits[Y * FW + X];
        return RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF);
    }
    int32_t Width() const { return FW; }
    int32_t Height() const { return FH; }

private:
    int32_t FW, FH;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

// A shot's pixel (0x00RRGGBB) as a COLORREF.
inline COLORREF ShotColor(uint32_t V)
{
    return RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF);
}

} // namespace CommandBarsTest
