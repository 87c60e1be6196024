#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets: fuzz/corpus/<target>/<name>.

Run again after editing the tables below; the seeds are committed, the fuzzers' finds are not.
"""
import math
import os
import random
import shutil
import struct
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))


def exact_decimal(value: Fraction, digits: int = 1200) -> str:
    """The exact decimal text of a dyadic fraction, as mantissa and exponent."""
    scaled = value * 10**digits
    assert scaled.denominator == 1, "needs more digits"
    return f"{scaled.numerator}e-{digits}"


def plain_decimal(value: Fraction, places: int = 1500) -> str:
    """The exact text 0.ddd... of a fraction below 1 with `places` decimals."""
    scaled = value * 10**places
    assert scaled.denominator == 1 and 0 <= scaled < 10**places
    return "0." + str(scaled.numerator).rjust(places, "0")


HALF_MIN_SUBNORMAL = Fraction(1, 2**1075)
# A halfway point with the most significant digits a halfway point can have (768): its text
# decides ties only if every digit is kept.
LONGEST_TIE = Fraction(2**54 - 1, 2**1075)
DBL_MAX = Fraction(2**1024 - 2**971)
DBL_MAX_HALF_UP = Fraction(2**1024 - 2**970)  # a tie: goes down to DBL_MAX
MIN_NORMAL = Fraction(1, 2**1022)

PARSE_SEEDS = {
    # Grammar edges: what ends a number, what is no number.
    "plain": "3.3", "blank": " 3.3", "tab": "\t7", "comma": "3,3", "exp_e": "1e3", "exp_d": "1d3",
    "exp_upper": "1E+03", "exp_upper_d": "1D3", "point_exp": "1.e2", "lead_point_exp": ".5e1",
    "exp_zeros": "1e-00005", "negative": "-4.5", "plus": "+2", "lead_point": ".5", "trail_point": "5.",
    "lead_zeros": "007", "two_points": "1.5.3", "letters": "12abc", "grouping": "1 000", "bare_e": "1e",
    "e_sign": "1e+", "e_sign_x": "2e+x", "e_blank": "2e 5", "empty": "", "word": "abc", "point": ".",
    "minus": "-", "minus_point": "-.", "minus_blank": "- 5", "two_signs": "+-1", "hex": "0x10",
    "inf": "inf", "nan": "nan", "minus_zero": "-0", "zero_exp": "0e99", "zeros": "0.000",
    "nul_inside": "12\x0034", "high_byte": "5\xa06", "vt_ff_cr": "\v\f\r\n 9",
    # Range ends, with their signs.
    "huge": "1e400", "minus_huge": "-1e400", "tiny": "1e-400", "minus_tiny": "-1e-400",
    "long_exp": "1e000000000000000000000000308", "huge_exp": "1e99999999999999999999",
    "dbl_max": "1.7976931348623157e308", "dbl_max_round": "1.7976931348623158e308",
    "dbl_max_tie": str(DBL_MAX_HALF_UP.numerator), "past_dbl_max_tie": str(DBL_MAX_HALF_UP.numerator + 1),
    "min_normal": "2.2250738585072014e-308", "max_subnormal": "2.2250738585072009e-308",
    "min_subnormal": "4.9406564584124654e-324", "below_half_min": "2.4703282292062327e-324",
    "above_half_min": "2.4703282292062328e-324", "half_min_exact": exact_decimal(HALF_MIN_SUBNORMAL),
    "three_quarter_min": exact_decimal(HALF_MIN_SUBNORMAL * 3 / 2),
    "subnormal_tie": exact_decimal(Fraction(3, 2**1075)),
    "min_normal_tie": exact_decimal(MIN_NORMAL - HALF_MIN_SUBNORMAL),
    "longest_tie": plain_decimal(LONGEST_TIE),
    "longest_tie_sticky": plain_decimal(LONGEST_TIE) + "0" * 300 + "1",
    "longest_tie_less": plain_decimal(LONGEST_TIE - Fraction(1, 10**1400)),
    # Exactly halfway: the smaller magnitude wins, even or not.
    "tie_7e22": "7e22", "tie_1e23": "1e23", "tie_5e22": "5e22", "tie_minus_7e22": "-7e22",
    "tie_2p53_1": "9007199254740993", "tie_2p53_3": "9007199254740995",
    "tie_frac": "1.00000000000000011102230246251565404236316680908203125",
    "near_tie_long": "9007199254740993.0000000000000000000000000001",
    "many_digits": "123456789012345678901234567890123456789e-20",
    "many_zero_digits": "0.000000000000000000000000000000000000000000000000001e+30",
    # Texts the form shows, read back.
    "shown_inf": "1.#INF", "shown_ind": "-1.#IND", "shown_exp": "1.23457e+006", "shown_neg_exp": "-1.23457e-100",
    "shown_fixed": "98.3778", "shown_seven": "1000000",
}

def bits(x: float) -> bytes:
    return struct.pack("<d", x)


def raw(pattern: int) -> bytes:
    return struct.pack("<Q", pattern)


FORMAT_SEEDS = {
    "zero": bits(0.0), "minus_zero": bits(-0.0), "half": bits(0.5), "tenth": bits(0.1), "two_thirds": bits(2 / 3),
    "five_hundredths": bits(0.05), "hundredth": bits(0.01), "p0099999": bits(0.0099999), "one": bits(1.0),
    "energy": bits(7.985999999999999), "plate": bits(98.37777777777777), "reactance": bits(965.0646593321753),
    "p12345_65": bits(12345.65), "p100000": bits(100000.0), "p123456_7": bits(123456.7),
    "p999999_4": bits(999999.4), "p999999_5": bits(999999.5), "p999999_6": bits(999999.6),
    "below_1e6": raw(struct.unpack("<Q", bits(1e6))[0] - 1), "p1e6": bits(1e6), "p1234567": bits(1234567.0),
    "p1650000": bits(1650000.0), "p9999995": bits(9999995.0), "p99_99996": bits(99.99996),
    "p0_9999996": bits(0.9999996), "p0_099999996": bits(0.099999996), "p0_1234565": bits(0.1234565),
    "p1_234565": bits(1.234565), "p1_000065": bits(1.000065), "p0_2000005": bits(0.2000005), "p1e21": bits(1e21),
    "p1e100": bits(1e100), "p1e_100": bits(1e-100), "eps0": bits(8.854e-12), "neg_long": bits(-1.23456789e-100),
    "neg_fixed": bits(-0.1234565), "min_subnormal": raw(1), "max_subnormal": raw(0x000FFFFFFFFFFFFF),
    "min_normal": raw(0x0010000000000000), "dbl_max": raw(0x7FEFFFFFFFFFFFFF),
    "halfway_17": bits(1125899906842624.25), "halfway_17_b": bits(1125899906842624.75),
    "plus_inf": raw(0x7FF0000000000000), "minus_inf": raw(0xFFF0000000000000),
    "default_nan": raw(0xFFF8000000000000), "quiet_nan": raw(0x7FF8000000000000),
    "minus_quiet_nan": raw(0xFFF8000000000001), "quiet_nan_payload": raw(0x7FFFFFFFFFFFFFFF),
    "signalling_nan": raw(0x7FF0000000000001), "minus_signalling_nan": raw(0xFFF4000000000000),
    "short_input": b"\x01\x02",
}

def largest_below(value: Fraction) -> float:
    d = float(value)
    return d if Fraction(d) < value else math.nextafter(d, 0.0)


def seventeen_digit_carries() -> dict:
    """Doubles just below a power of ten whose 17-digit form rounds up to it (N reaches 10^17)."""
    seeds = {}
    for n in range(-323, 309):
        power = Fraction(10) ** n
        d = largest_below(power)
        if d > 0 and (power - Fraction(d)) * 2 * 10**17 <= power:
            seeds[f"carry17_{n}"] = bits(d)
    return seeds


def seventeen_digit_near_halfway() -> dict:
    """Doubles within ~1e-20 of a point halfway between two 17-digit decimals, on either side:
    where a fast 17-digit conversion must give up and divide exactly."""
    rng = random.Random(7)
    found = []
    for _ in range(150000):
        point = rng.randint(-300, 300)
        n = rng.randint(10**16, 10**17 - 1)
        midpoint = Fraction(2 * n + 1, 2) * Fraction(10) ** (point - 17)
        d = float(midpoint)
        distance = abs(Fraction(d) - midpoint) / midpoint
        if distance != 0:
            found.append((distance, d, Fraction(d) > midpoint))
    found.sort()
    above = [d for _, d, up in found if up][:4]
    below = [d for _, d, up in found if not up][:4]
    seeds = {f"near_half17_above_{i}": bits(d) for i, d in enumerate(above)}
    seeds.update({f"near_half17_below_{i}": bits(d) for i, d in enumerate(below)})
    return seeds


VOLTAGE, CAPACITANCE, FREQUENCY, ENERGY, REACTANCE, SIDE_A, SIDE_B, THICKNESS, PERMITTIVITY, PLATE, LIST = range(11)
SILENT = 1


def type_text(field: int, text: bytes) -> bytes:
    return bytes([0, field, len(text)]) + text


def select(index: int) -> bytes:
    return bytes([1, index])


def select_name(name: bytes) -> bytes:
    return bytes([2, len(name)]) + name


GLASS = "Стекло".encode()  # the fuzz build keeps UTF-8 literals

FORM_SEEDS = {
    "start": [],
    "capacitance_negative": [type_text(CAPACITANCE, b"-3.3")],
    "capacitance_blank": [type_text(CAPACITANCE, b" ")],
    "capacitance_empty": [type_text(CAPACITANCE, b""), type_text(VOLTAGE, b"1")],
    "capacitance_minus_zero": [type_text(CAPACITANCE, b"-0")],
    "capacitance_exp": [type_text(CAPACITANCE, b"2e302"), type_text(VOLTAGE, b"1000000")],
    "energy_unit": [type_text(VOLTAGE, b"1"), type_text(CAPACITANCE, b"1")],
    "voltage_million": [type_text(VOLTAGE, b"1000000")],
    "reactance_unit": [type_text(FREQUENCY, b"1"), type_text(CAPACITANCE, b"1")],
    "frequency_empty": [type_text(FREQUENCY, b""), type_text(CAPACITANCE, b"4.7")],
    "thickness_empty_then_zero": [type_text(THICKNESS, b""), type_text(THICKNESS, b"0")],
    "permittivity_typed": [type_text(PERMITTIVITY, b"10"), type_text(THICKNESS, b"4.55"), type_text(THICKNESS, b"4.5")],
    "permittivity_empty": [type_text(PERMITTIVITY, b""), type_text(SIDE_A, b"100")],
    "plate_nan": [type_text(SIDE_A, b"0"), type_text(THICKNESS, b"0")],
    "plate_negative": [type_text(THICKNESS, b"-4.5")],
    "side_b_empty": [type_text(SIDE_B, b""), select(13)],
    "select_water": [select(13)], "select_barium": [select(5)], "select_all_then_glass": [select(i) for i in range(24)] + [select(10)],
    "select_glass_name": [type_text(PERMITTIVITY, b"10"), select_name(GLASS)],
    "select_glass_blank": [select_name(GLASS + b" ")],
    "select_prefix": [select_name(GLASS[:-2])],
    "select_water_no_dot": [select_name("Вода дисц".encode())],
    "select_empty": [select_name(b""), type_text(SIDE_A, b"50")],
    "select_nul": [select_name(GLASS + b"\x00tail")],
    "list_typed_empty": [type_text(LIST, b""), type_text(SIDE_A, b"1")],
    "result_typed": [type_text(ENERGY, b"123"), type_text(REACTANCE, b"x"), type_text(PLATE, b"")],
    "long_text": [type_text(CAPACITANCE, b"1234567890123456789012345678901234567890")],
    "long_exp_text": [type_text(THICKNESS, b"0.000000000000000000000000000001e-300")],
    "text_with_nul": [type_text(CAPACITANCE, b"5\x00abc")],
}


def write(target: str, seeds: dict) -> None:
    directory = os.path.join(HERE, "corpus", target)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for name, data in seeds.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)


def main() -> None:
    write("fuzz_parse_decimal", {k: v.encode("latin-1") for k, v in PARSE_SEEDS.items()})
    write("fuzz_format_six_digits", {**FORMAT_SEEDS, **seventeen_digit_carries(), **seventeen_digit_near_halfway()})
    form = {}
    for name, steps in FORM_SEEDS.items():
        form[name] = b"\x00" + b"".join(steps)
        form[name + "_silent"] = bytes([SILENT]) + b"".join(steps)
    write("fuzz_form", form)


if __name__ == "__main__":
    main()
