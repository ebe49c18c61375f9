#pragma once
// The design-time all-commands list's rows, written apart from the dialog for the same reason
// as cbBarCustFormList: the list view's names and the framework's cannot share one unit.

#include <functional>
#include <string>
#include <vector>

class TListView;
class TObject;

struct TcbAllCommandsRow {
    // The row's three columns: the item's name, its caption without "&" marks, its shortcut.
    std::string Name, Caption, ShortCut;
    void* Data = nullptr;
};

// Fills the list with Rows in one update; the columns are separated by grid lines that run on
// below the last row.
void FillAllCommandsList(TListView* List, const std::vector<TcbAllCommandsRow>& Rows);
// The data of the first selected row, or nullptr.
void* SelectedAllCommandsData(TListView* List);
// The handler of a click on the list.
void SetAllCommandsClick(TListView* List, std::function<void(TObject* Sender)> Handler);
