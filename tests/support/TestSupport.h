#pragma once
// Shared test support for the Windows test programs. The test main (TestMain.cpp) makes the
// application object on the gtest thread, which is the user-interface thread; an exception
// reported to Application->HandleException fails the running test, and so does a visible
// top-level window of the thread left behind by a test.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Application.h"
#include "platform/win/HiddenWindow.h"
#include "tests/support/HostProgram.h"

namespace TestSupport {

// Serves messages and Synchronize requests until Condition holds: true then. On time-out it adds
// a test failure naming What and returns false.
bool PumpUntil(const std::function<bool()>& Condition, uint32_t TimeoutMs = 20000,
               const std::string& What = "the awaited condition");
// Serves messages and Synchronize requests for a while.
void PumpFor(uint32_t Milliseconds);

// The handler the test main installs: fails the running test with the exception's class and text.
void FailOnException(TObject* Sender, std::exception_ptr E);

// Replaces Application->OnException while it lives and records what reaches it.
class TExceptionCapture {
public:
    TExceptionCapture();
    TExceptionCapture(const TExceptionCapture&) = delete;
    TExceptionCapture& operator=(const TExceptionCapture&) = delete;
    ~TExceptionCapture();
    struct TEntry {
        std::string ClassName;
        std::string Message;
        DWORD ThreadID;
    };
    std::vector<TEntry> Entries() const;
    size_t Count() const;

private:
    TExceptionEvent FPrevious;
    mutable std::mutex FLock;
    std::vector<TEntry> FEntries;
};

// Clears Application->OnException while it lives, so the standard "Error" box appears.
class TNoExceptionHandler {
public:
    TNoExceptionHandler();
    TNoExceptionHandler(const TNoExceptionHandler&) = delete;
    TNoExceptionHandler& operator=(const TNoExceptionHandler&) = delete;
    ~TNoExceptionHandler();

private:
    TExceptionEvent FPrevious;
};

// A user-interface-thread timer that looks for the thread's next visible "#32770" dialog whose
// caption or text contains Match (any dialog when Match is empty), records its caption, text and
// default button, and clicks Button with BM_CLICK: at once, or once When holds. It answers one
// dialog, or every matching one when Repeat is set.
class TDialogAnswerer {
public:
    explicit TDialogAnswerer(std::string Match, int Button = IDOK, std::function<bool()> When = nullptr,
                             bool Repeat = false);
    TDialogAnswerer(const TDialogAnswerer&) = delete;
    TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;
    ~TDialogAnswerer();

    int AnsweredCount() const { return FAnswered; }
    bool Seen() const { return !FCaption.empty() || !FText.empty(); }
    const std::string& Caption() const { return FCaption; } // of the last dialog found
    const std::string& Text() const { return FText; }
    // The default button (DM_GETDEFID) of the last dialog answered; 0 when it had none.
    int DefaultButton() const { return FDefaultButton; }

private:
    void Tick();

    std::string FMatch;
    int FButton;
    std::function<bool()> FWhen;
    bool FRepeat;
    int FAnswered = 0;
    std::string FCaption;
    std::string FText;
    int FDefaultButton = 0;
    std::unique_ptr<THiddenWindow> FWindow;
};

// The Wine profile the program runs in, from QUILLMOOR_WINE_PROFILE: "light" (the default
// prefix, visual styles on) or "classic" (visual styles off, classic colours); "" outside ctest.
std::string WineProfile();

// The caption and the static texts of a dialog, joined by line ends.
std::string DialogText(HWND Dialog);
// The thread's visible top-level windows.
std::vector<HWND> VisibleThreadWindows();

// A fresh folder under the temporary folder, deleted with everything in it at the end.
class TTempFolder {
public:
    TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder();
    const std::string& Path() const { return FPath; } // trailing "\"
    std::string File(const std::string& Name) const { return FPath + Name; }

private:
    std::string FPath;
};

// Deletes a folder and everything below it (read-only and hidden entries included).
bool DeleteTree(const std::string& Folder);

// Lists every folder from the drive root down to Folder (a full path). Reading a folder moves its
// access time past its last change, and later reads leave it alone (the file system updates it
// once per change), so its entry stays the same from then on. The folder dialog of Wine compares
// the entries of the path it opens on, read when it parses the path, with the entries its tree
// lists a moment later, access time included: a folder changed and not read since (one a test has
// just made, or made something in) can change between those two looks, and the dialog then opens
// on another folder. Call it after the last change to the path and right before the dialog.
void SettleFolderTimes(const std::string& Folder);

// UnixPathOf and RunHostCommand: see HostProgram.h.

// A fresh key HKEY_CURRENT_USER\Software\QuillmoorTest\<GUID>, deleted at the end (and
// QuillmoorTest with it once empty).
class TTestRegistryKey {
public:
    TTestRegistryKey();
    TTestRegistryKey(const TTestRegistryKey&) = delete;
    TTestRegistryKey& operator=(const TTestRegistryKey&) = delete;
    ~TTestRegistryKey();
    const std::string& Path() const { return FPath; } // absolute: "\Software\QuillmoorTest\{...}"

private:
    std::string FPath;
};

} // namespace TestSupport
