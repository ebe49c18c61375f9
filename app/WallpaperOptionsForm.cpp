#include "app/WallpaperOptionsForm.h"

#include "app/FormParts.h"

TWallpaperOptionsForm::TWallpaperOptionsForm(TComponent* AOwner) : TForm(AOwner)
{
    SetName("WallpaperOptionsForm");
    SetCaption("Wallpaper options");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(232, 158);

    StyleGroup = PlaceControl<TGroupBox>(this, this, 10, 8, 212, 106);
    StyleGroup->SetName("StyleGroup");
    StyleGroup->SetCaption("Style");
    StyleGroup->SetAnchors(TAnchors{akLeft, akTop, akRight});
    auto MakeRadio = [this](const char* Name, const char* Caption, int32_t Top) {
        auto* R = PlaceControl<TRadioButton>(StyleGroup, this, 14, Top, 180, 18);
        R->SetName(Name);
        R->SetCaption(Caption);
        R->SetTabStop(true);
        return R;
    };
    CenterRadio = MakeRadio("CenterRadio", "Center", 20);
    TileRadio = MakeRadio("TileRadio", "Tile", 40);
    StretchRadio = MakeRadio("StretchRadio", "Stretch", 60);
    MaxRadio = MakeRadio("MaxRadio", "Max", 80);
    CenterRadio->SetChecked(true);

    OkButton = PlaceControl<TButton>(this, this, 66, 124, 75, 25);
    OkButton->SetName("OkButton");
    OkButton->SetCaption("&OK");
    OkButton->SetDefault(true);
    OkButton->SetModalResult(mrOk);
    OkButton->SetTabStop(true);
    OkButton->SetAnchors(TAnchors{akTop, akRight});
    CancelButton = PlaceControl<TButton>(this, this, 147, 124, 75, 25);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("&Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);
    CancelButton->SetTabStop(true);
    CancelButton->SetAnchors(TAnchors{akTop, akRight});
    FitText(this);
}

int32_t TWallpaperOptionsForm::GetStyle() const
{
    if (TileRadio->GetChecked())
        return wpTile;
    if (StretchRadio->GetChecked())
        return wpStretch;
    if (MaxRadio->GetChecked())
        return wpMax;
    return wpCenter;
}
