#pragma once
// The small modal dialog that names a toolbar or a category: an edit with its label, OK and
// Cancel. OK is enabled only while the edit holds text; a toolbar name that another bar already
// bears is refused with a message and the dialog stays open.

#include <cstdint>
#include <string>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TStrings;
class TcbBar;
class TcbBarManager;

// What the dialog is shown for; toolbars are only added or renamed.
enum TcbNameEditKind { nekAdd, nekInsert, nekRename };

class TcbBarNameEd : public TForm {
public:
    explicit TcbBarNameEd(TComponent* AOwner);
    std::string ClassName() const override { return "TcbBarNameEd"; }

    TLabel* LName = nullptr;
    TEdit* EName = nullptr;
    TButton *BOK = nullptr, *BCancel = nullptr;

    // Category mode when Categories is set, else toolbar mode (a rename is of Bar).
    void Setup(TStrings* Categories, TcbNameEditKind Kind, TcbBar* Bar, TcbBarManager* Manager);

protected:
    void DoShow();

private:
    void NameChanged();
    void CheckName(bool& CanClose);

    TStrings* FCategories = nullptr;
    TcbBarManager* FBarManager = nullptr;
    TcbBar* FBar = nullptr;
};

// Shows the dialog with Name in the edit; True and the edited Name on OK.
bool ShowNameEditor(std::string& Name, TStrings* Categories, TcbNameEditKind Kind, TcbBar* Bar,
                    TcbBarManager* Manager);
