#include "imagelib/PngWarningBox.h"

#include "imagelib/PngGlue.h"
#include "platform/win/Application.h"

void ShowPngWarningBox(const std::string& Message)
{
    if (GetPngWarningsSilenced() || !Application || !Application->IsUIThread())
        return;
    Application->MessageBox(Message, "PNG Error", MB_OK | MB_ICONEXCLAMATION);
}

void InstallPngWarningBox() { SetPngWarningHook(ShowPngWarningBox); }
