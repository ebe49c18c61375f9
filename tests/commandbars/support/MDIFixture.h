#pragma once
// The scene of the MDI tests: a shown MDI frame (the application's main form for the test) with
// a Flat manager whose main menu bar "Frame Menu" has "&File" and "&Window", and MDI children
// made on demand, each with its own Flat manager and main menu bar. A child counts the
// WM_SYSCOMMAND messages it gets and frees itself when it closes.

#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Forms.h"

class TcbBarManager;

namespace CommandBarsTest {

class TMDIChildForm : public TForm {
public:
    explicit TMDIChildForm(TComponent* AOwner);
    std::string ClassName() const override { return "TMDIChildForm"; }
    void WndProc(TMessage& M) override;
    std::vector<UINT> SysCommands; // the commands of the WM_SYSCOMMAND messages, in order
};

class TMDIFixture {
public:
    TMDIFixture();
    TMDIFixture(const TMDIFixture&) = delete;
    TMDIFixture& operator=(const TMDIFixture&) = delete;
    ~TMDIFixture();

    struct TChild {
        TMDIChildForm* Form = nullptr;
        TcbBarManager* Manager = nullptr;
        TcbBar* Menu = nullptr;
    };
    // A shown child at Bounds (frame client coordinates) whose main menu bar has the sub-items
    // of Captions. The fixture frees what is left of it.
    TChild AddChild(const std::string& Caption, const std::vector<std::string>& Captions,
                    TRect Bounds = TRect{10, 10, 330, 230});
    // Whether a child made here still exists.
    bool Alive(const TMDIChildForm* Form) const;

    void Maximize(TForm* Child);
    void Restore(TForm* Child);

    // The captions of the frame's main menu bar links in order; the system-menu item reads
    // "<system>".
    std::vector<std::string> FrameCaptions() const;
    TcbBarControl* FrameMenuWindow() const;
    // The client centre of an MDI button of the frame's main menu bar, on the screen.
    POINT MDIButtonCentre(int32_t Index) const;
    // The frame's main menu bar window on the screen.
    RECT ScreenRect() const;

    TComponentPtr<TForm> Frame{new TForm(nullptr)};
    TcbBarManager* FrameManager = nullptr;
    TcbBar* FrameMenu = nullptr;

private:
    TCustomForm* FPreviousMain = nullptr;
    std::vector<TMDIChildForm*> FChildren;
};

std::vector<std::string> Captions(std::initializer_list<const char*> List);

} // namespace CommandBarsTest
