#pragma once
// TIcon: an HICON as a picture; always transparent.
//
// Offers:
// - LoadFromStream: an .ico file (type 1, or a .cur as type 2); the entry of the system icon
//   size (SM_CXICON; the deepest of that size), else the first. Directory, entry sizes and
//   offsets and the entry's bitmap header are checked first; a bad file raises EInvalidGraphic
//   "Invalid icon file".
// - SaveToStream: a one-entry .ico made from the handle (GetIconInfo and GetDIBits): 32 bits
//   with alpha when the icon has alpha, else 24 bits; always with its AND mask.
// - Handle (HICON owned; SetHandle takes ownership; ReleaseHandle hands it out), Width/Height
//   (read only: setting raises EInvalidGraphicOperation), Draw (DrawIconEx, stretched),
//   LoadFromResourceName/ID (at the system icon size).
// - The clipboard does not take icons: both clipboard operations raise EInvalidGraphic.

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/win/Graphic.h"

class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    std::string ClassName() const override { return "TIcon"; }

    void Assign(TPersistent* Source) override;
    void Draw(TCanvas* Canvas, const TRect& Rect) override;

    int32_t GetWidth() const override { return FWidth; }
    void SetWidth(int32_t Value) override;
    int32_t GetHeight() const override { return FHeight; }
    void SetHeight(int32_t Value) override;
    bool GetEmpty() const override { return FHandle == nullptr; }
    bool GetTransparent() const override { return true; }
    void SetTransparent(bool) override {} // always transparent

    HICON GetHandle() const { return FHandle; }
    void SetHandle(HICON Value);
    HICON ReleaseHandle();

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
    void LoadFromResourceID(HINSTANCE Instance, int32_t ResID);
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) override;
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) override;

private:
    void Install(HICON Value);

    HICON FHandle = nullptr;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};
