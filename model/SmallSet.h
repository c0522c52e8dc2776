#pragma once

#include <cstdint>
#include <initializer_list>

// A set of up to 16 small ordinals held in one 16-bit word (bit n set when
// ordinal n is a member), as the project file stores platform and processor sets.
template <typename E>
class TSmallSet {
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<E> members)
    {
        for (E e : members)
            Include(e);
    }
    static constexpr TSmallSet FromBits(uint16_t bits)
    {
        TSmallSet s;
        s.FBits = bits;
        return s;
    }

    constexpr uint16_t Bits() const { return FBits; }
    constexpr bool Contains(E e) const { return Ordinal(e) < 16 && (FBits >> Ordinal(e)) & 1u; }
    constexpr bool ContainsOrdinal(unsigned n) const { return n < 16 && (FBits >> n) & 1u; }
    constexpr void Include(E e)
    {
        if (Ordinal(e) < 16)
            FBits = uint16_t(FBits | (1u << Ordinal(e)));
    }
    constexpr void IncludeOrdinal(unsigned n)
    {
        if (n < 16)
            FBits = uint16_t(FBits | (1u << n));
    }
    constexpr void Exclude(E e)
    {
        if (Ordinal(e) < 16)
            FBits = uint16_t(FBits & ~(1u << Ordinal(e)));
    }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr int Count() const
    {
        int n = 0;
        for (unsigned b = FBits; b; b &= b - 1)
            ++n;
        return n;
    }
    constexpr TSmallSet operator*(TSmallSet o) const { return FromBits(uint16_t(FBits & o.FBits)); }
    constexpr TSmallSet operator+(TSmallSet o) const { return FromBits(uint16_t(FBits | o.FBits)); }
    constexpr TSmallSet operator-(TSmallSet o) const { return FromBits(uint16_t(FBits & ~o.FBits)); }
    constexpr bool operator==(const TSmallSet&) const = default;
    constexpr bool Intersects(TSmallSet o) const { return (FBits & o.FBits) != 0; }

private:
    static constexpr unsigned Ordinal(E e) { return static_cast<unsigned>(e); }
    uint16_t FBits = 0;
};
