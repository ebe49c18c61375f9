#pragma once
// What the picture model needs of the platform's TGraphic, for host builds of the portable
// core (sanitizers, fuzzing). Windows builds include platform/win/Graphic.h instead. The
// handle types are opaque here; only the GDI part of the picture (a Windows file) uses them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Stream.h"

#ifdef _WIN32
#error "Windows builds use platform/win/Graphic.h"
#endif

using UINT = unsigned int;
using HANDLE = void*;
using HPALETTE = struct HPALETTE__*;
using HBITMAP = struct HBITMAP__*;
using HDC = struct HDC__*;
using HGDIOBJ = void*;
struct TRect {
    int32_t left, top, right, bottom;
};

class TCanvas;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    std::string ClassName() const override { return "TGraphic"; }
    virtual void Draw(TCanvas* Canvas, const TRect& Rect) = 0;
    virtual int32_t GetWidth() const = 0;
    virtual void SetWidth(int32_t Value) = 0;
    virtual int32_t GetHeight() const = 0;
    virtual void SetHeight(int32_t Value) = 0;
    virtual bool GetEmpty() const = 0;
    virtual HPALETTE GetPalette() { return nullptr; }
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) = 0;
    virtual void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) = 0;
    virtual void Changed(TObject* Sender)
    {
        if (OnChange)
            OnChange(Sender);
    }
    TNotifyEvent OnChange;
};
