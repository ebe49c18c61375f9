#pragma once
// The Customize dialog's all-commands list, built apart from the dialog: the list view's names
// and the framework's painter names cannot share one unit.

#include <cstdint>
#include <string>

class TComponent;
class TListView;
class TWinControl;

// A report list of three columns (the item's name 35 %, its caption 40 %, the shortcut the rest)
// at (X, Y) on Parent.
TListView* MakeAllCommandsList(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H);
void ClearAllCommandsList(TListView* List);
