#!/usr/bin/env python3
"""Writes powers_of_five.h: the anchors of the 128-bit powers of five behind the fast paths.

    python3 core/make_powers_of_five.py > core/powers_of_five.h

5^(28 k) for k = -13 .. 12, each rounded down to 128 significant bits. With the exact 5^0 .. 5^27
(64 bits each) and one more product they give 5^q for every q from -364 to 363. The tests compare
every such power with exact arithmetic of their own.
"""

STEP = 28
FIRST, LAST = -13, 12


def anchor(n):
    """(a, exponent) with 2^127 <= a < 2^128 and a <= 5^n / 2^exponent < a + 1."""
    if n >= 0:
        v = 5 ** n
        exponent = v.bit_length() - 128
        a = v >> exponent if exponent >= 0 else v << -exponent
    else:
        d = 5 ** -n
        exponent = -(127 + d.bit_length())  # 2^-exponent / d lies in (2^127, 2^128)
        a = (1 << -exponent) // d
    assert (1 << 127) <= a < (1 << 128)
    return a, exponent


def main():
    print("// Made by make_powers_of_five.py; do not edit.")
    print("#pragma once")
    print()
    print("#include <cstdint>")
    print()
    print("namespace varnitz {")
    print("namespace detail {")
    print()
    print(f"constexpr int kAnchorStep = {STEP};")
    print(f"constexpr int kFirstAnchor = {FIRST};  // 5^({STEP} * {FIRST}) = 5^{STEP * FIRST}")
    print(f"constexpr int kLastAnchor = {LAST};")
    print()
    print(f"// 5^({STEP} k) = (high * 2^64 + low + f) * 2^exponent with 0 <= f < 1 and the top bit of high set.")
    print("struct PowerAnchor {")
    print("    std::uint64_t high;")
    print("    std::uint64_t low;")
    print("    int exponent;")
    print("};")
    print("constexpr PowerAnchor kPowerAnchors[] = {")
    print("    // high               low                   exponent")
    for k in range(FIRST, LAST + 1):
        a, exponent = anchor(STEP * k)
        print(f"    {{0x{a >> 64:016X}u, 0x{a & ((1 << 64) - 1):016X}u, {exponent:4}}},  // 5^{STEP * k}")
    print("};")
    print()
    print("}  // namespace detail")
    print("}  // namespace varnitz")


if __name__ == "__main__":
    main()
