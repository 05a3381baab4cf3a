// Encoding detection beside Debian's uchardet: accuracy on the evaluation
// corpus (the uchardet command on each file, the detector in-process),
// per encoding family and size band, and the speed of both libraries
// in-process on 64 KiB samples, best of N.
//   detect_bench [RUNS]
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/processor_time.h"
#include "detect_corpus/detect_corpus.h"
#include "hx/hx_uchar.h"
#include "hx/hx_uchar_detect.h"

#ifdef VRB_BENCH_UCHARDET
#include <uchardet.h>
#include <unistd.h>
#endif

namespace {

using detectcorpus::Sample;

struct Tally {
    int right = 0;
    int peerRight = 0;
    int all = 0;
};

const char* family(int id) {
    switch (id) {
        case HX_ENC_UTF8: case HX_ENC_UTF16LE: case HX_ENC_UTF16BE: case HX_ENC_UTF32LE: case HX_ENC_UTF32BE:
        case HX_ENC_USASCII: return "Unicode, ASCII";
        case 30: case 11: case 74: case 60: case 25: return "Central European";
        case 31: case 50: case 51: case 14: case 84: case 53: return "Cyrillic";
        case 33: case 16: return "Greek";
        case 34: case 18: return "Turkish";
        case 35: case 17: return "Hebrew";
        case 36: case 15: return "Arabic";
        case 37: case 22: return "Baltic";
        case 38: return "Vietnamese";
        case 54: case 65: case 20: return "Thai";
        case 100: case 101: case 102: return "Japanese";
        case 103: case 104: case 105: case 106: case 107: return "Chinese";
        case 108: case 109: return "Korean";
        default: break;
    }
    const char* name = hx_uchar_encname(id);
    return name && std::string(name).rfind("IBM0", 0) == 0 ? "EBCDIC" :
           (id >= 90 && id <= 99) || id >= 120 ? "EBCDIC" : "Western";
}

// The byte-order mark at the start of `bytes` that `id` would have (the
// peer's answer needs it; without the peer nothing calls it).
[[maybe_unused]] int markOf(int id, const std::string& bytes) {
    int confidence = 0, mark = 0;
    const int marked = hx_uchar_detect(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), 4)), -1,
                                       &confidence, &mark);
    return marked == id ? mark : 0;
}

#ifdef VRB_BENCH_UCHARDET
// The uchardet command's answer as an id of the layer; -1 when the layer
// does not know the name (or the command named none).
int peerChoice(const Sample& sample, const std::string& scratch) {
    if (FILE* f = std::fopen(scratch.c_str(), "wb")) {
        std::fwrite(sample.bytes.data(), 1, sample.bytes.size(), f);
        std::fclose(f);
    }
    std::string answer;
    if (FILE* p = popen(("uchardet " + scratch).c_str(), "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, p)) answer += line;
        pclose(p);
    }
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (answer == "ASCII") return HX_ENC_USASCII;
    // Without a byte order the mark tells it, as uchardet reads the mark.
    if (answer == "UTF-16") return sample.bytes.rfind("\xFF\xFE", 0) == 0 ? HX_ENC_UTF16LE : HX_ENC_UTF16BE;
    if (answer == "UTF-32") return sample.bytes.rfind("\xFF\xFE", 0) == 0 ? HX_ENC_UTF32LE : HX_ENC_UTF32BE;
    const int id = hx_uchar_getenc(answer.c_str());
    return id >= 0 && hx_uchar_encname(id) ? id : -1;
}
#endif

bool decodesRight(int id, const Sample& sample, int mark) {
    return id >= 0 && detectcorpus::decode(id, sample.bytes, mark) == sample.text;
}

void printTable(const char* title, const std::map<std::string, Tally>& rows) {
    std::printf("\n%-18s %6s %10s %10s\n", title, "files", "vrbaseio", "uchardet");
    Tally sum;
    for (const auto& [name, t] : rows) {
        std::printf("%-18s %6d %10d %10d\n", name.c_str(), t.all, t.right, t.peerRight);
        sum.all += t.all;
        sum.right += t.right;
        sum.peerRight += t.peerRight;
    }
    std::printf("%-18s %6d %10d %10d\n", "all", sum.all, sum.right, sum.peerRight);
}

void accuracy(const std::vector<Sample>& samples) {
    std::map<std::string, Tally> byFamily, byBand;
    const std::string scratch = "/tmp/vrb_detect_bench_sample";
    for (const Sample& sample : samples) {
        if (sample.id < 0) continue;
        int mark = 0;
        const int chosen = hx_uchar_detect(sample.bytes.data(), static_cast<int>(sample.bytes.size()), HX_ENC_USASCII,
                                           nullptr, &mark);
        const bool right = decodesRight(chosen, sample, mark);
        bool peerRight = false;
#ifdef VRB_BENCH_UCHARDET
        const int peer = peerChoice(sample, scratch);
        peerRight = decodesRight(peer, sample, markOf(peer, sample.bytes));
#endif
        for (Tally* t : {&byFamily[family(sample.id)], &byBand[detectcorpus::sizeBand(sample.bytes.size())]}) {
            t->all++;
            t->right += right;
            t->peerRight += peerRight;
        }
    }
    std::remove(scratch.c_str());
    printTable("family", byFamily);
    printTable("size", byBand);
}

// 64 KiB samples: each long text written again until it fills them.
std::vector<std::string> speedSamples(const std::vector<Sample>& samples) {
    std::vector<std::string> out;
    for (const Sample& sample : samples) {
        if (sample.bytes.size() < 16384 || sample.id < 0) continue;
        std::string bytes;
        while (bytes.size() < 65536) bytes += sample.bytes;
        bytes.resize(65536);
        out.push_back(bytes);
    }
    return out;
}

void speed(const std::vector<Sample>& samples, int runs) {
    const std::vector<std::string> inputs = speedSamples(samples);
    volatile int sink = 0;
    const double ours = bench::bestProcessorTime(runs, [&] {
        for (const std::string& bytes : inputs) sink = sink + hx_uchar_detect(bytes.data(), 65536, HX_ENC_USASCII, nullptr, nullptr);
    });
    const double megabytes = inputs.size() * 65536.0 / 1e6;
    std::printf("\nspeed on %zu samples of 64 KiB, best of %d\n", inputs.size(), runs);
    std::printf("%-10s %10.1f us/sample %8.0f MB/s\n", "vrbaseio", ours / inputs.size() * 1e6, megabytes / ours);
#ifdef VRB_BENCH_UCHARDET
    uchardet_t detector = uchardet_new();
    const double peer = bench::bestProcessorTime(runs, [&] {
        for (const std::string& bytes : inputs) {
            uchardet_reset(detector);
            uchardet_handle_data(detector, bytes.data(), bytes.size());
            uchardet_data_end(detector);
            sink = sink + static_cast<int>(uchardet_get_charset(detector)[0]);
        }
    });
    uchardet_delete(detector);
    std::printf("%-10s %10.1f us/sample %8.0f MB/s\n", "uchardet", peer / inputs.size() * 1e6, megabytes / peer);
#else
    std::printf("uchardet: not built in (libuchardet-dev missing)\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::vector<Sample> samples = detectcorpus::load(VRB_DETECT_CORPUS);
    std::printf("corpus: %zu files\n", samples.size());
    accuracy(samples);
    speed(samples, runs);
    return 0;
}
