#pragma once
// The add-item dialog of the design-time commands list: a new item of one of the registered
// visible item classes, with its name, caption and category. Captioned "Add Item" (the "Add
// &Item" text without its accelerator mark), client 263 x 150, centred, on top.

#include <cstdint>
#include <string>

#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TcbBarItem;
class TcbBarManager;

class TcbBarItemAddEditor : public TForm {
public:
    TcbBarItemAddEditor(TComponent* AOwner, TcbBarManager* Manager, int32_t CategoryIndex);
    std::string ClassName() const override { return "TcbBarItemAddEditor"; }

    TLabel* Label1 = nullptr; // "Name:"
    TLabel* Label2 = nullptr; // "Caption:"
    TLabel* Label3 = nullptr; // "Type:"
    TLabel* Label4 = nullptr; // "Category:"
    TEdit* Edit1 = nullptr;   // name
    TEdit* Edit2 = nullptr;   // caption
    TComboBox* ComboBox1 = nullptr; // type
    TComboBox* ComboBox2 = nullptr; // category
    TButton* BOk = nullptr;
    TButton* BCancel = nullptr;

    void ComboBox1Change(TObject* Sender);
    void FormShow(TObject* Sender);
    void BOkClick(TObject* Sender);

    // The item made by OK; nullptr until then.
    TcbBarItem* GetCreatedItem() const { return FCreatedItem; }

private:
    // A fresh unique name for the chosen class into Edit1.
    void ProposeName();

    TcbBarManager* FBarManager = nullptr;
    TcbBarItem* FCreatedItem = nullptr;
};

// The new item (owned by the manager's owner, marked as a change of the design), or nullptr
// when cancelled.
TcbBarItem* ShowItemAddEditor(TcbBarManager* Manager, int32_t CategoryIndex);
