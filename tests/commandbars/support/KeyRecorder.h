#pragma once
// What the keyboard tests watch: the key messages a window of the thread receives (the hook
// discards a key, so the focused control never sees it), and the thread's "#32768" windows (the
// system's own menus, which a key passed on by mistake would open).

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "platform/win/WindowSubclass.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

class TKeyRecorder {
public:
    explicit TKeyRecorder(HWND Window)
    {
        FSubclass = TWindowSubclass::Attach(Window, [this](UINT Msg, WPARAM WParam, LPARAM, LRESULT&) {
            if ((Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) || Msg == WM_CONTEXTMENU)
                FSeen.emplace_back(Msg, WParam);
            return false;
        });
    }
    TKeyRecorder(const TKeyRecorder&) = delete;
    TKeyRecorder& operator=(const TKeyRecorder&) = delete;
    // Before the window goes.
    ~TKeyRecorder() { FSubclass->Detach(); }

    // The messages Msg with WParam Key seen so far.
    int Count(UINT Msg, WPARAM Key) const
    {
        int N = 0;
        for (const auto& [M, W] : FSeen)
            if (M == Msg && W == Key)
                ++N;
        return N;
    }
    // Every message of the key (down, up, char, system forms).
    int AnyOf(WPARAM Key) const
    {
        int N = 0;
        for (const auto& [M, W] : FSeen)
            if (M != WM_CONTEXTMENU && W == Key)
                ++N;
        return N;
    }
    int ContextMenus() const { return static_cast<int>(CountMsg(WM_CONTEXTMENU)); }
    size_t CountMsg(UINT Msg) const
    {
        size_t N = 0;
        for (const auto& Entry : FSeen)
            N += Entry.first == Msg;
        return N;
    }
    void Clear() { FSeen.clear(); }

private:
    TWindowSubclass* FSubclass = nullptr;
    std::vector<std::pair<UINT, WPARAM>> FSeen;
};

// Whether the thread shows a window of the system's menu class.
inline bool SystemMenuShown()
{
    for (HWND W : TestSupport::VisibleThreadWindows()) {
        char Class[16] = {};
        GetClassNameA(W, Class, sizeof Class);
        if (std::string(Class) == "#32768")
            return true;
    }
    return false;
}

} // namespace CommandBarsTest
