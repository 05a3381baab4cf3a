// The built module as a host sees it: one export, loadable, working.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <set>
#include <string>

#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"

namespace {

TEST(Module, ExportsVrbIOInitializeAlone) {
    std::string command = std::string("nm -D --defined-only ") + VRB_MODULE_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string entry(line);
        while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
        std::size_t space = entry.rfind(' ');
        names.insert(space == std::string::npos ? entry : entry.substr(space + 1));
    }
    ASSERT_EQ(0, pclose(pipe));
    EXPECT_EQ(std::set<std::string>{"VrbIOInitialize"}, names);
}

TEST(Module, LoadsAndOpensAFile) {
    void* module = dlopen(VRB_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, module) << dlerror();
    auto initialize = reinterpret_cast<VrbIOInitializeFunction>(dlsym(module, VRB_IO_INITIALIZE_NAME));
    ASSERT_NE(nullptr, initialize);
    VrbIO* service = initialize();
    ASSERT_NE(nullptr, service);

    vrbtest::TempDir dir;
    vrbtest::writeFile(dir.file("x.txt"), std::string("\xFF\xFE" "h\0i\0\r\0\n\0", 10));
    VrbString error;
    VrbTxtFile* file = service->openTextFile(VrbString(dir.file("x.txt").c_str(), false), 1, -1,
                                             static_cast<int>(VRB_TXT_DETECT_BOM), &error);
    ASSERT_NE(nullptr, file) << error.asCstr();
    EXPECT_EQ(46, file->encoding());
    char* text = nullptr;
    bool eol = false;
    EXPECT_EQ(2, file->readLine(-1, &text, &eol));
    EXPECT_STREQ("hi", text);
    file->destroy();
    service->destroy();
    dlclose(module);
}

}  // namespace
