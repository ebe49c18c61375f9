#include "platform/win/Clipboard.h"

#include <cstring>
#include <exception>
#include <memory>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Graphic.h"
#include "platform/win/HiddenWindow.h"

namespace {

// How long Open keeps trying while another program holds the clipboard.
const DWORD kOpenTimeoutMs = 1000;

// Open for one operation.
class TOpened {
public:
    explicit TOpened(TClipboard* C) : FClipboard(C) { FClipboard->Open(); }
    TOpened(const TOpened&) = delete;
    TOpened& operator=(const TOpened&) = delete;
    ~TOpened() { FClipboard->Close(); }

private:
    TClipboard* FClipboard = nullptr;
};

bool IsPictureFormat(UINT Format)
{
    return Format == CF_BITMAP || Format == CF_DIB || Format == CF_DIBV5 || Format == CF_ENHMETAFILE ||
           Format == CF_METAFILEPICT || TPicture::SupportsClipboardFormat(Format);
}

} // namespace

void FreeClipboardData(UINT Format, HANDLE Data)
{
    if (!Data)
        return;
    switch (Format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
    case CF_PALETTE:
        DeleteObject(Data);
        break;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(Data));
        break;
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
        if (auto* Pict = static_cast<METAFILEPICT*>(GlobalLock(Data))) {
            DeleteMetaFile(Pict->hMF);
            GlobalUnlock(Data);
        }
        GlobalFree(Data);
        break;
    default:
        GlobalFree(Data);
        break;
    }
}

TClipboard::~TClipboard()
{
    if (FOpenCount > 0 && FOwnerThread == GetCurrentThreadId()) {
        CloseClipboard();
        FWindow.reset();
    } else {
        (void)FWindow.release(); // another thread's window: only that thread may destroy it
    }
}

void TClipboard::Open()
{
    const DWORD Me = GetCurrentThreadId();
    {
        TCriticalSectionGuard G(FLock);
        if (FOpenCount > 0 && FOwnerThread == Me) {
            ++FOpenCount;
            return;
        }
    }
    // The owner of what is put there while it is open: made on this thread for this opening.
    // Data put there stays on the clipboard after the window has gone.
    auto Window = std::make_unique<THiddenWindow>([](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
    HWND Wnd = Window->GetHandle();
    const DWORD Start = GetTickCount();
    while (!OpenClipboard(Wnd)) {
        if (GetTickCount() - Start >= kOpenTimeoutMs)
            throw EClipboardException("Cannot open the clipboard");
        Sleep(10);
    }
    TCriticalSectionGuard G(FLock);
    FOwnerThread = Me;
    FOpenCount = 1;
    FEmptied = false;
    FWindow = std::move(Window);
}

void TClipboard::Close()
{
    TCriticalSectionGuard G(FLock);
    if (FOpenCount == 0 || FOwnerThread != GetCurrentThreadId())
        return;
    if (--FOpenCount > 0)
        return;
    FOwnerThread = 0;
    FEmptied = false;
    CloseClipboard();
    FWindow.reset();
}

int32_t TClipboard::GetOpenCount() const
{
    TCriticalSectionGuard G(FLock);
    return FOwnerThread == GetCurrentThreadId() ? FOpenCount : 0;
}

void TClipboard::Adding()
{
    if (!FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
}

void TClipboard::PutData(UINT Format, HANDLE Data)
{
    Adding();
    if (!SetClipboardData(Format, Data)) {
        FreeClipboardData(Format, Data);
        throw EClipboardException(::Format("Cannot put data of format %d on the clipboard", static_cast<int32_t>(Format)));
    }
}

void TClipboard::Clear()
{
    TOpened O(this);
    EmptyClipboard();
    FEmptied = true;
}

bool TClipboard::HasFormat(UINT Format) const
{
    return IsClipboardFormatAvailable(Format) != FALSE;
}

std::string TClipboard::GetAsText()
{
    TOpened O(this);
    HANDLE Data = GetClipboardData(CF_TEXT);
    if (!Data)
        return std::string();
    const SIZE_T Size = GlobalSize(Data);
    const char* Text = static_cast<const char*>(GlobalLock(Data));
    if (!Text)
        return std::string();
    // Up to the first NUL, but never past the block: a program may have put text without one.
    const void* End = std::memchr(Text, 0, Size);
    const size_t Length = End ? static_cast<size_t>(static_cast<const char*>(End) - Text) : Size;
    std::string Result(Text, Length);
    GlobalUnlock(Data);
    return Result;
}

void TClipboard::SetAsText(const std::string& Value)
{
    TOpened O(this);
    HGLOBAL Data = GlobalAlloc(GMEM_MOVEABLE, Value.size() + 1);
    if (!Data)
        throw EOutOfMemory("Out of memory");
    char* P = static_cast<char*>(GlobalLock(Data));
    if (!P) {
        GlobalFree(Data);
        throw EOutOfMemory("Out of memory");
    }
    std::memcpy(P, Value.c_str(), Value.size() + 1);
    GlobalUnlock(Data);
    PutData(CF_TEXT, Data);
}

HANDLE TClipboard::GetAsHandle(UINT Format)
{
    TOpened O(this);
    return GetClipboardData(Format);
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value)
{
    TOpened O(this);
    PutData(Format, Value);
}

void TClipboard::Assign(TPersistent* Source)
{
    auto* Picture = dynamic_cast<TPicture*>(Source);
    auto* Graphic = dynamic_cast<TGraphic*>(Source);
    if (!Picture && !Graphic) {
        TPersistent::Assign(Source);
        return;
    }
    TOpened O(this);
    UINT Format = 0;
    HANDLE Data = nullptr;
    HPALETTE Palette = nullptr;
    if (Picture)
        Picture->SaveToClipboardFormat(Format, Data, Palette);
    else
        Graphic->SaveToClipboardFormat(Format, Data, Palette);
    TScopeExit DiscardPalette([Palette] {
        if (Palette)
            DeleteObject(Palette);
    });
    PutData(Format, Data);
    DiscardPalette.Dismiss();
    if (Palette)
        PutData(CF_PALETTE, Palette);
}

void TClipboard::AssignTo(TPersistent* Dest)
{
    auto* Picture = dynamic_cast<TPicture*>(Dest);
    auto* Graphic = dynamic_cast<TGraphic*>(Dest);
    if (!Picture && !Graphic) {
        TPersistent::AssignTo(Dest);
        return;
    }
    TOpened O(this);
    HPALETTE Palette = IsClipboardFormatAvailable(CF_PALETTE) ? static_cast<HPALETTE>(GetClipboardData(CF_PALETTE))
                                                              : nullptr;
    std::exception_ptr Failure;
    for (UINT Format = EnumClipboardFormats(0); Format != 0; Format = EnumClipboardFormats(Format)) {
        if (Picture ? !TPicture::SupportsClipboardFormat(Format) : !IsPictureFormat(Format))
            continue;
        HANDLE Data = GetClipboardData(Format);
        if (!Data)
            continue;
        if (Picture) {
            Picture->LoadFromClipboardFormat(Format, Data, Palette);
            return;
        }
        // The graphic says which formats it takes by taking them; keep the reason of the last
        // refusal in case none fits.
        try {
            Graphic->LoadFromClipboardFormat(Format, Data, Palette);
            return;
        } catch (const EInvalidGraphic&) {
            Failure = std::current_exception();
        }
    }
    if (Failure)
        std::rethrow_exception(Failure);
    throw EClipboardException("The clipboard holds no picture of that kind");
}

TClipboard* Clipboard()
{
    static TClipboard Instance;
    return &Instance;
}
