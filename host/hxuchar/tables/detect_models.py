#!/usr/bin/env python3
"""Generates the encoding detector's language models from word frequencies.

The source is the wordfreq package (PyPI), whose word lists are measured
over subtitles, news, encyclopedias and web text in many languages. Each
word weighs as much as its frequency:

- for alphabetic languages, a table of character-pair costs over the
  language's commonest letters (upper and lower case share a class), word
  boundaries and two classes for what the alphabet lacks;
- for Thai and Estonian, which the package lacks, the same table from the
  word lists of Debian's spelling dictionaries (hunspell-th, myspell-et),
  each listed word weighing the same;
- for Chinese, Japanese and Korean, the commonest characters with a cost
  each. Traditional Chinese frequencies come from the simplified ones
  through the package's own traditional-to-simplified mapping.

Costs are -log2 of a probability, quantized to 0-15 (0 the likeliest).

Usage: detect_models.py [--output FILE]   writes the C++ source
       detect_models.py --check FILE      compares; exit 1 on any difference,
                                          77 when a source is not installed
"""
import argparse
import math
import os
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
OUTPUT = os.path.join(HERE, '..', 'generated', 'detect_models.cpp')

# Words taken per language: enough for every letter's pairs to settle.
WORDS = 25000
# Letters per alphabet, and characters per CJK list.
ALPHABET = 44
# Thai writes vowels and tones as letters and marks of their own.
THAI_ALPHABET = 80
CJK_CHARACTERS = 1200
# The least share of a language's letters that puts a letter in its alphabet.
LETTER_SHARE = 2e-4
SKIPPED = 77

# Languages and the single-byte sets each is written in. The set ids are the
# catalogue's (encodings.txt); order within a family is the tie order.
FAMILIES = [
    ('western', [32, 10, 24, 52, 73, 70, 59, 79, 83, 78, 81, 64, 23, 19, 12],
     ['en', 'fr', 'de', 'es', 'it', 'pt', 'nl', 'sv', 'da', 'nb', 'fi', 'ca', 'is']),
    ('central', [30, 11, 74, 60, 25, 62, 63],
     ['pl', 'cs', 'sk', 'hu', 'sl', 'sh', 'ro']),
    ('cyrillic', [31, 50, 51, 14, 84, 53, 75, 89, 57],
     ['ru', 'uk', 'bg', 'mk']),
    ('greek', [33, 16, 58, 71, 85], ['el']),
    ('turkish', [34, 18, 76, 61], ['tr']),
    ('hebrew', [35, 17, 80, 87], ['he']),
    ('arabic', [36, 15, 82, 86], ['ar', 'fa', 'ur']),
    ('baltic', [37, 22, 13, 72], ['lt', 'lv', 'et']),
    ('vietnamese', [38], ['vi']),
    ('thai', [54, 20, 65], ['th']),
]
# Languages the word frequencies lack: Debian's spelling dictionaries
# (package, word list; the list's character set is in the affix file).
DICTIONARIES = {
    'th': ('hunspell-th', '/usr/share/hunspell/th_TH'),
    'et': ('myspell-et', '/usr/share/hunspell/et_EE'),
}
DICTIONARY_LICENCES = {'hunspell-th': 'LGPL', 'myspell-et': 'LGPL-2.1+, word list of the Institute of the Estonian Language'}
# EBCDIC pages: the Latin ones serve every Western language (the national
# pages differ from the international ones in a few letters only).
WESTERN = FAMILIES[0][2]
EBCDIC = [
    (90, WESTERN), (123, WESTERN), (122, WESTERN), (98, WESTERN), (131, WESTERN), (91, WESTERN),
    (124, WESTERN), (92, WESTERN), (125, WESTERN), (93, WESTERN), (126, WESTERN), (94, WESTERN),
    (127, WESTERN), (95, WESTERN), (128, WESTERN), (96, WESTERN), (129, WESTERN), (97, WESTERN),
    (130, WESTERN), (99, WESTERN), (132, WESTERN), (120, ['el']), (121, ['tr']), (133, ['he']),
]
# Multi-byte sets and the list that judges each.
CJK = [
    ('ja', [100, 101, 102]),
    ('zh-Hans', [103, 104, 105]),
    ('zh-Hant', [106, 107]),
    ('ko', [108, 109, 110]),
]
# Typography that any language's text holds between words: it counts as
# punctuation, not as a letter the alphabet lacks.
BOUNDARY_MARKS = ('\u00a0\u00ab\u00bb\u201c\u201d\u201e\u2018\u2019\u201a\u2013\u2014\u2026\u2022'
                  '\u00b0\u00a7\u00a9\u00ae\u2122\u20ac\u00b7\u00a1\u00bf\u2039\u203a\u00a3\u00a5')


# ASCII that text holds between words; other symbols ({, @, ...) inside a
# word are as unlikely as a letter the alphabet lacks (an EBCDIC page read
# as its neighbour shows them where letters belong).
PLAIN_ASCII = ' .,;:!?\'"()*%&+=<>-/0123456789\x7f'
# Brackets, # and | are text's too, but the national pages put letters where
# they are.
BRACKETS = '[]#|'


def vietnamese_form(word):
    """windows-1258 writes the tone marks as combining characters."""
    out = []
    for ch in word:
        try:
            ch.encode('cp1258')
            out.append(ch)
        except UnicodeEncodeError:
            decomposed = unicodedata.normalize('NFD', ch)
            # Keep the precomposed base where the set has it (ê, ơ, ư, ...).
            base = unicodedata.normalize('NFC', decomposed[:-1]) if len(decomposed) > 1 else decomposed
            out.append(base + (decomposed[-1] if len(decomposed) > 1 else ''))
    return ''.join(out)


def greek_form(word):
    """The word lists fold case, which turns a final sigma into a medial one."""
    return word[:-1] + '\u03c2' if word.endswith('\u03c3') else word


def dictionary_words(language):
    """Every listed word once, its affix flags dropped."""
    _, base = DICTIONARIES[language]
    charset = 'utf-8'
    with open(base + '.aff', 'rb') as f:
        for line in f:
            if line.startswith(b'SET '):
                charset = line.split()[1].decode('ascii')
                break
    with open(base + '.dic', encoding=charset) as f:
        lines = f.read().splitlines()[1:]
    words = sorted({line.split('/')[0].strip() for line in lines} - {''})
    return [(word.lower(), 1.0) for word in words]


def words_of(wordfreq, language):
    if language in DICTIONARIES:
        return dictionary_words(language)
    table = wordfreq.get_frequency_dict(language, wordlist='small')
    ranked = sorted(table.items(), key=lambda item: (-item[1], item[0]))[:WORDS]
    if language == 'vi':
        ranked = [(vietnamese_form(w), f) for w, f in ranked]
    if language == 'el':
        ranked = [(greek_form(w), f) for w, f in ranked]
    return ranked


def quantize(probability):
    bits = -math.log2(probability)
    return max(0, min(15, round(bits) - 3))


def alphabet_model(wordfreq, language):
    words = words_of(wordfreq, language)
    letters = {}
    for word, weight in words:
        for ch in word:
            if ch.isalpha() or unicodedata.category(ch) == 'Mn':
                letters[ch] = letters.get(ch, 0.0) + weight
    # Letters of loan words and names stay out: they would only be noise.
    mass = sum(letters.values())
    alphabet = [ch for ch, weight in sorted(letters.items(), key=lambda item: (-item[1], item[0]))
                if weight >= mass * LETTER_SHARE][:THAI_ALPHABET if language == 'th' else ALPHABET]
    index = {ch: i + 1 for i, ch in enumerate(alphabet)}
    boundary, punctuation, other, odd = 0, len(alphabet) + 1, len(alphabet) + 2, len(alphabet) + 3
    classes = len(alphabet) + 4

    def class_of(ch):
        if ch in index:
            return index[ch]
        return other if ch.isalpha() else boundary

    counts = [[0.0] * classes for _ in range(classes)]
    for word, weight in words:
        sequence = [boundary] + [class_of(ch) for ch in word] + [boundary]
        for a, b in zip(sequence, sequence[1:]):
            counts[a][b] += weight
    # Runs of spaces and punctuation are common in text, never in word lists.
    counts[boundary][boundary] += sum(counts[boundary]) * 0.2
    total = sum(map(sum, counts))
    floor = total * 1e-7
    costs = []
    for a in range(classes):
        for b in range(classes):
            if odd in (a, b):
                costs.append(15)
            else:
                costs.append(quantize((counts[a][b] + floor) / (total + floor * classes * classes)))
    # Word lists hold no punctuation: it costs what a boundary costs beside
    # spaces, and a little more beside letters, so that a mark read between
    # two letters is dearer than the letter that belongs there.
    for x in range(classes):
        if x == odd:
            continue
        beside_space = x in (boundary, punctuation)
        costs[punctuation * classes + x] = min(15, costs[boundary * classes + x] + (2 if beside_space else 9))
        costs[x * classes + punctuation] = min(15, costs[x * classes + boundary] + (2 if beside_space else 9))
    # Both cases of a letter share its class.
    members = {}
    for ch in alphabet:
        for form in {ch, ch.upper(), ch.lower()}:
            if len(form) == 1 and ord(form) >= 0x80:
                members.setdefault(ord(form), index[ch])
    for ch in BOUNDARY_MARKS:
        members.setdefault(ord(ch), punctuation)
    ascii_classes = []
    for byte in range(0x80):
        ch = chr(byte)
        lower = ch.lower()
        if ch.isalpha():
            ascii_classes.append(index.get(lower, index.get(ch, other)))
        else:
            ascii_classes.append(boundary if ch in PLAIN_ASCII or byte < 0x20 else
                                 punctuation if ch in BRACKETS else other)
    return {'classes': classes, 'members': sorted(members.items()), 'ascii': ascii_classes, 'costs': costs}


def chinese_traditional(simplified):
    """Traditional frequencies: each simplified character's weight goes to the
    traditional characters that map to it, or stays where none does."""
    import gzip
    import msgpack
    import wordfreq
    path = os.path.join(os.path.dirname(wordfreq.__file__), 'data', '_chinese_mapping.msgpack.gz')
    with gzip.open(path, 'rb') as f:
        mapping = msgpack.load(f, raw=False, strict_map_key=False)
    sources = {}
    for traditional, simple in mapping.items():
        if isinstance(traditional, int):
            traditional = chr(traditional)
        if traditional != simple:
            sources.setdefault(simple, []).append(traditional)
    result = {}
    for ch, weight in simplified.items():
        for target in sources.get(ch, [ch]):
            result[target] = result.get(target, 0.0) + weight / len(sources.get(ch, [ch]))
    return result


def cjk_model(wordfreq, tag):
    language = 'zh' if tag.startswith('zh') else tag
    weights = {}
    for word, weight in words_of(wordfreq, language):
        for ch in word:
            if ord(ch) >= 0x80 and (ch.isalpha() or unicodedata.category(ch).startswith('L')):
                weights[ch] = weights.get(ch, 0.0) + weight
    if tag == 'zh-Hant':
        weights = chinese_traditional(weights)
    ranked = sorted(weights.items(), key=lambda item: (-item[1], item[0]))[:CJK_CHARACTERS]
    total = sum(weights.values())
    return sorted((ord(ch), quantize(weight / total)) for ch, weight in ranked)


def c_words(values, per_line=12, fmt='0x{:04X}'):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append('    ' + ', '.join(fmt.format(v) for v in values[i:i + per_line]) + ',')
    return lines


def cost_text(costs, per_line=96):
    text = ''.join(chr(ord('a') + c) for c in costs)
    return ['    "' + text[i:i + per_line] + '"' for i in range(0, len(text), per_line)]


def dictionary_versions():
    """Installed package versions, or None when one is missing."""
    import subprocess
    versions = {}
    for package, base in DICTIONARIES.values():
        if not os.path.exists(base + '.dic'):
            return None
        result = subprocess.run(['dpkg-query', '-W', '-f', '${Version}', package], capture_output=True, text=True)
        versions[package] = result.stdout.strip() if result.returncode == 0 else 'unknown'
    return versions


def source_lines(version, dictionaries):
    lines = [f'// Source: wordfreq {version} (PyPI), word frequencies; data licence CC BY-SA 4.0, code Apache-2.0.']
    for package, package_version in dictionaries.items():
        lines.append(f'// Source: {package} {package_version} (Debian), spelling word list; licence '
                     f'{DICTIONARY_LICENCES[package]}.')
    return lines


def generate(wordfreq, version, dictionaries):
    languages = []
    for _, _, tags in FAMILIES:
        languages += [t for t in tags if t not in languages]
    for _, tags in EBCDIC:
        languages += [t for t in tags if t not in languages]
    models = {tag: alphabet_model(wordfreq, tag) for tag in languages}
    out = [
        '// Generated by host/hxuchar/tables/detect_models.py. Do not edit: change the script and run it again.',
        *source_lines(version, dictionaries),
        f'// {WORDS} words per frequency list, {ALPHABET} letters per alphabet ({THAI_ALPHABET} for Thai), '
        f'{CJK_CHARACTERS} characters per CJK list.',
        '#include "../detect_models.h"',
        '',
        'namespace hxuchar {',
        '',
        'namespace {',
        '',
    ]
    for tag in languages:
        model = models[tag]
        ident = tag.replace('-', '_')
        out.append(f'constexpr LetterClass k_{ident}_members[] = {{')
        out += c_words([f'{{0x{cp:04X}, {cls}}}' for cp, cls in model['members']], 6, '{}')
        out.append('};')
        out.append(f'constexpr std::uint8_t k_{ident}_ascii[] = {{')
        out += c_words(model['ascii'], 16, '{}')
        out.append('};')
        out.append(f'constexpr char k_{ident}_costs[] =')
        out += cost_text(model['costs'])
        out.append('    ;')
        out.append('')
    for tag, _ in CJK:
        ident = tag.replace('-', '_')
        entries = cjk_model(wordfreq, tag)
        out.append(f'constexpr CharacterCost k_{ident}_characters[] = {{')
        out += c_words([f'{{0x{cp:04X}, {cost}}}' for cp, cost in entries], 6, '{}')
        out.append('};')
        out.append('')
    out.append('}  // namespace')
    out.append('')
    out.append('const LanguageModel kLanguageModels[] = {')
    for tag in languages:
        ident = tag.replace('-', '_')
        model = models[tag]
        out.append(f'    {{"{tag}", {model["classes"]}, k_{ident}_members, '
                   f'static_cast<int>(sizeof k_{ident}_members / sizeof k_{ident}_members[0]), '
                   f'k_{ident}_ascii, k_{ident}_costs}},')
    out.append('};')
    out.append(f'const int kLanguageModelCount = {len(languages)};')
    out.append('')
    position = {tag: i for i, tag in enumerate(languages)}

    def mask(tags):
        return '0x{:016X}ull'.format(sum(1 << position[t] for t in tags))

    out.append('const SingleByteCandidate kSingleByteCandidates[] = {')
    for family_index, (name, ids, tags) in enumerate(FAMILIES):
        for id_ in ids:
            out.append(f'    {{{id_}, {family_index}, false, {mask(tags)}}},  // {name}')
    for id_, tags in EBCDIC:
        out.append(f'    {{{id_}, {len(FAMILIES)}, true, {mask(tags)}}},  // EBCDIC')
    out.append('};')
    out.append('const int kSingleByteCandidateCount = '
               f'{sum(len(ids) for _, ids, _ in FAMILIES) + len(EBCDIC)};')
    out.append('')
    out.append('const CjkCandidate kCjkCandidates[] = {')
    for tag, ids in CJK:
        ident = tag.replace('-', '_')
        for id_ in ids:
            out.append(f'    {{{id_}, k_{ident}_characters, '
                       f'static_cast<int>(sizeof k_{ident}_characters / sizeof k_{ident}_characters[0])}},  // {tag}')
    out.append('};')
    out.append(f'const int kCjkCandidateCount = {sum(len(ids) for _, ids in CJK)};')
    out.append('')
    out.append('}  // namespace hxuchar')
    return '\n'.join(out) + '\n'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--output', default=OUTPUT)
    parser.add_argument('--check', metavar='FILE')
    args = parser.parse_args()
    try:
        import wordfreq
        from importlib.metadata import version
    except ImportError:
        print('wordfreq is not installed (pip install wordfreq==3.1.1): nothing to compare')
        return SKIPPED if args.check else 1
    dictionaries = dictionary_versions()
    if dictionaries is None:
        print('a spelling dictionary is missing (apt-get install ' +
              ' '.join(package for package, _ in DICTIONARIES.values()) + '): nothing to compare')
        return SKIPPED if args.check else 1
    text = generate(wordfreq, version('wordfreq'), dictionaries)
    if args.check:
        with open(args.check, encoding='utf-8') as f:
            committed = f.read()
        # Another release of a source gives other numbers: only the same ones compare.
        sources = 1 + len(DICTIONARIES)
        if committed.splitlines()[1:1 + sources] != text.splitlines()[1:1 + sources]:
            print('the committed models come from other releases of their sources: nothing to compare')
            return SKIPPED
        if committed != text:
            print('the generated models differ from the committed ones')
            return 1
        print('the generated models match')
        return 0
    with open(args.output, 'w', encoding='utf-8') as f:
        f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main())
