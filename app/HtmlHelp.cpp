#include "app/HtmlHelp.h"

#include <vector>

#include "platform/rtl/Paths.h"
#include "platform/win/Files.h"
#include "platform/win/TestSeams.h"

THtmlHelpLoader::THtmlHelpLoader(std::string SystemFolder)
    : FLibraryPath(IncludeTrailingBackslash(SystemFolder) + "HHCTRL.OCX")
{
}

THtmlHelpLoader::~THtmlHelpLoader()
{
    if (FLibrary)
        FreeLibrary(FLibrary);
}

void THtmlHelpLoader::Load()
{
    // Nothing is kept from a failed attempt, so the next request starts over.
    HMODULE Library = LoadLibraryA(FLibraryPath.c_str());
    if (!Library)
        throw EHtmlHelpError("HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!");
    auto Proc = reinterpret_cast<THtmlHelpProc>(reinterpret_cast<void*>(GetProcAddress(Library, "HtmlHelpA")));
    if (!Proc) {
        FreeLibrary(Library);
        throw EHtmlHelpError("Function HTMLHELP cannot loaded!");
    }
    FLibrary = Library;
    FProc = Proc;
    FProc(nullptr, nullptr, HH_INITIALIZE_COMMAND, reinterpret_cast<DWORD_PTR>(&FCookie));
}

HWND THtmlHelpLoader::Call(HWND Window, const std::string& File, UINT Command, DWORD_PTR Data)
{
    if (!FProc)
        Load();
    return FProc(Window, File.c_str(), Command, Data);
}

namespace {

// The system folder, read into a buffer of the size the system asks for.
std::string HelpSystemFolder()
{
    std::vector<char> Buffer(MAX_PATH);
    for (;;) {
        const UINT N = GetSystemDirectoryA(Buffer.data(), static_cast<UINT>(Buffer.size()));
        if (N == 0)
            return std::string();
        if (N < Buffer.size())
            return std::string(Buffer.data(), N);
        Buffer.resize(N + 1); // N is the size needed, its NUL included
    }
}

} // namespace

HWND HtmlHelp(HWND Window, const std::string& File, UINT Command, DWORD_PTR Data)
{
    if (TestSeams::Active()) {
        TestSeams::Log("help", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Window)), File, Command,
                       static_cast<uint32_t>(Data));
        return nullptr;
    }
    // Made on first use and never freed: the library stays loaded for the rest of the run.
    static THtmlHelpLoader* Loader = new THtmlHelpLoader(HelpSystemFolder());
    return Loader->Call(Window, File, Command, Data);
}

std::string HelpTopicPath(const std::string& Topic)
{
    return ProgramFolder() + "zq.chm::/User interface - " + Topic + " Window.htm";
}
