#pragma once
// The list of pictures Delete By is about to delete: each a checked row the user may uncheck to
// keep the file. OK deletes the checked files and names, in one message, those it could not.

#include <string>
#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TListItem;
class TListView;

class TConfirmDeleteForm : public TForm {
public:
    explicit TConfirmDeleteForm(TComponent* AOwner);
    std::string ClassName() const override { return "TConfirmDeleteForm"; }

    // One checked row per full name (its caption the name without folder, the row owning the full
    // name); with nullptr nothing happens.
    void SetFiles(const std::vector<std::string>* Files);
    // The full name a row stands for.
    static std::string RowFileName(TListItem* Item);
    // The message naming the files that could not be deleted: the count as Clear and Collect
    // give it, then one full name a line.
    static std::string NotDeletedText(const std::vector<std::string>& Files);

    void OkButtonClick(TObject* Sender);

    TLabel* PromptLabel = nullptr;
    TLabel* PromptLabel2 = nullptr;
    TGroupBox* FilesGroup = nullptr;
    TListView* FilesListView = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
};
