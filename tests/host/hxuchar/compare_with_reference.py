#!/usr/bin/env python3
"""Decodes and encodes a generated corpus with the character-set layer (through
hxuchar_codec_driver) and compares every result with an independent
reference: CPython's codecs with errors='replace' for the sets whose tables
come from them, ICU (uconv) for the sets whose tables come from glibc or
from ICU itself (the double-byte EBCDIC pages, through the library uconv
runs on), and glibc's iconv itself for the sets ICU lacks (ARMSCII-8,
GEORGIAN-PS, VISCII) or reads otherwise (EUC-TW; see the README).

Where this layer departs from a reference on purpose, the reference is
adjusted to expect exactly that and nothing else:
- windows-* code pages: bytes 80-9F the page leaves undefined are the C1
  controls of the same value, so that no byte is lost;
- multi-byte sets: an ASCII byte after a lead byte is never swallowed by a
  replacement, even when the data ends there (CPython replaces a truncated
  sequence as a whole);
- EUC-KR: A4 D4 is U+3164 HANGUL FILLER, and KS X 1001 make-up sequences
  are neither read nor written (CPython composes them);
- EBCDIC sets from ICU: a character the set lacks is written as "?" (6F),
  where ICU writes its substitution control 3F (or FE FE after SO); a
  sequence ICU replaces is one U+FFFD, where ICU writes U+001A for one byte.

Older CPython releases (3.11.2 among them) write the JIS X 0213 character
pairs of ISO-2022-JP-2004 and -JP-3 as two codes, or the second as "?";
with such a reference, encode records holding a pair's second character are
left out and counted, since the layer writes the pair as one code.

Usage: compare_with_reference.py DRIVER [--seed N] [--random N] [--only NAME]
"""
import argparse
import codecs
import ctypes
import ctypes.util
import errno
import os
import random
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'host', 'hxuchar',
                                'tables'))
import icu_converter  # noqa: E402

CATALOGUE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'host', 'hxuchar',
                         'tables', 'encodings.txt')
LINE_ENDS = ['\n', '\r\n', '\r', '\x0c', '\x85', '\u2028', '\u2029']


def read_catalogue():
    """name -> (source, flags), as the tables were made from."""
    entries = {}
    with open(CATALOGUE, encoding='utf-8') as f:
        for line in f:
            if line.strip() and not line.startswith('#'):
                fields = [x.strip() for x in line.split('|')]
                entries[fields[1]] = (fields[3], fields[4].split())
    return entries


def c1_error_handler(kept):
    def handle(error):
        if isinstance(error, UnicodeDecodeError):
            byte = error.object[error.start]
            return (chr(byte) if byte in kept else '\ufffd', error.start + 1)
        char = error.object[error.start]
        return (bytes([ord(char)]) if ord(char) in kept else b'?', error.start + 1)
    return handle


class PythonCodec:
    def __init__(self, name, keep_c1=False):
        self.codec = codecs.lookup(name).name
        self.errors = 'replace'
        if keep_c1:
            kept = {b for b in range(0x80, 0xA0) if not self.defined(bytes([b]))}
            self.errors = 'hxuchar-c1-' + self.codec
            codecs.register_error(self.errors, c1_error_handler(kept))

    def defined(self, data):
        try:
            data.decode(self.codec)
            return True
        except UnicodeDecodeError:
            return False

    def decode(self, data):
        return data.decode(self.codec, self.errors)

    def encode(self, text):
        return text.encode(self.codec, self.errors)


class Ucs2:
    """UTF-16 restricted to the BMP: a surrogate unit is malformed on its own."""

    def __init__(self, big_endian):
        self.order = 'big' if big_endian else 'little'
        self.utf16 = 'utf-16-be' if big_endian else 'utf-16-le'

    def decode(self, data):
        out = []
        for i in range(0, len(data) - 1, 2):
            unit = int.from_bytes(data[i:i + 2], self.order)
            out.append('\ufffd' if 0xD800 <= unit <= 0xDFFF else chr(unit))
        if len(data) % 2:
            out.append('\ufffd')
        return ''.join(out)

    def encode(self, text):
        bmp = ''.join(c if ord(c) <= 0xFFFF else '\ufffd' for c in text)
        return bmp.encode(self.utf16)


class MultiByteCodec(PythonCodec):
    """A CPython multi-byte codec. A sequence cut short by the end of the
    data, or by a zero byte (which no sequence holds), is one U+FFFD only
    while no ASCII byte follows its lead byte; otherwise the lead byte alone
    is replaced and the rest read afresh."""

    def decode(self, data):
        return '\x00'.join(self.decode_segment(segment) for segment in data.split(b'\x00'))

    def decode_segment(self, data):
        decoder = codecs.getincrementaldecoder(self.codec)(self.errors)
        text = decoder.decode(data, False)
        pending = decoder.getstate()[0]
        if not pending:
            return text
        if any(b < 0x80 for b in pending[1:]):
            return text + '\ufffd' + self.decode_segment(pending[1:])
        return text + '\ufffd'


class StatefulCodec(PythonCodec):
    """A CPython codec with a state (ISO-2022, HZ). In ISO-2022 a zero
    byte, which no escape or character holds, ends what is cut before it as
    the end of the data does (one U+FFFD); the state carries on past it.
    HZ reads a zero byte as CPython does. UTF-7 hands out a lone surrogate
    where the internal form has U+FFFD, and a zero after "+" is taken with
    it as the end of the data would be (CPython: one U+FFFD for both)."""

    def decode(self, data):
        if self.codec == 'utf-7':
            text = data.replace(b'+\x00', b'+').decode(self.codec, self.errors)
            return ''.join('\ufffd' if 0xD800 <= ord(c) <= 0xDFFF else c for c in text)
        if self.codec == 'hz':
            return data.decode(self.codec, self.errors)
        decoder = codecs.getincrementaldecoder(self.codec)(self.errors)
        return '\x00'.join(decoder.decode(segment, True) for segment in data.split(b'\x00'))


class EucKr(MultiByteCodec):
    """EUC-KR from CPython's table of pairs, with A4 D4 read as HANGUL
    FILLER and no make-up sequences read or written (CPython composes
    them)."""

    def decode(self, data):
        out, at = [], 0
        while at < len(data):
            pair = data[at:at + 2]
            if data[at] < 0x80:
                out.append(chr(data[at]))
                at += 1
            elif pair == b'\xa4\xd4':
                out.append('\u3164')
                at += 2
            else:
                try:
                    out.append(pair.decode(self.codec) if len(pair) == 2 else '\ufffd')
                    at += 2
                except UnicodeDecodeError:
                    out.append('\ufffd')
                    at += 1
        return ''.join(out)

    def encode(self, text):
        out = []
        for char in text:
            encoded = char.encode(self.codec, self.errors)
            out.append(b'?' if len(encoded) == 8 else encoded)
        return b''.join(out)


class IcuSingleByte:
    """An ICU single-byte converter as a table: every byte decoded, and every
    decoded character encoded back, in one uconv call each."""

    def __init__(self, converter):
        decoded = subprocess.run(['uconv', '-f', converter, '-t', 'UTF-32BE', '--callback', 'stop'],
                                 input=bytes(range(256)), capture_output=True, check=True).stdout
        if len(decoded) != 1024:
            raise SystemExit(f'{converter}: ICU left bytes undecoded')
        self.to_char = [chr(int.from_bytes(decoded[4 * i:4 * i + 4], 'big')) for i in range(256)]
        encoded = subprocess.run(['uconv', '-f', 'UTF-32BE', '-t', converter, '--callback', 'stop'],
                                 input=decoded, capture_output=True, check=True).stdout
        self.from_char = {}
        for byte, char in zip(encoded, self.to_char):
            self.from_char.setdefault(char, byte)
        self.substitute = self.from_char['?']

    def decode(self, data):
        return ''.join(self.to_char[b] for b in data)

    def encode(self, text):
        return bytes(self.from_char.get(c, self.substitute) for c in text)


class IcuShifted:
    """An ICU converter whose single- and double-byte halves SO and SI
    switch between (the double-byte EBCDIC pages)."""

    def __init__(self, converter):
        self.converter = icu_converter.Converter(converter, substitute='?')
        self.strict = icu_converter.Converter(converter)

    def decode(self, data):
        return self.converter.decode(data)

    def encode(self, text):
        return self.converter.encode(text)

    def repertoire(self):
        chars = []
        for cp in list(range(0x20, 0xD800)) + list(range(0xE000, 0x10000)) + list(range(0x20000, 0x2A6E0, 7)):
            if self.strict.encode(chr(cp)):
                chars.append(chr(cp))
        return chars
class GlibcIconv:
    """glibc's iconv, for the sets only it converts both ways (ICU lacks
    them or differs). Malformed data as in the multi-byte sets: a code glibc
    cannot read is one U+FFFD for its first byte, the rest read afresh; a
    code cut short by the end of the data (or a zero byte) is one U+FFFD
    while no ASCII byte follows its first byte."""

    def __init__(self, name):
        self.libc = ctypes.CDLL(ctypes.util.find_library('c'), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_void_p),
                                                        ctypes.POINTER(ctypes.c_size_t)] * 2
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv_close.argtypes = [ctypes.c_void_p]
        self.name = name.encode()
        self.decoder = self.libc.iconv_open(b'UTF-32BE', self.name)
        self.encoder = self.libc.iconv_open(self.name, b'UTF-32BE')

    def step(self, handle, data, room):
        """(bytes taken, output, errno) of one call with `room` bytes of output."""
        self.libc.iconv(handle, None, None, None, None)
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(room)
        inptr, outptr = ctypes.c_void_p(ctypes.addressof(inbuf)), ctypes.c_void_p(ctypes.addressof(outbuf))
        inleft, outleft = ctypes.c_size_t(len(data)), ctypes.c_size_t(room)
        ctypes.set_errno(0)
        result = self.libc.iconv(handle, ctypes.byref(inptr), ctypes.byref(inleft), ctypes.byref(outptr),
                                 ctypes.byref(outleft))
        error = ctypes.get_errno() if result == ctypes.c_size_t(-1).value else 0
        return len(data) - inleft.value, outbuf.raw[:room - outleft.value], error

    def decode(self, data):
        return '\x00'.join(self.decode_segment(segment) for segment in data.split(b'\x00'))

    def decode_segment(self, data):
        out, at = [], 0
        while at < len(data):
            taken, text, error = self.step(self.decoder, data[at:], 4)
            if taken:
                out.append(text.decode('utf-32-be'))
                at += taken
            elif error == errno.EINVAL and not any(b < 0x80 for b in data[at + 1:]):
                out.append('\ufffd')
                break
            else:
                out.append('\ufffd')
                at += 1
        return ''.join(out)

    def encode_char(self, char):
        taken, encoded, _ = self.step(self.encoder, char.encode('utf-32-be'), 16)
        return encoded if taken == 4 else None

    def encode(self, text):
        return b''.join(self.encode_char(c) or b'?' for c in text)


def reference_for(name, catalogue):
    if name == 'UTF-7':
        return StatefulCodec('utf_7')
    if name.upper() in ('UCS-2BE', 'UCS-2LE'):
        return Ucs2(name.upper().endswith('BE'))
    source, flags = catalogue.get(name, ('-', []))
    kind, _, codec = source.partition(':')
    if kind == 'icu':
        return IcuShifted(codec) if icu_converter.available() else None
    if kind == 'iconv' and codec in GLIBC_ONLY:
        return GlibcIconv(codec)
    if kind == 'iconv':
        if not shutil.which('uconv'):
            return None
        return IcuSingleByte('ibm-' + codec[3:].lstrip('0') if codec.upper().startswith('IBM') else codec)
    if kind != 'python':
        return PythonCodec(name)
    if name == 'EUC-KR':
        return EucKr(codec)
    if 'sets' in ' '.join(flags) or codec == 'hz':
        return StatefulCodec(codec)
    if codecs.lookup(codec)._is_text_encoding and is_multi_byte(codec):
        return MultiByteCodec(codec)
    return PythonCodec(codec, keep_c1='c1' in flags)


# The sets only glibc converts both ways; the others from glibc are checked against ICU.
GLIBC_ONLY = ('ARMSCII-8', 'GEORGIAN-PS', 'VISCII', 'EUC-TW')


def is_multi_byte(codec):
    return any(len(chr(cp).encode(codec, 'ignore')) > 1 for cp in (0x3000, 0x4E00, 0xAC00, 0x3042))


def frame(records):
    return b''.join(struct.pack('<I', len(r)) + r for r in records)


def unframe(data):
    records, at = [], 0
    while at < len(data):
        (length,) = struct.unpack_from('<I', data, at)
        records.append(data[at + 4:at + 4 + length])
        at += 4 + length
    return records


def run_driver(driver, command, enc_id, records):
    done = subprocess.run([driver, command, str(enc_id)], input=frame(records),
                          capture_output=True, check=False)
    if done.returncode != 0:
        sys.exit(f'driver {command} {enc_id} failed: {done.stderr.decode(errors="replace")}')
    results = unframe(done.stdout)
    if len(results) != len(records):
        sys.exit(f'driver {command} {enc_id} answered {len(results)} of {len(records)} records')
    return results


# Sequences at the edges of each form, valid and not.
UTF8_PIECES = [
    b'\x00', b'A', b'\x7f', b'\xc2\x80', b'\xdf\xbf', b'\xe0\xa0\x80', b'\xef\xbf\xbf',
    b'\xee\x80\x80', b'\xf0\x90\x80\x80', b'\xf4\x8f\xbf\xbf',
    b'\xc0\x80', b'\xc1\xbf', b'\xe0\x80\x80', b'\xe0\x9f\xbf', b'\xf0\x80\x80\x80',
    b'\xf0\x8f\xbf\xbf', b'\xed\xa0\x80', b'\xed\xbf\xbf', b'\xf4\x90\x80\x80',
    b'\xf5\x80\x80\x80', b'\xf8\x88\x80\x80\x80', b'\xfe', b'\xff', b'\x80', b'\xbf',
    b'\xc2', b'\xe0\xa0', b'\xe1', b'\xf0\x90', b'\xf0\x90\x80', b'\xf4\x8f\xbf', b'\xed\x9f',
]


def units(values, width, order):
    return b''.join(v.to_bytes(width, order) for v in values)


def utf16_pieces(order):
    values = [0, 0x41, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFEFF, 0xFFFF]
    pieces = [units([v], 2, order) for v in values]
    pieces += [units([0xD800, 0xDC00], 2, order), units([0xDBFF, 0xDFFF], 2, order)]
    return pieces + [b'\x00', b'\xd8', b'\xdc', b'\x41']


def utf32_pieces(order):
    values = [0, 0x41, 0xD7FF, 0xD800, 0xDFFF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF, 0x110000,
              0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x00110041]
    return [units([v], 4, order) for v in values] + [b'\x00', b'\x11', b'\xff', b'\x00\x00\x11']


def pieces_for(name, reference):
    upper = name.upper()
    order = 'little' if upper.endswith('LE') else 'big'
    if upper == 'UTF-8':
        return UTF8_PIECES
    if upper.startswith(('UTF-16', 'UCS-2')):
        return utf16_pieces(order)
    if upper.startswith('UTF-32'):
        return utf32_pieces(order)
    # Any other set: valid characters of the reference and their prefixes.
    pieces = []
    for cp in (0x41, 0xA0, 0xE9, 0x20AC, 0x3042, 0x4E00, 0xAC00, 0x1F600):
        encoded = reference.encode(chr(cp))
        pieces += [encoded[:n] for n in range(1, len(encoded) + 1)]
    return pieces + [b'\x00', b'\x80', b'\xff']


def decode_corpus(name, chsize, reference, rng, random_count):
    if chsize == 1:
        # Context-free: every byte alone and all of them in a row.
        return [bytes([b]) for b in range(256)] + [bytes(range(256))]
    if isinstance(reference, MultiByteCodec):
        return multi_byte_corpus(reference, rng, random_count)
    if isinstance(reference, GlibcIconv):
        return glibc_multi_byte_corpus(reference, rng, random_count)
    if isinstance(reference, StatefulCodec):
        return stateful_corpus(reference, rng, random_count)
    if isinstance(reference, IcuShifted):
        return shifted_corpus(reference, rng, random_count)
    pieces = pieces_for(name, reference)
    corpus = [b'']
    corpus += pieces
    corpus += [a + b for a in pieces for b in pieces]
    corpus += [b'A' + p + b'A' for p in pieces]
    interesting = sorted({byte for piece in pieces for byte in piece} | {0x00, 0x41, 0xFF})
    for _ in range(random_count):
        kind = rng.randrange(3)
        if kind == 0:
            corpus.append(b''.join(rng.choice(pieces) for _ in range(rng.randint(1, 6))))
        elif kind == 1:
            corpus.append(bytes(rng.choice(interesting) for _ in range(rng.randint(1, 12))))
        else:
            valid = bytearray(reference.encode(random_text(rng, rng.randint(1, 8))))
            for _ in range(rng.randint(1, 3)):
                mutate(valid, rng)
            corpus.append(bytes(valid))
    return corpus


def repertoire(reference):
    """The BMP characters the set can write, and one astral one if it can."""
    chars = []
    for cp in list(range(0x20, 0xD800)) + list(range(0xE000, 0x10000)) + [0x10000, 0x20000, 0x10FFFF]:
        try:
            chars.append(chr(cp).encode(reference.codec) and chr(cp))
        except UnicodeEncodeError:
            pass
    return chars


def multi_byte_corpus(reference, rng, random_count):
    """Every byte pair, each followed by a line end so that a swallowed
    ASCII byte shows; every lead byte cut short at the end of the data;
    three- and four-byte forms at and around their edges; random lines of
    the set's repertoire with every line end it can write, whole and
    mutated."""
    corpus = [bytes([a, b]) + b'\n' for a in range(1, 256) for b in range(256)]
    corpus += [bytes([a]) for a in range(256)] + [b'A' + bytes([a]) for a in range(0x80, 256)]
    corpus += [bytes([0x8F, b, c]) + b'\r\n' for b in range(0xA0, 0x100) for c in range(0xA0, 0x100)]
    corpus += [bytes([0x8F, b]) for b in (0x41, 0xA1, 0xB0, 0xFE)]
    firsts = (0x81, 0x82, 0x84, 0x85, 0x8F, 0x90, 0x91, 0xE3, 0xE4, 0xFE)
    thirds = (0x80, 0x81, 0x82, 0x99, 0xA4, 0xA5, 0xFE, 0xFF, 0x41, 0x0A)
    corpus += [bytes([a, b, c, d]) + b'\n' for a in firsts for b in range(0x30, 0x3A) for c in thirds
               for d in (0x30, 0x35, 0x39, 0x41, 0x0D)]
    corpus += [bytes([a, 0x30]) for a in firsts] + [bytes([a, 0x30, 0x81]) for a in firsts]
    chars = repertoire(reference)
    ends = [e for e in LINE_ENDS if e.encode(reference.codec, 'replace') != b'?' * len(e)]
    return corpus + random_lines(reference, chars, ends, rng, random_count)


def random_lines(reference, chars, ends, rng, count):
    """Lines of random characters of the repertoire with random line ends,
    encoded, each whole and mutated."""
    corpus = []
    for _ in range(count):
        lines = [''.join(rng.choice(chars) for _ in range(rng.randint(0, 12))) for _ in range(rng.randint(1, 4))]
        data = bytearray(reference.encode(''.join(line + rng.choice(ends) for line in lines)))
        corpus.append(bytes(data))
        for _ in range(rng.randint(1, 3)):
            mutate(data, rng)
        corpus.append(bytes(data))
    return corpus


def glibc_multi_byte_corpus(reference, rng, random_count):
    """EUC-TW: every byte pair, every plane's first code cut and whole, and
    random lines of the set's repertoire, whole and mutated."""
    corpus = [bytes([a, b]) + b'\n' for a in range(1, 256) for b in range(256)]
    corpus += [bytes([a]) for a in range(256)] + [b'A' + bytes([a]) for a in range(0x80, 256)]
    for plane in range(0xA0, 0xB2):
        code = bytes([0x8E, plane, 0xA1, 0xA1])
        corpus += [code[:n] for n in range(1, 5)] + [code[:n] + b'\n' for n in range(1, 5)]
        corpus += [bytes([0x8E, plane, a, b]) + b'\r' for a in (0xA1, 0xC4, 0xFE, 0x41) for b in range(0x9F, 0x100)]
    chars = [chr(cp) for cp in list(range(0x20, 0xD800)) + list(range(0xE000, 0x10000)) + list(range(0x20000, 0x2A6E0))
             if reference.encode_char(chr(cp))]
    ends = [e for e in LINE_ENDS if all(reference.encode_char(c) for c in e)]
    return corpus + random_lines(reference, chars, ends, rng, random_count)


ESCAPE_PIECES = [b'\x1b', b'\x1b(', b'\x1b$', b'\x1b(B', b'\x1b(J', b'\x1b(I', b'\x1b$@', b'\x1b$B',
                 b'\x1b$A', b'\x1b$(C', b'\x1b$(D', b'\x1b$)C', b'\x1b)B', b'\x1b.A', b'\x1bN', b'\x1b&@\x1b$B',
                 b'\x1b&@', b'\x1bx', b'\x1b(\x80', b'\x1b' + b'(' * 15 + b'B', b'\x0e', b'\x0f', b'\n', b'\r\n',
                 b'\x80', b'\xff', b'\x00', b'!', b'$"', b'!!', b'~', b'\\', b'\x1b$(Q', b'\x1b$(P', b'\x1b$(O',
                 b'\x1b(I', b'\x1b.A\x1bN', b'\x1b.F\x1bN', b'\x1bN', b'\x1b.B', b'~{', b'~}', b'~~', b'~\n', b'~x',
                 b'~', b'+', b'+-', b'+AGE', b'+AGF', b'+AG', b'+2D3', b'+2D3cAA', b'-', b'+/v8', b'+ZeVnLIqe-', b'A']


def random_lines(reference, chars, ends, rng, random_count):
    """Lines of the characters with the line ends between, whole and mutated."""
    corpus = []
    for _ in range(random_count):
        lines = [''.join(rng.choice(chars) for _ in range(rng.randint(0, 12))) for _ in range(rng.randint(1, 4))]
        data = bytearray(reference.encode(''.join(line + rng.choice(ends) for line in lines)))
        corpus.append(bytes(data))
        for _ in range(rng.randint(1, 3)):
            mutate(data, rng)
        corpus.append(bytes(data))
    return corpus


def stateful_corpus(reference, rng, random_count):
    """Every escape and shift followed by each other one and by text; every
    byte pair after each escape; random lines of the set's repertoire with
    every line end it can write, whole and mutated."""
    corpus = [a + b for a in ESCAPE_PIECES for b in ESCAPE_PIECES]
    corpus += [a + b + c for a in ESCAPE_PIECES[:18] for b in ESCAPE_PIECES for c in (b'!', b'$"', b'\n')]
    for escape in (b'\x1b$B', b'\x1b(J', b'\x1b$(D', b'\x1b$)C\x0e', b'\x1b$A', b'\x1b$(Q', b'\x1b$(P',
                   b'\x1b$(O', b'\x1b(I', b'~{'):
        corpus += [escape + bytes([a, b]) + b'\n' for a in range(0x20, 0x81) for b in range(0x1F, 0x81)]
    chars = repertoire(reference)
    ends = [e for e in LINE_ENDS if e.encode(reference.codec, 'replace') != b'?' * len(e)]
    return corpus + random_lines(reference, chars, ends, rng, random_count)


SHIFT_PIECES = [b'\x0e', b'\x0f', b'\x0e\x0e', b'\x0f\x0f', b'\x15', b'\x25', b'\x0d\x25', b'\x00', b'\x40',
                b'\x40\x40', b'\x41', b'\x44\x81', b'\x45\x41', b'\x81', b'\xc1', b'\xfe\xfe', b'\xff', b'\x3f', b'\x30']


def shifted_corpus(reference, rng, random_count):
    """Every byte alone and every byte pair after SO, each followed by SI
    and a line end so that a swallowed byte shows; SO and SI among other
    pieces; random lines of the page's repertoire with every line end it
    can write, whole and mutated."""
    corpus = [bytes([b]) for b in range(256)] + [bytes(range(256))] + [b'\x0e' + bytes([b]) for b in range(256)]
    corpus += [b'\x0e' + bytes([a, b]) + b'\x0f\x15' for a in range(256) for b in range(256)]
    corpus += [a + b + c for a in SHIFT_PIECES for b in SHIFT_PIECES for c in SHIFT_PIECES]
    chars = reference.repertoire()
    ends = [e for e in LINE_ENDS if b'o' not in reference.encode(e)]
    return corpus + random_lines(reference, chars, ends, rng, random_count)


def shifted_text_corpus(reference, rng, random_count):
    """The page's own characters written, with the character pairs it
    writes as one code, and line ends between."""
    chars = reference.repertoire()
    pairs = [t for t in (reference.decode(b'\x0e' + bytes([a, b])) for a in range(0x41, 0xFF) for b in range(0x41, 0xFF))
             if len(t) == 2 and '\ufffd' not in t]
    pieces = chars + pairs + [c for p in pairs for c in p] + LINE_ENDS + ['\xad', '\u200b', '\U000e0001', 'a']
    return [''.join(rng.choice(pieces) for _ in range(rng.randint(1, 16))).encode() for _ in range(random_count)]


PAIR_SECONDS = frozenset('\u0300\u0301\u02e5\u02e9\u309a')


def writes_pairs_as_one_code():
    """Whether this CPython writes a JIS X 0213 pair in ISO-2022-JP-2004 as
    the one code its table gives it."""
    return '\u304b\u309a'.encode('iso2022_jp_2004', 'replace') == b'\x1b$(Q$w\x1b(B'


def pair_corpus(reference, rng, random_count):
    """Text around the character pairs a set writes as one code (JIS X
    0213, Big5-HKSCS): each pair, its first character alone, before another
    or at the end of the text."""
    pairs = set()
    if isinstance(reference, StatefulCodec):
        codes = [escape + bytes([a, b]) for escape in (b'\x1b$(Q', b'\x1b$(O')
                 for a in range(0x21, 0x7F) for b in range(0x21, 0x7F)]
    else:
        leads = [a for a in range(0x81, 0x100) if bytes([a]).decode(reference.codec, 'replace') == '\ufffd']
        codes = [bytes([a, b]) for a in leads for b in range(0x40, 0x100)]
    for code in codes:
        text = code.decode(reference.codec, 'replace')
        if len(text) == 2 and '\ufffd' not in text:
            pairs.add(text)
    if not pairs:
        return []
    pieces = sorted({c for pair in pairs for c in pair} | pairs | {'a', '\u3042', '\n'})
    corpus = [pair.encode() for pair in sorted(pairs)]
    corpus += [''.join(rng.choice(pieces) for _ in range(rng.randint(1, 8))).encode() for _ in range(random_count)]
    return corpus


def mutate(data, rng):
    at = rng.randrange(len(data)) if data else 0
    action = rng.randrange(4)
    if action == 0 and data:
        del data[at]
    elif action == 1:
        data.insert(at, rng.randrange(256))
    elif action == 2 and data:
        data[at] = rng.randrange(256)
    elif data:
        del data[rng.randrange(len(data)):]


def random_text(rng, length):
    ranges = [(0x01, 0x7F), (0x80, 0xFF), (0x100, 0x7FF), (0x800, 0xD7FF), (0xE000, 0xFFFF),
              (0x10000, 0x10FFFF)]
    out = []
    for _ in range(length):
        low, high = rng.choice(ranges)
        out.append(chr(rng.randint(low, high)))
    return ''.join(out)


def encode_corpus(rng, random_count):
    bmp = ''.join(chr(cp) for cp in range(1, 0x10000) if not 0xD800 <= cp <= 0xDFFF)
    astral = ''.join(chr(cp) for cp in range(0x10000, 0x110000, 97))
    corpus = [bmp.encode(), astral.encode(), (bmp[:300] + astral[:50] + bmp[-50:]).encode()]
    corpus += [random_text(rng, rng.randint(1, 16)).encode() for _ in range(random_count)]
    # Invalid internal form: each maximal subpart counts as one U+FFFD.
    corpus += [p for p in UTF8_PIECES if p != b'\x00']
    corpus += [b'a' + p + b'z' for p in UTF8_PIECES if p != b'\x00']
    return corpus


def show(data):
    return data.hex(' ') if isinstance(data, bytes) else ascii(data)


def check_names(driver, listing):
    """Every name CPython's codecs.lookup knows a codec of the catalogue by
    (its own names and the encodings package's aliases, in CPython's other
    spellings too) finds the row made from that codec. A bare number is an
    id, never a name; IANA's MS_Kanji stays Shift_JIS (CPython: cp932)."""
    import encodings.aliases
    code_kinds = {'UTF-8': ['utf_8'], 'UTF-16BE': ['utf_16_be', 'utf_16'], 'UTF-16LE': ['utf_16_le'],
                  'UTF-32BE': ['utf_32_be', 'utf_32'], 'UTF-32LE': ['utf_32_le']}
    catalogue = read_catalogue()
    wanted = []
    for enc_id, name in listing:
        source = catalogue.get(name, ('-', []))[0]
        modules = code_kinds.get(name, [source.partition(':')[2]] if source.startswith('python:') else [])
        targets = set()
        for module in modules:
            targets |= {module, codecs.lookup(module).name.replace('-', '_')}
        names = targets | {a for a, t in encodings.aliases.aliases.items() if t in targets}
        for n in sorted(names):
            if n.isdigit() or n in ('ms_kanji', 'mskanji'):
                continue
            for spelling in (n, n.upper(), n.replace('_', '-'), n.replace('_', ' ').title()):
                try:
                    codecs.lookup(spelling)
                except LookupError:
                    continue   # an alias CPython itself cannot reach (csHPRoman8)
                wanted.append((spelling, int(enc_id)))
    done = subprocess.run([driver, 'lookup'], input=''.join(s + '\n' for s, _ in wanted), capture_output=True,
                          text=True, check=True)
    failures = 0
    for (spelling, enc_id), got in zip(wanted, done.stdout.split()):
        if int(got) != enc_id:
            failures += 1
            print(f'name {spelling!r}: id {got}, expected {enc_id}')
    return len(wanted), failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('driver')
    parser.add_argument('--seed', type=int, default=20240611)
    parser.add_argument('--random', type=int, default=3000)
    parser.add_argument('--only', help='compare this encoding alone')
    args = parser.parse_args()
    catalogue = read_catalogue()

    listing = subprocess.run([args.driver, 'list'], capture_output=True, text=True, check=True)
    failures, checked, skipped = 0, 0, []
    pairs_trusted, pair_records_left_out = writes_pairs_as_one_code(), 0
    if not args.only:
        rows = [(line.split('\t')[0], line.split('\t')[2]) for line in listing.stdout.splitlines()]
        checked, failures = check_names(args.driver, rows)
    for line in listing.stdout.splitlines():
        enc_id, chsize, name = line.split('\t')
        if args.only and name != args.only:
            continue
        reference = reference_for(name, catalogue)
        if reference is None:
            skipped.append(name)
            continue
        rng = random.Random(f'{args.seed}:{name}')

        corpus = decode_corpus(name, int(chsize), reference, rng, args.random)
        for data, got in zip(corpus, run_driver(args.driver, 'decode', enc_id, corpus)):
            expected = reference.decode(data).encode('utf-8', 'surrogatepass')
            checked += 1
            if got != expected:
                failures += 1
                if failures <= 20:
                    print(f'{name} decode {show(data)}: got {show(got.decode("utf-8", "replace"))}, '
                          f'expected {show(expected.decode("utf-8", "replace"))}')

        corpus = encode_corpus(rng, args.random // 3)
        if isinstance(reference, (StatefulCodec, MultiByteCodec)):
            corpus += pair_corpus(reference, rng, args.random // 3)
        if isinstance(reference, IcuShifted):
            corpus += shifted_text_corpus(reference, rng, args.random)
        pairs_written = isinstance(reference, StatefulCodec) and reference.codec in ('iso2022_jp_2004', 'iso2022_jp_3')
        for text, got in zip(corpus, run_driver(args.driver, 'encode', enc_id, corpus)):
            unicode_text = text.decode('utf-8', 'replace')
            if pairs_written and not pairs_trusted and not PAIR_SECONDS.isdisjoint(unicode_text):
                pair_records_left_out += 1
                continue
            expected = reference.encode(unicode_text)
            checked += 1
            if got != expected:
                failures += 1
                if failures <= 20:
                    print(f'{name} encode {show(text[:40])}: got {show(got[:40])}, expected {show(expected[:40])}')

    if skipped:
        print('no reference for: ' + ', '.join(skipped) + ' (is uconv installed?)')
    if pair_records_left_out:
        print(f'{pair_records_left_out} encode records with JIS X 0213 pairs left out: this CPython '
              f'({sys.version.split()[0]}) does not write such a pair as one code')
    print(f'{checked} records compared, {failures} differ')
    return 1 if failures or skipped else 0


if __name__ == '__main__':
    sys.exit(main())
