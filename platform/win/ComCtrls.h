#pragma once
// The common controls of the layer in one include.

#include "platform/win/ListView.h"
#include "platform/win/OwnedValue.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Tabs.h"
#include "platform/win/TreeView.h"
