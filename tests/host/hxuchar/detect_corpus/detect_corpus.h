// The detector's evaluation corpus: its texts written in each encoding the
// manifest names, and what a choice must do to be right. Shared by the
// accuracy test and the detection bench.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hx/hx_uchar.h"

namespace detectcorpus {

struct Sample {
    std::string name;      // the text's file
    std::string encoding;  // the name the manifest gives
    int id;
    std::string text;   // UTF-8
    std::string bytes;  // the text in the encoding
};

inline std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string encode(int id, const std::string& text) {
    std::string out(text.size() * 4 + 16, '\0');
    out.resize(static_cast<std::size_t>(hx_uchar_decode(id, text.c_str(), out.data(), static_cast<int>(out.size()))));
    return out;
}

// The text the bytes read as in `id`, after `skip` bytes of mark.
inline std::string decode(int id, const std::string& bytes, int skip) {
    std::string padded = bytes + std::string(16, '\0');
    std::string text;
    char scratch[8];
    for (std::size_t i = static_cast<std::size_t>(skip); i < bytes.size();) {
        int length = 1;
        const int cp = hx_uchar_chscan(id, padded.data() + i, &length);
        const int n = hx_uchar_intcopy(cp < 0 ? 0xFFFD : cp, scratch, sizeof scratch);
        text.append(scratch, static_cast<std::size_t>(n));
        i += static_cast<std::size_t>(length);
    }
    return text;
}

// Every sample of the corpus in `directory`; an encoding unknown to the
// layer gets id -1 and no bytes.
inline std::vector<Sample> load(const std::string& directory) {
    std::vector<Sample> samples;
    std::istringstream manifest(readWhole(directory + "/manifest.tsv"));
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name, list;
        std::getline(fields, name, '\t');
        std::getline(fields, list, '\t');
        const std::string text = readWhole(directory + "/" + name);
        std::istringstream names(list);
        std::string encoding;
        while (names >> encoding) {
            const int id = hx_uchar_getenc(encoding.c_str());
            samples.push_back({name, encoding, id, text, id >= 0 ? encode(id, text) : std::string()});
        }
    }
    return samples;
}

inline const char* sizeBand(std::size_t size) {
    return size < 1024 ? "0.2-1K" : size < 4096 ? "1-4K" : size < 16384 ? "4-16K" : "16-64K";
}

}  // namespace detectcorpus
