#pragma once
// The screen's device context for one scope: taken with GetDC(nullptr), given back on leaving.

#include <windows.h>

class TScreenDC {
public:
    TScreenDC() : FDC(GetDC(nullptr)) {}
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    ~TScreenDC()
    {
        if (FDC)
            ReleaseDC(nullptr, FDC);
    }
    // nullptr when the system had none to give.
    operator HDC() const { return FDC; }

private:
    HDC FDC;
};
