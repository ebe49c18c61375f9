#include "platform/win/Dialogs.h"

#include <vector>

#include <commdlg.h>

#include "platform/win/Forms.h"

HWND TCommonDialog::ParentWindow() const
{
    if (FOwnerWindow)
        return FOwnerWindow;
    if (TCustomForm* F = AppUI()->GetActiveForm(); F && F->HandleAllocated())
        return F->GetHandle();
    if (TCustomForm* F = AppUI()->GetMainForm(); F && F->HandleAllocated())
        return F->GetHandle();
    return nullptr;
}

bool TOpenDialog::Execute() { return Run(false); }

bool TOpenDialog::Run(bool Save)
{
    // "|" separates the filter's parts; the system wants NULs and a double NUL at the end.
    std::string Filter = FFilter;
    for (char& C : Filter)
        if (C == '|')
            C = '\0';
    Filter.append(2, '\0');
    std::vector<char> Name(32768, '\0');
    FFileName.copy(Name.data(), std::min(FFileName.size(), Name.size() - 1));
    OPENFILENAMEA O{};
    O.lStructSize = sizeof(O);
    O.hwndOwner = ParentWindow();
    O.lpstrFilter = FFilter.empty() ? nullptr : Filter.c_str();
    O.nFilterIndex = static_cast<DWORD>(FFilterIndex);
    O.lpstrFile = Name.data();
    O.nMaxFile = static_cast<DWORD>(Name.size());
    O.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
    O.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
    O.lpstrDefExt = FDefaultExt.empty() ? nullptr : FDefaultExt.c_str();
    O.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (FOptions.Contains(ofOverwritePrompt))
        O.Flags |= OFN_OVERWRITEPROMPT;
    if (FOptions.Contains(ofFileMustExist))
        O.Flags |= OFN_FILEMUSTEXIST;
    if (FOptions.Contains(ofPathMustExist))
        O.Flags |= OFN_PATHMUSTEXIST;
    if (FOptions.Contains(ofHideReadOnly))
        O.Flags |= OFN_HIDEREADONLY;
    if (FOptions.Contains(ofCreatePrompt))
        O.Flags |= OFN_CREATEPROMPT;
    if (FOptions.Contains(ofNoReadOnlyReturn))
        O.Flags |= OFN_NOREADONLYRETURN;
    if (FOptions.Contains(ofEnableSizing))
        O.Flags |= OFN_ENABLESIZING;
    if (FOptions.Contains(ofReadOnly))
        O.Flags |= OFN_READONLY;
    const BOOL Ok = Save ? GetSaveFileNameA(&O) : GetOpenFileNameA(&O);
    if (!Ok)
        return false;
    Name.back() = '\0';
    FFileName = Name.data();
    FFilterIndex = static_cast<int32_t>(O.nFilterIndex);
    if (O.Flags & OFN_READONLY)
        FOptions.Include(ofReadOnly);
    else
        FOptions.Exclude(ofReadOnly);
    return true;
}

bool TColorDialog::Execute()
{
    CHOOSECOLORA C{};
    C.lStructSize = sizeof(C);
    C.hwndOwner = ParentWindow();
    C.rgbResult = ColorToRGB(FColor);
    C.lpCustColors = FCustom.data();
    C.Flags = CC_RGBINIT | CC_ANYCOLOR | (FullOpen ? CC_FULLOPEN : 0);
    if (!ChooseColorA(&C))
        return false;
    FColor = static_cast<TColor>(C.rgbResult);
    return true;
}

bool TFontDialog::Execute()
{
    LOGFONTA L = FFont.GetLogFont();
    CHOOSEFONTA C{};
    C.lStructSize = sizeof(C);
    C.hwndOwner = ParentWindow();
    C.lpLogFont = &L;
    C.rgbColors = ColorToRGB(FFont.GetColor());
    C.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    if (FMaxFontSize > 0) {
        C.Flags |= CF_LIMITSIZE;
        C.nSizeMin = FMinFontSize;
        C.nSizeMax = FMaxFontSize;
    }
    if (!ChooseFontA(&C))
        return false;
    HFONT H = CreateFontIndirectA(&L);
    if (H) {
        FFont.SetHandle(H); // reads the choice into the properties; the handle stays ours
        DeleteObject(H);
    }
    FFont.SetColor(static_cast<TColor>(C.rgbColors));
    return true;
}
