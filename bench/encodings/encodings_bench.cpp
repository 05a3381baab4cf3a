// Reading and writing in the table-driven sets against iconv(3), on the
// same data in the same run:
//   readLine in SET       vs iconv SET -> UTF-8 (conversion alone, 1 MiB blocks)
//   writeln into SET      vs iconv UTF-8 -> SET (conversion alone, in memory)
// Our writes go to /dev/null, so both sides do the conversion and no I/O.
// Times are processor time (user and system) of the best run.
// Each set gets CR LF lines of its own script with some ASCII, as files from
// its users hold.
// Usage: encodings_bench [--size-mib N] [--dir DIR] [--module PATH] [--runs N] [--only NAME]
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "hx/hx_uchar.h"
#include "common/iconv_file.h"
#include "common/processor_time.h"
#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbServiceModule.h"

namespace {

struct Options {
    long sizeMiB = 32;
    std::string dir = "/tmp/vrbaseio-bench";
    std::string module = VRB_MODULE_PATH;
    int runs = 3;
    std::string only;
};

struct Range {
    unsigned first;
    unsigned last;
};

struct Set {
    const char* name;    // as the character-set layer and iconv both know it
    std::vector<Range> script;
    int scriptPercent;   // share of characters taken from the script
};

const std::vector<Set>& sets() {
    static const std::vector<Set> all = {
        {"ISO-8859-15", {{0xC0, 0xFF}}, 10},
        {"windows-1251", {{0x410, 0x44F}}, 70},
        {"KOI8-R", {{0x410, 0x44F}}, 70},
        {"IBM037", {{0xC0, 0xFF}}, 10},
        {"Shift_JIS", {{0x3041, 0x3093}, {0x30A1, 0x30F6}, {0x4E00, 0x9FA0}}, 85},
        {"EUC-JP", {{0x3041, 0x3093}, {0x30A1, 0x30F6}, {0x4E00, 0x9FA0}}, 85},
        {"GB18030", {{0x4E00, 0x9FA5}, {0x3000, 0x3002}}, 85},
        {"Big5", {{0x4E00, 0x9FA5}}, 85},
        {"EUC-KR", {{0xAC00, 0xD7A3}}, 85},
        {"ISO-2022-JP", {{0x3041, 0x3093}, {0x30A1, 0x30F6}, {0x4E00, 0x9FA0}}, 85},
        {"IBM930", {{0x3041, 0x3093}, {0x30A1, 0x30F6}, {0x4E00, 0x9FA0}}, 85},
    };
    return all;
}

void appendUtf8(unsigned cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// iconv over a whole buffer; false when it stops on a character.
bool convert(const char* from, const char* to, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char* dst = out.data();
    std::size_t room = out.size();
    const bool done = iconv(cd, &src, &left, &dst, &room) != static_cast<std::size_t>(-1) && left == 0;
    iconv_close(cd);
    out.resize(out.size() - room);
    return done;
}

// The script's characters that iconv can write in the set.
std::vector<unsigned> repertoire(const Set& set) {
    std::vector<unsigned> chars;
    std::string one, encoded;
    for (const Range& range : set.script) {
        for (unsigned cp = range.first; cp <= range.last; ++cp) {
            one.clear();
            appendUtf8(cp, one);
            if (convert("UTF-8", set.name, one, encoded)) chars.push_back(cp);
        }
    }
    return chars;
}

std::string generateLines(const Set& set, long bytes) {
    const std::vector<unsigned> script = repertoire(set);
    std::mt19937_64 random(42);
    std::string text, line;
    while (static_cast<long>(text.size()) < bytes) {
        line.clear();
        const int count = 20 + static_cast<int>(random() % 61);
        for (int i = 0; i < count; ++i) {
            if (!script.empty() && static_cast<int>(random() % 100) < set.scriptPercent) {
                appendUtf8(script[random() % script.size()], line);
            } else {
                line.push_back(static_cast<char>(random() % 6 == 0 ? ' ' : 'a' + random() % 26));
            }
        }
        text += line;
        text += "\r\n";
    }
    return text;
}

double best(int runs, const std::function<void()>& body) { return bench::bestProcessorTime(runs, body); }

void report(const char* what, double bytes, double seconds, double reference = 0) {
    const double mbs = bytes / seconds / 1e6;
    if (reference > 0) std::printf("  %-36s %9.1f MB/s   ratio %.2f\n", what, mbs, reference / seconds);
    else std::printf("  %-36s %9.1f MB/s\n", what, mbs);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--size-mib") options.sizeMiB = std::atol(argv[i + 1]);
        else if (key == "--dir") options.dir = argv[i + 1];
        else if (key == "--module") options.module = argv[i + 1];
        else if (key == "--runs") options.runs = std::atoi(argv[i + 1]);
        else if (key == "--only") options.only = argv[i + 1];
        else { std::fprintf(stderr, "unknown option %s\n", argv[i]); return 2; }
    }
    std::filesystem::create_directories(options.dir);
    VrbString reason;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(options.module.c_str(), nullptr, &reason);
    if (!initialize) { std::fprintf(stderr, "%s\n", reason.asCstr()); return 1; }
    VrbIO* service = initialize();
    if (!service) { std::fprintf(stderr, "no service\n"); return 1; }

    std::printf("%ld MiB of CR LF lines per set, processor time of the best of %d; ratios are iconv's time over ours\n",
                options.sizeMiB,
                options.runs);
    for (const Set& set : sets()) {
        if (!options.only.empty() && options.only != set.name) continue;
        const int id = hx_uchar_getenc(set.name);
        const std::string utf8 = generateLines(set, options.sizeMiB << 20);
        std::string encoded;
        if (!convert("UTF-8", set.name, utf8, encoded)) { std::fprintf(stderr, "%s: iconv failed\n", set.name); return 1; }
        const std::string path = options.dir + "/lines-" + set.name + ".txt";
        std::ofstream(path, std::ios::binary) << encoded;
        const double bytes = static_cast<double>(encoded.size());
        std::printf("%s (%.0f MB in the set, %.0f MB as UTF-8)\n", set.name, bytes / 1e6, utf8.size() / 1e6);

        const double iconvRead = best(options.runs, [&] { bench::iconvFileToUtf8(path, set.name); });
        const double ourRead = best(options.runs, [&] {
            VrbString error;
            VrbTxtFile* file = service->openTextFile(VrbString(path.c_str(), false), 1, id, 0, &error);
            if (!file) { std::fprintf(stderr, "%s\n", error.asCstr()); std::exit(1); }
            char* text;
            bool eol;
            long lines = 0;
            while (file->readLine(-1, &text, &eol) > 0 || eol) ++lines;
            file->destroy();
            if (lines == 0) std::exit(1);
        });
        report("iconv -> UTF-8", bytes, iconvRead);
        report("readLine", bytes, ourRead, iconvRead);

        std::vector<std::pair<std::size_t, std::size_t>> lines;
        for (std::size_t start = 0; start < utf8.size();) {
            const std::size_t end = utf8.find("\r\n", start);
            lines.emplace_back(start, end - start);
            start = end + 2;
        }
        std::string scratch;
        const double iconvWrite = best(options.runs, [&] { convert("UTF-8", set.name, utf8, scratch); });
        const double ourWrite = best(options.runs, [&] {
            VrbString error;
            VrbTxtFile* file = service->openTextFile(VrbString("/dev/null", false), 2, id,
                                                     static_cast<int>(VRB_TXT_NEWLINE_CRLF), &error);
            if (!file) { std::fprintf(stderr, "%s\n", error.asCstr()); std::exit(1); }
            for (const auto& line : lines) file->writeln(utf8.data() + line.first, static_cast<int>(line.second));
            if (!file->close()) std::exit(1);
            file->destroy();
        });
        report("iconv UTF-8 ->", bytes, iconvWrite);
        report("writeln", bytes, ourWrite, iconvWrite);
        std::filesystem::remove(path);
    }
    service->destroy();
    return 0;
}
