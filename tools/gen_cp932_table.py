#!/usr/bin/env python3
"""Writes text/Cp932Table.inc, the code page 932 tables of text/Cp932Codec.cpp.

The mapping comes from Python's own cp932 codec, which decodes as Windows does: JIS X 0208, NEC
row 13 (0x87), the NEC-selected IBM extensions (0xED, 0xEE), the IBM extensions (0xFA-0xFC) and
the user-defined area 0xF040-0xF9FC <-> U+E000-U+E757. For characters with more than one code the
encoder follows Windows, which Python's encoder does not quite do (it picks the NEC-selected code
where Windows picks the IBM one): never a code in 0xED40-0xEEFC, otherwise the lowest code.

The output depends only on the codec, so running the script again gives the same file.

Usage: tools/gen_cp932_table.py [OUTPUT]   (default: text/Cp932Table.inc of this checkout)
"""

import sys
import unicodedata
from pathlib import Path

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
NEC_SELECTED_FIRST, NEC_SELECTED_LAST = 0xED40, 0xEEFC
RAW_BYTE_BASE = 0xF700  # the codec decodes a stray byte b to U+F700 + b

# Characters Linux input methods type where Windows has a full-width or other form. They encode to
# the code of the Windows form; decoding that code still gives the Windows form.
INPUT_METHOD_FORMS = {
    0x2212: 0x817C,  # MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    0x301C: 0x8160,  # WAVE DASH -> FULLWIDTH TILDE
    0x2016: 0x8161,  # DOUBLE VERTICAL LINE -> PARALLEL TO
    0x2014: 0x815C,  # EM DASH -> HORIZONTAL BAR
    0x00A2: 0x8191,  # CENT SIGN -> FULLWIDTH CENT SIGN
    0x00A3: 0x8192,  # POUND SIGN -> FULLWIDTH POUND SIGN
    0x00AC: 0x81CA,  # NOT SIGN -> FULLWIDTH NOT SIGN
}


def decode(data):
    """The one character `data` decodes to, or None."""
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def encode(c):
    """Python's code for character c, or None."""
    try:
        data = chr(c).encode("cp932")
    except UnicodeEncodeError:
        return None
    return int.from_bytes(data, "big")


def is_nec_selected(code):
    return NEC_SELECTED_FIRST <= code <= NEC_SELECTED_LAST


def read_codec():
    """Returns (high_bytes, double_bytes): code points of bytes 0x80-0xFF (0 for a lead byte) and
    a dict code -> code point of the mapped two-byte codes."""
    for b in range(0x80):
        assert decode(bytes([b])) == b, f"byte {b:#04x} is not ASCII"
    high = []
    for b in range(0x80, 0x100):
        c = decode(bytes([b]))
        assert (c is None) == (b in LEADS), f"byte {b:#04x}: lead bytes and single bytes mixed up"
        high.append(c or 0)
    double = {}
    for lead in LEADS:
        for trail in range(0x100):
            c = decode(bytes([lead, trail]))
            if c is None:
                continue
            assert TRAIL_FIRST <= trail <= TRAIL_LAST, f"code {lead:02X}{trail:02X} out of range"
            double[lead << 8 | trail] = c
    for c in high + list(double.values()):
        assert c == 0 or (0x80 <= c <= 0xFFFF and not 0xD800 <= c <= 0xDFFF), f"U+{c:04X}"
        assert not RAW_BYTE_BASE <= c <= RAW_BYTE_BASE + 0xFF, f"U+{c:04X} clashes with stray bytes"
    return high, double


def choose_codes(high, double):
    """Returns (encoder, codes_of): character -> the code Windows encodes it as, and character ->
    all its codes, lowest first."""
    codes_of = {}
    for b in range(0x80):
        codes_of.setdefault(b, []).append(b)
    for b, c in zip(range(0x80, 0x100), high):
        if c:
            codes_of.setdefault(c, []).append(b)
    for code, c in sorted(double.items()):
        codes_of.setdefault(c, []).append(code)
    encoder = {}
    for c, codes in codes_of.items():
        usable = [code for code in codes if not is_nec_selected(code)]
        assert usable, f"U+{c:04X} has only NEC-selected codes"
        encoder[c] = min(usable)

    # Python's encoder must agree except for the NEC-selected codes and the input-method forms.
    for c in range(0x10000):
        if 0xD800 <= c <= 0xDFFF:
            continue
        ours, theirs = encoder.get(c), encode(c)
        if ours == theirs:
            continue
        if theirs is not None and is_nec_selected(theirs) and theirs in codes_of.get(c, []):
            continue
        if c in INPUT_METHOD_FORMS and theirs in (None, INPUT_METHOD_FORMS[c]):
            continue
        sys.exit(f"U+{c:04X}: Python encodes {theirs}, the table would say {ours}")

    for c, code in INPUT_METHOD_FORMS.items():
        assert c not in encoder, f"U+{c:04X} already has a code"
        assert code in double, f"{code:#06x} is not mapped"
        encoder[c] = code
    return encoder, codes_of


def successor(code):
    """The next code in code order (trail bytes skip 0x7F; a row ends at 0xFC)."""
    lead, trail = code >> 8, code & 0xFF
    if trail == TRAIL_LAST:
        return (lead + 1) << 8 | TRAIL_FIRST
    return lead << 8 | (trail + 2 if trail == 0x7E else trail + 1)


def runs(pairs):
    """Groups (code, chosen) pairs, sorted by code, into runs where both step by one code."""
    out = []
    for code, chosen in pairs:
        if out and successor(out[-1][1]) == code and successor(out[-1][3]) == chosen:
            out[-1][1], out[-1][3], out[-1][4] = code, chosen, out[-1][4] + 1
        else:
            out.append([code, code, chosen, chosen, 1])
    return out


def name(c):
    return unicodedata.name(chr(c), "?")


def two_code_comment(double, encoder, codes_of):
    multi = {c: codes for c, codes in codes_of.items() if len(codes) > 1}
    three = sum(1 for codes in multi.values() if len(codes) > 2)
    other = sorted((code, encoder[c]) for c, codes in multi.items() for code in codes
                   if code != encoder[c])
    row13 = [(code, chosen) for code, chosen in other if code >> 8 == 0x87]
    ibm = [(code, chosen) for code, chosen in other if code >> 8 >= 0xFA]
    nec = [(code, chosen) for code, chosen in other if is_nec_selected(code)]
    assert len(row13) + len(ibm) + len(nec) == len(other)

    lines = [
        f"Characters with more than one code: {len(multi)} ({three} of them have three), so",
        f"{len(other)} codes decode to a character that encodes as another code. Encoding",
        "follows Windows: never a NEC-selected IBM extension (0xED40-0xEEFC), otherwise the",
        "lowest code, so JIS X 0208 comes before NEC row 13, which comes before the IBM",
        "extensions (0xFA40-0xFC4B).",
        "",
        "NEC row 13 codes that repeat a JIS X 0208 symbol encode as the JIS code:",
    ]
    lines += [f"  0x{code:04X} -> 0x{chosen:04X}  U+{double[code]:04X} {name(double[code])}"
              for code, chosen in row13]
    lines.append("NEC row 13 codes that the IBM extensions repeat keep their row 13 code:")
    row13_kept = sorted((encoder[c], c) for c, codes in multi.items()
                        if encoder[c] >> 8 == 0x87)
    lines += [f"  0x{code:04X} <- {', '.join(f'0x{o:04X}' for o in codes_of[c] if o != code)}"
              f"  U+{c:04X} {name(c)}" for code, c in row13_kept]
    lines.append("IBM extensions that repeat an earlier code encode as that code:")
    lines += [describe_run(r) for r in runs(ibm)]
    lines.append(f"NEC-selected IBM extensions ({len(nec)} codes) encode as the IBM extension or,")
    lines.append("for U+FFE2, as the JIS code:")
    lines += [describe_run(r) for r in runs(nec)]
    return lines


def describe_run(run):
    first, last, chosen_first, chosen_last, count = run
    if count == 1:
        return f"  0x{first:04X} -> 0x{chosen_first:04X}"
    return f"  0x{first:04X}-0x{last:04X} -> 0x{chosen_first:04X}-0x{chosen_last:04X} ({count} codes)"


def encoder_blocks(encoder):
    """Two-level encoder table: (block_of[256], blocks) with blocks[0] all zero. ASCII is left out
    (the codec copies it before looking anything up)."""
    flat = [0] * 0x10000
    for c, code in encoder.items():
        if c >= 0x80:
            flat[c] = code
    blocks, index, block_of = [[0] * 256], {}, []
    index[tuple(blocks[0])] = 0
    for hi in range(256):
        block = tuple(flat[hi << 8:(hi + 1) << 8])
        if block not in index:
            index[block] = len(blocks)
            blocks.append(list(block))
        block_of.append(index[block])
    assert len(blocks) <= 256
    return block_of, blocks


def hex_rows(values, width, per_line, indent="    "):
    out = []
    for i in range(0, len(values), per_line):
        out.append(indent + " ".join(f"0x{v:0{width}X}," for v in values[i:i + per_line]))
    return out


def write(path, high, double, encoder, codes_of):
    trail_count = TRAIL_LAST - TRAIL_FIRST + 1
    block_of, blocks = encoder_blocks(encoder)
    out = [
        "// Generated by tools/gen_cp932_table.py from Python's cp932 codec; do not edit.",
        "// Included by Cp932Codec.cpp inside its anonymous namespace.",
        "//",
    ]
    out += [("// " + line).rstrip() for line in two_code_comment(double, encoder, codes_of)]
    out += [
        "",
        "// Code points of the single bytes 0x80-0xFF; 0 for a lead byte.",
        "constexpr std::uint16_t kHighByteCodePoints[128] = {",
    ]
    out += hex_rows(high, 4, 8)
    out += [
        "};",
        "",
        "// Code points of the two-byte codes, a row per lead byte (0x81-0x9F, then 0xE0-0xFC)",
        "// with an entry per trail byte 0x40-0xFC; 0 where the code is unmapped.",
        f"constexpr std::uint16_t kDoubleByteCodePoints[{len(LEADS)}][{trail_count}] = {{",
    ]
    for lead in LEADS:
        row = [double.get(lead << 8 | t, 0) for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        out.append(f"    {{ // 0x{lead:02X}")
        out += hex_rows(row, 4, 11, "        ")
        out.append("    },")
    out += [
        "};",
        "",
        "// The code of BMP character c is kEncodeBlocks[kEncodeBlockOf[c >> 8]][c & 0xFF]: below",
        "// 0x100 a single byte, otherwise lead byte * 256 + trail byte; 0 where the code page has",
        "// none. ASCII is left out.",
        "constexpr std::uint8_t kEncodeBlockOf[256] = {",
    ]
    out += hex_rows(block_of, 2, 16)
    out += ["};", "", f"constexpr std::uint16_t kEncodeBlocks[{len(blocks)}][256] = {{"]
    for i, block in enumerate(blocks):
        highs = [hi for hi in range(256) if block_of[hi] == i]
        label = "unmapped" if i == 0 else ", ".join(f"U+{hi:02X}xx" for hi in highs)
        out.append(f"    {{ // {label}")
        out += hex_rows(block, 4, 11, "        ")
        out.append("    },")
    out.append("};")
    Path(path).write_text("\n".join(out) + "\n", encoding="ascii")
    print(f"{path}: {len(double)} two-byte codes, {len(encoder)} encodable characters, "
          f"{len(blocks)} encoder blocks")


def main():
    default = Path(__file__).resolve().parent.parent / "text" / "Cp932Table.inc"
    path = sys.argv[1] if len(sys.argv) > 1 else default
    high, double = read_codec()
    encoder, codes_of = choose_codes(high, double)
    write(path, high, double, encoder, codes_of)


if __name__ == "__main__":
    main()
