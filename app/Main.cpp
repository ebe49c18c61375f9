// The program's start: the runtime, the common controls, the image library and the command bar
// framework, the splash, the main window and the program-wide windows, the message loop, and the
// end in reverse order.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/GenProgressForm.h"
#include "app/LoadingForm.h"
#include "app/MainForm.h"
#include "app/WaitForm.h"
#include "commandbars/cbFramework.h"
#include "imagelib/ImageLib.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/GuardCallback.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        ApplicationInit();
    } catch (...) {
        // Without the application object (its Synchronize window could not be made, say) the
        // program cannot run: the failure goes to the log and the program ends.
        HandleCallbackException(std::current_exception());
        return 1;
    }
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX Icc{sizeof(Icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS |
                                              ICC_DATE_CLASSES};
    InitCommonControlsEx(&Icc);
    HMODULE RichEdit = LoadLibraryA("riched20.dll");
    ImageLibInit();
    cbFrameworkInit();
    int Result = 0;
    try {
        Application->SetTitle("Welcome to Quillmoor");
        TLoadingForm::ShowSplash();
        AppUI()->CreateForm<TMainForm>();
        WaitForm = AppUI()->CreateForm<TWaitForm>();
        GenProgressForm = AppUI()->CreateForm<TGenProgressForm>();
        AppUI()->Run();
    } catch (...) {
        // The program's outermost frame: shown, and the clean-up below still runs.
        Application->HandleException();
        Result = 1;
    }
    // The end: a step that fails is reported to the log and the next still runs; nothing leaves
    // WinMain as an exception, which would end the program before its clean-up.
    const auto EndStep = [&Result](void (*Step)()) {
        try {
            Step();
        } catch (...) {
            HandleCallbackException(std::current_exception());
            Result = 1;
        }
    };
    EndStep(ApplicationDone);
    EndStep(cbFrameworkDone);
    EndStep(ImageLibDone);
    if (RichEdit)
        FreeLibrary(RichEdit);
    CoUninitialize();
    return Result;
}
