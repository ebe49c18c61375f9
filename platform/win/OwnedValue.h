#pragma once
// The owned value slot rows and nodes carry: one value of any type (a full path, a record),
// destroyed with the row or node after OnDeletion has seen it. Data stays a plain pointer the
// control never frees.

#include <memory>
#include <type_traits>
#include <utility>

class TOwnedValue {
public:
    TOwnedValue() = default;
    TOwnedValue(const TOwnedValue&) = delete;
    TOwnedValue& operator=(const TOwnedValue&) = delete;

    template <class T>
    void Set(T Value)
    {
        FHolder = std::make_unique<THolderOf<std::decay_t<T>>>(std::move(Value));
    }
    // The value when it is a T, else nullptr.
    template <class T>
    T* Get() const
    {
        auto* H = dynamic_cast<THolderOf<T>*>(FHolder.get());
        return H ? &H->Value : nullptr;
    }
    bool Empty() const { return !FHolder; }
    void Reset() { FHolder.reset(); }

private:
    struct THolder {
        virtual ~THolder() = default;
    };
    template <class T>
    struct THolderOf : THolder {
        explicit THolderOf(T V) : Value(std::move(V)) {}
        T Value;
    };
    std::unique_ptr<THolder> FHolder;
};
