#include "app/FormParts.h"

#include <memory>

#include <windows.h>

#include "app/Product.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"

TLabel* PlaceLabel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H,
                   const std::string& Caption)
{
    auto* L = new TLabel(Owner);
    L->SetAutoSize(false);
    L->SetBounds(X, Y, W, H);
    L->SetParent(Parent);
    L->SetCaption(Caption);
    return L;
}

void LoadBanner(TImage* Image)
{
    auto Banner = std::make_unique<TBitmap>();
    try {
        Banner->LoadFromResourceID(GetModuleHandleA(nullptr), Product::BannerBitmapId);
    } catch (const EInvalidGraphic&) {
        return;
    }
    Image->SetWidth(Banner->GetWidth());
    Image->SetHeight(Banner->GetHeight());
    Image->GetPicture()->SetGraphic(std::move(Banner));
}

void LoadProgramIcon(TImage* Image)
{
    HICON Icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), Product::MainIconName, IMAGE_ICON, 32, 32, 0));
    if (!Icon)
        return;
    auto Picture = std::make_unique<TIcon>();
    Picture->SetHandle(Icon);
    Image->GetPicture()->SetGraphic(std::move(Picture));
}
