#!/usr/bin/env python3
"""Builds the detector's evaluation corpus from translated message catalogues.

Every text is real translated prose: the translations of installed
programs' messages (/usr/share/locale/LANG/LC_MESSAGES/*.mo), joined one
message a line up to a chosen size. The texts are stored in UTF-8; the
manifest names, for each, the encodings the test writes it in. A message
that one of its encodings cannot hold is left out of that text. The word
lists the models come from are not translations of messages, so the two
do not overlap.

Usage: build_corpus.py [DIR]   writes DIR/*.txt and DIR/manifest.tsv (default: beside this script)
"""
import gettext
import glob
import os
import random
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))

# (locale directory, language, encodings the texts are written in)
LANGUAGES = [
    ('fr', 'fr', ['windows-1252', 'ISO-8859-1', 'ISO-8859-15', 'macintosh', 'IBM850', 'IBM500']),
    ('de', 'de', ['windows-1252', 'ISO-8859-15', 'IBM850', 'IBM273']),
    ('es', 'es', ['windows-1252', 'ISO-8859-1', 'IBM037']),
    ('it', 'it', ['windows-1252', 'ISO-8859-1']),
    ('pt_BR', 'pt', ['windows-1252', 'ISO-8859-1', 'IBM860']),
    ('nl', 'nl', ['windows-1252', 'IBM037']),
    ('sv', 'sv', ['windows-1252', 'ISO-8859-1', 'IBM01140']),
    ('da', 'da', ['windows-1252', 'IBM865']),
    ('fi', 'fi', ['ISO-8859-15', 'windows-1252']),
    ('ca', 'ca', ['windows-1252']),
    ('is', 'is', ['windows-1252', 'IBM861']),
    ('pl', 'pl', ['windows-1250', 'ISO-8859-2', 'IBM852']),
    ('cs', 'cs', ['windows-1250', 'ISO-8859-2', 'x-mac-ce']),
    ('sk', 'sk', ['windows-1250', 'ISO-8859-2']),
    ('hu', 'hu', ['windows-1250', 'ISO-8859-2']),
    ('sl', 'sl', ['windows-1250', 'ISO-8859-2']),
    ('hr', 'hr', ['windows-1250', 'ISO-8859-2']),
    ('ro', 'ro', ['ISO-8859-16']),
    ('ru', 'ru', ['windows-1251', 'KOI8-R', 'ISO-8859-5', 'IBM866', 'x-mac-cyrillic']),
    ('uk', 'uk', ['windows-1251', 'KOI8-U']),
    ('bg', 'bg', ['windows-1251', 'ISO-8859-5']),
    ('el', 'el', ['windows-1253', 'ISO-8859-7']),
    ('tr', 'tr', ['windows-1254', 'ISO-8859-9']),
    ('he', 'he', ['windows-1255', 'ISO-8859-8']),
    ('ar', 'ar', ['windows-1256', 'ISO-8859-6']),
    ('fa', 'fa', ['windows-1256']),
    ('lt', 'lt', ['windows-1257', 'ISO-8859-13']),
    ('lv', 'lv', ['windows-1257', 'ISO-8859-13']),
    ('vi', 'vi', ['windows-1258']),
    ('ja', 'ja', ['Shift_JIS', 'EUC-JP']),
    ('zh_CN', 'zh-Hans', ['GB2312', 'GBK', 'GB18030']),
    ('zh_TW', 'zh-Hant', ['Big5']),
    ('ko', 'ko', ['EUC-KR']),
    # The rules before the statistics.
    ('en_GB', 'en', ['US-ASCII']),
    ('ru', 'ru', ['UTF-8', 'UTF-16LE', 'UTF-16BE', 'UTF-32LE']),
    ('ja', 'ja', ['UTF-8', 'UTF-16LE', 'UTF-16BE']),
    # Later additions stay last, so that the texts before them do not change.
    ('et', 'et', ['windows-1257', 'ISO-8859-13']),
    ('th', 'th', ['windows-874', 'TIS-620']),
]
# Encoded sizes: the bands the results are reported in.
BANDS = [(200, 1024), (1024, 4096), (4096, 16384), (16384, 40000)]
# Fewer long texts (every third language): they cost room and are the easy ones.
TEXTS_PER_BAND = [3, 3, 1, 1]
CODECS = {'IBM01140': 'cp1140', 'windows-874': 'cp874', 'x-mac-ce': 'mac-latin2', 'x-mac-cyrillic': 'mac-cyrillic'}


def codec(name):
    return CODECS.get(name, name)


def encodable(text, encodings):
    for name in encodings:
        try:
            text.encode(codec(name))
        except UnicodeEncodeError:
            return False
    return True


def vietnamese_form(text):
    out = []
    for ch in text:
        try:
            ch.encode('cp1258')
            out.append(ch)
        except UnicodeEncodeError:
            d = unicodedata.normalize('NFD', ch)
            out.append(unicodedata.normalize('NFC', d[:-1]) + d[-1] if len(d) > 1 else ch)
    return ''.join(out)


def messages(directory, encodings):
    found = []
    for path in sorted(glob.glob(f'/usr/share/locale/{directory}/LC_MESSAGES/*.mo')):
        if os.path.basename(path).startswith('iso_'):
            continue  # lists of names, not prose
        try:
            with open(path, 'rb') as f:
                catalog = gettext.GNUTranslations(f)._catalog
        except Exception:
            continue
        for key, value in catalog.items():
            if not value or key == '' or (isinstance(key, tuple) and key[0] == ''):
                continue
            line = ' '.join(value.replace('\t', ' ').split())
            if len(line) < 12 or '%' in line or '_' in line or '\\' in line:
                continue
            if encodings[0] == 'windows-1258':
                line = vietnamese_form(line)
            if encodable(line, encodings):
                found.append((os.path.basename(path), line))
    return found


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else HERE
    rng = random.Random(21)
    manifest = ['# text\tencodings\tsource catalogues (/usr/share/locale/LANG/LC_MESSAGES)']
    for directory, language, encodings in LANGUAGES:
        pool = messages(directory, encodings)
        if not pool:
            print(f'no installed catalogue in {directory}: no {language} texts', file=sys.stderr)
        rng.shuffle(pool)
        position = 0
        for band, (low, high) in enumerate(BANDS):
            if band == 3 and LANGUAGES.index((directory, language, encodings)) % 3 != 0:
                continue
            for n in range(TEXTS_PER_BAND[band]):
                target = rng.randint(low, high)
                lines, sources, size = [], set(), 0
                while position < len(pool) and size < target:
                    source, line = pool[position]
                    position += 1
                    if size + len(line.encode('utf-8')) + 1 > high * 1.5:
                        continue
                    lines.append(line)
                    sources.add(source)
                    size += len(line.encode(codec(encodings[0]))) + 1
                if size < low:
                    break
                name = f'{language}-{encodings[0].lower()}-{band}{n}.txt'
                with open(os.path.join(out_dir, name), 'w', encoding='utf-8', newline='\n') as f:
                    f.write('\n'.join(lines) + '\n')
                manifest.append(f'{name}\t{" ".join(encodings)}\t{" ".join(sorted(sources))}')
    with open(os.path.join(out_dir, 'manifest.tsv'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(manifest) + '\n')


if __name__ == '__main__':
    main()
