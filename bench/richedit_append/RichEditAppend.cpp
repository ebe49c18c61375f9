// Appends 20,000 lines through TRichEdit's Lines.Add and through raw EM_REPLACESEL at the end
// (the reference), each into a fresh control, and prints the ratio. Lines.Add only keeps the
// line and lets the control's message loop append what was kept, so its time runs until the
// control itself holds every line: the messages are served until it does.
#include <chrono>
#include <cstdio>
#include <string>

#include <windows.h>

#include <richedit.h>

#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/RichEdit.h"

namespace {
constexpr int Lines = 20000;

double Seconds(std::chrono::steady_clock::time_point Start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// Serves the thread's messages until the window holds Count lines (asked of the window itself,
// which appends nothing on its own for the question); false after 60 s.
bool ServeUntilLines(HWND W, int Count)
{
    const auto Start = std::chrono::steady_clock::now();
    while (SendMessageA(W, EM_GETLINECOUNT, 0, 0) < Count) {
        if (Seconds(Start) > 60)
            return false;
        MSG M;
        if (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
}
} // namespace

int main()
{
    ApplicationInit();
    double Ours = 0, Raw = 0;
    {
        TForm Form(nullptr);
        Form.SetBorderStyle(bsNone);
        Form.SetBounds(0, 0, 400, 300);
        auto* Edit = new TRichEdit(&Form);
        Edit->SetParent(&Form);
        Edit->SetBounds(0, 0, 400, 300);
        Form.HandleNeeded();
        auto T = std::chrono::steady_clock::now();
        for (int I = 0; I < Lines; ++I)
            Edit->GetLines()->Add("line " + std::to_string(I) + " of the log pane");
        if (!ServeUntilLines(Edit->GetHandle(), Lines))
            std::printf("the lines never reached the control\n");
        Ours = Seconds(T);
        if (Edit->GetLines()->GetCount() != Lines)
            std::printf("wrong line count %d\n", Edit->GetLines()->GetCount());

        auto* Ref = new TRichEdit(&Form);
        Ref->SetParent(&Form);
        Ref->SetBounds(0, 0, 400, 300);
        HWND W = Ref->GetHandle();
        T = std::chrono::steady_clock::now();
        for (int I = 0; I < Lines; ++I) {
            const std::string S = (I ? "\r\n" : "") + ("line " + std::to_string(I) + " of the log pane");
            SendMessageA(W, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
            SendMessageA(W, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(S.c_str()));
        }
        Raw = Seconds(T);
        if (Edit->GetText() != Ref->GetText())
            std::printf("the two controls differ\n");
    }
    std::printf("richedit_append: %d lines: Lines.Add %.3f s, raw EM_REPLACESEL %.3f s, ratio %.2f\n", Lines, Ours,
                Raw, Raw > 0 ? Ours / Raw : 0.0);
    ApplicationDone();
    return 0;
}
