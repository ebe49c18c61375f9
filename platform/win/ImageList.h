#pragma once
// A list of same-sized images over a system image list (HIMAGELIST, made on first use), as
// toolbars, trees and lists show them.
//
// Images go in whole strips: a bitmap wider than Width adds Width / Width-of-image images.
// The caller's bitmaps are copied, never changed (the system's AddMasked would blacken the
// source's mask colour). Every add, replace, delete, clear or size change tells each
// registered TChangeLink once; BeginUpdate/EndUpdate gather changes into one.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "platform/rtl/Classes.h"
#include "platform/win/Graphics.h"

class TBitmap;
class TIcon;
class TImageList;

// A control's link to an image list: OnChange runs after each change of the list. Freeing
// either side unhooks the other.
class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink() override;
    std::string ClassName() const override { return "TChangeLink"; }

    TImageList* GetSender() const { return FSender; }
    // Registers with Value (unregistering from the previous list); nullptr unregisters.
    void SetSender(TImageList* Value);
    virtual void Change();

    TNotifyEvent OnChange;

private:
    friend class TImageList;
    TImageList* FSender = nullptr;
};

enum TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };
// Normal: with the mask when BkColor is clNone, else over BkColor. Transparent: always with the
// mask. Focus and Selected: blended with the highlight colour (25 and 50 per cent).
enum TDrawingStyle { dsNormal, dsTransparent, dsFocus, dsSelected };
enum TImageType { itImage, itMask };

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner = nullptr);
    ~TImageList() override;
    std::string ClassName() const override { return "TImageList"; }

    // Changing the size or the kind of list empties it (the images cannot follow).
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value) { SetSize(Value, FHeight); }
    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t Value) { SetSize(FWidth, Value); }
    // Sizes from 1 to 32768, else EInvalidOperation "Invalid image size".
    void SetSize(int32_t Width, int32_t Height);
    bool GetMasked() const { return FMasked; }
    void SetMasked(bool Value);
    TColorDepth GetColorDepth() const { return FColorDepth; }
    void SetColorDepth(TColorDepth Value);
    // The colour behind the images; clNone (the default) draws them through their masks.
    TColor GetBkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }

    int32_t GetCount() const;
    HIMAGELIST GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    // Each returns the index of the first image added, or -1 when nothing was added (an empty
    // bitmap). Image must be at least Height high; Mask (white = transparent), may be nullptr.
    int32_t Add(TBitmap* Image, TBitmap* Mask);
    // Pixels of MaskColor become transparent (clDefault: the image's bottom-left pixel).
    int32_t AddMasked(TBitmap* Image, TColor MaskColor);
    int32_t AddIcon(TIcon* Image);
    void Replace(int32_t Index, TBitmap* Image, TBitmap* Mask);
    void ReplaceMasked(int32_t Index, TBitmap* Image, TColor MaskColor);
    void ReplaceIcon(int32_t Index, TIcon* Image);
    // A bad index raises EInvalidOperation "Image list index %d out of range".
    void Delete(int32_t Index);
    void Clear();

    // Enabled false draws the image greyed (its shape embossed in the 3D shadow colours).
    void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled = true);
    void DrawEx(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TDrawingStyle Style, TImageType Type,
                bool Enabled = true);
    // Image becomes Width x Height (24 bits) holding image Index over BkColor (white for clNone).
    void GetBitmap(int32_t Index, TBitmap* Image);
    void GetIcon(int32_t Index, TIcon* Image);

    // Loads a strip from a bitmap resource: the list's height becomes the bitmap's, its width
    // ImageWidth (0: square images), and the strip is added with MaskColor (clDefault: the
    // bottom-left pixel; clNone: no mask). The list is emptied first. Returns the number of
    // images; a missing resource raises EInvalidGraphic (as TBitmap's loading does).
    int32_t LoadFromResourceName(HINSTANCE Instance, const std::string& ResName, int32_t ImageWidth,
                                 TColor MaskColor);

    void RegisterChanges(TChangeLink* Link);
    void UnRegisterChanges(TChangeLink* Link);
    void BeginUpdate();
    void EndUpdate();

    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    void CreateList();
    void FreeHandle();
    void CheckIndex(int32_t Index) const;
    UINT CreateFlags() const;
    void DrawDisabled(HDC DC, int32_t X, int32_t Y, int32_t Index);

    HIMAGELIST FHandle = nullptr;
    int32_t FWidth = 16;
    int32_t FHeight = 16;
    bool FMasked = true;
    TColorDepth FColorDepth = cdDeviceDependent;
    TColor FBkColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    std::vector<TChangeLink*> FLinks;
    int32_t FUpdateCount = 0;
    bool FChanged = false;
};
