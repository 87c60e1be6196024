// FormatSixDigits and MakeSeventeenDigitForm on every bit pattern of a double: the exact 17-digit
// form, the text the rules build from it, the allowed characters and length, and the read-back.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "check.h"
#include "exact_number_text.h"
#include "varnitz/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
    double x;
    std::memcpy(&x, &bits, sizeof x);

    // Exactly the documented size on the heap, so that ASan sees any write past it.
    std::unique_ptr<char[]> buffer(new char[varnitz::kSixDigitsBufferSize]);
    const int length = varnitz::FormatSixDigits(x, buffer.get());
    VARNITZ_CHECK(length >= 1 && length <= varnitz::kSixDigitsMaxLength, "bits %016llx: length %d",
                  static_cast<unsigned long long>(bits), length);
    const std::string text(buffer.get(), static_cast<std::size_t>(length));
    VARNITZ_CHECK(buffer[length] == '\0' && text.find('\0') == std::string::npos,
                  "bits %016llx: not one NUL-terminated text", static_cast<unsigned long long>(bits));
    VARNITZ_CHECK(text.find_first_not_of("0123456789.-+e#INFDQAS") == std::string::npos &&
                      text.back() != '.',
                  "bits %016llx: text \"%s\"", static_cast<unsigned long long>(bits), text.c_str());

    std::vector<std::string> allowed;
    if (!std::isfinite(x)) {
        allowed.push_back(varnitz::SpecialText(bits));
    } else {
        const std::vector<varnitz::DigitForm> forms = varnitz::ExactSeventeenDigitForms(x);
        const varnitz::SeventeenDigitForm made = varnitz::MakeSeventeenDigitForm(x);
        VARNITZ_CHECK(made.length >= 1 && made.length <= varnitz::kMaxFormDigits &&
                          strnlen(made.digits, sizeof made.digits) == static_cast<std::size_t>(made.length),
                      "%a: 17-digit form of length %d", x, made.length);
        bool formMatches = false;
        for (const varnitz::DigitForm& form : forms) {
            allowed.push_back(varnitz::SixDigitText(form));
            formMatches = formMatches || (made.negative == form.negative && made.point == form.point &&
                                          made.length == static_cast<int>(form.digits.size()) &&
                                          form.digits == made.digits);
        }
        VARNITZ_CHECK(formMatches, "%a: 17-digit form %s%s;%d (length %d), exact %s;%d", x,
                      made.negative ? "-" : "", made.digits, made.point, made.length,
                      forms[0].digits.c_str(), forms[0].point);
        // No fraction zero is left before the "e" or the end.
        const std::size_t dot = text.find('.');
        const std::size_t e = text.find('e');
        const std::size_t end = e == std::string::npos ? text.size() : e;
        VARNITZ_CHECK(dot == std::string::npos || end == dot + 1 || text[end - 1] != '0',
                      "%a: text \"%s\"", x, text.c_str());
    }
    bool matches = false;
    for (const std::string& want : allowed) matches = matches || text == want;
    VARNITZ_CHECK(matches, "%a (bits %016llx): text \"%s\", rules give \"%s\"", x,
                  static_cast<unsigned long long>(bits), text.c_str(), allowed[0].c_str());

    // Read back, a text gives the double nearest to the value it shows ("1.#INF" shows 1).
    const double back = varnitz::ParseDecimal(text.c_str(), text.size()).value;
    const double want = varnitz::ReferenceParse(text.c_str(), text.size());
    VARNITZ_CHECK(std::memcmp(&back, &want, sizeof back) == 0, "\"%s\" reads back as %a, exact %a",
                  text.c_str(), back, want);
    return 0;
}
