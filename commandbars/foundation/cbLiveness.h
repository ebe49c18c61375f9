#pragma once
// Registries of live objects, and the framework's answer to "is this object still alive".
//
// Much of the framework holds a pointer across a call that may free its object: a command run
// from a click, a message sent to another window, a timer or a queued call that fires later.
// Before it touches the object again it asks the object's registry whether the pointer still
// names a live one. An object joins its registry when it is made and leaves it when it goes.
//
// A registry knows addresses only: an object made later at the address of a freed one reads as
// live. Callers therefore ask right after the call that may have freed the object, not about a
// pointer kept across a later round of messages. User-interface thread only.

#include <algorithm>
#include <unordered_set>
#include <vector>

template <class T>
class TcbLiveRegistry {
public:
    // Adds Object unless it is in already; nullptr is ignored.
    void Add(T* Object)
    {
        if (Object && FIndex.insert(Object).second)
            FItems.push_back(Object);
    }

    // Takes Object out; one that is not in is ignored.
    void Remove(const T* Object)
    {
        if (FIndex.erase(Object) > 0)
            FItems.erase(std::find(FItems.begin(), FItems.end(), Object));
    }

    // Whether Object names a registered object; false for nullptr.
    bool Contains(const void* Object) const { return Object && FIndex.count(Object) > 0; }

    // The registered objects in the order they joined.
    const std::vector<T*>& Items() const { return FItems; }

private:
    std::vector<T*> FItems;
    std::unordered_set<const void*> FIndex;
};

// The managers' registry is the process-wide manager list (BarManagers()), one of these; the
// manager's header answers for managers (IsListedManager, IsLiveManager).
