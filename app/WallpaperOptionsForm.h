#pragma once
// The modal dialog asking how a picture made the desktop wallpaper is placed.

#include <cstdint>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

// The wallpaper styles, in the order of the radio buttons.
enum : int32_t { wpCenter = 0, wpTile = 1, wpStretch = 2, wpMax = 3 };

class TWallpaperOptionsForm : public TForm {
public:
    explicit TWallpaperOptionsForm(TComponent* AOwner);
    std::string ClassName() const override { return "TWallpaperOptionsForm"; }

    // The checked style, 0..3.
    int32_t GetStyle() const;

    TGroupBox* StyleGroup = nullptr;
    TRadioButton* CenterRadio = nullptr;
    TRadioButton* TileRadio = nullptr;
    TRadioButton* StretchRadio = nullptr;
    TRadioButton* MaxRadio = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
};
