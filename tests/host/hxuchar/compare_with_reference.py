#!/usr/bin/env python3
"""Decodes and encodes a generated corpus with the character-set layer (through
hxuchar_codec_driver) and compares every result with Python's codecs using
errors='replace'.

Usage: compare_with_reference.py DRIVER [--seed N] [--random N]
"""
import argparse
import codecs
import random
import struct
import subprocess
import sys

# Windows-1252 leaves five bytes undefined. This layer maps them to the C1
# controls of the same value so that no byte is lost; the reference is
# adjusted to expect exactly that and nothing else.
C1_KEPT = {'windows-1252': {0x81, 0x8D, 0x8F, 0x90, 0x9D}}


def c1_error_handler(kept):
    def handle(error):
        if isinstance(error, UnicodeDecodeError):
            byte = error.object[error.start]
            return (chr(byte) if byte in kept else '\ufffd', error.start + 1)
        char = error.object[error.start]
        return (bytes([ord(char)]) if ord(char) in kept else b'?', error.start + 1)
    return handle


class PythonCodec:
    def __init__(self, name):
        self.codec = codecs.lookup(name).name
        self.errors = 'replace'
        if name in C1_KEPT:
            self.errors = 'hxuchar-c1-' + name
            codecs.register_error(self.errors, c1_error_handler(C1_KEPT[name]))

    def decode(self, data):
        return data.decode(self.codec, self.errors)

    def encode(self, text):
        return text.encode(self.codec, self.errors)


class Utf16Codec(PythonCodec):
    """At the very end of the data, a high surrogate followed by one odd byte
    is one U+FFFD for CPython (and WHATWG decoders). Without a byte count the
    scanner reads that byte with the zero after the data as a whole unit: when
    that unit is no low surrogate, the surrogate and the cut unit are replaced
    separately, two U+FFFD."""

    def __init__(self, name):
        super().__init__(name)
        self.order = 'big' if name.upper().endswith('BE') else 'little'

    def decode(self, data):
        if len(data) % 2 and len(data) >= 3:
            unit = int.from_bytes(data[-3:-1], self.order)
            padded = int.from_bytes(data[-1:] + b'\0', self.order)
            if 0xD800 <= unit <= 0xDBFF and not 0xDC00 <= padded <= 0xDFFF:
                return super().decode(data[:-3]) + '\ufffd\ufffd'
        return super().decode(data)


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


def reference_for(name):
    if name.upper() in ('UCS-2BE', 'UCS-2LE'):
        return Ucs2(name.upper().endswith('BE'))
    try:
        if name.upper() in ('UTF-16BE', 'UTF-16LE'):
            return Utf16Codec(name)
        return PythonCodec(name)
    except LookupError:
        return None


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('driver')
    parser.add_argument('--seed', type=int, default=20240611)
    parser.add_argument('--random', type=int, default=3000)
    args = parser.parse_args()

    listing = subprocess.run([args.driver, 'list'], capture_output=True, text=True, check=True)
    failures, checked, skipped = 0, 0, []
    for line in listing.stdout.splitlines():
        enc_id, chsize, name = line.split('\t')
        reference = reference_for(name)
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
        for text, got in zip(corpus, run_driver(args.driver, 'encode', enc_id, corpus)):
            expected = reference.encode(text.decode('utf-8', 'replace'))
            checked += 1
            if got != expected:
                failures += 1
                if failures <= 20:
                    print(f'{name} encode {show(text[:40])}: got {show(got[:40])}, expected {show(expected[:40])}')

    if skipped:
        print('no reference for: ' + ', '.join(skipped))
    print(f'{checked} records compared, {failures} differ')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
