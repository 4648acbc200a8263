#pragma once
// A set of enumeration members held as a bit mask, bit n for the member with ordinal n.

#include <cstdint>
#include <initializer_list>

namespace nyx {

template <class E, class Bits = std::uint32_t>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> members) {
        for (E m : members)
            FBits |= Bit(m);
    }
    static constexpr TSet FromBits(Bits bits) {
        TSet s;
        s.FBits = bits;
        return s;
    }

    constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
    constexpr TSet& Include(E m) {
        FBits |= Bit(m);
        return *this;
    }
    constexpr TSet& Exclude(E m) {
        FBits &= Bits(~Bit(m));
        return *this;
    }
    constexpr Bits ToBits() const { return FBits; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool operator==(const TSet&) const = default;
    constexpr TSet operator+(TSet o) const { return FromBits(Bits(FBits | o.FBits)); }
    constexpr TSet operator-(TSet o) const { return FromBits(Bits(FBits & ~o.FBits)); }
    constexpr TSet operator*(TSet o) const { return FromBits(Bits(FBits & o.FBits)); }

private:
    static constexpr Bits Bit(E m) { return Bits(Bits(1) << static_cast<unsigned>(m)); }
    Bits FBits = 0;
};

}  // namespace nyx
