// Listing a whole directory through the layer, for the directory suites.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hx/hx_dir.h"

namespace vrbtest {

inline constexpr int kAll = HX_DIR_NAMES | HX_DIR_STAT;

struct Entry {
    int64_t modified;
    uint32_t timeStamp;
    uint32_t extraValue;
    uint32_t type;
};

// Every entry the layer returns, by full path.
inline std::map<std::string, Entry> listAll(const std::string& path, int mode) {
    std::map<std::string, Entry> entries;
    hx_dir_t dir = nullptr;
    EXPECT_EQ(hx_dir_open(path.c_str(), mode, &dir), HX_DIR_OK);
    if (!dir) return entries;
    std::vector<char> buffer(static_cast<std::size_t>(hx_dir_pathlen));
    hx_dir_record_t record;
    int code;
    while ((code = hx_dir_next_stat(dir, buffer.data(), hx_dir_pathlen, &record)) == HX_DIR_OK) {
        Entry entry{record.modified, record.timeStamp, record.extraValue, record.type};
        EXPECT_TRUE(entries.emplace(buffer.data(), entry).second);
    }
    EXPECT_EQ(code, HX_DIR_END);
    EXPECT_EQ(hx_dir_next_stat(dir, buffer.data(), hx_dir_pathlen, &record), HX_DIR_END) << "the end stays";
    hx_dir_close(dir);
    return entries;
}

}  // namespace vrbtest
