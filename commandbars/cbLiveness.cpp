#include "commandbars/cbLiveness.h"

#include "commandbars/cbBarManager.h"

bool IsListedManager(const TcbBarManager* Manager)
{
    const TcbBarManagerList* Managers = BarManagers();
    return Manager && Managers && Managers->IndexOf(Manager) >= 0;
}

bool IsLiveManager(const TcbBarManager* Manager)
{
    return IsListedManager(Manager) && !Manager->IsDestroying();
}
