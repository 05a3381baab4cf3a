// Compressed files on every backend against the system's own tools: what
// the tools write reads back exactly, what the library writes the tools
// read back exactly, and damaged data fails after the text before it.
// Where the program cannot run the tools (Windows), the build host's tools
// have compressed the texts into VRB_COMPRESSED_FIXTURES, and what the
// library writes is left for them in the directory VRB_COMPRESSED_WRITTEN
// names (compressed_tools.py).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Backend.h"
#include "support/platform.h"
#include "support/test_support.h"
#include "vrbaseio/VrbIO.h"

namespace {

VrbIO* service() {
    static vrbtest::LoadedModule* module = new vrbtest::LoadedModule(VRB_MODULE_PATH);
    static VrbIO* instance = module->entry() ? module->entry()() : nullptr;
    return instance;
}

struct Codec {
    const char* format;
    const char* suffix;
    const char* compressCommand;
    const char* decompressCommand;
    // What reading says of data cut short, and of a flipped checksum byte
    // (`checksumFromEnd` bytes before the end; 0: the format keeps no
    // checksum at a fixed place).
    const char* cutFault;
    int checksumFromEnd;
    const char* checksumFault;
};

const Codec kCodecs[] = {
    {"gzip", "gz", "gzip -6 -c", "gzip -dc", "gzip stream ends before its trailer", 6, "gzip member checksum (CRC-32) mismatch"},
    {"bzip2", "bz2", "bzip2 -9 -c", "bzip2 -dc", "bzip2 stream ends before its end marker", 2,
     "bzip2 block checksum mismatch or corrupt block"},
    {"xz", "xz", "xz -6 -c", "xz -dc", "xz stream ends before its footer", 0, nullptr},
    {"zstd", "zst", "zstd -3 -q -c", "zstd -dcq", "zstd frame ends before its last block", 2, "zstd frame checksum mismatch"},
};

#ifndef VRB_COMPRESSED_FIXTURES
// Runs `command` with `input` on its standard input; its standard output,
// or "<failed>".
std::string runTool(const std::string& command, const std::string& input) {
    vrbtest::TempDir dir;
    vrbtest::writeFile(dir.file("in"), input);
    const std::string line = command + " < '" + dir.file("in") + "' > '" + dir.file("out") + "'";
    if (std::system(line.c_str()) != 0) return "<failed>";
    return vrbtest::readFile(dir.file("out"));
}
#endif

// compressed_tools.py makes the same texts for the build host's tools.
std::string sampleText(int lines, int seed) {
    std::string text;
    unsigned state = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (int i = 0; i < lines; ++i) {
        state = state * 1103515245u + 12345u;
        text += "record " + std::to_string(i) + " value " + std::to_string(state % 100000) + " \xC3\xA9t\xC3\xA9\n";
    }
    return text;
}

// sampleText(lines, seed) as the codec's tool compresses it.
std::string toolCompressed(const Codec& codec, int lines, int seed) {
#ifdef VRB_COMPRESSED_FIXTURES
    const std::string path = std::string(VRB_COMPRESSED_FIXTURES) + "/text-" + std::to_string(lines) + "-" +
                             std::to_string(seed) + "." + codec.suffix;
    std::ifstream exists(vrbtest::fsPath(path), std::ios::binary);
    if (!exists) ADD_FAILURE() << "no " << path << " (made while the tests are built)";
    return vrbtest::readFile(path);
#else
    return runTool(codec.compressCommand, sampleText(lines, seed));
#endif
}

class CompressedFiles : public ::testing::TestWithParam<std::tuple<std::string, int>> {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, service()) << "cannot load " << VRB_MODULE_PATH;
        const std::string& kind = std::get<0>(GetParam());
        backend = kind == "fakehdfs" ? makeFakeHdfsBackend() : kind == "hdfs" ? makeHdfsBackend() : makeLocalBackend();
        if (!backend) GTEST_SKIP() << "no " << kind << " backend in this build or run";
        codec = &kCodecs[std::get<1>(GetParam())];
#ifndef VRB_COMPRESSED_FIXTURES
        if (runTool(codec->decompressCommand, runTool(codec->compressCommand, "x\n")) != "x\n")
            GTEST_SKIP() << "no " << codec->format << " tool to compare with";
#endif
    }

    std::string name(const std::string& stem) const { return stem + "." + codec->suffix; }

    // That the tool decompresses the file at `relative` to `text`; without
    // the tools, the file and the text are left in VRB_COMPRESSED_WRITTEN,
    // when it is set, for compressed_tools.py to compare.
    void expectToolReadsBack(const std::string& relative, const std::string& text) {
        const std::string bytes = backend->readBytes(relative);
#ifdef VRB_COMPRESSED_FIXTURES
        if (const char* directory = std::getenv("VRB_COMPRESSED_WRITTEN")) {
            const std::string left = std::string(directory) + "/" + std::get<0>(GetParam()) + "-" + relative;
            vrbtest::writeFile(left, bytes);
            vrbtest::writeFile(left + ".expected", text);
        }
#else
        EXPECT_TRUE(text == runTool(codec->decompressCommand, bytes)) << relative;
#endif
    }

    VrbTxtFile* open(const std::string& relative, int mode, unsigned flags, VrbString* error) {
        return service()->openTextFile(VrbString(backend->location(relative).c_str(), false), mode, 0,
                                       static_cast<int>(flags | VRB_TXT_NEWLINE_LF), error);
    }

    // The text up to the end or the first failed read, and that read's message.
    std::string readAll(const std::string& relative, std::string* failure, unsigned flags = 0) {
        VrbString error;
        VrbTxtFile* file = open(relative, 1, flags, &error);
        if (!file) {
            *failure = std::string("open: ") + error.asCstr();
            return "";
        }
        std::string text;
        char* bytes = nullptr;
        int length;
        while ((length = file->readBytes(50000, &bytes)) > 0) text.append(bytes, static_cast<std::size_t>(length));
        if (length < 0) *failure = file->errorText().asCstr();
        file->destroy();
        return text;
    }

    void writeText(const std::string& relative, int mode, const std::string& text) {
        VrbString error;
        VrbTxtFile* file = open(relative, mode, 0, &error);
        ASSERT_NE(nullptr, file) << error.asCstr();
        ASSERT_TRUE(file->write(text.data(), static_cast<int>(text.size()))) << file->errorText().asCstr();
        EXPECT_TRUE(file->close()) << file->errorText().asCstr();
        file->destroy();
    }

    std::unique_ptr<Backend> backend;
    const Codec* codec = nullptr;
};

TEST_P(CompressedFiles, ToolFilesReadBackExactlyWhateverTheirName) {
    const std::string first = sampleText(3000, 1);
    const std::string second = sampleText(10, 2);
    const std::string members = toolCompressed(*codec, 3000, 1) + toolCompressed(*codec, 10, 2);
    backend->writeBytes(name("members"), members);
    backend->writeBytes("members.txt", members);
    backend->writeBytes(name("empty"), toolCompressed(*codec, 0, 0));
    for (const char* file : {"members.txt", ""}) {
        const std::string relative = *file ? file : name("members");
        std::string failure;
        EXPECT_TRUE(first + second == readAll(relative, &failure)) << relative;
        EXPECT_EQ("", failure);
        // The bytes on disk as they are, and the size on disk whatever is read.
        std::string rawFailure;
        EXPECT_NE(first + second, readAll(relative, &rawFailure, VRB_TXT_RAW_BYTES | VRB_TXT_NUL_AS_FFFD));
        VrbString error;
        VrbTxtFile* opened = open(relative, 1, 0, &error);
        ASSERT_NE(nullptr, opened) << error.asCstr();
        EXPECT_EQ(static_cast<std::int64_t>(members.size()), opened->size());
        opened->destroy();
    }
    std::string failure;
    EXPECT_EQ("", readAll(name("empty"), &failure));
    EXPECT_EQ("", failure);
}

TEST_P(CompressedFiles, WrittenAndAppendedFilesReadBackThroughTheTool) {
    const std::string first = sampleText(2000, 3);
    const std::string second = sampleText(5, 4);
    writeText(name("written"), 2, first);
    writeText(name("written"), 0, second);
    expectToolReadsBack(name("written"), first + second);
    std::string failure;
    EXPECT_TRUE(first + second == readAll(name("written"), &failure));
    EXPECT_EQ("", failure);
    // An empty file written compressed is an empty member, and the flag writes plain bytes.
    writeText(name("nothing"), 2, "");
    expectToolReadsBack(name("nothing"), "");
    VrbString error;
    VrbTxtFile* plain = open(name("plain"), 2, VRB_TXT_RAW_BYTES, &error);
    ASSERT_NE(nullptr, plain);
    plain->write("as it is", 8);
    plain->destroy();
    EXPECT_EQ("as it is", backend->readBytes(name("plain")));
}

TEST_P(CompressedFiles, DamagedDataFailsAfterTheTextBeforeIt) {
    const std::string text = sampleText(40000, 5);
    const std::string good = toolCompressed(*codec, 40000, 5);
    struct Damage {
        const char* what;
        std::string bytes;
        const char* fault;
    };
    std::string flipped = good;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    std::vector<Damage> damages = {
        {"cut", good.substr(0, good.size() * 3 / 5), codec->cutFault},
        {"flipped", flipped, ""},
        {"trailing garbage", good + "garbage\n", "followed by bytes that are no"},
    };
    if (codec->checksumFromEnd > 0) {
        std::string checksum = good;
        checksum[checksum.size() - static_cast<std::size_t>(codec->checksumFromEnd)] ^= 0x01;
        damages.push_back({"checksum", checksum, codec->checksumFault});
    }
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        backend->writeBytes(name("damaged"), damage.bytes);
        std::string failure;
        // Bytes changed inside a block read as other text until the block's
        // check, so the text read is compared only where nothing was changed.
        const std::string delivered = readAll(name("damaged"), &failure, VRB_TXT_NUL_AS_FFFD);
        if (*damage.fault) {
            EXPECT_TRUE(text.compare(0, delivered.size(), delivered) == 0) << delivered.size() << " bytes read";
            EXPECT_NE(std::string::npos, failure.find(damage.fault)) << failure;
        }
        EXPECT_NE(std::string::npos, failure.find("(" + std::string(codec->format) + ")")) << failure;
        // The offset is where decoding stopped: at most a cut character beyond the text read.
        const std::size_t at = failure.find("at byte ");
        ASSERT_NE(std::string::npos, at) << failure;
        const long long offset = std::atoll(failure.c_str() + at + 8);
        EXPECT_LE(static_cast<long long>(delivered.size()), offset) << failure;
        EXPECT_GE(static_cast<long long>(delivered.size()) + 3, offset) << failure;
    }
    // What precedes trailing garbage is all delivered.
    backend->writeBytes(name("damaged"), good + "garbage\n");
    std::string failure;
    EXPECT_TRUE(text == readAll(name("damaged"), &failure));
}

INSTANTIATE_TEST_SUITE_P(Backends, CompressedFiles,
                         ::testing::Combine(::testing::Values("local", "fakehdfs", "hdfs"), ::testing::Range(0, 4)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, int>>& info) {
                             return std::get<0>(info.param) + "_" + kCodecs[std::get<1>(info.param)].suffix;
                         });

}  // namespace
