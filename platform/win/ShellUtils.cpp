#include "platform/win/ShellUtils.h"

#include <string>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win/TestSeams.h"

namespace {

// What the user typed into the edit box when pressing OK. Some shells (Wine's) return the tree's
// selection and drop the typed path, so the dialog is subclassed to catch it first.
struct TBrowseState {
    WNDPROC Previous = nullptr;
    std::string Typed;
    const char* Start = nullptr;
};
thread_local TBrowseState* gBrowse = nullptr;

BOOL CALLBACK FindEdit(HWND W, LPARAM P)
{
    char Class[16] = {};
    GetClassNameA(W, Class, sizeof(Class));
    if (lstrcmpiA(Class, "Edit") == 0) {
        *reinterpret_cast<HWND*>(P) = W;
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK BrowseDialogProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TBrowseState* S = gBrowse;
    if (!S || !S->Previous)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    if (Msg == WM_COMMAND && LOWORD(WParam) == IDOK) {
        HWND Edit = nullptr;
        EnumChildWindows(Wnd, FindEdit, reinterpret_cast<LPARAM>(&Edit));
        char Text[MAX_PATH * 2] = {};
        if (Edit)
            GetWindowTextA(Edit, Text, sizeof(Text));
        S->Typed.clear();
        // Only a full path to an existing folder counts; a bare name is the tree's own business.
        const DWORD A = GetFileAttributesA(Text);
        const bool Full = (Text[0] && Text[1] == ':' && (Text[2] == '\\' || Text[2] == '/')) ||
                          (Text[0] == '\\' && Text[1] == '\\');
        if (Full && A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY))
            S->Typed = Text;
    }
    return CallWindowProcA(S->Previous, Wnd, Msg, WParam, LParam);
}

int CALLBACK BrowseCallback(HWND Wnd, UINT Msg, LPARAM, LPARAM Data)
{
    if (Msg != BFFM_INITIALIZED)
        return 0;
    auto* S = reinterpret_cast<TBrowseState*>(Data);
    if (S->Start)
        SendMessageA(Wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(S->Start));
    S->Previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BrowseDialogProc)));
    return 0;
}

// COM for the calling thread, for as long as the call lasts.
class TComScope {
public:
    TComScope() : FOk(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    ~TComScope()
    {
        if (FOk)
            CoUninitialize();
    }

private:
    bool FOk;
};

} // namespace

bool BrowseForFolder(HWND Owner, const std::string& Title, const std::string& StartFolder, std::string& Folder)
{
    TComScope Com;
    char Display[MAX_PATH] = {};
    BROWSEINFOA B{};
    B.hwndOwner = Owner;
    B.pszDisplayName = Display;
    B.lpszTitle = Title.c_str();
    // The edit box lets the user type a path (and tests drive the dialog through it); the
    // new-style dialog is the one that carries it everywhere.
    B.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    B.lpfn = BrowseCallback;
    TBrowseState State;
    State.Start = StartFolder.empty() ? nullptr : StartFolder.c_str();
    B.lParam = reinterpret_cast<LPARAM>(&State);
    TBrowseState* Outer = gBrowse;
    gBrowse = &State;
    LPITEMIDLIST List = SHBrowseForFolderA(&B);
    gBrowse = Outer;
    if (!List)
        return false;
    char Path[MAX_PATH] = {};
    const bool Ok = SHGetPathFromIDListA(List, Path) != FALSE;
    CoTaskMemFree(List);
    if (!State.Typed.empty()) {
        Folder = State.Typed;
        return true;
    }
    if (!Ok || !Path[0])
        return false;
    Folder = Path;
    return true;
}

std::unique_ptr<TIcon> ShellSmallIcon(const std::string& Path)
{
    TComScope Com;
    SHFILEINFOA Info{};
    DWORD_PTR R = SHGetFileInfoA(Path.c_str(), 0, &Info, sizeof(Info), SHGFI_ICON | SHGFI_SMALLICON);
    if (!R || !Info.hIcon) {
        // A name that does not exist still gets its extension's icon.
        Info = SHFILEINFOA{};
        R = SHGetFileInfoA(Path.c_str(), FILE_ATTRIBUTE_NORMAL, &Info, sizeof(Info),
                           SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    }
    if (!R || !Info.hIcon)
        return nullptr;
    auto Icon = std::make_unique<TIcon>();
    Icon->SetHandle(Info.hIcon); // the icon owns the handle from here
    return Icon;
}

bool ShellOpen(HWND Owner, const std::string& Verb, const std::string& File, const std::string& Parameters,
               const std::string& Folder, int Show)
{
    if (TestSeams::Active())
        return TestSeams::Log("shell", Verb, File, Parameters, Show);
    const auto R = reinterpret_cast<INT_PTR>(ShellExecuteA(Owner, Verb.empty() ? nullptr : Verb.c_str(), File.c_str(),
                                                          Parameters.empty() ? nullptr : Parameters.c_str(),
                                                          Folder.empty() ? nullptr : Folder.c_str(), Show));
    return R > 32;
}
