// Hadoop client configuration files as the configuration reader takes them:
// any text as core-site.xml and hdfs-site.xml, then URIs resolved through
// what was read. Nothing may throw; an unusable file is reported with its
// name and a line; a resolved URI keeps its path and names a NameNode.
#include <cstdint>
#include <optional>
#include <string>

#include "ClusterConfiguration.h"
#include "FuzzInput.h"
#include "nameservice_resolution.h"

namespace {

void checkRefusal(const std::string& error, const char* file) {
    FUZZ_CHECK(error.rfind(file, 0) == 0 && error.size() > std::string(file).size() + 1 &&
                   error[std::string(file).size()] == ':',
               "refusal without file and line: %s", error.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    std::string host = input.text(12);
    std::string coreSite = input.text(255);
    std::string hdfsSite = input.rest();
    vrhadoop::ClusterConfiguration configuration(
        "/conf", [](const std::string& name) -> std::optional<std::string> { return "env-" + name; });
    std::string error;
    if (!configuration.addFile(coreSite, "/conf/core-site.xml", &error)) {
        checkRefusal(error, "/conf/core-site.xml");
        return 0;
    }
    if (!configuration.addFile(hdfsSite, "/conf/hdfs-site.xml", &error)) {
        checkRefusal(error, "/conf/hdfs-site.xml");
        return 0;
    }
    for (std::string text : {"hadoop://" + host + "/p/x?user=u", std::string("hadoop:///p/x")}) {
        std::string original = text;
        error.clear();
        if (!vrhadoop::resolveNameservice(configuration, &text, &error)) {
            FUZZ_CHECK(!error.empty(), "refused without a reason: %s", original.c_str());
            continue;
        }
        if (text == original) continue;
        FUZZ_CHECK(text.rfind("hadoop://", 0) == 0 && text.find("/p/x", 9) != std::string::npos,
                   "%s became %s", original.c_str(), text.c_str());
    }
    return 0;
}
