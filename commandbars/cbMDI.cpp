// MDI main-menu merging: a child form's main menu bar joins the frame's.

#include "commandbars/cbBarManager.h"

void TcbBarManager::CheckMDIChild()
{
}
