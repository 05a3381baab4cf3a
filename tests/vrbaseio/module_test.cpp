// The built module as a host sees it: one export, loadable, working.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"

namespace {

#if !defined(_WIN32)
// On Windows a ctest reads the DLL's export and import tables instead
// (check_dll_tables.cmake).
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
#endif

TEST(Module, LoadsAndOpensAFile) {
    vrbtest::LoadedModule module(VRB_MODULE_PATH);
    ASSERT_NE(nullptr, module.entry()) << module.error();
    VrbIO* service = module.entry()();
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
}

}  // namespace
