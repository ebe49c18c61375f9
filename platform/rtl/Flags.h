#pragma once
// A small set over an enum: one bit per enumerator (values 0..31).

#include <cstdint>
#include <initializer_list>

template <class E>
class TFlags {
public:
    constexpr TFlags() = default;
    constexpr TFlags(E Value) : FBits(Bit(Value)) {}
    constexpr TFlags(std::initializer_list<E> Values)
    {
        for (E V : Values)
            FBits |= Bit(V);
    }

    constexpr bool Contains(E Value) const { return (FBits & Bit(Value)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr void Include(E Value) { FBits |= Bit(Value); }
    constexpr void Exclude(E Value) { FBits &= ~Bit(Value); }
    constexpr uint32_t Bits() const { return FBits; }

    constexpr TFlags operator+(TFlags Other) const { return FromBits(FBits | Other.FBits); }
    constexpr TFlags operator-(TFlags Other) const { return FromBits(FBits & ~Other.FBits); }
    constexpr TFlags operator*(TFlags Other) const { return FromBits(FBits & Other.FBits); }
    constexpr TFlags& operator+=(TFlags Other) { FBits |= Other.FBits; return *this; }
    constexpr TFlags& operator-=(TFlags Other) { FBits &= ~Other.FBits; return *this; }
    constexpr bool operator==(const TFlags&) const = default;

    static constexpr TFlags FromBits(uint32_t Bits)
    {
        TFlags F;
        F.FBits = Bits;
        return F;
    }

private:
    static constexpr uint32_t Bit(E Value) { return uint32_t(1) << static_cast<uint32_t>(Value); }
    uint32_t FBits = 0;
};
