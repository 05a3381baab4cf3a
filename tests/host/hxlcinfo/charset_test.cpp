// The environment's character set. On POSIX systems it is read through
// locale variables set in this process (glibc reads them afresh on every
// newlocale call).
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "hx/hx_lcinfo.h"
#include "hx/hx_uchar.h"

namespace {

#ifdef _WIN32

TEST(Charset, NamesTheAnsiCodePage) {
    char name[64];
    ASSERT_EQ(hx_lcinfo_charset(name, sizeof name), 0);
    const std::string expected = "CP" + std::to_string(GetACP());
    EXPECT_EQ(name, expected);
}

#else

constexpr const char* kLocaleVariables[] = {"LC_ALL", "LC_CTYPE", "LANG"};

// Clears the locale variables and puts them back afterwards.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) {
            const char* value = std::getenv(kLocaleVariables[i]);
            saved_[i] = value ? std::optional<std::string>(value) : std::nullopt;
            unsetenv(kLocaleVariables[i]);
        }
    }
    void TearDown() override {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) setenv(kLocaleVariables[i], saved_[i]->c_str(), 1);
            else unsetenv(kLocaleVariables[i]);
        }
    }

    struct Answer {
        int result;
        std::string name;
    };
    static Answer charset(int size = 64, int (*ask)(char*, int) = hx_lcinfo_charset) {
        char name[64];
        std::fill(std::begin(name), std::end(name), 'x');
        int result = ask(name, size);
        return {result, std::string(name, strnlen(name, sizeof name))};
    }

private:
    std::optional<std::string> saved_[3];
};

TEST_F(LocaleEnvironment, NamesTheSetOfTheLocaleTheVariablesChoose) {
    EXPECT_EQ(charset().name, "ANSI_X3.4-1968");
    setenv("LANG", "C.UTF-8", 1);
    EXPECT_EQ(charset().name, "UTF-8");
    setenv("LC_CTYPE", "C", 1);
    EXPECT_EQ(charset().name, "ANSI_X3.4-1968");
    setenv("LC_ALL", "C.UTF-8", 1);
    Answer answer = charset();
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.name, "UTF-8");
    EXPECT_EQ(hx_uchar_getenc(answer.name.c_str()), HX_ENC_UTF8);
}

TEST_F(LocaleEnvironment, LeavesTheProcessLocaleAlone) {
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    setenv("LC_ALL", "C.UTF-8", 1);
    charset();
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
}

TEST_F(LocaleEnvironment, AMissingLocaleFallsBackToThePosixSet) {
    setenv("LC_ALL", "xx_XX.ISO-8859-15", 1);
    Answer answer = charset();
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.name, "ANSI_X3.4-1968");
    EXPECT_EQ(hx_uchar_getenc(answer.name.c_str()), HX_ENC_USASCII);
}

// A text file's default: the POSIX locale's ASCII becomes UTF-8, however the
// POSIX locale came about. (An ASCII locale chosen by another name keeps
// ASCII; that needs a generated locale, which the vrbio tests make.)
TEST_F(LocaleEnvironment, TextFilesTakeUtf8InThePosixLocale) {
    struct Case {
        const char* lcAll;
        const char* lcCtype;
        const char* lang;
        int result;
        const char* name;
    } const cases[] = {
        {nullptr, nullptr, nullptr, 0, "UTF-8"},
        {"C", nullptr, "C.UTF-8", 0, "UTF-8"},
        {"", "POSIX", nullptr, 0, "UTF-8"},
        {nullptr, nullptr, "C", 0, "UTF-8"},
        {nullptr, "C", "xx_XX.ISO-8859-15", 0, "UTF-8"},
        {"xx_XX.ISO-8859-15", nullptr, nullptr, -1, "UTF-8"},
        {"C.UTF-8", nullptr, nullptr, 0, "UTF-8"},
    };
    for (const Case& c : cases) {
        const char* values[] = {c.lcAll, c.lcCtype, c.lang};
        for (int i = 0; i < 3; ++i) {
            if (values[i]) setenv(kLocaleVariables[i], values[i], 1);
            else unsetenv(kLocaleVariables[i]);
        }
        Answer answer = charset(64, hx_lcinfo_text_charset);
        EXPECT_EQ(answer.result, c.result) << (c.lcAll ? c.lcAll : "-") << (c.lcCtype ? c.lcCtype : "-");
        EXPECT_EQ(answer.name, c.name) << (c.lcAll ? c.lcAll : "-") << (c.lcCtype ? c.lcCtype : "-");
    }
    // The locale's own set is still there for those who ask for it.
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    unsetenv("LANG");
    EXPECT_EQ(charset().name, "ANSI_X3.4-1968");
    EXPECT_EQ(charset(5, hx_lcinfo_text_charset).name, "");
}

TEST_F(LocaleEnvironment, NeverStoresACutName) {
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(charset(6).name, "UTF-8");
    // "UTF-8" does not fit in 5 bytes, nor does the fallback.
    Answer answer = charset(5);
    EXPECT_EQ(answer.result, -1);
    EXPECT_EQ(answer.name, "");
    EXPECT_EQ(hx_lcinfo_charset(nullptr, 64), -1);
    char untouched = 'x';
    EXPECT_EQ(hx_lcinfo_charset(&untouched, 0), -1);
    EXPECT_EQ(untouched, 'x');
}

#endif

}  // namespace
