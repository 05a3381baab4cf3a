#!/usr/bin/env python3
"""vrbio run as a process on real files.

Usage: test_vrbio.py [unittest arguments]; the VRBIO environment variable
names the executable (default: build/bin/vrbio of the source tree).
"""
import errno
import glob
import os
import pty
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
VRBIO = os.environ.get("VRBIO") or os.path.join(HERE, "..", "..", "..", "build", "bin", "vrbio")
# Set when VRBIO runs a Windows build (under Wine): the system's texts and
# its module files differ, the bytes vrbio writes do not.
WINDOWS = os.environ.get("VRBIO_WINDOWS") == "1"


def full_disk_text():
    """What a full device says: the C library's text, or the Windows
    system's for its own code (ERROR_DISK_FULL), never an unknown error."""
    return "(Windows error 112)" if WINDOWS else os.strerror(errno.ENOSPC)

# A sanitizer report changes the exit status too, but says more.
SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "runtime error:")

# (name given to vrbio, Python codec) for the encodings the round trips use.
UNICODE_ENCODINGS = [
    ("UTF-8", "utf-8"),
    ("UTF-16LE", "utf-16-le"),
    ("UTF-16BE", "utf-16-be"),
    ("UTF-32LE", "utf-32-le"),
    ("UTF-32BE", "utf-32-be"),
]
LATIN1 = ("ISO-8859-1", "latin-1")
CP1252 = ("windows-1252", "cp1252")

WORLD_LINES = ["Grüße aus Köln – “Frühstück” 8:00 €", "", "Ελληνικά, русский, 日本語 🙂", "tab\there"]
LATIN1_LINES = ["Grüße aus Köln, naïve café", "", "5 × 7 ÷ 3 ¿¡"]
CP1252_LINES = ["“Smart quotes” – 5 €", "", "Œuvre, Šárka, Žofie … ™"]

NEWLINES = {"lf": "\n", "crlf": "\r\n", "cr": "\r", "nel": "\u0085"}


def readable_lines(lines, newline):
    """The lines that read back as written: a run of CRs is one line end, so
    with CR as the newline an empty line merges into the line end before it."""
    return [line for line in lines if line] if newline == "\r" else lines


def run(*args, env=None, stdout=subprocess.PIPE, cwd=None):
    full_env = dict(os.environ)
    full_env.update(env or {})
    result = subprocess.run([os.path.abspath(VRBIO), *args], stdin=subprocess.DEVNULL, stdout=stdout,
                            stderr=subprocess.PIPE, env=full_env, timeout=300, cwd=cwd)
    stderr = result.stderr.decode("utf-8", "replace")
    for mark in SANITIZER_MARKS:
        if mark in stderr:
            raise AssertionError("sanitizer report from vrbio %s:\n%s" % (" ".join(args), stderr))
    return result


class VrbioCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory(prefix="vrbio-test-")
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        path = self.path(name)
        with open(path, "wb") as file:
            file.write(data)
        return path

    def read(self, path):
        with open(path, "rb") as file:
            return file.read()

    def assertSucceeds(self, result):
        self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace"))
        self.assertEqual(result.stderr, b"")
        return result.stdout

    def assertFails(self, result, status=1):
        """A failure: the status, and one "vrbio: reason" on standard error."""
        stderr = result.stderr.decode("utf-8", "replace")
        self.assertEqual(result.returncode, status, stderr)
        self.assertTrue(stderr.startswith("vrbio: "), stderr)
        self.assertGreater(len(stderr.splitlines()[0]), len("vrbio: "), stderr)
        return stderr

    def assertUsageError(self, result, *mentions):
        stderr = self.assertFails(result, 2)
        self.assertIn("usage: vrbio", stderr)
        for mention in mentions:
            self.assertIn(mention, stderr)
        self.assertEqual(result.stdout, b"")


class UsageTests(VrbioCase):
    def test_help_in_its_three_forms(self):
        texts = [self.assertSucceeds(run(form)) for form in ("--help", "-h", "help")]
        self.assertEqual(texts[0], texts[1])
        self.assertEqual(texts[0], texts[2])
        for word in (b"encodings", b"cat", b"convert", b"ls", b"VRBASEIO_MODULE", b"Exit status"):
            self.assertIn(word, texts[0])

    def test_command_help(self):
        for command in ("cat", "convert", "ls", "encodings"):
            for form in (["help", command], [command, "--help"], [command, "-h"]):
                self.assertIn(b"usage: vrbio " + command.encode(), self.assertSucceeds(run(*form)))

    def test_usage_errors_name_the_problem(self):
        cases = [
            ([], ["missing command"]),
            (["frobnicate"], ["frobnicate"]),
            (["--frobnicate"], ["--frobnicate"]),
            (["help", "frobnicate"], ["frobnicate"]),
            (["cat"], ["missing LOCATION"]),
            (["cat", "--frobnicate", "a"], ["--frobnicate"]),
            (["cat", "-x", "a"], ["'-x'"]),
            (["cat", "a", "-e"], ["-e", "needs a value"]),
            (["cat", "--text=yes", "a"], ["--text", "no value"]),
            (["cat", "-e", "no-such-charset", "a"], ["no-such-charset"]),
            (["cat", "-e", "99999999999", "a"], ["99999999999"]),
            (["cat", "-e", "250", "a"], ["250"]),
            (["convert", "-t", "250", "a", "b"], ["250"]),
            (["convert", "a"], ["missing DST"]),
            (["convert", "a", "b", "c"], ["'c'"]),
            (["convert", "-f", "bogus", "a", "b"], ["bogus"]),
            (["convert", "-t", "bogus", "a", "b"], ["bogus"]),
            (["convert", "--newline", "lfcr", "a", "b"], ["lfcr"]),
            (["convert", "--newline"], ["--newline", "needs a value"]),
            (["ls"], ["missing LOCATION"]),
            (["ls", "--dirs", "--files", "."], ["--dirs", "--files"]),
            (["encodings", "x"], ["'x'"]),
        ]
        for args, mentions in cases:
            with self.subTest(args=args):
                self.assertUsageError(run(*args), *mentions)

    def test_usage_errors_come_before_the_module_is_loaded(self):
        self.assertUsageError(run("cat", "--bogus", "a", env={"VRBASEIO_MODULE": self.path("none.so")}), "--bogus")

    def test_missing_module_is_a_failure_with_the_path(self):
        module = self.path("none.so")
        for args in (["cat", "a"], ["ls", "."], ["convert", "a", "b"]):
            stderr = self.assertFails(run(*args, env={"VRBASEIO_MODULE": module}))
            self.assertIn(module, stderr)

    def test_a_module_without_the_entry_point_is_refused(self):
        system_library = "kernel32.dll" if WINDOWS else "libc.so.6"
        stderr = self.assertFails(run("cat", "a", env={"VRBASEIO_MODULE": system_library}))
        self.assertIn("VrbIOInitialize", stderr)

    def test_version_shows_the_release_and_the_module_that_loads(self):
        lines = self.assertSucceeds(run("--version")).decode().splitlines()
        self.assertRegex(lines[0], r"^vrbio \d+\.\d+\.\d+$")
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(lines[1].startswith("module "), lines)
        if WINDOWS:
            self.assertTrue(lines[1].lower().endswith("vrbaseio.dll"), lines)
            return
        built = os.environ["VRBIO_BUILT_MODULE"]
        self.assertEqual(os.path.realpath(lines[1][len("module "):]), os.path.realpath(built))
        # A module named in the environment is the one that loads, and when
        # it cannot, nothing else does.
        copy = self.path("copy-of-the-module.so")
        shutil.copy(built, copy)
        lines = self.assertSucceeds(run("--version", env={"VRBASEIO_MODULE": copy})).decode().splitlines()
        self.assertEqual(lines[1], "module " + os.path.realpath(copy))
        # The former name still counts, unless the new one is set.
        lines = self.assertSucceeds(run("--version", env={"VRBIO_MODULE": copy})).decode().splitlines()
        self.assertEqual(lines[1], "module " + os.path.realpath(copy))
        lines = self.assertSucceeds(run("--version", env={"VRBIO_MODULE": self.path("none.so"),
                                                          "VRBASEIO_MODULE": copy})).decode().splitlines()
        self.assertEqual(lines[1], "module " + os.path.realpath(copy))
        missing = self.path("none.so")
        for variable in ("VRBASEIO_MODULE", "VRBIO_MODULE"):
            result = run("--version", env={variable: missing})
            self.assertIn(missing, self.assertFails(result))
        self.assertRegex(result.stdout.decode(), r"^vrbio \d+\.\d+\.\d+\n$")

    def test_config_shows_the_directory_and_what_it_sets_or_why_it_cannot(self):
        conf = self.path("conf")
        os.mkdir(conf)
        self.write("conf/core-site.xml", b"<configuration>\n<property><name>fs.defaultFS</name>"
                                         b"<value>hdfs://${ns}</value></property>\n"
                                         b"<property><name>ns</name><value>prod</value></property>\n"
                                         b"<property><name>unrelated</name><value>x</value></property>\n"
                                         b"</configuration>\n")
        lines = self.assertSucceeds(run("config", env={"HADOOP_CONF_DIR": conf})).decode().splitlines()
        self.assertEqual(lines[0], "Hadoop configuration: %s (HADOOP_CONF_DIR)" % conf)
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(lines[1].startswith("fs.defaultFS=hdfs://prod\t") and lines[1].endswith("core-site.xml:2"), lines)
        self.write("conf/hdfs-site.xml", b"<configuration>\n<property>\n</configuration>\n")
        stderr = self.assertFails(run("config", env={"HADOOP_CONF_DIR": conf}))
        self.assertIn("hdfs-site.xml:3: mismatched tag", stderr)
        stderr = self.assertFails(run("ls", "hadoop://prod/x", env={"HADOOP_CONF_DIR": conf}))
        self.assertIn("hdfs-site.xml:3: mismatched tag", stderr)

    def test_double_dash_ends_the_options(self):
        self.write("--text", b"x\r\n")
        self.assertEqual(self.assertSucceeds(run("cat", "-e", "UTF-8", "--", "--text", cwd=self.dir)), b"x\n")

    def test_options_may_follow_operands_and_take_attached_values(self):
        path = self.write("a.txt", "é\r\n".encode("latin-1"))
        expected = "é\n".encode()
        self.assertEqual(self.assertSucceeds(run("cat", path, "-e", "ISO-8859-1")), expected)
        self.assertEqual(self.assertSucceeds(run("cat", "-eISO-8859-1", path)), expected)


class EncodingsTests(VrbioCase):
    def table(self, env=None):
        lines = self.assertSucceeds(run("encodings", env=env)).decode().splitlines()
        self.assertEqual(lines[0], "id\tname\taliases\tbom\tnewline")
        rows = [line.split("\t") for line in lines[1:]]
        for row in rows:
            self.assertEqual(len(row), 5, row)
        return rows

    def test_table_shape_and_marks(self):
        rows = self.table()
        ids = [int(row[0]) for row in rows]
        self.assertEqual(len(ids), len(set(ids)))
        marks = {int(row[0]): row[3] for row in rows}
        self.assertEqual(marks[0], "EF BB BF")
        self.assertEqual(marks[45], "FE FF")
        self.assertEqual(marks[7], "FE FF")
        self.assertEqual(marks[46], "FF FE")
        self.assertEqual(marks[8], "FF FE")
        for id, mark in marks.items():
            if id not in (0, 7, 8, 45, 46):
                self.assertEqual(mark, "-", id)
        for row in rows:
            self.assertIn(row[4], ("CR LF", "NEL"))
        self.assertGreater(len(rows), 8)

    def test_needs_no_module(self):
        self.table(env={"VRBASEIO_MODULE": self.path("none.so")})

    def test_every_name_and_alias_converts_and_cats(self):
        """Each set's text written through every one of its names, compared
        with an independent encoder (CPython, or ICU for the sets CPython
        lacks, or glibc's iconv for the sets only it has), then read back
        through every name."""
        sources = catalogue_sources()
        rows = self.table()
        self.assertGreaterEqual(len(rows), 100)
        for row in rows:
            names = [row[0], row[1]] + ([] if row[2] == "-" else row[2].split(","))
            if WINDOWS:
                # Names resolve in the character-set layer, the same code in
                # both builds; under Wine, where each of some 2,000 process
                # starts costs time and now and then fails to start at all,
                # the canonical name stands for them.
                names = [row[1]]
            encode = reference_encoder(sources[row[1]], row[1])
            text = sample_text(encode)
            expected = encode(text + "\n")
            source = self.write("in.txt", (text + "\n").encode())
            for name in names:
                with self.subTest(encoding=row[1], name=name):
                    destination = self.path("out.txt")
                    self.assertSucceeds(run("convert", "-f", "UTF-8", "-t", name.lower(), "--newline", "lf",
                                            source, destination))
                    self.assertEqual(self.read(destination), expected)
                    self.assertEqual(self.assertSucceeds(run("cat", "-e", name, destination)),
                                     (text + "\n").encode())


CATALOGUE = os.path.join(HERE, "..", "..", "..", "host", "hxuchar", "tables", "encodings.txt")
# Characters a sample may take when its set has them: every script the
# catalogue serves.
SAMPLE_CHARACTERS = ("AZaz09 ~\\€£¥©éÆøßÇüñ½ĄłŐžčřĞışΩαβЖжЯїЄ"
                     "אבגابتก฿ệ日本語テキスト中文字繁體한국어ｶﾀ─│")


def catalogue_sources():
    """canonical name -> mapping source ("python:cp037", "iconv:IBM1047", "icu:ibm-930", "-")."""
    sources = {}
    with open(CATALOGUE, encoding="utf-8") as file:
        for line in file:
            if line.strip() and not line.startswith("#"):
                fields = [field.strip() for field in line.split("|")]
                sources[fields[1]] = fields[3]
    return sources


def reference_encoder(source, name):
    """A strict encoder for one set: None for a character it lacks or writes
    as another one. The Unicode forms are CPython's codecs of the same name
    (UCS-2 as UTF-16 within the BMP)."""
    kind, _, codec = source.partition(":")
    if kind == "iconv" and not codec.upper().startswith("IBM"):
        # The sets only glibc converts both ways: its iconv program.
        def through_iconv(data, source, target):
            done = subprocess.run(["iconv", "-f", source, "-t", target], input=data, capture_output=True)
            return done.stdout if done.returncode == 0 else None

        def encode_with_glibc(text):
            data = through_iconv(text.encode(), "UTF-8", codec)
            return data if data and through_iconv(data, codec, "UTF-8") == text.encode() else None
        return encode_with_glibc
    if kind in ("iconv", "icu"):
        converter = codec if kind == "icu" else "ibm-" + codec[3:].lstrip("0")

        def convert(data, source, target):
            done = subprocess.run(["uconv", "-f", source, "-t", target, "--callback", "stop"],
                                  input=data, capture_output=True)
            return done.stdout if done.returncode == 0 else None

        def encode(text):
            data = convert(text.encode(), "UTF-8", converter)
            return data if data and convert(data, converter, "UTF-8") == text.encode() else None
        return encode
    if kind != "python":
        codec = name.replace("UCS-2", "UTF-16")
        if name.startswith("UCS-2"):
            return lambda text: None if any(ord(c) > 0xFFFF for c in text) else strict_encode(text, codec)
    return lambda text: strict_encode(text, codec)


def strict_encode(text, codec):
    try:
        data = text.encode(codec)
        return data if data.decode(codec) == text else None
    except (UnicodeError, LookupError):
        return None


def sample_text(encode):
    return "".join(c for c in SAMPLE_CHARACTERS if encode(c) is not None and encode(c) != b"")


class CatTests(VrbioCase):
    def test_several_locations_in_turn_past_a_failing_one(self):
        first = self.write("first.txt", b"one\n")
        second = self.write("second.txt", b"two")
        missing = self.path("missing.txt")
        result = run("cat", first, missing, second, first)
        stderr = self.assertFails(result)
        self.assertEqual(result.stdout, b"one\ntwo\none\n")
        self.assertEqual(len(stderr.splitlines()), 1, stderr)
        self.assertIn("missing.txt", stderr)
        self.assertEqual(self.assertSucceeds(run("cat", "--text", second, second)), b"twotwo")

    def cat(self, data, *options):
        return self.assertSucceeds(run("cat", *options, self.write("in.txt", data)))

    def test_lines_in_each_encoding(self):
        cases = [(name, codec, WORLD_LINES) for name, codec in UNICODE_ENCODINGS]
        cases += [(LATIN1[0], LATIN1[1], LATIN1_LINES), (CP1252[0], CP1252[1], CP1252_LINES)]
        for name, codec, all_lines in cases:
            for newline in ("\r\n", "\n", "\r"):
                lines = readable_lines(all_lines, newline)
                with self.subTest(encoding=name, newline=newline):
                    data = newline.join(lines).encode(codec) + newline.encode(codec)
                    self.assertEqual(self.cat(data, "-e", name), ("\n".join(lines) + "\n").encode())

    def test_numeric_id_selects_the_encoding(self):
        data = "Köln\n".encode("utf-16-le")
        self.assertEqual(self.cat(data, "-e", "46"), "Köln\n".encode())

    def test_unknown_numeric_id_is_a_usage_error(self):
        self.assertUsageError(run("cat", "-e", "99999", self.write("a.txt", b"a\n")), "99999")

    def test_text_is_the_exact_transcoding(self):
        text = "".join("%05d %s%s" % (i, WORLD_LINES[i % 4], ["\n", "\r\n", "\r", "\u0085", "\u2028"][i % 5])
                       for i in range(6000))
        text += "no line end at the end"
        for name, codec in UNICODE_ENCODINGS:
            with self.subTest(encoding=name):
                self.assertEqual(self.cat(text.encode(codec), "--text", "-e", name), text.encode())

    def test_line_ends(self):
        data = "a\nb\r\nc\rd\u0085e\u2028f\u2029g\x0ch\r\r\ni\r\rj\x0bk\n\nl\r\n\r\nm"
        expected = "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\x0bk\n\nl\n\nm\n"
        for name, codec in UNICODE_ENCODINGS:
            with self.subTest(encoding=name):
                self.assertEqual(self.cat(data.encode(codec), "-e", name), expected.encode())

    def test_byte_order_mark_detection(self):
        text = "Köln €\n"
        cases = [(b"\xef\xbb\xbf", "utf-8"), (b"\xff\xfe", "utf-16-le"), (b"\xfe\xff", "utf-16-be")]
        for mark, codec in cases:
            with self.subTest(codec=codec):
                data = mark + text.encode(codec)
                # The mark overrides the encoding asked for.
                self.assertEqual(self.cat(data, "--bom", "-e", "ISO-8859-1"), text.encode())
                self.assertEqual(self.cat(data, "--bom", "--text", "-e", "ISO-8859-1"), text.encode())
        # Without --bom a UTF-8 mark is text.
        self.assertEqual(self.cat(b"\xef\xbb\xbfa\n", "-e", "UTF-8"), "\ufeffa\n".encode())
        # A file that is only a mark has no lines.
        self.assertEqual(self.cat(b"\xff\xfe", "--bom"), b"")

    def test_default_encoding_follows_the_locale_but_posix_reads_utf8(self):
        if WINDOWS:
            self.skipTest("the locale layer reports the ANSI code page on Windows")
        # Locales made for the test, so that none need be installed.
        locales = self.path("locales")
        os.mkdir(locales)
        for charmap in ("ISO-8859-1", "ANSI_X3.4-1968"):
            made = subprocess.run(["localedef", "-i", "en_US", "-f", charmap, os.path.join(locales, "en_US." + charmap)],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            self.assertTrue(os.path.isdir(os.path.join(locales, "en_US." + charmap)), made.stdout)
        text = "café €\nnaïve\n"
        path = self.write("notes.txt", text.encode("utf-8"))
        # The C library's newlocale keeps the list it makes of LOCPATH's
        # directories (frame argz_add_sep): not a leak of vrbio's.
        suppressions = self.write("lsan.supp", b"leak:argz_add_sep\n")
        lsan = {"LSAN_OPTIONS": ":".join(filter(None, ["suppressions=" + suppressions, "print_suppressions=0", os.environ.get("LSAN_OPTIONS")]))}
        unset = dict({"LC_ALL": "", "LC_CTYPE": "", "LANG": "", "LOCPATH": locales}, **lsan)
        cases = [
            ({}, text),
            ({"LC_ALL": "C"}, text),
            ({"LANG": "POSIX"}, text),
            ({"LC_ALL": "en_US.ISO-8859-1"}, text.encode("utf-8").decode("latin-1")),
            # ASCII chosen by name keeps its meaning.
            ({"LC_ALL": "en_US.ANSI_X3.4-1968"}, "caf\ufffd\ufffd \ufffd\ufffd\ufffd\nna\ufffd\ufffdve\n"),
        ]
        for env, expected in cases:
            with self.subTest(env=env):
                result = run("cat", path, env=dict(unset, **env))
                self.assertEqual(self.assertSucceeds(result), expected.encode())

    def test_empty_file(self):
        self.assertEqual(self.cat(b"", "-e", "UTF-8"), b"")
        self.assertEqual(self.cat(b"", "--text", "-e", "UTF-8"), b"")

    def test_malformed_bytes_become_replacement_characters(self):
        self.assertEqual(self.cat(b"a\xffb\n", "-e", "UTF-8"), "a\ufffdb\n".encode())
        # A file that ends inside a character.
        self.assertEqual(self.cat(b"ab\xe2\x82", "-e", "UTF-8", "--text"), "ab\ufffd".encode())

    def test_nul_fails_unless_asked_to_replace(self):
        # Not "nul.txt": on Windows that names the null device.
        path = self.write("zero-byte.txt", b"first\nsecond\x00\n")
        result = run("cat", "-e", "UTF-8", path)
        self.assertFails(result)
        self.assertIn("U+0000", result.stderr.decode())
        self.assertEqual(result.stdout, b"first\nsecond")  # everything before the fault goes out
        self.assertEqual(result.stderr.decode(), "vrbio: %s: byte 12 (line 2): the text holds the character U+0000 "
                         "(code point 0), which it must not contain\n" % path)
        self.assertEqual(self.assertSucceeds(run("cat", "-e", "UTF-8", "--nul-as-fffd", path)),
                         "first\nsecond\ufffd\n".encode())

    def test_strict_stops_at_the_first_malformed_sequence(self):
        # The fault lies beyond the first 64 KiB, so several chunks and
        # readText pieces have gone out before it.
        head = b"".join(b"%06d abcdefghij\n" % i for i in range(5000))
        path = self.write("in.txt", head + b"caf\xc3 au lait\nafter\n")
        expected = "vrbio: %s: byte %d (line 5001): malformed UTF-8 sequence C3\n" % (path, len(head) + 3)
        for options in ((), ("--text",)):
            with self.subTest(options=options):
                result = run("cat", "--strict", "-e", "UTF-8", *options, path)
                self.assertEqual(self.assertFails(result), expected)
                self.assertEqual(result.stdout, head + b"caf")
        self.assertTrue(self.cat(self.read(path), "-e", "UTF-8").endswith("caf\ufffd au lait\nafter\n".encode()))

    def test_non_ascii_paths_and_byte_exact_messages(self):
        path = self.write("caf\u00e9 \u65e5\u672c.txt", "h\u00e9\r\n".encode())
        self.assertEqual(self.assertSucceeds(run("cat", "-e", "UTF-8", path)), "h\u00e9\n".encode())
        missing = self.path("\u00fcber.txt")
        result = run("cat", missing)
        self.assertFails(result)
        self.assertIn(missing.encode(), result.stderr)
        self.assertTrue(result.stderr.endswith(b"\n") and not result.stderr.endswith(b"\r\n"), result.stderr)

    def test_files_that_cannot_be_read(self):
        self.assertFails(run("cat", self.path("missing.txt")))
        self.assertFails(run("cat", self.dir))
        self.assertFails(run("cat", "gopher://example/a.txt"))

    def test_unwritable_standard_output(self):
        path = self.write("a.txt", b"a\n" * 1000)
        with open("/dev/full", "wb") as full:
            stderr = self.assertFails(run("cat", "-e", "UTF-8", path, stdout=full))
        # The C runtime's own write reports errno, on Windows too.
        self.assertIn(os.strerror(errno.ENOSPC), stderr)

    def test_file_uri(self):
        path = self.write("a b.txt", b"x\n")
        self.assertEqual(self.assertSucceeds(run("cat", "-e", "UTF-8", "file://" + path.replace(" ", "%20"))), b"x\n")


class ConvertTests(VrbioCase):
    def convert(self, source_bytes, *options, target="out.txt"):
        source = self.write("in.txt", source_bytes)
        destination = self.path(target)
        self.assertSucceeds(run("convert", *options, source, destination))
        return self.read(destination)

    def test_to_and_from_each_encoding_with_each_newline(self):
        cases = [(name, codec, WORLD_LINES) for name, codec in UNICODE_ENCODINGS]
        cases += [(LATIN1[0], LATIN1[1], LATIN1_LINES), (CP1252[0], CP1252[1], CP1252_LINES)]
        for name, codec, all_lines in cases:
            for option, newline in NEWLINES.items():
                if codec == "cp1252" and option == "nel":
                    continue  # the code page has no NEL
                lines = readable_lines(all_lines, newline)
                source = ("\n".join(lines) + "\n").encode()
                with self.subTest(encoding=name, newline=option):
                    converted = self.convert(source, "-f", "UTF-8", "-t", name, "--newline", option)
                    self.assertEqual(converted, (newline.join(lines) + newline).encode(codec))
                    back = self.convert(converted, "-f", name, "-t", "UTF-8", "--newline", "lf", target="back.txt")
                    self.assertEqual(back, source)

    def test_round_trip_through_utf16_with_mark(self):
        source = ("\r\n".join(WORLD_LINES) + "\r\n").encode()
        utf16 = self.convert(source, "-f", "UTF-8", "-t", "UTF-16LE", "--write-bom")
        self.assertEqual(utf16, b"\xff\xfe" + ("\r\n".join(WORLD_LINES) + "\r\n").encode("utf-16-le"))
        back = self.convert(utf16, "--bom", "-t", "UTF-8", target="back.txt")
        self.assertEqual(back, source)

    def test_write_bom_writes_the_encoding_s_mark_only(self):
        cases = [("UTF-8", b"\xef\xbb\xbf", "utf-8"), ("UTF-16BE", b"\xfe\xff", "utf-16-be"),
                 ("UTF-16LE", b"\xff\xfe", "utf-16-le"), ("ISO-8859-1", b"", "latin-1")]
        for name, mark, codec in cases:
            with self.subTest(encoding=name):
                converted = self.convert(b"a\n", "-f", "UTF-8", "-t", name, "--write-bom", "--newline", "lf")
                self.assertEqual(converted, mark + "a\n".encode(codec))

    def test_default_newline(self):
        self.assertEqual(self.convert(b"a\nb", "-f", "UTF-8", "-t", "UTF-8"), b"a\r\nb\r\n")
        rows = [line.split("\t") for line in run("encodings").stdout.decode().splitlines()[1:]]
        nel_encodings = [row[1] for row in rows if row[4] == "NEL"]
        for name in nel_encodings[:1]:
            with self.subTest(encoding=name):
                self.convert(b"a\nb\n", "-f", "UTF-8", "-t", name)
                cat = self.assertSucceeds(run("cat", "--text", "-e", name, self.path("out.txt")))
                self.assertEqual(cat, "a\u0085b\u0085".encode())

    def test_last_line_without_line_end_is_ended(self):
        self.assertEqual(self.convert(b"one\ntwo", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf"), b"one\ntwo\n")
        self.assertEqual(self.convert(b"", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf"), b"")

    def test_replaces_an_existing_destination_and_appends_on_request(self):
        self.write("out.txt", b"old content that is longer\n")
        self.assertEqual(self.convert(b"new\n", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf"), b"new\n")
        self.assertEqual(self.convert(b"more\n", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf", "--append"),
                         b"new\nmore\n")
        self.assertEqual(self.convert(b"\xe9\n", "-f", "ISO-8859-1", "-t", "UTF-16LE", "--newline", "lf",
                                      "--append", target="fresh.txt"), "é\n".encode("utf-16-le"))

    def test_large_file_is_complete(self):
        lines = ["%07d %s" % (i, WORLD_LINES[i % 4]) for i in range(120000)]
        source = ("\n".join(lines) + "\n").encode()
        converted = self.convert(source, "-f", "UTF-8", "-t", "UTF-16BE", "--newline", "crlf")
        self.assertEqual(converted, ("\r\n".join(lines) + "\r\n").encode("utf-16-be"))

    @unittest.skipIf(WINDOWS, "Wine gives a Windows program no console on a pseudo-terminal; "
                              "the program waits on it forever")
    def test_progress_bar_only_on_a_terminal_and_for_large_files(self):
        big = self.write("big.txt", b"0123456789abcdef\n" * (6 << 16))
        small = self.write("small.txt", b"a\n")
        for source, shown in ((big, True), (small, False)):
            with self.subTest(shown=shown):
                primary, secondary = pty.openpty()
                try:
                    status = subprocess.run([os.path.abspath(VRBIO), "convert", "-f", "UTF-8", "-t", "UTF-8",
                                             source, self.path("out.txt")],
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=secondary,
                                            timeout=300).returncode
                    os.close(secondary)
                    drawn = b""
                    while True:
                        try:
                            piece = os.read(primary, 65536)
                        except OSError:  # the terminal is gone once vrbio has ended
                            break
                        if not piece:
                            break
                        drawn += piece
                finally:
                    os.close(primary)
                self.assertEqual(status, 0, drawn)
                self.assertEqual(self.read(self.path("out.txt")), self.read(source).replace(b"\n", b"\r\n"))
                if shown:
                    self.assertIn(b"100%", drawn)
                    self.assertTrue(drawn.endswith(b"\r"), drawn[-80:])  # the line is cleared at the end
                else:
                    self.assertEqual(drawn, b"")

    def test_unwritable_destination_reports_the_system_s_reason(self):
        source = self.write("in.txt", b"a line\n" * 100000)
        stderr = self.assertFails(run("convert", "-f", "UTF-8", "-t", "UTF-8", source, "/dev/full"))
        self.assertIn(full_disk_text(), stderr)
        self.assertNotIn("Unknown", stderr)
        # A short file reaches the device only when the destination is closed.
        short = self.write("short.txt", b"a\n")
        stderr = self.assertFails(run("convert", "-f", "UTF-8", "-t", "UTF-8", short, "/dev/full"))
        self.assertIn(full_disk_text(), stderr)

    def test_strict_stops_at_the_first_unwritable_character_keeping_the_lines_before(self):
        lines = ["line %05d caf\u00e9" % i for i in range(5000)]
        lines.insert(4500, "costs 5 \u20ac")
        source = self.write("in.txt", ("\n".join(lines) + "\n").encode())
        destination = self.path("out.txt")
        args = ["convert", "-f", "UTF-8", "-t", "ISO-8859-1", "--newline", "lf"]
        stderr = self.assertFails(run(*args, "--strict", source, destination))
        first, second = stderr.splitlines()
        for named in ("U+20AC", "out.txt", "ISO-8859-1", "byte %d" % (4500 * 16 + 8)):
            self.assertIn(named, first)
        self.assertEqual(second, "vrbio: DST holds the 4500 lines before the fault")
        self.assertEqual(self.read(destination), ("\n".join(lines[:4500]) + "\n").encode("latin-1"))
        self.assertSucceeds(run(*args, source, destination))
        self.assertIn(b"costs 5 ?\n", self.read(destination))

    def test_a_refused_open_leaves_the_destination_alone(self):
        source = self.write("in.txt", b"a\n")
        kept = self.write("out.txt", b"keep")
        self.assertFails(run("convert", "-f", "UTF-8", "-t", "windows-1252", "--newline", "nel", source, kept))
        self.assertEqual(self.read(kept), b"keep")
        self.assertFails(run("convert", "-f", "UTF-8", "-t", "windows-1252", "--newline", "nel", source,
                             self.path("new.txt")))
        self.assertFalse(os.path.exists(self.path("new.txt")))

    def test_append_with_a_mark_marks_only_an_empty_file(self):
        source = self.write("in.txt", b"a\n")
        destination = self.path("out.txt")
        for _ in range(2):
            self.assertSucceeds(run("convert", "-f", "UTF-8", "-t", "UTF-16LE", "--newline", "lf", "--append",
                                    "--write-bom", source, destination))
        self.assertEqual(self.read(destination), b"\xff\xfe" + "a\na\n".encode("utf-16-le"))

    def test_failures_to_open(self):
        missing = self.path("missing.txt")
        destination = self.path("out.txt")
        self.assertFails(run("convert", missing, destination))
        self.assertFalse(os.path.exists(destination))
        source = self.write("in.txt", b"a\n")
        self.assertFails(run("convert", source, self.path("no/such/dir/out.txt")))
        self.assertFails(run("convert", source, self.dir))

    def test_refuses_to_convert_a_file_into_itself(self):
        source = self.write("in.txt", b"keep me\n")
        os.link(source, self.path("hard.txt"))
        os.symlink(source, self.path("soft.txt"))
        for destination in (source, self.path("hard.txt"), self.path("soft.txt"), "file://" + source):
            for mode in ([], ["--append"]):
                with self.subTest(destination=destination, mode=mode):
                    self.assertFails(run("convert", *mode, source, destination))
                    self.assertEqual(self.read(source), b"keep me\n")


class CompressedTests(VrbioCase):
    """cat and convert through the system's compression tools, which run on
    this side for the Windows build as well."""
    # (suffix as vrbio is given it, compress, decompress)
    FORMATS = [("gz", ["gzip", "-c"], ["gzip", "-dc"]), ("BZ2", ["bzip2", "-c"], ["bzip2", "-dc"]),
               ("xz", ["xz", "-c"], ["xz", "-dc"]), ("Zst", ["zstd", "-q", "-c"], ["zstd", "-dcq"])]

    def tool(self, command, data):
        return subprocess.run(command, input=data, stdout=subprocess.PIPE, check=True).stdout

    def test_cat_decompresses_whatever_the_name_and_convert_compresses_by_the_name(self):
        first = ("\n".join(CP1252_LINES) + "\n").encode("cp1252")
        second = "Šárka ™\n".encode("cp1252")
        expected = (first + second).decode("cp1252").encode()
        for suffix, compress, decompress in self.FORMATS:
            with self.subTest(format=suffix):
                source = self.write("part-00000", self.tool(compress, first) + self.tool(compress, second))
                self.assertEqual(self.assertSucceeds(run("cat", "-e", "windows-1252", source)), expected)
                raw = self.assertSucceeds(run("cat", "--raw-bytes", "--nul-as-fffd", "-e", "ISO-8859-1", source))
                self.assertTrue(raw.startswith(self.read(source)[:2].decode("latin-1").encode()), raw[:8])
                target = self.path("out.txt." + suffix)
                for piece, mode in ((first, []), (second, ["--append"])):
                    self.write("in.txt", piece)
                    self.assertSucceeds(run("convert", *mode, "-f", "windows-1252", "-t", "UTF-8", "--newline", "lf",
                                            self.path("in.txt"), target))
                self.assertEqual(self.tool(decompress, self.read(target)), expected)
                self.assertSucceeds(run("convert", "--raw-bytes", "-f", "windows-1252", "-t", "windows-1252",
                                        "--newline", "lf",
                                        self.path("in.txt"), target))
                self.assertEqual(self.read(target), second)

    def test_a_cut_file_fails_after_the_text_before_it(self):
        text = "".join("line %06d Grüße\n" % i for i in range(100000)).encode()
        for suffix, compress, _ in self.FORMATS:
            with self.subTest(format=suffix):
                packed = self.tool(compress, text)
                source = self.write("cut." + suffix, packed[: len(packed) * 3 // 5])
                result = run("cat", "-e", "UTF-8", source)
                stderr = self.assertFails(result)
                self.assertIn("Cannot read compressed file " + source, stderr)
                self.assertIn("ends before its", stderr)
                self.assertTrue(text.startswith(result.stdout), result.stdout[-80:])
                self.assertGreater(len(result.stdout), 0)


class DetectTests(VrbioCase):
    GERMAN = "Grüße aus Köln: Größe, Übermaß und Äpfel für die Straße, während Jürgen schläft.\n"
    RUSSIAN = "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний.\n"
    CASES = [
        ("utf8.txt", RUSSIAN, RUSSIAN.encode("utf-8"), "UTF-8"),
        ("cp1252.txt", GERMAN, GERMAN.encode("cp1252"), "windows-1252"),
        ("koi8r.txt", RUSSIAN, RUSSIAN.encode("koi8-r"), "KOI8-R"),
        ("utf16le.txt", GERMAN, GERMAN.encode("utf-16-le"), "UTF-16LE"),
        ("utf32be-mark.txt", GERMAN, b"\x00\x00\xfe\xff" + GERMAN.encode("utf-32-be"), "UTF-32BE"),
        ("utf8-mark.txt", GERMAN, b"\xef\xbb\xbf" + GERMAN.encode("utf-8"), "UTF-8"),
    ]

    def test_one_line_per_location_and_reading_with_the_choice(self):
        paths = [self.write(name, data) for name, _, data, _ in self.CASES]
        missing = self.path("missing.txt")
        result = run("detect", *paths[:3], missing, *paths[3:])
        stderr = self.assertFails(result)
        self.assertIn("missing.txt", stderr)
        rows = [line.split("\t") for line in result.stdout.decode().splitlines()]
        self.assertEqual([(row[0], row[2]) for row in rows],
                         [(encoding, path) for (_, _, _, encoding), path in zip(self.CASES, paths)])
        for row in rows:
            self.assertTrue(0 <= int(row[1]) <= 100, row)
        for (name, text, _, _), path in zip(self.CASES, paths):
            with self.subTest(file=name):
                self.assertEqual(self.assertSucceeds(run("cat", "-e", "auto", path)), text.encode())
                out = self.path("out-" + name)
                self.assertSucceeds(run("convert", "-f", "Auto", "-t", "UTF-8", "--newline", "lf", path, out))
                self.assertEqual(self.read(out), text.encode())

    def test_ascii_and_empty_files_take_the_default(self):
        ascii_file = self.write("ascii.txt", b"plain\n")
        empty = self.write("empty.txt", b"")
        result = run("detect", ascii_file, empty, env={"LC_ALL": "", "LC_CTYPE": "", "LANG": ""})
        # The POSIX locale's default is UTF-8; Windows has its ANSI code page.
        default = self.assertSucceeds(result).decode().split("\t")[0] if WINDOWS else "UTF-8"
        expected = "%s\t100\t%s\n%s\t100\t%s\n" % (default, ascii_file, default, empty)
        self.assertEqual(self.assertSucceeds(result).decode(), expected)

    def test_usage(self):
        self.assertUsageError(run("detect"), "missing LOCATION")


class ListTests(VrbioCase):
    LINE = re.compile(r"^([d-])\t(ro|rw)\t(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\t(-?\d+)\t(-?\d+)\t(.+)$")

    def listing(self, *options, env=None):
        out = self.assertSucceeds(run("ls", *options, self.dir, env=env)).decode()
        entries = {}
        for line in out.splitlines():
            match = self.LINE.match(line)
            self.assertIsNotNone(match, line)
            if match.group(6) not in (".", ".."):
                entries[match.group(6)] = match.groups()
        return entries

    def populate(self):
        self.write("plain.txt", b"abc")
        self.write("with space.txt", b"")
        os.mkdir(self.path("sub"))
        os.utime(self.path("plain.txt"), (86400, 86400))
        os.utime(self.path("sub"), (1700000000, 1700000000))

    def test_entries_and_their_fields(self):
        self.populate()
        entries = self.listing(env={"TZ": "UTC"})
        self.assertEqual(set(entries), {"plain.txt", "with space.txt", "sub"})
        self.assertEqual(entries["plain.txt"][0], "-")
        self.assertEqual(entries["sub"][0], "d")
        self.assertEqual(entries["plain.txt"][2:4], ("1970-01-02 00:00:00", "86400"))
        self.assertEqual(entries["sub"][2:4], ("2023-11-14 22:13:20", "1700000000"))
        self.assertEqual(entries["plain.txt"][1], "rw")

    def test_date_is_local_time(self):
        self.populate()
        entries = self.listing(env={"TZ": "XST-9"})
        self.assertEqual(entries["plain.txt"][2:4], ("1970-01-02 09:00:00", "86400"))

    def test_time_stamps_beyond_the_int_range_are_clamped(self):
        self.write("future.txt", b"")
        self.write("past.txt", b"")
        os.utime(self.path("future.txt"), (3000000000, 3000000000))
        os.utime(self.path("past.txt"), (-315619200, -315619200))
        entries = self.listing(env={"TZ": "UTC"})
        self.assertEqual(entries["future.txt"][2:4], ("2065-01-24 05:20:00", "2147483647"))
        # The Windows C runtime converts no time before 1970 to a date; the
        # stamp is the slot's all the same.
        if WINDOWS:
            self.assertEqual(entries["past.txt"][3], "-315619200")
        else:
            self.assertEqual(entries["past.txt"][2:4], ("1960-01-01 00:00:00", "-315619200"))

    def test_selection_flags(self):
        self.populate()
        self.assertEqual(set(self.listing("--dirs")), {"sub"})
        self.assertEqual(set(self.listing("--files")), {"plain.txt", "with space.txt"})

    @unittest.skipIf(os.geteuid() == 0, "root may write to any file")
    def test_read_only_entry(self):
        self.write("locked.txt", b"")
        os.chmod(self.path("locked.txt"), 0o444)
        self.assertEqual(self.listing()["locked.txt"][1], "ro")

    def test_empty_directory(self):
        self.assertEqual(self.listing(), {})

    def test_what_cannot_be_listed(self):
        self.assertFails(run("ls", self.path("missing")))
        self.assertFails(run("ls", self.write("file.txt", b"")))
        self.assertFails(run("ls", "gopher://example/dir"))


    def make_tree(self, root):
        """Hidden entries, non-ASCII names, a symlink loop and a directory
        too deep for its path to be opened (a real failure, root or not)."""
        for directory in ("a/b", "a/b-c", "c", "é", ".hidden/d"):
            os.makedirs(os.path.join(root, directory))
        for name in ("a/x", "a/b/y", "a/b-c/z", "é/über.txt", ".hidden/d/q", "top", ".dot"):
            with open(os.path.join(root, name), "wb"):
                pass
        if not WINDOWS:
            os.symlink("..", os.path.join(root, "c", "loop"))
            os.symlink("top", os.path.join(root, "link-to-file"))
            # Built through descriptors: the path of the last level is longer than a path may be.
            parent = os.open(root, os.O_RDONLY)
            for level in range(18):
                os.mkdir("d" * 250, dir_fd=parent)
                child = os.open("d" * 250, os.O_RDONLY, dir_fd=parent)
                os.close(parent)
                parent = child
            os.close(parent)

    def walked(self, root, separator):
        """(type, relative name) rows as ls -R gives them, from os.walk."""
        contents, failures = {}, []
        for directory, dirs, files in os.walk(root, onerror=failures.append):
            contents[directory] = [(name, True) for name in dirs] + [(name, False) for name in files]
        rows = []

        def visit(directory, prefix):
            for name, is_dir in sorted(contents.get(directory, [])):
                path = os.path.join(directory, name)
                rows.append(("d" if is_dir else "-", prefix + name))
                if is_dir and not os.path.islink(path):
                    visit(path, prefix + name + separator)

        visit(root, "")
        return rows, failures

    def test_recursive_listing_matches_a_walk(self):
        root = self.path("tree")
        self.make_tree(root)
        separator = "\\" if WINDOWS else "/"
        expected, failures = self.walked(root, separator)
        result = run("ls", "-R", root)
        rows = [tuple(line.split("\t")[0:6:5]) for line in result.stdout.decode("utf-8").splitlines()]
        # The too deep chain fails where the system first refuses it: reading
        # a directory or, in the module, taking an entry's path.
        chain = "d" * 250

        def split(found):
            return [row for row in found if not row[1].startswith(chain)], [row for row in found
                                                                            if row[1].startswith(chain)]

        (rows, rows_chain), (expected, expected_chain) = split(rows), split(expected)
        self.assertEqual(rows, expected)
        self.assertEqual(rows_chain, expected_chain[:len(rows_chain)])
        stderr = result.stderr.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 1 if failures else 0, stderr)
        self.assertEqual(len(stderr.splitlines()), len(failures), stderr)
        for line in stderr.splitlines():
            self.assertTrue(line.startswith("vrbio: " + chain), line)
        for option, kind in (("--dirs", "d"), ("--files", "-")):
            with self.subTest(option=option):
                filtered = run("ls", "-R", option, root)
                filtered_rows, _ = split([tuple(line.split("\t")[0:6:5]) for line in
                                          filtered.stdout.decode("utf-8").splitlines()])
                self.assertEqual(filtered_rows, [row for row in expected if row[0] == kind])

def piped(args, producer, consumer=None):
    """vrbio between real pipes: `producer` (a shell command or an argument
    list) writes its
    standard input; its standard output goes to `consumer` or is kept.
    Returns (vrbio's result with its standard output, the producer's status)."""
    command = ["sh", "-c", producer] if isinstance(producer, str) else producer
    source = subprocess.Popen(command, stdout=subprocess.PIPE)
    sink = subprocess.PIPE
    result = subprocess.run([os.path.abspath(VRBIO), *args], stdin=source.stdout, stdout=sink,
                            stderr=subprocess.PIPE, timeout=600)
    source.stdout.close()
    return result, source.wait()



class PipeTests(VrbioCase):
    """"-" as standard input and output, through real pipes."""

    def test_standard_input_is_read_with_its_byte_order_mark(self):
        text = "\r\n".join(WORLD_LINES) + "\r\n"
        source = self.write("world.txt", b"\xff\xfe" + text.encode("utf-16-le"))
        result, _ = piped(["cat", "--bom", "-"], "cat '%s'" % source)
        self.assertEqual(self.assertSucceeds(result), ("\n".join(WORLD_LINES) + "\n").encode("utf-8"))

    def test_convert_streams_from_standard_input_to_standard_output(self):
        text = "\n".join(CP1252_LINES) + "\n"
        source = self.write("cp1252.txt", text.encode("cp1252"))
        result, _ = piped(["convert", "-f", "windows-1252", "-t", "UTF-16BE", "--newline", "lf", "-", "-"],
                          "cat '%s'" % source)
        self.assertEqual(self.assertSucceeds(result), text.encode("utf-16-be"))

    def test_standard_output_redirected_to_a_file_keeps_what_was_there(self):
        source = self.write("in.txt", b"second\n")
        target = self.write("out.txt", b"first\n")
        with open(target, "ab") as out:
            self.assertSucceeds(run("convert", "-t", "UTF-8", "--newline", "lf", source, "-", stdout=out))
        self.assertEqual(self.read(target), b"first\nsecond\n")

    def test_a_file_named_dash_is_reached_as_dot_slash_dash(self):
        self.write("-", b"not standard input\n")
        self.assertEqual(self.assertSucceeds(run("cat", "./-", cwd=self.dir)), b"not standard input\n")

    def test_a_100_mib_stream_passes_whole_in_bounded_memory(self):
        line = b"0123456789abcdefghijklmnopqrstuvwxyz\xc3\xa4\xc3\xb6\xc3\xbc" + b"x" * 57 + b"\n"
        count = 100 * 1024 * 1024 // len(line) // 1024 * 1024
        producer = [sys.executable, "-c", "import sys\nfor _ in range(%d): sys.stdout.buffer.write(%r * 1024)" % (count // 1024, line)]
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        result, status = piped(["convert", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf", "-", "-"], producer)
        self.assertEqual(status, 0)
        out = self.assertSucceeds(result)
        self.assertEqual(len(out), len(line) * count)
        self.assertEqual(out[:len(line)], line)
        self.assertEqual(out[-len(line):], line)
        if not WINDOWS:
            peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            self.assertLess(peak_kib, max(before, 32 * 1024), "peak %d KiB" % peak_kib)

    def test_a_producer_that_dies_mid_stream(self):
        # A pipe carries no status: vrbio passes on what arrived, the last
        # character cut short as U+FFFD, and the shell reports the producer.
        producer = "printf 'whole line\\ncut caf\\303'; kill -9 $$"
        result, status = piped(["cat", "-e", "UTF-8", "-"], producer)
        self.assertEqual(status, -9)
        self.assertEqual(self.assertSucceeds(result), "whole line\ncut caf\ufffd\n".encode("utf-8"))
        pipeline = subprocess.run(["bash", "-c", "set -o pipefail; { %s; } | '%s' cat -" %
                                   (producer, os.path.abspath(VRBIO))], stdout=subprocess.DEVNULL)
        self.assertNotEqual(pipeline.returncode, 0)


# (file, directory) names of the glob tree; the second list only where a
# file name may hold "*" and "?".
GLOB_FILES = ["a.txt", "b.txt", ".hidden", ".hdir/x.txt", "dir1/x.txt", "dir1/y.log", "dir2/x.txt",
              "dir-2/x.txt", "[x].txt", "café.txt", "sub/deep/z.txt", "sub/.dot/z.txt"]
GLOB_FILES_UNIX = ["star*name", "q?mark"]
# (vrbio's pattern, the same for Python's glob, which has no "\" escape);
# None where both are spelt alike.
GLOB_PATTERNS = [
    ("*.txt", None), ("?.txt", None), ("[ab].txt", None), ("[!a].txt", None), ("[^a].txt", "[!a].txt"),
    ("*", None), (".*", None), ("dir*/x.txt", None), ("*/*.txt", None), ("*/*/*", None),
    ("[[]x].txt", None), ("caf?.txt", None), ("dir[12]/*", None),
    ("dir[0-9]/[x-y]*", None), ("sub/*/z.txt", None), ("sub/.*/z.txt", None), ("[.]*", None),
    ("*x*/x.txt", None), ("d*/*", None), ("nomatch*", None), ("dir1/*.none", None),
]
# On Windows "\" separates, in local paths.
GLOB_PATTERNS_UNIX = [("\\[x].txt", "[[]x].txt"), ("star\\*name", "star[*]name"), ("q\\?mark", "q[?]mark"), ("*\\**", "*[*]*")]


def make_glob_tree(root):
    names = GLOB_FILES + ([] if WINDOWS else GLOB_FILES_UNIX)
    for name in names:
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(name.encode("utf-8") + b"\n")
    return names


def expected_glob(root, pattern, python_pattern):
    """Python's matches as vrbio's ls names them: below the pattern's fixed
    leading components, sorted by bytes."""
    fixed = []
    for component in pattern.split("/"):
        if re.search(r"[*?\[]", component):
            break
        fixed.append(component.replace("\\", ""))
    base = os.path.join(root, *fixed)
    found = glob.glob(os.path.join(root, python_pattern or pattern))
    return sorted((os.path.relpath(path, base).replace(os.sep, "/") for path in found), key=os.fsencode)


class GlobTests(VrbioCase):
    def patterns(self):
        return GLOB_PATTERNS + ([] if WINDOWS else GLOB_PATTERNS_UNIX)

    def check_patterns(self, root, location):
        """Every pattern's ls names against Python's glob on the local tree;
        `location` turns a pattern into the location given to vrbio."""
        separator = "\\" if WINDOWS else "/"
        for pattern, python_pattern in self.patterns():
            with self.subTest(pattern=pattern):
                expected = expected_glob(root, pattern, python_pattern)
                result = run("ls", location(pattern))
                if not expected:
                    stderr = self.assertFails(result)
                    self.assertIn("no match for '%s'" % location(pattern), stderr)
                    continue
                names = [line.split("\t")[5].replace(separator, "/") for line in
                         self.assertSucceeds(result).decode("utf-8").splitlines()]
                self.assertEqual(names, expected)

    def test_patterns_match_as_python_glob_does(self):
        root = self.path("tree")
        make_glob_tree(root)
        self.check_patterns(root, lambda pattern: os.path.join(root, pattern) if WINDOWS else root + "/" + pattern)

    def test_cat_and_convert_take_every_match_in_order(self):
        root = self.path("tree")
        make_glob_tree(root)
        contents = b"dir-2/x.txt\ndir1/x.txt\ndir2/x.txt\n"
        self.assertEqual(self.assertSucceeds(run("cat", root + "/dir*/x.txt")), contents)
        target = self.path("all.txt")
        self.assertSucceeds(run("convert", "-t", "UTF-8", "--newline", "lf", root + "/dir*/x.txt", target))
        self.assertEqual(self.read(target), contents)
        result = run("cat", root + "/a.txt", root + "/none*", root + "/b.txt")
        self.assertIn("no match for '%s/none*'" % root, self.assertFails(result))
        self.assertEqual(result.stdout, b"a.txt\nb.txt\n")

    def test_recursive_listing_below_the_matches(self):
        root = self.path("tree")
        make_glob_tree(root)
        out = self.assertSucceeds(run("ls", "-R", "--files", root + "/su*")).decode("utf-8")
        self.assertEqual([line.split("\t")[5].replace("\\", "/") for line in out.splitlines()],
                         ["sub/.dot/z.txt", "sub/deep/z.txt"])


class HadoopTests(VrbioCase):
    """cat, convert and ls on hadoop:// URIs, against the test cluster that
    tests/hdfs/cluster.sh starts (VRB_HDFS_HTTP)."""

    def setUp(self):
        super().setUp()
        self.http = os.environ.get("VRB_HDFS_HTTP")
        if not self.http:
            if os.environ.get("CI") == "true":
                self.fail("VRB_HDFS_HTTP is not set: no HDFS cluster to test against")
            self.skipTest("*** HDFS cases SKIPPED: VRB_HDFS_HTTP is not set (run through tests/hdfs/cluster.sh) ***")
        self.user = os.environ.get("VRB_HDFS_SUPERUSER", "root")
        self.remote_dir = "/tmp/vrbio-test-%d-%s" % (os.getpid(), self.id().rsplit(".", 1)[-1])

    def uri(self, name=""):
        path = self.remote_dir + ("/" + name if name else "")
        return "hadoop://%s%s?user=%s" % (self.http, path, self.user)

    def test_convert_to_hdfs_and_back_is_byte_exact(self):
        text = "\n".join(WORLD_LINES) + "\n"
        source = self.write("world.txt", text.encode("utf-8"))
        self.assertSucceeds(run("convert", "-f", "UTF-8", "-t", "UTF-16LE", "--write-bom", "--newline", "lf",
                                source, self.uri("world.txt")))
        back = self.path("back.txt")
        self.assertSucceeds(run("convert", "--bom", "-t", "UTF-8", "--newline", "lf", self.uri("world.txt"), back))
        self.assertEqual(self.read(back), text.encode("utf-8"))

        shown = run("cat", "--bom", "--text", self.uri("world.txt"))
        self.assertSucceeds(shown)
        self.assertEqual(shown.stdout, text.encode("utf-8"))

        listed = run("ls", "--files", self.uri())
        self.assertSucceeds(listed)
        fields = listed.stdout.decode("utf-8").rstrip("\n").split("\t")
        self.assertEqual(fields[0], "-")
        self.assertEqual(fields[1], "rw")
        self.assertEqual(fields[4], str(2 + len(text.encode("utf-16-le"))))
        self.assertEqual(fields[5], "world.txt")


    def webhdfs(self, method, name, op, data=None):
        """One WebHDFS call on the cluster, redirects to a DataNode followed; the answer's body."""
        url = "http://%s/webhdfs/v1%s/%s?op=%s&user.name=%s" % (self.http, self.remote_dir, name, op, self.user)
        while True:
            # Without a type of its own a body is taken for form fields.
            request = urllib.request.Request(url, data=data, method=method,
                                             headers={"Content-Type": "application/octet-stream"})
            try:
                with urllib.request.urlopen(request, timeout=60) as answer:
                    return answer.read()
            except urllib.error.HTTPError as redirect:
                if redirect.code != 307:
                    raise
                url = redirect.headers["Location"]

    def test_compressed_files_on_the_cluster(self):
        text = ("\n".join(WORLD_LINES) + "\n").encode()
        self.webhdfs("PUT", "logs/part-00000", "CREATE&overwrite=true",
                     CompressedTests.tool(self, ["gzip", "-c"], text) * 2)
        self.assertEqual(self.assertSucceeds(run("cat", "-e", "UTF-8", self.uri("logs/part-00000"))), text * 2)
        source = self.write("world.txt", text)
        for mode in ([], ["--append"]):
            self.assertSucceeds(run("convert", *mode, "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf", source,
                                    self.uri("logs/out.zst")))
        written = self.webhdfs("GET", "logs/out.zst", "OPEN")
        self.assertEqual(CompressedTests.tool(self, ["zstd", "-dcq"], written), text * 2)
        listed = self.assertSucceeds(run("ls", "--files", self.uri("logs"))).decode()
        sizes = {fields[5]: fields[4] for fields in (line.split("\t") for line in listed.splitlines())}
        self.assertEqual(sizes["out.zst"], str(len(written)))

    def upload_glob_tree(self):
        """The glob tree, locally and copied to the cluster; its local root."""
        root = self.path("tree")
        for name in make_glob_tree(root):
            self.assertSucceeds(run("convert", "-f", "UTF-8", "-t", "UTF-8", "--newline", "lf",
                                    glob.escape(os.path.join(root, *name.split("/"))),
                                    self.uri(urllib.parse.quote(name))))
        return root

    def test_patterns_and_trees_as_on_the_local_tree(self):
        root = self.upload_glob_tree()
        # In a URI "*", "?" and "[" are plain when escaped as %2A, %3F and %5B.
        patterns = GlobTests.patterns(self) + [("%5Bx]*", "[[]x]*"), ("caf%C3%A9*", "café*")]
        if WINDOWS:
            patterns.append(("\\[x].txt", "[[]x].txt"))   # in a URI "\" escapes everywhere
        if not WINDOWS:
            patterns += [("star%2A*", "star[*]*"), ("q%3F*", "q[?]*")]
        for pattern, python_pattern in patterns:
            with self.subTest(pattern=pattern):
                expected = expected_glob(root, urllib.parse.unquote(pattern) if "%" in pattern else pattern,
                                         python_pattern)
                result = run("ls", self.uri(pattern))
                if not expected:
                    self.assertIn("no match for", self.assertFails(result))
                    continue
                names = [line.split("\t")[5] for line in self.assertSucceeds(result).decode("utf-8").splitlines()]
                self.assertEqual(names, expected)
        # The listing pages through directories larger than a page (VRB_HDFS_LS_LIMIT).
        expected, _ = ListTests.walked(self, root, "/")
        tree = self.assertSucceeds(run("ls", "-R", self.uri())).decode("utf-8")
        self.assertEqual([tuple(line.split("\t")[0:6:5]) for line in tree.splitlines()], expected)
        self.assertEqual(self.assertSucceeds(run("cat", self.uri("dir*/x.txt"))),
                         b"dir-2/x.txt\ndir1/x.txt\ndir2/x.txt\n")

    def test_missing_file_names_the_path(self):
        result = run("cat", self.uri("missing.txt"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing.txt", result.stderr.decode("utf-8", "replace"))

if __name__ == "__main__":
    unittest.main()
