#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include <windows.h>

#include "platform/win/Bitmap.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Graphic.h"
#include "platform/win/Icon.h"
#include "tests/support/TestSupport.h"

namespace {

// Text put on the clipboard straight through the system, bytes as given (no NUL added).
bool PutRawText(const void* Bytes, size_t Size)
{
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    HGLOBAL G = GlobalAlloc(GMEM_MOVEABLE, Size);
    std::memcpy(GlobalLock(G), Bytes, Size);
    GlobalUnlock(G);
    const bool Ok = SetClipboardData(CF_TEXT, G) != nullptr;
    CloseClipboard();
    return Ok;
}

std::string RawText()
{
    std::string Result;
    if (!OpenClipboard(nullptr))
        return "<not opened>";
    if (HANDLE H = GetClipboardData(CF_TEXT)) {
        Result = static_cast<const char*>(GlobalLock(H));
        GlobalUnlock(H);
    }
    CloseClipboard();
    return Result;
}

// A thread that holds the clipboard open for a while.
class THolder {
public:
    explicit THolder(DWORD HoldMs)
        : FThread([this, HoldMs] {
              Opened = OpenClipboard(nullptr) != FALSE;
              Ready = true;
              Sleep(HoldMs);
              if (Opened)
                  CloseClipboard();
          })
    {
        while (!Ready)
            Sleep(1);
    }
    ~THolder() { FThread.join(); }
    std::atomic<bool> Opened{false};

private:
    std::atomic<bool> Ready{false};
    std::thread FThread;
};

// Runs Body on a worker and waits for it while serving this thread's messages: clipboard
// calls on the worker may send messages (such as WM_DESTROYCLIPBOARD) to a window of this
// thread, and a plain join would then wait for ever.
template <typename F>
void RunOnWorker(F Body)
{
    std::atomic<bool> Done{false};
    std::thread Worker([&] {
        Body();
        Done = true;
    });
    while (!Done) {
        MSG M;
        while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    Worker.join();
}

} // namespace

TEST(Clipboard, TextComesBackExactly)
{
    const std::string Text = "  HTTP://Example.COM/a b  ";
    Clipboard()->SetAsText(Text);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Text, Clipboard()->GetAsText());
    EXPECT_EQ(Text, RawText()); // what other programs see
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());

    // Text other programs put there.
    const char Other[] = "from elsewhere";
    ASSERT_TRUE(PutRawText(Other, sizeof(Other)));
    EXPECT_EQ("from elsewhere", Clipboard()->GetAsText());
    Clipboard()->SetAsText("");
    EXPECT_EQ("", Clipboard()->GetAsText());
}

TEST(Clipboard, TextWithoutItsEndIsReadWithinItsBlock)
{
    // No terminating NUL: the reader must stop at the end of the memory block (some systems
    // end such text themselves, in place of its last byte), never read what lies beyond.
    ASSERT_TRUE(PutRawText("ABCDEFGH", 8));
    const std::string Got = Clipboard()->GetAsText();
    EXPECT_TRUE(Got == "ABCDEFGH" || Got == "ABCDEFG") << Got;
}

TEST(Clipboard, ClearEmptiesIt)
{
    Clipboard()->SetAsText("something");
    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ("", Clipboard()->GetAsText());
}

TEST(Clipboard, NestedOpenOpensOnce)
{
    Clipboard()->Open();
    HWND Window = GetOpenClipboardWindow();
    ASSERT_NE(nullptr, Window);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(Window, nullptr));
    Clipboard()->Open();
    EXPECT_EQ(2, Clipboard()->GetOpenCount());
    EXPECT_EQ(Window, GetOpenClipboardWindow());

    // Inside one opening the first data empties the clipboard and later data joins it.
    Clipboard()->SetAsText("text");
    const UINT Own = RegisterClipboardFormatA("Quillmoor test format");
    HGLOBAL G = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(G), "abc", 4);
    GlobalUnlock(G);
    Clipboard()->SetAsHandle(Own, G);

    Clipboard()->Close();
    EXPECT_EQ(1, Clipboard()->GetOpenCount());
    EXPECT_EQ(Window, GetOpenClipboardWindow()); // still open
    // Still held: another thread cannot open it.
    bool OtherOpened = true;
    RunOnWorker([&] {
        OtherOpened = OpenClipboard(nullptr) != FALSE;
        if (OtherOpened)
            CloseClipboard();
    });
    EXPECT_FALSE(OtherOpened);

    Clipboard()->Close();
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
    Clipboard()->Close(); // one too many: nothing
    EXPECT_EQ(0, Clipboard()->GetOpenCount());

    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard()->HasFormat(Own));
    EXPECT_EQ("text", Clipboard()->GetAsText());
    Clipboard()->Open();
    HANDLE Back = Clipboard()->GetAsHandle(Own);
    EXPECT_NE(nullptr, Back);
    if (Back) {
        EXPECT_STREQ("abc", static_cast<const char*>(GlobalLock(Back)));
        GlobalUnlock(Back);
    }
    Clipboard()->Close();
    EXPECT_EQ(nullptr, Clipboard()->GetAsHandle(RegisterClipboardFormatA("Quillmoor format never set")));
}

TEST(Clipboard, OpenWaitsForAnotherHolder)
{
    {
        THolder Holder(300);
        ASSERT_TRUE(Holder.Opened);
        const DWORD Start = GetTickCount();
        Clipboard()->Open(); // retried until the holder lets go
        EXPECT_GE(GetTickCount() - Start, 150u);
        EXPECT_EQ(1, Clipboard()->GetOpenCount());
        Clipboard()->Close();
    }
    {
        THolder Holder(3000);
        ASSERT_TRUE(Holder.Opened);
        try {
            Clipboard()->Open();
            ADD_FAILURE() << "opened a held clipboard";
            Clipboard()->Close();
        } catch (const EClipboardException& E) {
            EXPECT_STREQ("Cannot open the clipboard", E.what());
        }
        EXPECT_EQ(0, Clipboard()->GetOpenCount());
        // Operations that open for themselves report the same.
        EXPECT_THROW(Clipboard()->SetAsText("x"), EClipboardException);
    }
}

TEST(Clipboard, AnotherThreadOpensWithItsOwnWindow)
{
    DWORD WindowThread = 0;
    DWORD Worker = 0;
    std::string Text;
    RunOnWorker([&] {
        Worker = GetCurrentThreadId();
        Clipboard()->Open();
        WindowThread = GetWindowThreadProcessId(GetOpenClipboardWindow(), nullptr);
        Clipboard()->SetAsText("from a worker");
        Clipboard()->Close();
        Text = Clipboard()->GetAsText();
    });
    EXPECT_EQ(Worker, WindowThread);
    EXPECT_EQ("from a worker", Text);
    EXPECT_EQ("from a worker", Clipboard()->GetAsText());
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
}

TEST(Clipboard, ABitmapGoesThereAndComesBack)
{
    TBitmap Source;
    Source.SetPixelFormat(pf24bit);
    Source.SetSize(7, 5);
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X)
            Source.GetCanvas()->SetPixel(X, Y, static_cast<TColor>(RGB(X * 36, Y * 60, (X * 7 + Y * 13) * 3)));
    GdiFlush();
    Clipboard()->Assign(&Source);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_EQ(0, Clipboard()->GetOpenCount());

    TBitmap Back;
    Back.Assign(Clipboard());
    ASSERT_EQ(7, Back.GetWidth());
    ASSERT_EQ(5, Back.GetHeight());
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X)
            EXPECT_EQ(Source.GetCanvas()->GetPixel(X, Y), Back.GetCanvas()->GetPixel(X, Y)) << X << "," << Y;

    // A picture takes it as the class registered for the format.
    TPicture Picture;
    Picture.Assign(Clipboard());
    ASSERT_NE(nullptr, Picture.GetGraphic());
    EXPECT_EQ(7, Picture.GetWidth());
    EXPECT_EQ(5, Picture.GetHeight());
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
}

TEST(Clipboard, APictureGoesThereThroughItsGraphic)
{
    TPicture Picture;
    Picture.GetBitmap()->SetSize(3, 2);
    Picture.GetBitmap()->GetCanvas()->SetPixel(2, 1, clRed);
    Clipboard()->Assign(&Picture);
    TBitmap Back;
    Back.Assign(Clipboard());
    EXPECT_EQ(3, Back.GetWidth());
    EXPECT_EQ(clRed, Back.GetCanvas()->GetPixel(2, 1));

    // Nothing to put there: the picture's error, and the clipboard is closed again.
    TPicture Empty;
    EXPECT_THROW(Clipboard()->Assign(&Empty), EInvalidGraphic);
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

TEST(Clipboard, NoPictureOfTheKindAsked)
{
    Clipboard()->SetAsText("no picture here");
    TBitmap B;
    EXPECT_THROW(B.Assign(Clipboard()), Exception);
    TPicture P;
    EXPECT_THROW(P.Assign(Clipboard()), EClipboardException);
    // An icon takes nothing from the clipboard.
    TBitmap Source;
    Source.SetSize(4, 4);
    Clipboard()->Assign(&Source);
    TIcon Icon;
    EXPECT_THROW(Icon.Assign(Clipboard()), Exception);
    EXPECT_EQ(0, Clipboard()->GetOpenCount());
    // Neither graphic nor picture cannot go on the clipboard.
    TClipboard* Self = Clipboard();
    EXPECT_THROW(Clipboard()->Assign(Self), EConvertError);
}
