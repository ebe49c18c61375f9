// Icons and metafiles as pictures.
#include "imagelib/IconGraphic.h"

#include <vector>

#include <windows.h>

#include "imagelib/EpsGraphic.h"
#include "platform/rtl/Stream.h"
#include "platform/win/Graphics.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"
#include "platform/win/MemoryDC.h"

uint32_t DefaultBackgroundColor = 0x00FFFFFF;

namespace {

// A canvas over a memory DC with one bitmap selected; both released on destruction.
class TBitmapDCCanvas : public TCanvas {
public:
    explicit TBitmapDCCanvas(HBITMAP Bitmap)
    {
        FDC = CreateMemoryDC();
        if (!FDC)
            TDibGraphic::RaiseWin32Failure();
        FOld = SelectObject(FDC, Bitmap);
        SetHandle(FDC);
    }
    ~TBitmapDCCanvas() override
    {
        SetHandle(nullptr);
        SelectObject(FDC, FOld);
        DeleteMemoryDC(FDC);
    }
    std::string ClassName() const override { return "TBitmapDCCanvas"; }

private:
    HDC FDC = nullptr;
    HGDIOBJ FOld = nullptr;
};

struct TGdiBitmap {
    HBITMAP Handle = nullptr;
    ~TGdiBitmap()
    {
        if (Handle)
            DeleteObject(Handle);
    }
};

} // namespace

void WritePictureAsIcon(TDibGraphic* Picture, TStream* Stream)
{
    NotifyProgress(Picture, 10, 0, 255, 100, Picture->OnProgress);
    const int32_t Cx = GetSystemMetrics(SM_CXICON), Cy = GetSystemMetrics(SM_CYICON);
    TGdiBitmap Image, Mask;
    {
        HDC Screen = GetDC(nullptr);
        Image.Handle = CreateCompatibleBitmap(Screen, Cx, Cy);
        ReleaseDC(nullptr, Screen);
    }
    // All-zero AND mask: every pixel opaque.
    std::vector<uint8_t> Zero(static_cast<size_t>(((Cx + 15) / 16) * 2 * Cy), 0);
    Mask.Handle = CreateBitmap(Cx, Cy, 1, 1, Zero.data());
    if (!Image.Handle || !Mask.Handle)
        TDibGraphic::RaiseWin32Failure();
    {
        TBitmapDCCanvas Canvas(Image.Handle);
        RECT All{0, 0, Cx, Cy};
        FillRect(Canvas.GetHandle(), &All, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (!Picture->GetEmpty())
            Picture->Draw(&Canvas, Rect(0, 0, Picture->GetWidth(), Picture->GetHeight()));
    }
    ICONINFO Info{};
    Info.fIcon = TRUE;
    Info.hbmMask = Mask.Handle;
    Info.hbmColor = Image.Handle;
    HICON Handle = CreateIconIndirect(&Info);
    if (!Handle)
        TDibGraphic::RaiseWin32Failure();
    TIcon Icon;
    Icon.SetHandle(Handle); // the icon owns and frees it
    Icon.SaveToStream(Stream);
    NotifyProgress(Picture, 100, 0, 255, 100, Picture->OnProgress);
}

TIconGraphic::TIconGraphic() : FBackgroundColor(DefaultBackgroundColor) {}

std::unique_ptr<TDibGraphic> TIconGraphic::CreateNew() const { return std::make_unique<TIconGraphic>(); }

bool TIconGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[6 + 16] = {};
    const int32_t Got = Stream->Read(Head, sizeof(Head));
    Stream->SetPosition(Pos);
    if (Got != static_cast<int32_t>(sizeof(Head)))
        return false;
    const uint16_t Type = static_cast<uint16_t>(Head[2] | (Head[3] << 8));
    const uint16_t Count = static_cast<uint16_t>(Head[4] | (Head[5] << 8));
    auto SizeOk = [](uint8_t S) { return S == 16 || S == 32 || S == 64; };
    return Head[0] == 0 && Head[1] == 0 && (Type == 0 || Type == 1) && Count > 0 && SizeOk(Head[6]) && SizeOk(Head[7]);
}

void TIconGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    TIcon Icon;
    Icon.LoadFromStream(Stream);
    NotifyProgress(this, 95, 0, 255, 100, OnProgress);
    NewImage(Icon.GetWidth(), Icon.GetHeight(), ifTrueColor, nullptr, 0, 0);
    Fill(FBackgroundColor);
    Icon.Draw(GetCanvas(), Rect(0, 0, GetWidth(), GetHeight()));
    FlushCanvas();
}

void TIconGraphic::SaveToStream(TStream* Stream) { WritePictureAsIcon(this, Stream); }

TMetaFileGraphic::TMetaFileGraphic() : FBackgroundColor(DefaultBackgroundColor) {}

std::unique_ptr<TDibGraphic> TMetaFileGraphic::CreateNew() const { return std::make_unique<TMetaFileGraphic>(); }

bool TMetaFileGraphic::CanLoadStream(TStream* Stream)
{
    const int64_t Pos = Stream->GetPosition();
    uint8_t Head[100] = {};
    const int32_t Got = Stream->Read(Head, sizeof(Head));
    Stream->SetPosition(Pos);
    if (Got >= 44 && Head[0] == 1 && Head[1] == 0 && Head[2] == 0 && Head[3] == 0 && Head[40] == 0x20 &&
        Head[41] == 0x45 && Head[42] == 0x4D && Head[43] == 0x46)
        return true;
    return Got >= 4 && Head[0] == 0xD7 && Head[1] == 0xCD && Head[2] == 0xC6 && Head[3] == 0x9A;
}

void TMetaFileGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    TMetafile Metafile;
    Metafile.LoadFromStream(Stream);
    NotifyProgress(this, 95, 0, 255, 100, OnProgress);
    NewImage(Metafile.GetWidth(), Metafile.GetHeight(), ifTrueColor, nullptr, 0, 0);
    Fill(FBackgroundColor);
    Metafile.Draw(GetCanvas(), Rect(0, 0, GetWidth(), GetHeight()));
    FlushCanvas();
}

void TMetaFileGraphic::SaveToStream(TStream* Stream)
{
    if (GetEmpty())
        throw EDidodazaError("The picture is empty");
    NotifyProgress(this, 5, 0, 255, 100, OnProgress);
    TMetafile Metafile;
    Metafile.SetWidth(GetWidth());
    Metafile.SetHeight(GetHeight());
    {
        TMetafileCanvas Canvas(&Metafile, nullptr);
        Draw(&Canvas, Rect(0, 0, GetWidth(), GetHeight()));
    }
    Metafile.SaveToStream(Stream);
    NotifyProgress(this, 100, 0, 255, 100, OnProgress);
}

void LoadMetafilePreview(TStream* Section, TDibGraphic* Target)
{
    TMetaFileGraphic Preview;
    Preview.OnProgress = Target->OnProgress;
    Preview.LoadFromStream(Section);
    Target->Assign(&Preview);
}
