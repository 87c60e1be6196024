// ParseDecimal on arbitrary bytes: it reads exactly the grammar's prefix, and its value is the
// exact nearest double (halfway to the smaller magnitude) that the big-integer reference computes.
#include <cstdint>
#include <cstring>
#include <string>

#include "check.h"
#include "exact_number_text.h"
#include "varnitz/number_text.h"

namespace {
constexpr std::size_t kMaxText = 4096;  // keeps the reference's big integers small
std::uint64_t Bits(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxText) size = kMaxText;
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Exactly `size` bytes on the heap, so that ASan sees any read past the length.
    const varnitz::ParseResult got = varnitz::ParseDecimal(reinterpret_cast<const char*>(data), size);
    const varnitz::ScannedNumber scanned = varnitz::ScanNumber(text.data(), size);
    VARNITZ_CHECK(got.consumed == scanned.consumed, "text \"%s\": consumed %zu, grammar %zu",
                  text.c_str(), got.consumed, scanned.consumed);
    const double want = varnitz::NearestDouble(scanned).value;
    VARNITZ_CHECK(Bits(got.value) == Bits(want), "text \"%s\": got %a, exact %a", text.c_str(),
                  got.value, want);
    // The NUL-terminated form stops at the first NUL, where the number ends anyway.
    const double viaNul = varnitz::ParseDecimal(text.c_str());
    VARNITZ_CHECK(Bits(viaNul) == Bits(got.value), "text \"%s\": NUL-terminated form gives %a",
                  text.c_str(), viaNul);
    return 0;
}
