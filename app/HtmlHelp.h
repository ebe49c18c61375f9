#pragma once
// Opening HTML Help topics. The system's help library (HHCTRL.OCX in the system folder) is loaded
// on the first request and stays loaded; its "HtmlHelpA" entry is initialised once (command 28)
// and then every request is passed on to it.

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/rtl/SysUtils.h"

QM_DECLARE_EXCEPTION(EHtmlHelpError, Exception);

class THtmlHelpLoader {
public:
    using THtmlHelpProc = HWND(WINAPI*)(HWND Window, LPCSTR File, UINT Command, DWORD_PTR Data);
    static constexpr UINT HH_INITIALIZE_COMMAND = 28;

    // SystemFolder: the folder holding HHCTRL.OCX, with or without a trailing backslash.
    explicit THtmlHelpLoader(std::string SystemFolder);
    THtmlHelpLoader(const THtmlHelpLoader&) = delete;
    THtmlHelpLoader& operator=(const THtmlHelpLoader&) = delete;
    ~THtmlHelpLoader(); // unloads the library

    // Loads and initialises the library on first use, then forwards the call and returns its
    // result. Raises EHtmlHelpError when the library cannot be loaded (tried again next call) or
    // lacks "HtmlHelpA".
    HWND Call(HWND Window, const std::string& File, UINT Command, DWORD_PTR Data);

    bool GetLoaded() const { return FProc != nullptr; }
    const std::string& GetLibraryPath() const { return FLibraryPath; }

private:
    void Load();
    std::string FLibraryPath;
    HMODULE FLibrary = nullptr;
    THtmlHelpProc FProc = nullptr;
    DWORD FCookie = 0;
};

// The program-wide help call over one loader of the system folder. With the test log active it
// only writes "help<TAB>window<TAB>file<TAB>command<TAB>data" there and returns nullptr.
HWND HtmlHelp(HWND Window, const std::string& File, UINT Command, DWORD_PTR Data);

// The program's folder + "zq.chm::/User interface - " + Topic + " Window.htm".
std::string HelpTopicPath(const std::string& Topic);
