// Reading and writing text files through the library against the usual
// peers, on the same data in the same run:
//   readLine UTF-8      vs std::getline
//   readLine UTF-16LE   vs iconv(3) to UTF-8 (conversion alone), also on Cyrillic and CJK lines
//   readLine strict     vs readLine, in UTF-8, UTF-16LE, windows-1252 and Shift_JIS
//   writeln UTF-8/16LE  vs fwrite of the pre-encoded bytes, and Python's writer;
//                       UTF-16LE also on Cyrillic and CJK lines
// Times are processor time (user and system) of the best run, each side's
// own, so that other work on a shared machine does not count.
// Usage: textio_bench [--size-mib N] [--dir DIR] [--module PATH] [--runs N] [--only PART]
// PART (read8, read16, strict, write) runs that part alone, for a profiler.
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/iconv_file.h"
#include "common/processor_time.h"
#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbServiceModule.h"

namespace {

struct Options {
    long sizeMiB = 256;
    std::string dir = "/tmp/vrbaseio-bench";
    std::string module = VRB_MODULE_PATH;
    int runs = 3;
    std::string only;
};

std::string utf16le(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp;
        int n;
        if (c < 0x80) { cp = c; n = 1; }
        else if (c < 0xE0) { cp = c & 0x1F; n = 2; }
        else if (c < 0xF0) { cp = c & 0x0F; n = 3; }
        else { cp = c & 0x07; n = 4; }
        for (int k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        auto unit = [&](unsigned u) { out.push_back(static_cast<char>(u & 0xFF)); out.push_back(static_cast<char>(u >> 8)); };
        if (cp >= 0x10000) { cp -= 0x10000; unit(0xD800 | cp >> 10); unit(0xDC00 | (cp & 0x3FF)); }
        else unit(cp);
    }
    return out;
}

// A CR LF line of 40 to 120 bytes: letters and spaces, and one of `extras`
// (whole characters) in `every` characters on average.
void randomLine(std::mt19937_64& random, const std::vector<std::string>& extras, unsigned every, std::string* line) {
    line->clear();
    std::size_t target = 40 + random() % 81;
    while (line->size() + 2 < target) {
        if (random() % every == 0) *line += extras[random() % extras.size()];
        else line->push_back(static_cast<char>(random() % 7 == 0 ? ' ' : 'a' + random() % 26));
    }
    *line += "\r\n";
}

// About 1% of characters non-ASCII.
void generate(const std::string& path8, const std::string& path16, long bytes) {
    std::mt19937_64 random(42);
    const std::vector<std::string> extras = {"\xC3\xA9", "\xC3\xBC", "\xE2\x82\xAC",
                                             "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xCE\xB1"};
    std::ofstream out8(path8, std::ios::binary), out16(path16, std::ios::binary);
    std::string line;
    long written = 0;
    while (written < bytes) {
        randomLine(random, extras, 100, &line);
        out8 << line;
        out16 << utf16le(line);
        written += static_cast<long>(line.size());
    }
}

// The same kind of lines in a byte-wise set, `extras` in its bytes.
void generateLegacy(const std::string& path, long bytes, const std::vector<std::string>& extras, unsigned every) {
    std::mt19937_64 random(7);
    std::ofstream out(path, std::ios::binary);
    std::string line;
    long written = 0;
    while (written < bytes) {
        randomLine(random, extras, every, &line);
        out << line;
        written += static_cast<long>(line.size());
    }
}

double best(int runs, const std::function<void()>& body) { return bench::bestProcessorTime(runs, body); }

void report(const char* name, double bytes, double seconds, double reference = 0) {
    double mbs = bytes / seconds / 1e6;
    if (reference > 0) std::printf("  %-44s %9.1f MB/s   ratio %.2f\n", name, mbs, reference / seconds);
    else std::printf("  %-44s %9.1f MB/s\n", name, mbs);
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--size-mib") options.sizeMiB = std::atol(argv[i + 1]);
        else if (key == "--dir") options.dir = argv[i + 1];
        else if (key == "--module") options.module = argv[i + 1];
        else if (key == "--runs") options.runs = std::atoi(argv[i + 1]);
        else if (key == "--only") options.only = argv[i + 1];
        else { std::fprintf(stderr, "unknown option %s\n", argv[i]); return 2; }
    }
    std::filesystem::create_directories(options.dir);
    const std::string path8 = options.dir + "/lines-" + std::to_string(options.sizeMiB) + "m.utf8.txt";
    const std::string path16 = options.dir + "/lines-" + std::to_string(options.sizeMiB) + "m.utf16le.txt";
    if (!std::filesystem::exists(path8) || !std::filesystem::exists(path16)) {
        std::printf("generating %ld MiB of text in %s\n", options.sizeMiB, options.dir.c_str());
        generate(path8, path16, options.sizeMiB << 20);
    }
    const double size8 = static_cast<double>(std::filesystem::file_size(path8));
    const double size16 = static_cast<double>(std::filesystem::file_size(path16));

    VrbString reason;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(options.module.c_str(), nullptr, &reason);
    if (!initialize) { std::fprintf(stderr, "%s\n", reason.asCstr()); return 1; }
    VrbIO* service = initialize();
    if (!service) { std::fprintf(stderr, "no service\n"); return 1; }

    auto readLines = [&](const std::string& path, int encoding, int flags = 0) {
        VrbString error;
        VrbTxtFile* file = service->openTextFile(VrbString(path.c_str(), false), 1, encoding, flags, &error);
        if (!file) { std::fprintf(stderr, "%s\n", error.asCstr()); std::exit(1); }
        char* text;
        bool eol;
        long lines = 0;
        while (file->readLine(-1, &text, &eol) > 0 || eol) ++lines;
        file->destroy();
        if (lines == 0) std::exit(1);
    };

    auto part = [&](const char* name) { return options.only.empty() || options.only == name; };
    std::printf("reading (%.0f MB UTF-8, %.0f MB UTF-16LE; best of %d)\n", size8 / 1e6, size16 / 1e6, options.runs);
    if (part("read8")) {
        double getlineSeconds = best(options.runs, [&] {
            std::ifstream in(path8, std::ios::binary);
            std::vector<char> buffer(1 << 20);
            in.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            std::string line;
            long lines = 0;
            while (std::getline(in, line)) ++lines;
            if (lines == 0) std::exit(1);
        });
        report("std::getline (UTF-8, no decoding)", size8, getlineSeconds);
        report("readLine UTF-8", size8, best(options.runs, [&] { readLines(path8, 0); }), getlineSeconds);
    }
    // Lines of one script: characters of two and of three UTF-8 bytes.
    struct Script {
        const char* name;
        std::vector<std::string> letters;
    };
    const Script scripts[] = {{"Cyrillic", {"\xD0\xB0", "\xD0\xBE", "\xD0\xB5", "\xD0\xB8", "\xD1\x82", "\xD0\xBD", " "}},
                              {"CJK", {"\xE4\xB8\xAD", "\xE6\x96\x87", "\xE5\xAD\x97", "\xE3\x81\xAE", "\xE3\x80\x81"}}};
    if (part("read16")) {
        double iconvSeconds = best(options.runs, [&] { bench::iconvFileToUtf8(path16, "UTF-16LE"); });
        report("iconv UTF-16LE -> UTF-8 (conversion alone)", size16, iconvSeconds);
        report("readLine UTF-16LE", size16, best(options.runs, [&] { readLines(path16, 46); }), iconvSeconds);
        for (const Script& script : scripts) {
            const std::string path = options.dir + "/lines-" + std::to_string(options.sizeMiB / 4) + "m." + script.name + ".utf16le.txt";
            if (!std::filesystem::exists(path)) {
                std::mt19937_64 random(11);
                std::ofstream out(path, std::ios::binary);
                std::string line;
                for (long written = 0; written < (options.sizeMiB << 20) / 4; written += static_cast<long>(line.size())) {
                    randomLine(random, script.letters, 1, &line);
                    line = utf16le(line);
                    out << line;
                }
            }
            const double size = static_cast<double>(std::filesystem::file_size(path));
            const double seconds = best(options.runs, [&] { bench::iconvFileToUtf8(path, "UTF-16LE"); });
            std::printf(" %s\n", script.name);
            report("iconv UTF-16LE -> UTF-8 (conversion alone)", size, seconds);
            report("readLine UTF-16LE", size, best(options.runs, [&] { readLines(path, 46); }), seconds);
        }
    }

    // Strict reading against the default, in pairs run alternately so that
    // a change in the machine's load touches both sides alike.
    const std::string path1252 = options.dir + "/lines-" + std::to_string(options.sizeMiB) + "m.cp1252.txt";
    const std::string pathSjis = options.dir + "/lines-" + std::to_string(options.sizeMiB) + "m.sjis.txt";
    if (!std::filesystem::exists(path1252)) {
        generateLegacy(path1252, options.sizeMiB << 20, {"\xE9", "\xFC", "\x80"}, 100);
    }
    if (!std::filesystem::exists(pathSjis)) {
        generateLegacy(pathSjis, options.sizeMiB << 20, {"\x82\xA0", "\x92\x86", "\x93\xFA", "\x83\x41"}, 3);
    }
    if (part("strict")) {
        std::printf("strict reading against the default (readLine; best of %d pairs)\n", options.runs);
        struct StrictRow {
            const char* name;
            const std::string& path;
            int encoding;
        };
        for (const StrictRow& row : {StrictRow{"UTF-8", path8, 0}, StrictRow{"UTF-16LE", path16, 46},
                                     StrictRow{"windows-1252", path1252, 32}, StrictRow{"Shift_JIS", pathSjis, 100}}) {
            double lenient = 1e300, strict = 1e300;
            for (int run = 0; run < options.runs; ++run) {
                lenient = std::min(lenient, best(1, [&] { readLines(row.path, row.encoding); }));
                const int flags = static_cast<int>(VRB_TXT_STRICT);
                strict = std::min(strict, best(1, [&] { readLines(row.path, row.encoding, flags); }));
            }
            const double size = static_cast<double>(std::filesystem::file_size(row.path));
            std::printf("  %-44s %9.1f MB/s\n", (std::string("readLine ") + row.name).c_str(), size / lenient / 1e6);
            std::printf("  %-44s %9.1f MB/s   cost %+.1f%%\n", (std::string("readLine ") + row.name + " strict").c_str(),
                        size / strict / 1e6, (strict / lenient - 1) * 100);
        }
    }
    if (!part("write")) {
        service->destroy();
        return 0;
    }

    // Writing: the lines in memory, each written with its newline.
    const std::string text8 = readAll(path8);
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    for (std::size_t start = 0; start < text8.size();) {
        std::size_t end = text8.find("\r\n", start);
        lines.emplace_back(start, end - start);
        start = end + 2;
    }
    auto fwriteAll = [&](const std::string& target, const std::string& encoded, const std::vector<std::size_t>& lengths) {
        return best(options.runs, [&] {
            FILE* f = std::fopen(target.c_str(), "wb");
            std::size_t at = 0;
            for (std::size_t length : lengths) {
                std::fwrite(encoded.data() + at, 1, length, f);
                at += length;
            }
            std::fclose(f);
        });
    };
    auto writelnAll = [&](const std::string& target, int encoding, const std::string& text,
                          const std::vector<std::pair<std::size_t, std::size_t>>& textLines) {
        return best(options.runs, [&] {
            VrbString error;
            VrbTxtFile* file = service->openTextFile(VrbString(target.c_str(), false), 2, encoding,
                                                     static_cast<int>(VRB_TXT_NEWLINE_CRLF), &error);
            if (!file) { std::fprintf(stderr, "%s\n", error.asCstr()); std::exit(1); }
            for (const auto& line : textLines) file->writeln(text.data() + line.first, static_cast<int>(line.second));
            if (!file->close()) std::exit(1);
            file->destroy();
        });
    };
    const std::string out8 = options.dir + "/out.utf8.txt", out16 = options.dir + "/out.utf16le.txt";
    std::printf("writing %zu lines\n", lines.size());
    // Once into files (the page cache's cost included), once into /dev/null
    // (each writer's own work).
    for (int round = 0; round < 4; ++round) {
        const int encoding = round % 2 == 0 ? 0 : 46;
        const bool sinkNull = round >= 2;
        const bool wide = encoding == 46;
        const std::string target = sinkNull ? "/dev/null" : wide ? out16 : out8;
        const double bytes = wide ? size16 : size8;
        // The same lines, newline included, already in the target encoding.
        std::string encoded;
        std::vector<std::size_t> lengths;
        encoded.reserve(static_cast<std::size_t>(bytes));
        lengths.reserve(lines.size());
        for (const auto& line : lines) {
            std::string piece = text8.substr(line.first, line.second + 2);
            if (wide) piece = utf16le(piece);
            encoded += piece;
            lengths.push_back(piece.size());
        }
        const double fwriteSeconds = fwriteAll(target, encoded, lengths);
        const double ours = writelnAll(target, encoding, text8, lines);
        if (!sinkNull && std::filesystem::file_size(target) != static_cast<std::uintmax_t>(bytes)) {
            std::fprintf(stderr, "written size differs\n");
            return 1;
        }
        std::printf(" %s into %s\n", wide ? "UTF-16LE" : "UTF-8", sinkNull ? "/dev/null" : "a file");
        report("fwrite of the pre-encoded bytes", bytes, fwriteSeconds);
        report("writeln", bytes, ours, fwriteSeconds);
        std::string python = "python3 -c \"import sys,time\n"
                             "lines=open(sys.argv[1],encoding='utf-8',newline='').read().splitlines(True)\n"
                             "best=1e30\n"
                             "for _ in range(int(sys.argv[4])):\n"
                             "  t=time.process_time()\n"
                             "  with open(sys.argv[2],'w',encoding=sys.argv[3],newline='') as f:\n"
                             "    for l in lines: f.write(l)\n"
                             "  best=min(best,time.process_time()-t)\n"
                             "print(best)\" " + path8 + " " + target + " " + (wide ? "utf-16-le" : "utf-8") +
                             " " + std::to_string(options.runs);
        FILE* pipe = popen(python.c_str(), "r");
        double pythonSeconds = 0;
        if (pipe && std::fscanf(pipe, "%lf", &pythonSeconds) == 1 && pythonSeconds > 0) {
            report("Python text writer", bytes, pythonSeconds);
            std::printf("  %-44s ratio %.2f\n", "writeln against Python", pythonSeconds / ours);
        } else {
            std::printf("  Python text writer: not available\n");
        }
        if (pipe) pclose(pipe);
    }
    // Lines of one script, a quarter of the size, UTF-16LE into /dev/null.
    for (const Script& script : scripts) {
        std::mt19937_64 random(11);
        std::string text, encoded, line;
        std::vector<std::pair<std::size_t, std::size_t>> scriptLines;
        std::vector<std::size_t> lengths;
        while (static_cast<long>(text.size()) < (options.sizeMiB << 20) / 4) {
            randomLine(random, script.letters, 1, &line);
            scriptLines.emplace_back(text.size(), line.size() - 2);
            text += line;
            const std::string wide = utf16le(line);
            encoded += wide;
            lengths.push_back(wide.size());
        }
        const double fwriteSeconds = fwriteAll("/dev/null", encoded, lengths);
        const double ours = writelnAll("/dev/null", 46, text, scriptLines);
        std::printf(" UTF-16LE into /dev/null, %s lines\n", script.name);
        report("fwrite of the pre-encoded bytes", static_cast<double>(encoded.size()), fwriteSeconds);
        report("writeln", static_cast<double>(encoded.size()), ours, fwriteSeconds);
    }
    service->destroy();
    return 0;
}
