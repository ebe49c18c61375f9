#pragma once
// The dialog that picks groups and items to add to a group: "Add Group Items", sizeable, a
// multi-select list of the manager's other groups and of its categories' items under header rows
// (a leading "~" marks a header), members of the group shown greyed.

#include <cstdint>
#include <string>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TList;
class TcbBarGroup;

// The dialog's list: its class redraws on width changes and its background is never erased
// (every row paints itself whole, and the room below the last row gets button face).
class TcbAddGroupItemsListBox : public TListBox {
public:
    explicit TcbAddGroupItemsListBox(TComponent* AOwner) : TListBox(AOwner) {}
    std::string ClassName() const override { return "TcbAddGroupItemsListBox"; }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;

private:
    void FillBelowLastRow();
};

class TfrmAddGroupItems : public TForm {
public:
    TfrmAddGroupItems(TComponent* AOwner, TcbBarGroup* Group, TList* ResultList);
    std::string ClassName() const override { return "TfrmAddGroupItems"; }

    TcbAddGroupItemsListBox* lbGroupItems = nullptr;
    TPanel* pnlButtons = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;

    // Header "~< Groups >" with the manager's other groups when it has more than one, then per
    // category that shows items a header "~" + its name and its items; one update of the list.
    void FillList();
    void lbGroupItemsMeasureItem(TObject* Control, int32_t Index, int32_t& Height);
    void lbGroupItemsDrawItem(TObject* Control, int32_t Index, TRect Rect, TOwnerDrawState State);
    void btnOkClick(TObject* Sender);

    void WndProc(TMessage& Message) override;

    // One line of text in the list's font: the height of "Qq" and 2 pixels.
    int32_t LineHeight();
    static bool IsHeaderRow(const std::string& Text) { return !Text.empty() && Text[0] == '~'; }

private:
    TcbBarGroup* FGroup = nullptr;
    TList* FResultList = nullptr;
    int32_t FLineHeight = 0;
};

// Shows the dialog for Group; on OK ResultList (not owned, not cleared) gets the chosen groups
// and items as TComponent pointers in list order, header rows left out, and the answer is true.
bool ShowAddGroupItems(TcbBarGroup* Group, TList* ResultList);
