"""Tables of the "cells" kind: multi-byte sets whose codes are read through
rows of 32-bit cells, so that a code may stand for a character beyond the
BMP or for two characters (the JIS X 0213 sets, Big5-HKSCS, EUC-TW).

A row is what one lead byte (or, after the prefix byte, one plane byte and
one lead byte) reads for its trail bytes. Rows are not written twice: a row
another table already holds (a plane of an ISO-2022 set, a row of another
set of this kind) is pointed into, and a row the base set reads alike
(Big5 under Big5-HKSCS) is left to the base set's own table.

generate.py calls build() for each row of the kind and emit() once, inside
the ISO-2022 tables' source file, whose set tables the rows point into.
"""
import codecs
import platform
import struct

UNMAPPED32 = 0xFFFFFFFF
LEAD32 = 0xFFFFFFFE
MALFORMED32 = 0xFFFFFFFD   # a code the source replaces whole (JIS X 0213:2004's additions in the 2000 sets)
PAIR_BIT = 0x80000000
TRAILS = range(0x21, 0x100)
BLOCK = 64


class OlderSource(Exception):
    """The source's codecs lack what the tables are made from."""


class TextSource:
    """The whole text a source reads from a code (None: not a code), and the
    bytes it writes for a text (None: it cannot)."""

    def __init__(self, source):
        self.source = source
        self.codec = source.codec if hasattr(source, 'codec') else None

    def decode(self, data):
        if self.codec:
            try:
                return data.decode(self.codec)
            except UnicodeDecodeError:
                return None
        out = self.source.convert(data, self.source.name, b'UTF-32BE')
        return out.decode('utf-32-be') if out else None

    def malformed_whole(self, data):
        """Whether the source replaces all of `data`, a code of its form, at once."""
        if not self.codec:
            return False
        try:
            data.decode(self.codec)
        except UnicodeDecodeError as error:
            return error.start == 0 and error.end == len(data) and len(data) > 1
        return False

    def encode(self, text):
        if self.codec:
            try:
                return text.encode(self.codec)
            except UnicodeEncodeError:
                return None
        return self.source.convert(text.encode('utf-32-be'), b'UTF-32BE', self.source.name) or None


def cell_value(text, pairs, what):
    """A cell for the one or two characters a code reads as; a pair is
    numbered in `pairs`, which grows by the ones not yet there."""
    if len(text) == 1:
        return ord(text)
    if len(text) == 2 and max(map(ord, text)) < 0x10000:
        pair = (ord(text[0]), ord(text[1]))
        if pair not in pairs:
            pairs.append(pair)
        return PAIR_BIT | pairs.index(pair)
    raise SystemExit(f'{what} reads as {text!r}')


def squeeze(trail, skip):
    return trail - 1 if skip and trail > skip else trail


class CellTable:
    """Flags: split=XX (a lead byte's trails from XX on are a second row),
    skip=XX (a trail byte that is never one), prefix=XX (starts a code of
    the lead and trail bytes A1-FE after it, in a second plane),
    selector=XX-YY (after the prefix, a byte that chooses among planes),
    base=NAME (the set whose table serves every row it reads alike)."""

    def __init__(self, entry, source, base_source=None):
        self.name = entry.name
        self.ident = entry.ident
        self.source = TextSource(source)
        self.base = TextSource(base_source) if base_source else None
        self.base_name = entry.flag_value('base')
        split, skip, prefix = (entry.flag_value(f) for f in ('split', 'skip', 'prefix'))
        self.split = int(split, 16) if split else 0
        self.skip = int(skip, 16) if skip else 0
        self.prefix = int(prefix, 16) if prefix else 0
        selector = entry.flag_value('selector')
        self.selector = tuple(int(x, 16) for x in selector.split('-')) if selector else (0, 0)
        self.pairs = []
        self.single = []
        self.rows = {}            # (lead, half) -> {trail: cell}; None: the base's row
        self.plane_rows = {}      # (selector index, lead) -> {trail: cell}
        self.max_char = 1
        for b in range(256):
            text = self.source.decode(bytes([b]))
            if text is not None and len(text) == 1:
                self.single.append(ord(text))
            elif b == self.prefix:
                self.single.append(LEAD32)
            else:
                self.single.append(self.read_lead(b))
        if self.prefix:
            self.read_planes()
        self.decoded = {c for c in self.single if c < LEAD32}
        all_rows = [row for row in list(self.rows.values()) + list(self.plane_rows.values()) if row]
        self.decoded |= {c for row in all_rows for c in row.values() if not c & PAIR_BIT}
        self.properties = []
        if all(self.single[b] == b for b in range(0x80)):
            self.properties.append('HX_PROP_ASCII_RUNS')
            trails = {t for row in all_rows for t in row} | {t for lead, half in self.rows if self.rows[(lead, half)] is None
                                                              for t in self.base_row(lead, half)}
            if min(trails) >= 0x80 and (not self.selector[0] or self.selector[0] >= 0x80):
                self.properties.insert(0, 'HX_PROP_ASCII_BYTES')
        self.max_internal = max(len(chr(c).encode('utf-8')) for c in self.decoded)
        self.encode_all()

    def cell(self, text, data):
        if text is None:
            return MALFORMED32 if self.source.malformed_whole(data) else None
        return cell_value(text, self.pairs, f'{self.name}: {data.hex()}')

    def read_lead(self, lead):
        halves = [{}, {}]
        for t in TRAILS:
            if t == self.skip:
                continue
            value = self.cell(self.source.decode(bytes([lead, t])), bytes([lead, t]))
            if value is not None:
                halves[1 if self.split and t >= self.split else 0][t] = value
        if not any(halves):
            return UNMAPPED32
        self.max_char = max(self.max_char, 2)
        for half, row in enumerate(halves):
            if row:
                self.rows[(lead, half)] = None if self.base and row == self.base_row(lead, half) else row
        return LEAD32

    def base_row(self, lead, half):
        row = {}
        for t in TRAILS:
            if t == self.skip or (1 if self.split and t >= self.split else 0) != half:
                continue
            text = self.base.decode(bytes([lead, t]))
            if text is not None and len(text) == 1:
                row[t] = ord(text)
        return row

    def read_planes(self):
        low, high = self.selector
        selectors = [bytes([s]) for s in range(low, high + 1)] if low else [b'']
        for index, sel in enumerate(selectors):
            for lead in range(0xA1, 0xFF):
                row = {}
                for t in range(0xA1, 0xFF):
                    code = bytes([self.prefix]) + sel + bytes([lead, t])
                    value = self.cell(self.source.decode(code), code)
                    if value is not None:
                        row[t] = value
                if row:
                    self.plane_rows[(index, lead)] = row
                    self.max_char = max(self.max_char, 3 + len(sel))

    def encode_all(self):
        """Each code point's bytes, as the source writes it, as a page entry:
        the bytes big-endian (1 to 4; U+0000 alone is the zero byte)."""
        self.page_values, wide = {}, {}
        candidates = [cp for cp in range(1, 0x10000) if not 0xD800 <= cp <= 0xDFFF]
        candidates += sorted(c for c in self.decoded if c >= 0x10000)
        for cp in candidates:
            encoded = self.source.encode(chr(cp))
            if encoded is None:
                continue
            entry = self.entry_of(chr(cp), encoded)
            if cp < 0x10000:
                self.page_values[cp] = entry
            else:
                wide[cp] = entry
        self.wide = sorted(wide.items())
        self.encode_pairs()

    def encode_pairs(self):
        self.pair_codes = []
        for first, second in self.pairs:
            encoded = self.source.encode(chr(first) + chr(second))
            if encoded is None or len(self.source.decode(encoded) or '') != 2 or \
                    self.cell(self.source.decode(encoded), encoded) != PAIR_BIT | self.pairs.index((first, second)):
                raise OlderSource(f'{self.name}: this CPython ({platform.python_version()}) does not write the pair '
                                  f'U+{first:04X} U+{second:04X} as one code; the tables need a release that does')
            self.pair_codes.append((first, second, self.entry_of(chr(first) + chr(second), encoded)))
        self.pair_codes.sort()

    def entry_of(self, text, encoded):
        if not 1 <= len(encoded) <= 4 or (len(encoded) > 1 and encoded[0] < 0x80):
            raise SystemExit(f'{self.name}: {text!r} encodes as {encoded.hex()}, a form the tables lack')
        return int.from_bytes(encoded, 'big')

    def adopt_pairs(self, pairs):
        """Numbers the pairs as `pairs` does, so that rows may point into
        tables that number them that way."""
        renumber = {PAIR_BIT | i: PAIR_BIT | pairs.index(p) for i, p in enumerate(self.pairs)}
        for rows in (self.rows, self.plane_rows):
            for key, row in rows.items():
                if row:
                    rows[key] = {t: renumber.get(v, v) for t, v in row.items()}
        self.pairs = list(pairs)


def ident_of(name):
    return ''.join(c if c.isalnum() else '_' for c in name)


def as_bytes(values):
    return struct.pack(f'<{len(values)}I', *values)


class CellPool:
    """The arrays rows may point into: those of other tables, and a pool of
    the rows found nowhere else."""

    def __init__(self, arrays):
        self.arrays = [(name, as_bytes(values)) for name, values in arrays]
        self.pool = []
        self.pool_bytes = b''

    def place(self, cells):
        """An expression for the address of `cells` in some array."""
        wanted = as_bytes(cells)
        for name, data in self.arrays + [('kCellPool', self.pool_bytes)]:
            at = data.find(wanted)
            while at >= 0 and at % 4:
                at = data.find(wanted, at + 1)
            if at >= 0:
                return f'{name} + {at // 4}'
        at = len(self.pool)
        self.pool += cells
        self.pool_bytes += wanted
        return f'kCellPool + {at}'


def row_cells(row, skip):
    """(first squeezed trail, last, cells between them)."""
    first, last = squeeze(min(row), skip), squeeze(max(row), skip)
    by_squeezed = {squeeze(t, skip): v for t, v in row.items()}
    return first, last, [by_squeezed.get(u, UNMAPPED32) for u in range(first, last + 1)]


def c_array(ctype, name, values, per_line, fmt):
    lines = [f'constexpr {ctype} {name}[] = {{']
    for i in range(0, len(values), per_line):
        lines.append('    ' + ', '.join(fmt.format(v) for v in values[i:i + per_line]) + ',')
    lines.append('};')
    return lines


def emit(cell_entries, tables, arrays, pair_lists):
    """The C++ for every table of the kind. `arrays`: (name, values) of the
    32-bit arrays already written; `pair_lists`: (name, pairs) of the pair
    arrays already written."""
    if not cell_entries:
        return []
    pool = CellPool(arrays)
    body, maps, externs = [], [], []
    page_pool = [tuple([0] * BLOCK)]
    page_index = {page_pool[0]: 0}
    for e in cell_entries:
        t = tables[e.id]
        p = f'k{e.ident}'
        pairs_name = 'nullptr'
        if t.pairs:
            shared = next(((name, pairs) for name, pairs in pair_lists if set(t.pairs) <= set(pairs)), None)
            if shared:
                pairs_name = shared[0]
                t.adopt_pairs(shared[1])
            else:
                pairs_name = f'{p}CellPairs'
                body += c_array('Iso2022Characters', pairs_name, t.pairs, 6, '{{0x{0[0]:04X}, 0x{0[1]:04X}}}')
            t.encode_pairs()

        def row_text(row):
            if row is None:
                return '{nullptr, 1, 0}'   # the base set's row
            first, last, cells = row_cells(row, t.skip)
            return f'{{{pool.place(cells)}, 0x{first:02X}, 0x{last:02X}}}'

        rows = [row_text(t.rows[(lead, half)]) if (lead, half) in t.rows else '{nullptr, 0, 0}'
                for lead in range(256) for half in range(2)]
        body += c_array('CellRow', f'{p}Rows', rows, 2, '{}')
        base_rows = any(row is None for row in t.rows.values())
        plane = 'nullptr'
        if t.prefix:
            count = (t.selector[1] - t.selector[0] + 1) if t.selector[0] else 1
            plane_rows = [row_text(t.plane_rows[(i, lead)]) if (i, lead) in t.plane_rows else '{nullptr, 0, 0}'
                          for i in range(count) for lead in range(0xA1, 0xFF)]
            plane = f'{p}PlaneRows'
            body += c_array('CellRow', plane, plane_rows, 2, '{}')
        body += c_array('std::uint32_t', f'{p}CellSingle', t.single, 8, '0x{:08X}')
        page_of_block = []
        for block in range(0x10000 // BLOCK):
            page = tuple(t.page_values.get(block * BLOCK + i, 0) for i in range(BLOCK))
            if page not in page_index:
                page_index[page] = len(page_pool)
                page_pool.append(page)
            page_of_block.append(page_index[page])
        body += c_array('std::uint16_t', f'{p}CellPageOfBlock', page_of_block, 16, '{}')
        wide = 'nullptr, 0'
        if t.wide:
            body += c_array('Iso2022Wide', f'{p}CellWide', t.wide, 4, '{{0x{0[0]:05X}, 0x{0[1]:08X}}}')
            wide = f'{p}CellWide, {len(t.wide)}'
        pair_codes = 'nullptr, 0'
        if t.pair_codes:
            body += c_array('Iso2022Pair', f'{p}CellPairCodes', t.pair_codes, 4,
                            '{{0x{0[0]:04X}, 0x{0[1]:04X}, 0x{0[2]:08X}}}')
            pair_codes = f'{p}CellPairCodes, {len(t.pair_codes)}'
        base = 'nullptr'
        if base_rows:
            base = f'&k{ident_of(t.base_name)}MultiByte'
            externs.append(f'extern const MultiByteMap {base[1:]};')
        sel_low, sel_high = t.selector
        maps.append(f'extern const CellMap {p}Cells{{{p}CellSingle, {p}Rows, 0x{t.split:02X}, 0x{t.skip:02X}, '
                    f'0x{t.prefix:02X}, 0x{sel_low:02X}, 0x{sel_high:02X}, {plane}, {pairs_name}, {base}, '
                    f'{p}CellPageOfBlock, kCellPages, {wide}, {pair_codes}}};')
        body.append('')
    out = ['namespace {', '']
    out += c_array('std::uint32_t', 'kCellPool', pool.pool or [UNMAPPED32], 8, '0x{:08X}')
    out += c_array('std::uint32_t', 'kCellPages', [v for page in page_pool for v in page], 8, '0x{:08X}')
    out += [''] + body + ['}  // namespace', ''] + externs + maps
    return out
