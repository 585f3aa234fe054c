#pragma once
// A small set over an enumeration: member k of the enumeration is bit k.
// Portable; used for every set type of the serial port's settings.
#include <cstdint>
#include <initializer_list>

namespace serial {

template <typename E, unsigned N>
class TEnumSet {
    static_assert(N > 0 && N <= 32);

public:
    using Enum = E;
    static constexpr unsigned Size = N;
    static constexpr std::uint32_t AllBits = N == 32 ? 0xFFFFFFFFu : ((1u << N) - 1u);

    constexpr TEnumSet() noexcept = default;
    constexpr TEnumSet(std::initializer_list<E> members) noexcept {
        for (E m : members) bits_ |= Bit(m);
    }

    static constexpr TEnumSet FromBits(std::uint32_t bits) noexcept {
        TEnumSet s;
        s.bits_ = bits & AllBits;
        return s;
    }
    static constexpr TEnumSet All() noexcept { return FromBits(AllBits); }

    [[nodiscard]] constexpr std::uint32_t Bits() const noexcept { return bits_; }
    [[nodiscard]] constexpr bool Contains(E m) const noexcept { return (bits_ & Bit(m)) != 0; }
    [[nodiscard]] constexpr bool Empty() const noexcept { return bits_ == 0; }

    constexpr TEnumSet& Include(E m) noexcept {
        bits_ |= Bit(m);
        return *this;
    }
    constexpr TEnumSet& Exclude(E m) noexcept {
        bits_ &= ~Bit(m);
        return *this;
    }

    friend constexpr TEnumSet operator|(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.bits_ | b.bits_); }
    friend constexpr TEnumSet operator&(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.bits_ & b.bits_); }
    friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.bits_ & ~b.bits_); }
    friend constexpr bool operator==(TEnumSet a, TEnumSet b) noexcept = default;

private:
    static constexpr std::uint32_t Bit(E m) noexcept { return 1u << static_cast<unsigned>(m); }

    std::uint32_t bits_ = 0;
};

}  // namespace serial
