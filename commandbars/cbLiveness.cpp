#include "commandbars/cbLiveness.h"

#include "commandbars/cbBarManager.h"

bool IsListedManager(const TcbBarManager* Manager)
{
    const TcbBarManagerList* Managers = BarManagers();
    return Managers && Managers->Contains(Manager);
}

bool IsLiveManager(const TcbBarManager* Manager)
{
    return IsListedManager(Manager) && !Manager->IsDestroying();
}
