// Made by make_powers_of_five.py; do not edit.
#pragma once

#include <cstdint>

namespace varnitz {
namespace detail {

constexpr int kAnchorStep = 28;
constexpr int kFirstAnchor = -13;  // 5^(28 * -13) = 5^-364
constexpr int kLastAnchor = 12;

// 5^(28 k) = (high * 2^64 + low + f) * 2^exponent with 0 <= f < 1 and the top bit of high set.
struct PowerAnchor {
    std::uint64_t high;
    std::uint64_t low;
    int exponent;
};
constexpr PowerAnchor kPowerAnchors[] = {
    // high               low                   exponent
    {0xE1AFA13AFBD14D6Du, 0x82189C09A3A1EC21u, -973},  // 5^-364
    {0xE3E27A444D8D98B7u, 0xFD1B1B2308169B25u, -908},  // 5^-336
    {0xE61ACF033D1A45DFu, 0x6FB92487298E33BDu, -843},  // 5^-308
    {0xE858AD248F5C22C9u, 0xD1B3400F8F9CFF68u, -778},  // 5^-280
    {0xEA9C227723EE8BCBu, 0x465E15A979C1CADCu, -713},  // 5^-252
    {0xECE53CEC4A314EBDu, 0xA4F8BF5635246428u, -648},  // 5^-224
    {0xEF340A98172AACE4u, 0x86FB897116C87C34u, -583},  // 5^-196
    {0xF18899B1BC3F8CA1u, 0xDC44E6C3CB279AC1u, -518},  // 5^-168
    {0xF3E2F893DEC3F126u, 0x5A89DBA3C3EFCCFAu, -453},  // 5^-140
    {0xF64335BCF065D37Du, 0x4D4617B5FF4A16D5u, -388},  // 5^-112
    {0xF8A95FCF88747D94u, 0x75A44C6397CE912Au, -323},  // 5^-84
    {0xFB158592BE068D2Eu, 0xEED6E2F0F0D56712u, -258},  // 5^-56
    {0xFD87B5F28300CA0Du, 0x8BCA9D6E188853FCu, -193},  // 5^-28
    {0x8000000000000000u, 0x0000000000000000u, -127},  // 5^0
    {0x813F3978F8940984u, 0x4000000000000000u,  -62},  // 5^28
    {0x82818F1281ED449Fu, 0xBFF8F10E7A8921A4u,    3},  // 5^56
    {0x83C7088E1AAB65DBu, 0x792667C6DA79E0FAu,   68},  // 5^84
    {0x850FADC09923329Eu, 0x03E2CF6BC604DDB0u,  133},  // 5^112
    {0x865B86925B9BC5C2u, 0x0B8A2392BA45A9B2u,  198},  // 5^140
    {0x87AA9AFF79042286u, 0x90FB44D2F05D0842u,  263},  // 5^168
    {0x88FCF317F22241E2u, 0x441FECE3BDF81F03u,  328},  // 5^196
    {0x8A5296FFE33CC92Fu, 0x82BD6B70D99AAA6Fu,  393},  // 5^224
    {0x8BAB8EEFB6409C1Au, 0x1AD089B6C2F7548Eu,  458},  // 5^252
    {0x8D07E33455637EB2u, 0xDB0B487B6423E1E8u,  523},  // 5^280
    {0x8E679C2F5E44FF8Fu, 0x570F09EAA7EA7648u,  588},  // 5^308
    {0x8FCAC257558EE4E6u, 0x213A4F0AA5E8A7B1u,  653},  // 5^336
};

}  // namespace detail
}  // namespace varnitz
