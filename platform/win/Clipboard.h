#pragma once
// The system clipboard as a persistent object, so pictures can be assigned to and from it.
//
// Open/Close nest per thread: the clipboard is opened once by the outermost Open, with a hidden
// window of the calling thread made for that opening (setting data needs an owner window), and
// closed by the matching Close, which destroys the window; the data stays. While another program (or thread) holds it, Open retries for about a second, then
// raises EClipboardException "Cannot open the clipboard". Every other operation opens and closes
// around itself, so it can also run inside an explicit Open/Close pair; the first data set in
// one opening empties the clipboard, later ones add formats beside it.

#include <cstdint>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Locks.h"

QM_DECLARE_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
public:
    TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    ~TClipboard() override;
    std::string ClassName() const override { return "TClipboard"; }

    void Open();
    void Close(); // one more Close than Open does nothing
    // The calling thread's depth of Open (0 when it has not opened the clipboard).
    int32_t GetOpenCount() const;

    void Clear();
    bool HasFormat(UINT Format) const;

    // CF_TEXT, exactly as stored up to its first NUL; "" when there is no text.
    std::string GetAsText();
    void SetAsText(const std::string& Value);

    // The clipboard's own handle, nullptr when absent. It stays valid only while the clipboard is
    // open: call it between Open and Close and copy what is needed before closing.
    HANDLE GetAsHandle(UINT Format);
    // Hands Value to the clipboard. When the system refuses it, it is freed and
    // EClipboardException raised.
    void SetAsHandle(UINT Format, HANDLE Value);

    // Source a TGraphic or a TPicture: put on the clipboard through the graphic's
    // SaveToClipboardFormat (with its palette when it gives one). Others: the base rules.
    void Assign(TPersistent* Source) override;
    // Dest a TPicture: loaded from the first clipboard format with a registered picture class.
    // Dest a TGraphic: loaded from the first clipboard format the graphic accepts. Nothing
    // suitable raises EClipboardException "The clipboard holds no picture of that kind".
    void AssignTo(TPersistent* Dest) override;

private:
    void Adding(); // empties the clipboard once per opening
    void PutData(UINT Format, HANDLE Data);

    mutable TCriticalSection FLock;
    DWORD FOwnerThread = 0; // the thread that has it open
    int32_t FOpenCount = 0;
    bool FEmptied = false;
    std::unique_ptr<THiddenWindow> FWindow; // the owner window of the current opening
};

// The program's clipboard object, made on first use.
TClipboard* Clipboard();

// Frees a clipboard data handle of Format (GDI object, metafile or global memory); for data
// that could not be handed over.
void FreeClipboardData(UINT Format, HANDLE Data);
