#!/usr/bin/env python3
"""Generates the character-set layer's tables from encodings.txt.

Mappings come from the sources the catalogue names: CPython's codecs
("python:CODEC"), glibc's iconv ("iconv:NAME", through libc) or ICU
("icu:NAME", the converters uconv runs, through libicuuc). All three are on
every Debian machine, so the tables can be checked anywhere.

Usage: generate.py [--output DIR]   writes the C++ sources (default: ../generated)
       generate.py --check DIR      compares with DIR; exit 1 on any difference
"""
import argparse
import codecs
import ctypes
import ctypes.util
import os
import platform
import re
import sys

import cell_tables
import icu_converter

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE = os.path.join(HERE, 'encodings.txt')
LINE_END_HEADER = os.path.join(HERE, '..', '..', 'include', 'hx', 'hx_line_ends.h')

UNMAPPED = 0xFFFF      # a byte or sequence with no character
LEAD = 0xFFFE          # a byte that starts a longer sequence
BLOCK = 64             # code points per page of a reverse table
FAST_BLOCKS = 0x3000 // BLOCK   # single-byte reverse pages cover U+0000-U+2FFF
UTF8_LINE_END = 1 << 27         # single-byte decode entries: the character ends a line
UTF8_STOP = 1 << 28             # ... or always ends a bulk run (U+0000, an undefined byte)


def read_line_ends():
    """The line-end characters, as the one list in LINE_END_HEADER has them."""
    with open(LINE_END_HEADER, encoding='utf-8') as f:
        found = re.search(r'kLineEndCharacters\[\]\s*=\s*\{([^}]*)\}', f.read())
    if not found:
        raise SystemExit(f'{LINE_END_HEADER}: kLineEndCharacters not found')
    return frozenset(int(value, 0) for value in found.group(1).split(','))


LINE_ENDS = read_line_ends()

TABLE_KINDS = ('single', 'multi')
STATEFUL_KINDS = ('iso2022', 'hz')
# SO/SI double-byte EBCDIC pages, from ICU.
EBCDIC_DBCS_KINDS = ('ebcdic-dbcs',)
# UTF-7: no sets, only which characters CPython writes directly.
UTF7_KINDS = ('utf7',)
# Multi-byte sets read through rows of 32-bit cells (cell_tables.py).
CELL_KINDS = ('cells',)
CODE_KINDS = {
    'utf8': 'Utf8', 'utf16be': 'Utf16BE', 'utf16le': 'Utf16LE', 'ucs2be': 'Ucs2BE',
    'ucs2le': 'Ucs2LE', 'utf32be': 'Utf32BE', 'utf32le': 'Utf32LE',
}
# Properties of the encodings whose codecs are written in code.
CODE_KIND_PROPERTIES = {
    'utf8': ['HX_PROP_ASCII_BYTES', 'HX_PROP_ASCII_RUNS', 'HX_PROP_UTF8'],
    'utf16be': ['HX_PROP_ASCII_U16BE'], 'utf16le': ['HX_PROP_ASCII_U16LE'],
    'ucs2be': ['HX_PROP_ASCII_U16BE'], 'ucs2le': ['HX_PROP_ASCII_U16LE'],
    'utf32be': ['HX_PROP_ASCII_U32BE'], 'utf32le': ['HX_PROP_ASCII_U32LE'],
}
# (most bytes of a character, most internal-form bytes of a character)
CODE_KIND_SIZES = {
    'utf8': (4, 4), 'utf16be': (4, 4), 'utf16le': (4, 4), 'ucs2be': (2, 3), 'ucs2le': (2, 3),
    'utf32be': (4, 4), 'utf32le': (4, 4),
}


class Entry:
    def __init__(self, line):
        fields = [f.strip() for f in line.split('|')]
        if len(fields) != 6:
            raise SystemExit(f'encodings.txt: six columns expected: {line}')
        self.id = int(fields[0])
        self.name = fields[1]
        self.kind = fields[2]
        self.source = fields[3]
        self.flags = fields[4].split()
        self.aliases = fields[5].split()
        self.ident = ''.join(c if c.isalnum() else '_' for c in self.name)

    def flag_value(self, prefix):
        for flag in self.flags:
            if flag.startswith(prefix + '='):
                return flag[len(prefix) + 1:]
        return None


# The CPython codec of each kind written in code, whose names those rows take too.
CODE_KIND_CODECS = {'utf7': ['utf_7'], 'utf8': ['utf_8'], 'utf16be': ['utf_16_be', 'utf_16'], 'utf16le': ['utf_16_le'],
                    'utf32be': ['utf_32_be', 'utf_32'], 'utf32le': ['utf_32_le']}


def loose_name(name):
    """A name as CPython compares it: lower case, each run of characters
    other than letters, digits and "." inside it one "_"."""
    return re.sub(r'(?<=[0-9a-z.])[^0-9a-z.]+(?=[0-9a-z.])', '_', name.lower())


def python_names(entry):
    """Every name CPython's codecs.lookup knows the row's codec by: the
    codec's own names and the aliases of the encodings package, but no bare
    number (hosts read a number as an id)."""
    import encodings.aliases
    if entry.kind in CODE_KIND_CODECS:
        modules = CODE_KIND_CODECS[entry.kind]
    elif entry.source.startswith('python:'):
        modules = [entry.source.partition(':')[2]]
    else:
        return []
    targets = set()
    for module in modules:
        targets |= {module, codecs.lookup(module).name.replace('-', '_')}
    names = sorted(targets | {alias for alias, target in encodings.aliases.aliases.items() if target in targets})
    return [n for n in names if not n.isdigit()]


def read_catalogue():
    entries = []
    with open(CATALOGUE, encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith('#'):
                entries.append(Entry(line))
    ids, names = set(), set()
    for e in entries:
        if e.id in ids or not 0 <= e.id < 256:
            raise SystemExit(f'encodings.txt: id {e.id} repeated or out of range')
        ids.add(e.id)
        if (e.kind not in TABLE_KINDS + STATEFUL_KINDS + UTF7_KINDS + EBCDIC_DBCS_KINDS + CELL_KINDS
                and e.kind not in CODE_KINDS):
            raise SystemExit(f'encodings.txt: unknown kind {e.kind}')
        for n in [e.name] + e.aliases:
            if n.lower() in names:
                raise SystemExit(f'encodings.txt: name {n} given twice')
            names.add(n.lower())
    # CPython's names after the catalogue's own: a name the catalogue gives
    # another encoding keeps it (IANA's MS_Kanji is Shift_JIS, CPython's cp932).
    taken = {loose_name(n) for e in entries for n in [e.name] + e.aliases}
    for e in entries:
        for extra in python_names(e):
            if loose_name(extra) not in taken:
                taken.add(loose_name(extra))
                e.aliases.append(extra)
    return entries


class PythonSource:
    """A CPython codec, strict both ways."""

    def __init__(self, codec):
        self.codec = codecs.lookup(codec).name

    def decode(self, data):
        try:
            text = data.decode(self.codec)
        except UnicodeDecodeError:
            return None
        return ord(text) if len(text) == 1 else None

    def encode(self, cp):
        try:
            return chr(cp).encode(self.codec)
        except UnicodeEncodeError:
            return None


class IconvSource:
    """glibc's iconv through libc, so that no subprocess runs per byte."""

    def __init__(self, name):
        self.libc = ctypes.CDLL(ctypes.util.find_library('c'), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(ctypes.c_size_t)] * 2
        self.libc.iconv_close.argtypes = [ctypes.c_void_p]
        self.name = name.encode()

    def convert(self, data, src, dst):
        handle = self.libc.iconv_open(dst, src)
        if handle in (None, ctypes.c_void_p(-1).value):
            raise SystemExit(f'iconv does not know {src} or {dst}')
        try:
            inbuf = ctypes.create_string_buffer(data, len(data))
            outbuf = ctypes.create_string_buffer(64)
            inptr = ctypes.c_void_p(ctypes.addressof(inbuf))
            outptr = ctypes.c_void_p(ctypes.addressof(outbuf))
            inleft, outleft = ctypes.c_size_t(len(data)), ctypes.c_size_t(64)
            result = self.libc.iconv(handle, ctypes.byref(inptr), ctypes.byref(inleft),
                                     ctypes.byref(outptr), ctypes.byref(outleft))
            if result == ctypes.c_size_t(-1).value or inleft.value:
                return None
            return outbuf.raw[:64 - outleft.value]
        finally:
            self.libc.iconv_close(handle)

    def decode(self, data):
        out = self.convert(data, self.name, b'UTF-32BE')
        return int.from_bytes(out, 'big') if out and len(out) == 4 else None

    def encode(self, cp):
        return self.convert(cp.to_bytes(4, 'big'), b'UTF-32BE', self.name) or None


def source_for(entry):
    kind, _, name = entry.source.partition(':')
    if kind == 'python':
        return PythonSource(name)
    if kind == 'iconv':
        return IconvSource(name)
    raise SystemExit(f'{entry.name}: unknown source {entry.source}')


def utf8_length(cp):
    return 1 if cp < 0x80 else 2 if cp < 0x800 else 3 if cp < 0x10000 else 4


def ascii_properties(single, trail_low, four_byte):
    """HX_PROP_ASCII_RUNS when every byte 00-7F at a character boundary is
    that code point; HX_PROP_ASCII_BYTES when in addition no such byte occurs
    inside a longer character."""
    if any(single[b] != b for b in range(0x80)):
        return []
    if trail_low < 0x80 or four_byte:
        return ['HX_PROP_ASCII_RUNS']
    return ['HX_PROP_ASCII_BYTES', 'HX_PROP_ASCII_RUNS']


def extra_maps(entry):
    extra = {}
    for flag in entry.flags:
        if flag.startswith('map='):
            seq, _, code = flag[4:].partition(':')
            extra[bytes.fromhex(seq)] = int(code, 16)
    return extra


class SingleByteTable:
    def __init__(self, entry):
        source = source_for(entry)
        self.to_code = [UNMAPPED] * 256
        for b in range(256):
            cp = source.decode(bytes([b]))
            if cp is not None:
                if cp > 0xFFFD:
                    raise SystemExit(f'{entry.name}: byte {b:02X} maps beyond the 16-bit table')
                self.to_code[b] = cp
            elif 'c1' in entry.flags and 0x80 <= b <= 0x9F:
                self.to_code[b] = b
        for seq, cp in extra_maps(entry).items():
            if len(seq) != 1:
                raise SystemExit(f'{entry.name}: a single-byte set maps single bytes')
            self.to_code[seq[0]] = cp
        # The reverse follows the source's encoder, which may prefer one of
        # two bytes that decode to the same character, unless the catalogue
        # moved that character to another byte.
        reverse = {}
        for b, cp in enumerate(self.to_code):
            if cp == UNMAPPED or cp in reverse:
                continue
            encoded = source.encode(cp)
            if encoded is not None and len(encoded) == 1 and self.to_code[encoded[0]] == cp:
                reverse[cp] = encoded[0]
            else:
                reverse[cp] = b
        self.reverse = sorted(reverse.items())
        question = reverse.get(ord('?'))
        self.substitute = question if question is not None else 0x3F
        self.properties = ascii_properties(self.to_code, 0x80, False)
        self.utf8 = [utf8_entry(cp) for cp in self.to_code]
        self.page_of_block, self.pages = single_byte_pages(self.reverse)
        self.max_internal = max(utf8_length(cp) for cp in self.to_code if cp != UNMAPPED)


def utf8_entry(cp):
    """A decoded byte for bulk runs: its UTF-8 bytes in the low three bytes,
    their count above them, and the flags that end a run."""
    if cp == UNMAPPED:
        return UTF8_STOP
    data = chr(cp).encode('utf-8')
    value = int.from_bytes(data.ljust(3, b'\0'), 'little') | len(data) << 24
    if cp == 0:
        value |= UTF8_STOP
    if cp in LINE_ENDS:
        value |= UTF8_LINE_END
    return value


def single_byte_pages(reverse):
    """The reverse table below U+3000 as pages of BLOCK bytes (0: not in the
    set) and the page of each block (0: an empty page)."""
    by_code = dict(reverse)
    pages = [tuple([0] * BLOCK)]
    index_of = {pages[0]: 0}
    page_of_block = []
    for block in range(FAST_BLOCKS):
        page = tuple(by_code.get(block * BLOCK + i, 0) for i in range(BLOCK))
        if page not in index_of:
            index_of[page] = len(pages)
            pages.append(page)
        page_of_block.append(index_of[page])
    if len(pages) > 255:
        raise SystemExit('too many reverse pages for a single-byte set')
    return page_of_block, [b for page in pages for b in page]


class MultiByteTable:
    def __init__(self, entry):
        source = source_for(entry)
        prefix = entry.flag_value('prefix')
        self.prefix = int(prefix, 16) if prefix else 0
        self.four_byte = 'four-byte' in entry.flags
        extra = extra_maps(entry)

        self.single = [UNMAPPED] * 256
        pairs = {}
        for b in range(256):
            cp = source.decode(bytes([b]))
            if cp is not None:
                self.single[b] = cp
                continue
            if b == self.prefix:
                self.single[b] = LEAD
                continue
            row = {}
            for t in range(256):
                cp = source.decode(bytes([b, t]))
                if cp is not None:
                    row[t] = cp
            if row:
                self.single[b] = LEAD
                pairs[b] = row
        for seq, cp in extra.items():
            if len(seq) != 2 or self.single[seq[0]] != LEAD:
                raise SystemExit(f'{entry.name}: extra mapping {seq.hex()} is no pair after a lead byte')
            pairs[seq[0]][seq[1]] = cp

        plane = {}
        if self.prefix:
            for b1 in range(0xA1, 0xFF):
                row = {}
                for b2 in range(0xA1, 0xFF):
                    cp = source.decode(bytes([self.prefix, b1, b2]))
                    if cp is not None:
                        row[b2] = cp
                if row:
                    plane[b1] = row

        trails = {t for row in list(pairs.values()) + list(plane.values()) for t in row}
        self.trail_low, self.trail_high = min(trails), max(trails)
        self.rows, self.row_of = self.build_rows(pairs)
        self.plane_rows, self.plane_row_of = self.build_rows(plane)

        self.bmp_ranges = []
        if self.four_byte:
            self.bmp_ranges = self.four_byte_ranges(source)

        # Encoding: the source's encoder for every BMP code point; the
        # four-byte sequences as ranges sorted by code point.
        self.page_values = {}
        four_by_code = []
        self.max_char = 2 if not self.prefix else 3
        for cp in range(1, 0x10000):
            if 0xD800 <= cp <= 0xDFFF:
                continue
            encoded = source.encode(cp)
            if encoded is None:
                continue
            if len(encoded) == 1:
                value = encoded[0]
            elif len(encoded) == 2 and encoded[0] >= 0x80:
                value = encoded[0] << 8 | encoded[1]
            elif len(encoded) == 3 and encoded[0] == self.prefix and encoded[1] >= 0x80 and encoded[2] >= 0x80:
                value = (encoded[1] & 0x7F) << 8 | encoded[2]
            elif len(encoded) == 4 and self.four_byte:
                four_by_code.append((cp, linear_index(encoded)))
                continue
            elif entry.name == 'EUC-KR' and len(encoded) == 8:
                continue   # KS X 1001 make-up sequences are not written
            else:
                raise SystemExit(f'{entry.name}: U+{cp:04X} encodes as {encoded.hex()}, a form the tables lack')
            self.page_values[cp] = value
        self.four_by_code = compress_ranges(four_by_code)
        self.pages, self.page_of_block = self.build_pages()

        decoded = [cp for cp in self.single if cp not in (UNMAPPED, LEAD)]
        decoded += [cp for row in list(pairs.values()) + list(plane.values()) for cp in row.values()]
        self.max_internal = 4 if self.four_byte else max(utf8_length(cp) for cp in decoded)
        if self.four_byte:
            self.max_char = 4
        self.properties = ascii_properties(self.single, self.trail_low, self.four_byte)
        self.check_supplementary(source)

    def build_rows(self, lead_rows):
        span = self.trail_high - self.trail_low + 1
        rows, row_of = [], [0] * 256
        for lead in sorted(lead_rows):
            row = [UNMAPPED] * span
            for t, cp in lead_rows[lead].items():
                if cp >= 0xFFFE:
                    raise SystemExit(f'sequence {lead:02X}{t:02X} maps beyond the 16-bit table')
                row[t - self.trail_low] = cp
            rows.append(row)
            row_of[lead] = len(rows)
            if len(rows) > 255:
                raise SystemExit('more than 255 lead bytes')
        return rows, row_of

    @staticmethod
    def four_byte_ranges(source):
        mapped = []
        for index in range(FOUR_BYTE_BMP_END):
            cp = source.decode(four_byte_sequence(index))
            if cp is not None:
                mapped.append((index, cp))
        return compress_ranges(mapped)

    def build_pages(self):
        return build_pages(self.page_values)

    def check_supplementary(self, source):
        """The supplementary planes of GB18030 are arithmetic; the source
        must agree at every plane's edges."""
        if not self.four_byte:
            return
        for cp in [0x10000, 0x10001, 0x1FFFF, 0x20000, 0x2A6D6, 0xE0100, 0xFFFFF, 0x100000, 0x10FFFF]:
            seq = four_byte_sequence(FOUR_BYTE_SUPPLEMENTARY + cp - 0x10000)
            if source.encode(cp) != seq or source.decode(seq) != cp:
                raise SystemExit(f'four-byte arithmetic disagrees with the source at U+{cp:X}')


ESC = 0x1B
ISO2022_CONFIG = {'noshift': 'Iso2022Map::kNoShift', 'jisx0208ext': 'Iso2022Map::kJisX0208Ext',
                  'g2': 'Iso2022Map::kUseG2'}
# The longest step: an escape runs to its final byte, 15 bytes at most.
ISO2022_LONGEST_STEP = 15
UNMAPPED32 = 0xFFFFFFFF
PAIR_BIT = 0x80000000


class Iso2022Set:
    """A set an escape designates, written in the catalogue as its escape
    without the ESC: "(J" one-byte into G0, "$B" or "$(D" two-byte into G0,
    "$)C" two-byte into G1, ".A" into G2 (one byte after ESC N)."""

    def __init__(self, escape):
        self.width = 2 if escape.startswith('$') else 1
        self.plane = 2 if escape.startswith('.') else 1 if ')' in escape else 0
        self.final = ord(escape[-1])
        self.mark = self.final | (0x80 if self.width == 2 else 0)
        inter = ('$' if self.width == 2 else '') + '().'[self.plane]
        self.designation = bytes([ESC]) + (inter + escape[-1]).encode()

    def cells(self):
        """Each code of the set, as the bytes that reach it from the initial state."""
        if self.plane == 2:
            return [self.designation + bytes([ESC, ord('N'), b]) for b in range(256)]
        invoke = b'\x0e' if self.plane == 1 else b''
        if self.width == 1:
            return [self.designation + invoke + bytes([b]) for b in range(0x20, 0x80)]
        return [self.designation + invoke + bytes([a, b]) for a in range(0x21, 0x7F) for b in range(0x21, 0x7F)]


class Iso2022Table:
    """Decoding: every code of each set, read by the source after the
    escape that designates it; a code read as two characters is a pair.
    Encoding: the source's encoder from its initial state, one code point
    at a time (every BMP code point and every decoded one beyond it) and
    each pair as two; the escape it writes names the set, the bytes after
    it the code."""

    def __init__(self, entry):
        if not entry.source.startswith('python:'):
            raise SystemExit(f'{entry.name}: ISO-2022 tables come from CPython')
        self.name = entry.name
        self.codec = codecs.lookup(entry.source.partition(':')[2]).name
        self.sets = [Iso2022Set(escape) for escape in entry.flag_value('sets').split(',')]
        self.config = [ISO2022_CONFIG[c] for c in entry.flags if c in ISO2022_CONFIG]
        self.pairs = []
        self.decoded = [[self.decode_cell(cell) for cell in self.set_cells(st)] for st in self.sets]
        self.index_of = {(st.mark, st.plane): i for i, st in enumerate(self.sets)}
        self.page_values, wide = {}, {}
        candidates = [cp for cp in range(0x80, 0x10000) if not 0xD800 <= cp <= 0xDFFF]
        candidates += sorted({v for table in self.decoded for v in table if 0x10000 <= v < PAIR_BIT})
        for cp in candidates:
            entry_value = self.encode_entry(chr(cp))
            if entry_value is None:
                continue
            if cp < 0x10000:
                self.page_values[cp] = entry_value
            else:
                wide[cp] = entry_value
        self.wide = sorted(wide.items())
        self.pair_codes = []
        for first, second in self.pairs:
            entry_value = self.encode_entry(chr(first) + chr(second))
            if entry_value is None:
                raise OlderCPython(f'{entry.name}: this CPython ({platform.python_version()}) does not write the pair '
                                   f'U+{first:04X} U+{second:04X} as one code; the tables need a release that does')
            self.pair_codes.append((first, second, entry_value))
        self.pair_codes.sort()
        self.pages, self.page_of_block = build_pages(self.page_values)
        self.max_char = ISO2022_LONGEST_STEP
        self.max_internal = max(utf8_length(v) for table in self.decoded for v in table if v < PAIR_BIT)
        self.properties = ['HX_PROP_STATEFUL']

    def set_cells(self, st):
        return st.cells()

    def decode_cell(self, data):
        try:
            text = data.decode(self.codec)
        except UnicodeDecodeError:
            return UNMAPPED32
        if not text:
            return UNMAPPED32   # HZ's "~}": an escape, never a code
        return cell_tables.cell_value(text, self.pairs, f'{self.name}: {data.hex()}')

    def encode_entry(self, text):
        """The set index + 1 and the code the source writes for `text`
        from the initial state, as a page entry; None when it cannot."""
        try:
            encoded = text.encode(self.codec)
        except UnicodeEncodeError:
            return None
        return self.parse_encoded(text, encoded)

    def parse_encoded(self, text, encoded):
        for back in (b'\x1b(B', b'\x0f'):
            if encoded.endswith(back):
                encoded = encoded[:-len(back)]
        if not encoded or encoded[0] != ESC:
            raise SystemExit(f'{self.name}: {text!r} encodes as {encoded.hex()}, with no escape')
        end = next(i for i in range(1, len(encoded)) if chr(encoded[i]).isupper() or encoded[i] == 0x40)
        escape, code = encoded[:end + 1], encoded[end + 1:]
        width = 2 if b'$' in escape else 1
        plane = 1 if b')' in escape else 0
        if code.startswith(b'\x0e'):
            code = code[1:]
        key = (escape[-1] | (0x80 if width == 2 else 0), plane)
        if key not in self.index_of or len(code) != width:
            raise SystemExit(f'{self.name}: {text!r} encodes as {encoded.hex()}, in no set of the catalogue')
        return (self.index_of[key] + 1) << 16 | int.from_bytes(code, 'big')


class HzTable(Iso2022Table):
    """HZ: one GB 2312 set between "~{" and "~}"."""

    def __init__(self, entry):
        entry.flags = entry.flags + ['sets=$A']
        super().__init__(entry)

    def set_cells(self, st):
        return [b'~{' + bytes([a, b]) for a in range(0x21, 0x7F) for b in range(0x21, 0x7F)]

    def parse_encoded(self, text, encoded):
        if encoded.endswith(b'~}'):
            encoded = encoded[:-2]
        if not encoded.startswith(b'~{') or len(encoded) != 4:
            raise SystemExit(f'{self.name}: {text!r} encodes as {encoded.hex()}, outside GB 2312')
        return 1 << 16 | int.from_bytes(encoded[2:], 'big')


def build_pages(page_values):
    """A reverse table as pages of BLOCK values (0: none) and the page of
    each block of the BMP."""
    pages = [tuple([0] * BLOCK)]
    index_of = {pages[0]: 0}
    page_of_block = []
    for block in range(0x10000 // BLOCK):
        page = tuple(page_values.get(block * BLOCK + i, 0) for i in range(BLOCK))
        if page not in index_of:
            index_of[page] = len(pages)
            pages.append(page)
        page_of_block.append(index_of[page])
    return pages, page_of_block


# GB18030 four-byte sequences: b1 81-FE, b2 30-39, b3 81-FE, b4 30-39,
# numbered in that order from 81 30 81 30.
FOUR_BYTE_BMP_END = 39420          # 84 31 A4 39 is the last of the BMP block
FOUR_BYTE_SUPPLEMENTARY = 189000   # 90 30 81 30 is U+10000


def four_byte_sequence(index):
    b4 = index % 10
    index //= 10
    b3 = index % 126
    index //= 126
    b2 = index % 10
    b1 = index // 10
    return bytes([0x81 + b1, 0x30 + b2, 0x81 + b3, 0x30 + b4])


def linear_index(seq):
    return (((seq[0] - 0x81) * 10 + (seq[1] - 0x30)) * 126 + (seq[2] - 0x81)) * 10 + (seq[3] - 0x30)


def compress_ranges(pairs):
    """Runs where both numbers go up by one together, as (first key, first
    value, count), sorted by key."""
    ranges = []
    for key, value in sorted(pairs):
        if ranges:
            k, v, n = ranges[-1]
            if key == k + n and value == v + n:
                ranges[-1] = (k, v, n + 1)
                continue
        ranges.append((key, value, 1))
    return ranges


def c_array(ctype, name, values, per_line=12, fmt='0x{:04X}'):
    lines = [f'constexpr {ctype} {name}[] = {{']
    for i in range(0, len(values), per_line):
        lines.append('    ' + ', '.join(fmt.format(v) for v in values[i:i + per_line]) + ',')
    lines.append('};')
    return '\n'.join(lines)


def header(sources):
    return (
        '// Generated by host/hxuchar/tables/generate.py from host/hxuchar/tables/encodings.txt.\n'
        '// Do not edit: change the catalogue or the script and run it again.\n'
        f'// Sources: {sources}.\n')


def source_versions():
    versions = [f'CPython {platform.python_version()} codecs']
    libc = os.confstr('CS_GNU_LIBC_VERSION') if hasattr(os, 'confstr') else None
    versions.append(f'{libc} iconv' if libc else 'iconv')
    return ', '.join(versions)


def generate_single(entries, tables, versions):
    out = [header(versions), '#include "../single_byte_map.h"', '', 'namespace hxuchar {', '', 'namespace {', '']
    for e in entries:
        if e.kind != 'single':
            continue
        t = tables[e.id]
        out.append(f'// {e.name}, from {e.source}')
        out.append(c_array('char16_t', f'k{e.ident}ToCode', t.to_code))
        out.append(c_array('ReverseEntry', f'k{e.ident}FromCode',
                           [(cp, b) for cp, b in t.reverse], per_line=6, fmt='{{0x{0[0]:04X}, 0x{0[1]:02X}}}'))
        out.append(c_array('std::uint32_t', f'k{e.ident}Utf8', t.utf8, per_line=8, fmt='0x{:08X}'))
        out.append(c_array('std::uint8_t', f'k{e.ident}PageOfBlock', t.page_of_block, per_line=24, fmt='{}'))
        out.append(c_array('std::uint8_t', f'k{e.ident}Pages', t.pages, per_line=16, fmt='0x{:02X}'))
        out.append('')
    out.append('}  // namespace')
    out.append('')
    for e in entries:
        if e.kind != 'single':
            continue
        t = tables[e.id]
        out.append(f'extern const SingleByteMap k{e.ident}SingleByte{{k{e.ident}ToCode, k{e.ident}FromCode, '
                   f'{len(t.reverse)}, 0x{t.substitute:02X}, k{e.ident}Utf8, k{e.ident}PageOfBlock, '
                   f'k{e.ident}Pages, {"true" if "HX_PROP_ASCII_RUNS" in t.properties else "false"}}};')
    out += ['', '}  // namespace hxuchar', '']
    return '\n'.join(out)


def generate_multi(entries, tables, versions):
    out = [header(versions), '#include "../multi_byte_map.h"', '', 'namespace hxuchar {', '', 'namespace {', '']
    for e in entries:
        if e.kind != 'multi':
            continue
        t = tables[e.id]
        p = f'k{e.ident}'
        out.append(f'// {e.name}, from {e.source}')
        out.append(c_array('char16_t', f'{p}Single', t.single))
        out.append(c_array('std::uint8_t', f'{p}RowOf', t.row_of, per_line=16, fmt='{}'))
        out.append(c_array('char16_t', f'{p}Rows', [cp for row in t.rows for cp in row]))
        if t.plane_rows:
            out.append(c_array('std::uint8_t', f'{p}PlaneRowOf', t.plane_row_of, per_line=16, fmt='{}'))
            out.append(c_array('char16_t', f'{p}PlaneRows', [cp for row in t.plane_rows for cp in row]))
        if t.four_byte:
            out.append(c_array('SequenceRange', f'{p}FourByteRanges', t.bmp_ranges, per_line=3,
                               fmt='{{{0[0]}, 0x{0[1]:04X}, {0[2]}}}'))
            out.append(c_array('SequenceRange', f'{p}FourByteByCode', t.four_by_code, per_line=3,
                               fmt='{{0x{0[0]:04X}, {0[1]}, {0[2]}}}'))
        out.append(c_array('std::uint16_t', f'{p}PageOfBlock', t.page_of_block, per_line=16, fmt='{}'))
        out.append(c_array('std::uint16_t', f'{p}Pages', [v for page in t.pages for v in page]))
        out.append('')
    out.append('}  // namespace')
    out.append('')
    for e in entries:
        if e.kind != 'multi':
            continue
        t = tables[e.id]
        p = f'k{e.ident}'
        plane = f'{p}PlaneRowOf, {p}PlaneRows' if t.plane_rows else 'nullptr, nullptr'
        four = (f'{p}FourByteRanges, {len(t.bmp_ranges)}, {p}FourByteByCode, {len(t.four_by_code)}'
                if t.four_byte else 'nullptr, 0, nullptr, 0')
        out.append(f'extern const MultiByteMap {p}MultiByte{{{p}Single, {p}RowOf, {p}Rows, 0x{t.trail_low:02X}, '
                   f'0x{t.trail_high:02X}, 0x{t.prefix:02X}, {plane}, {four}, {p}PageOfBlock, {p}Pages}};')
    out += ['', '}  // namespace hxuchar', '']
    return '\n'.join(out)


def utf7_direct():
    """The ASCII characters CPython's UTF-7 encoder writes as themselves."""
    return [1 if chr(c).encode('utf-7') == bytes([c]) else 0 for c in range(128)]


def generate_iso2022(entries, tables, versions):
    out = [header(versions), '#include "../cell_map.h"', '#include "../iso2022_map.h"', '#include "../utf7_codec.h"', '', 'namespace hxuchar {', '']
    if any(e.kind in UTF7_KINDS for e in entries):
        out.append('// UTF-7: the characters written directly, from CPython\'s utf_7')
        out.append(c_array('std::uint8_t', 'kUtf7Direct', utf7_direct(), per_line=32, fmt='{}').replace(
            'constexpr', 'extern const', 1))
        out.append('')
    out += ['namespace {', '']
    # A set the source reads alike in several encodings, or under two
    # escapes (JIS X 0208 of 1978 and 1983), has one table.
    names_of = {}
    arrays, pair_lists = [], []
    for e in entries:
        if e.kind not in STATEFUL_KINDS:
            continue
        t = tables[e.id]
        p = f'k{e.ident}'
        out.append(f'// {e.name}, from {e.source}')
        names = []
        for i, table in enumerate(t.decoded):
            key = tuple(table) if not any(v & PAIR_BIT and v != UNMAPPED32 for v in table) else (e.id, i)
            if key not in names_of:
                names_of[key] = f'{p}Set{i}'
                out.append(c_array('std::uint32_t', f'{p}Set{i}', table, per_line=8, fmt='0x{:06X}'))
                arrays.append((f'{p}Set{i}', table))
            names.append(names_of[key])
        sets = ', '.join(f'{{0x{st.mark:02X}, {st.width}, {st.plane}, {names[i]}}}' for i, st in enumerate(t.sets))
        out.append(f'constexpr Iso2022Set {p}Sets[] = {{{sets}}};')
        if t.pairs:
            out.append(c_array('Iso2022Characters', f'{p}Pairs', t.pairs, per_line=6, fmt='{{0x{0[0]:04X}, 0x{0[1]:04X}}}'))
            pair_lists.append((f'{p}Pairs', t.pairs))
            out.append(c_array('Iso2022Pair', f'{p}PairCodes', t.pair_codes, per_line=4,
                               fmt='{{0x{0[0]:04X}, 0x{0[1]:04X}, 0x{0[2]:06X}}}'))
        if t.wide:
            out.append(c_array('Iso2022Wide', f'{p}Wide', t.wide, per_line=4, fmt='{{0x{0[0]:05X}, 0x{0[1]:06X}}}'))
        out.append(c_array('std::uint16_t', f'{p}PageOfBlock', t.page_of_block, per_line=16, fmt='{}'))
        out.append(c_array('std::uint32_t', f'{p}Pages', [v for page in t.pages for v in page], per_line=8,
                           fmt='0x{:06X}'))
        out.append('')
    out.append('}  // namespace')
    out.append('')
    for e in entries:
        if e.kind not in STATEFUL_KINDS:
            continue
        t = tables[e.id]
        p = f'k{e.ident}'
        config = ' | '.join(t.config) if t.config else '0'
        pairs = f'{p}Pairs' if t.pairs else 'nullptr'
        wide = f'{p}Wide, {len(t.wide)}' if t.wide else 'nullptr, 0'
        pair_codes = f'{p}PairCodes, {len(t.pair_codes)}' if t.pairs else 'nullptr, 0'
        out.append(f'extern const Iso2022Map {p}Iso2022{{{p}Sets, {len(t.sets)}, {config}, {pairs}, '
                   f'{p}PageOfBlock, {p}Pages, {wide}, {pair_codes}}};')
    out.append('')
    out += cell_tables.emit([e for e in entries if e.kind in CELL_KINDS], tables, arrays, pair_lists)
    out += ['', '}  // namespace hxuchar', '']
    return '\n'.join(out)


def generate_catalogue(entries, tables, versions):
    """The rows, included by encoding_catalog.cpp inside namespace hxuchar so
    that its compile-time checks see them."""
    out = [header(versions)]
    for e in entries:
        if e.kind == 'single':
            out.append(f'extern const SingleByteMap k{e.ident}SingleByte;')
        elif e.kind == 'multi':
            out.append(f'extern const MultiByteMap k{e.ident}MultiByte;')
        elif e.kind in STATEFUL_KINDS:
            out.append(f'extern const Iso2022Map k{e.ident}Iso2022;')
        elif e.kind in EBCDIC_DBCS_KINDS:
            out.append(f'extern const EbcdicDbcsMap k{e.ident}EbcdicDbcs;')
        elif e.kind in CELL_KINDS:
            out.append(f'extern const CellMap k{e.ident}Cells;')
    out += ['', 'namespace {', '']
    for e in entries:
        names = ', '.join(f'"{n}"' for n in [e.name] + e.aliases)
        out.append(f'constexpr const char* k{e.ident}Names[] = {{{names}, nullptr}};')
    out += ['', '}  // namespace', '', 'constexpr EncodingRow kEncodingRows[] = {']
    for e in entries:
        if e.kind in CODE_KINDS:
            kind = CODE_KINDS[e.kind]
            props = list(CODE_KIND_PROPERTIES[e.kind])
            max_char, max_internal = CODE_KIND_SIZES[e.kind]
            single, multi = 'nullptr', 'nullptr'
        elif e.kind in UTF7_KINDS:
            kind = 'Utf7'
            props = ['HX_PROP_STATEFUL']
            max_char, max_internal = 2, 4
            single, multi = 'nullptr', 'nullptr'
        elif e.kind in EBCDIC_DBCS_KINDS:
            t = tables[e.id]
            kind = 'EbcdicDbcs'
            props = list(t.properties)
            max_char, max_internal = 2, t.max_internal
            single, multi = 'nullptr', 'nullptr'
        elif e.kind in CELL_KINDS:
            t = tables[e.id]
            kind = 'Cells'
            # The text layer reads and writes them with the state functions,
            # which hand out the two characters of one code.
            props = t.properties + ['HX_PROP_STATEFUL']
            max_char, max_internal = t.max_char, t.max_internal
            single, multi = 'nullptr', 'nullptr'
        elif e.kind in STATEFUL_KINDS:
            t = tables[e.id]
            kind = 'Iso2022' if e.kind == 'iso2022' else 'Hz'
            props = list(t.properties)
            max_char, max_internal = t.max_char, t.max_internal
            single, multi = 'nullptr', 'nullptr'
        else:
            t = tables[e.id]
            kind = 'SingleByte' if e.kind == 'single' else 'MultiByte'
            props = list(t.properties)
            max_char = 1 if e.kind == 'single' else t.max_char
            max_internal = t.max_internal
            single = f'&k{e.ident}SingleByte' if e.kind == 'single' else 'nullptr'
            multi = f'&k{e.ident}MultiByte' if e.kind == 'multi' else 'nullptr'
        if e.kind in TABLE_KINDS:
            props.append('HX_PROP_BULK')
        if 'nel' in e.flags:
            props.append('HX_PROP_NEL_NEWLINE')
        prop_text = ' | '.join(props) if props else '0'
        iso2022 = f'&k{e.ident}Iso2022' if e.kind in STATEFUL_KINDS else 'nullptr'
        cells = f'&k{e.ident}Cells' if e.kind in CELL_KINDS else 'nullptr'
        ebcdic = f', &k{e.ident}EbcdicDbcs' if e.kind in EBCDIC_DBCS_KINDS else ''
        out.append(f'    {{{e.id}, CodecKind::{kind}, {prop_text}, {max_char}, {max_internal}, {single}, {multi}, '
                   f'{iso2022}, k{e.ident}Names, {cells}{ebcdic}}},')
    out += ['};', '']
    return '\n'.join(out)


SHIFT_OUT, SHIFT_IN = 0x0E, 0x0F
PAIR_BASE = 0xD800       # double-byte entries from here index the character pairs
SINGLE_BASE = 0x100      # encoder entries: SINGLE_BASE + byte, or the byte pair
DROPPED = 0xFFFF         # an encoder entry for a character written as nothing


class EbcdicDbcsTable:
    """A double-byte EBCDIC page read from ICU: each single byte; each byte
    pair after SO, whose trail ranges per lead are what ICU takes as one
    sequence (a pair it reads or calls unassigned); every BMP code point
    and each character pair encoded. The state machine of ebcdic_dbcs_map.h
    is then run here over every byte pair and checked against ICU."""

    def __init__(self, entry):
        kind, _, name = entry.source.partition(':')
        if kind != 'icu' or not icu_converter.available():
            raise SystemExit(f'{entry.name}: double-byte EBCDIC tables come from ICU, and libicuuc is needed')
        self.name = entry.name
        icu = icu_converter.Converter(name)
        self.single = [UNMAPPED] * 256
        for b in range(256):
            text, log = icu.trace(bytes([b]))
            if b not in (SHIFT_OUT, SHIFT_IN) and not log:
                self.single[b] = self.one_code(text, bytes([b]))
        self.trail_low, self.trail_high = [0xFF] * 256, [0] * 256
        self.pairs, self.pair_values = [], {}
        for lead in range(256):
            if lead in (SHIFT_OUT, SHIFT_IN):
                continue
            trails = []
            for trail in range(256):
                text, log = icu.trace(bytes([SHIFT_OUT, lead, trail]))
                if log == [] or log == [(icu_converter.UNASSIGNED, 2)]:
                    trails.append(trail)
                    self.pair_values[lead << 8 | trail] = self.pair_value(text) if not log else UNMAPPED
            if trails:
                if trails != list(range(trails[0], trails[-1] + 1)) or trails[0] < 0x40:
                    raise SystemExit(f'{self.name}: lead {lead:02X} takes the trails {trails}, no range from 40')
                self.trail_low[lead], self.trail_high[lead] = trails[0], trails[-1]
        self.check_reading(icu)

        self.page_values = {}
        for cp in range(0x10000):
            if 0xD800 <= cp <= 0xDFFF:
                continue
            encoded = icu.encode(chr(cp))
            if encoded is not None:
                self.page_values[cp] = DROPPED if encoded == b'' else self.encoder_entry(chr(cp), encoded)
        # Beyond the BMP: the page's characters, and the default-ignorable
        # ones ICU drops (planes 1 and 14).
        dropped = []
        self.wide = []
        for cp in list(range(0x10000, 0x40000)) + list(range(0xE0000, 0xF0000)):
            encoded = icu.encode(chr(cp))
            if encoded == b'':
                dropped.append((cp, cp))
            elif encoded is not None:
                self.wide.append((cp, self.encoder_entry(chr(cp), encoded)))
        if any(a > 0x3FFFF for a, _ in self.pairs):
            raise SystemExit(f'{self.name}: a character beyond the planes the encoder is read for')
        self.dropped = [(first, first + count - 1) for first, _, count in compress_ranges(dropped)]
        self.pair_codes = sorted((a, b, self.encoder_entry(chr(a) + chr(b), icu.encode(chr(a) + chr(b))))
                                 for a, b in self.pairs if b)
        chars = [cp for cp in self.single if cp != UNMAPPED] + [v for v in self.pair_values.values() if not PAIR_BASE <= v < PAIR_BASE + 0x800 and v != UNMAPPED]
        chars += [c for pair in self.pairs for c in pair if c]
        self.max_internal = max(utf8_length(cp) for cp in chars)
        self.properties = ['HX_PROP_STATEFUL']

    def one_code(self, text, data):
        if len(text) != 1 or 0xD800 <= ord(text) <= 0xDFFF or ord(text) >= UNMAPPED - 1:
            raise SystemExit(f'{self.name}: {data.hex()} reads as {text!r}, beyond the tables')
        return ord(text)

    def pair_value(self, text):
        if len(text) == 2 or ord(text[0]) > 0xFFFF:
            pair = (ord(text[0]), ord(text[1]) if len(text) == 2 else 0)
            if pair not in self.pairs:
                self.pairs.append(pair)
            return PAIR_BASE + self.pairs.index(pair)
        cp = self.one_code(text, text.encode('unicode_escape'))
        # The decoder's runs of pairs never look for U+0000, nor for line
        # ends from U+202A on.
        if cp == 0 or (cp in LINE_ENDS and cp > 0x2029) or PAIR_BASE <= cp < PAIR_BASE + 0x800:
            raise SystemExit(f'{self.name}: a byte pair reads as U+{cp:04X}')
        return cp

    def encoder_entry(self, text, encoded):
        if encoded is not None and len(encoded) == 1:
            return SINGLE_BASE + encoded[0]
        if encoded is not None and len(encoded) == 4 and encoded[0] == SHIFT_OUT and encoded[3] == SHIFT_IN \
                and encoded[1] >= 0x40:
            return encoded[1] << 8 | encoded[2]
        raise SystemExit(f'{self.name}: {text!r} encodes as {encoded.hex() if encoded else None}')

    def read(self, data):
        """ebcdic_dbcs_map.cpp's scan, step by step to the end of the data."""
        out, at, double = [], 0, False
        while at < len(data):
            c = data[at]
            if c in (SHIFT_OUT, SHIFT_IN):
                double, at = c == SHIFT_OUT, at + 1
            elif not double:
                out.append('\ufffd' if self.single[c] == UNMAPPED else chr(self.single[c]))
                at += 1
            elif at + 1 < len(data) and self.trail_low[c] <= data[at + 1] <= self.trail_high[c]:
                value = self.pair_values[c << 8 | data[at + 1]]
                out.append('\ufffd' if value == UNMAPPED else ''.join(chr(c) for c in self.pairs[value - PAIR_BASE] if c)
                           if PAIR_BASE <= value < PAIR_BASE + 0x800 else chr(value))
                at += 2
            else:
                starts = at + 1 >= len(data) or data[at + 1] in (SHIFT_OUT, SHIFT_IN) or \
                    self.trail_low[data[at + 1]] <= self.trail_high[data[at + 1]]
                out.append('\ufffd')
                at += 1 if starts else 2
        return ''.join(out)

    def check_reading(self, icu):
        for lead in range(256):
            for data in [bytes([SHIFT_OUT, lead, t]) for t in range(256)] + [bytes([SHIFT_OUT, lead])]:
                if self.read(data) != icu.decode(data):
                    raise SystemExit(f'{self.name}: {data.hex()} reads as {icu.decode(data)!r} in ICU, '
                                     f'{self.read(data)!r} here')


class BlockPool:
    """Blocks of BLOCK values that several pages share: the pages of one
    script agree on most of their codes."""

    def __init__(self, empty):
        self.blocks = [tuple([empty] * BLOCK)]
        self.index_of = {self.blocks[0]: 0}
        self.empty = empty

    def index(self, values, first, end):
        """The block of each BLOCK codes from `first` to `end`."""
        indexes = []
        for start in range(first, end, BLOCK):
            block = tuple(values.get(start + i, self.empty) for i in range(BLOCK))
            if block not in self.index_of:
                self.index_of[block] = len(self.blocks)
                self.blocks.append(block)
            indexes.append(self.index_of[block])
        return indexes


def generate_ebcdic_dbcs(entries, tables):
    rows = [e for e in entries if e.kind in EBCDIC_DBCS_KINDS]
    sources = f'{icu_converter.version()} converters' if rows else 'none'
    out = [header(sources), '#include "../ebcdic_dbcs_map.h"', '', 'namespace hxuchar {', '', 'namespace {', '']
    # Pages that share a table (the trail ranges of every page) share its array.
    names_of = {}

    def shared(ctype, name, values, **options):
        key = (ctype, tuple(values))
        if key not in names_of:
            names_of[key] = name
            out.append(c_array(ctype, name, values, **options))
        return names_of[key]

    decoding, encoding = BlockPool(UNMAPPED), BlockPool(0)
    block_of_pair = {e.id: decoding.index(tables[e.id].pair_values, 0x4000, 0x10000) for e in rows}
    page_of_block = {e.id: encoding.index(tables[e.id].page_values, 0, 0x10000) for e in rows}
    if rows:
        out.append('// Blocks of decoded pairs and of encoder entries, shared by the pages')
        out.append(c_array('char16_t', 'kPairBlocks', [v for block in decoding.blocks for v in block]))
        out.append(c_array('std::uint16_t', 'kEncoderBlocks', [v for block in encoding.blocks for v in block]))
        out.append('')
    refs = {}
    for e in rows:
        t = tables[e.id]
        p = f'k{e.ident}'
        out.append(f'// {e.name}, from {e.source}')
        refs[e.id] = [
            shared('char16_t', f'{p}Single', t.single),
            shared('std::uint8_t', f'{p}TrailLow', t.trail_low, per_line=16, fmt='0x{:02X}'),
            shared('std::uint8_t', f'{p}TrailHigh', t.trail_high, per_line=16, fmt='0x{:02X}'),
            shared('std::uint16_t', f'{p}BlockOfPair', block_of_pair[e.id], per_line=16, fmt='{}'),
            'kPairBlocks',
            shared('EbcdicCharacters', f'{p}Pairs', t.pairs, per_line=6, fmt='{{0x{0[0]:05X}, 0x{0[1]:04X}}}')
            if t.pairs else 'nullptr',
            shared('std::uint16_t', f'{p}PageOfBlock', page_of_block[e.id], per_line=16, fmt='{}'),
            'kEncoderBlocks',
            shared('EbcdicPairCode', f'{p}PairCodes', t.pair_codes, per_line=4,
                   fmt='{{0x{0[0]:04X}, 0x{0[1]:04X}, 0x{0[2]:04X}}}') if t.pair_codes else 'nullptr',
            str(len(t.pair_codes)),
            shared('EbcdicWideCode', f'{p}Wide', t.wide, per_line=6, fmt='{{0x{0[0]:05X}, 0x{0[1]:04X}}}')
            if t.wide else 'nullptr',
            str(len(t.wide)),
            shared('CodeRange', f'{p}Dropped', t.dropped, per_line=4, fmt='{{0x{0[0]:05X}, 0x{0[1]:05X}}}')
            if t.dropped else 'nullptr',
            str(len(t.dropped)),
        ]
        out.append('')
    out += ['}  // namespace', '']
    for e in rows:
        out.append(f'extern const EbcdicDbcsMap k{e.ident}EbcdicDbcs{{{", ".join(refs[e.id])}}};')
    out += ['', '}  // namespace hxuchar', '']
    return '\n'.join(out)


def generate(entries):
    tables = {}
    for e in entries:
        if e.kind == 'single':
            tables[e.id] = SingleByteTable(e)
        elif e.kind == 'multi':
            tables[e.id] = MultiByteTable(e)
        elif e.kind == 'iso2022':
            tables[e.id] = Iso2022Table(e)
        elif e.kind == 'hz':
            tables[e.id] = HzTable(e)
        elif e.kind in EBCDIC_DBCS_KINDS:
            tables[e.id] = EbcdicDbcsTable(e)
        elif e.kind in CELL_KINDS:
            base = e.flag_value('base')
            base_source = source_for(next(b for b in entries if b.name == base)) if base else None
            tables[e.id] = cell_tables.CellTable(e, source_for(e), base_source)
    versions = source_versions()
    return {
        'catalog_rows.inc': generate_catalogue(entries, tables, versions),
        'single_byte_tables.cpp': generate_single(entries, tables, versions),
        'multi_byte_tables.cpp': generate_multi(entries, tables, versions),
        'iso2022_tables.cpp': generate_iso2022(entries, tables, versions),
        'ebcdic_dbcs_tables.cpp': generate_ebcdic_dbcs(entries, tables),
    }


class OlderCPython(Exception):
    """This CPython's codecs lack what the tables are made from."""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--output', default=os.path.join(HERE, '..', 'generated'))
    parser.add_argument('--check', metavar='DIR')
    args = parser.parse_args()
    try:
        files = generate(read_catalogue())
    except (OlderCPython, cell_tables.OlderSource) as error:
        print(error)
        return 77 if args.check else 1
    if args.check:
        differ = []
        for name, text in files.items():
            path = os.path.join(args.check, name)
            try:
                with open(path, encoding='utf-8') as f:
                    committed = f.read()
            except OSError:
                committed = None
            # The sources' versions may differ between machines; the tables may not.
            strip = lambda s: '\n'.join(l for l in (s or '').splitlines() if not l.startswith('// Sources:'))
            if strip(committed) != strip(text):
                differ.append(name)
        if differ:
            print('generated tables differ from the committed ones: ' + ', '.join(differ))
            return 1
        print(f'{len(files)} generated files match')
        return 0
    os.makedirs(args.output, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(args.output, name), 'w', encoding='utf-8') as f:
            f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main())
