#include "varnitz/number_text.h"

namespace varnitz {
// Placeholder until the exact conversions land.
ParseResult ParseDecimal(const char*, std::size_t) { return {0.0, 0}; }
double ParseDecimal(const char* text) { return ParseDecimal(text, static_cast<std::size_t>(-1)).value; }
SeventeenDigitForm MakeSeventeenDigitForm(double) { return {false, "0", 1, 0}; }
int FormatSixDigits(double, char* buffer) { buffer[0] = '0'; buffer[1] = 0; return 1; }
}  // namespace varnitz
