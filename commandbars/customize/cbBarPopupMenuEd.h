#pragma once
// The sub-menu editor: a captioned strip without client area that shows the links of a sub-item
// or popup menu as a live menu hanging from its bottom edge, so that links can be dragged into,
// within and out of the menu while the bars are customized. The strip's width is held at the
// menu's width and the menu follows the strip's moves. One editor exists at a time; it goes when
// it is closed, when customizing ends and when the owner of its link list is freed.
// User-interface thread only.

#include <string>

#include <windows.h>

#include "platform/win/Forms.h"

class TcbBarItemLinks;
class TcbBarSubMenuControl;

class TcbBarSubMenuEditor : public TForm {
public:
    explicit TcbBarSubMenuEditor(TComponent* AOwner);
    ~TcbBarSubMenuEditor() override;
    std::string ClassName() const override { return "TcbBarSubMenuEditor"; }

    TcbBarItemLinks* GetItemLinks() const { return FItemLinks; }
    // The list shown (not owned); its owner's free notification reaches the editor. nullptr
    // closes the menu and releases the editor.
    void SetItemLinks(TcbBarItemLinks* Value);
    // The menu window of the list while it is open, else nullptr.
    TcbBarSubMenuControl* GetMenuWindow() const;
    // Opens the list's menu under the editor unless it is open already or the dragged item may
    // not go into it.
    void OpenMenu();
    // Closes the list's menu window (when it is open).
    void CloseMenu();

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void DoClose(TCloseAction& Action) override;

private:
    // The menu takes the editor's left and bottom edge.
    void PlaceMenu();
    // Hides the editor and lets it go once the messages being handled have returned.
    void ReleaseSoon();

    TcbBarItemLinks* FItemLinks = nullptr;
    // The component whose links are shown (a sub-item or popup menu), watched for its free.
    TComponent* FLinksOwner = nullptr;
};

// Enters customizing mode for the list's manager (which opens the Customize dialog on its
// Commands page) and shows the editor for ItemLinks.
void ShowSubMenuEditor(TcbBarItemLinks* ItemLinks);
// The open editor, or nullptr.
TcbBarSubMenuEditor* GetSubMenuEditor();
// Closes the open editor and its menu: released once the message loop runs again, or freed at
// once with Immediately (the framework's end).
void FreeSubMenuEditor(bool Immediately = false);
