// Client configuration files against the URIs they make: expansion, final
// properties, nameservices, defaults, and the errors of files that cannot
// be used.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ClusterConfiguration.h"
#include "nameservice_resolution.h"

namespace vrhadooptest {
namespace {

using vrhadoop::ClusterConfiguration;

std::string site(const std::string& properties) {
    return "<?xml version=\"1.0\"?>\n<configuration>\n" + properties + "</configuration>\n";
}

std::string property(const std::string& name, const std::string& value, bool final = false) {
    return "  <property><name>" + name + "</name><value>" + value + "</value>" +
           (final ? "<final>true</final>" : "") + "</property>\n";
}

// v0 = ${v1}, v1 = ${v2}, ... up to the last, which is "prod".
std::string chainOfVariables(int length) {
    std::string properties;
    for (int i = 0; i + 1 < length; ++i) {
        properties += property("v" + std::to_string(i), "${v" + std::to_string(i + 1) + "}");
    }
    return properties + property("v" + std::to_string(length - 1), "prod");
}

const std::string kHaPair = property("dfs.nameservices", "prod, other") +
                            property("dfs.ha.namenodes.prod", "nn1,nn2") +
                            property("dfs.namenode.http-address.prod.nn1", "a.example:9870") +
                            property("dfs.namenode.http-address.prod.nn2", "b.example:9870") +
                            property("dfs.namenode.https-address.prod.nn1", "a.example:9871") +
                            property("dfs.namenode.https-address.prod.nn2", "b.example:9871");

struct Case {
    const char* name;
    std::string coreSite;   // empty: no file
    std::string hdfsSite;
    const char* uri;
    std::string expected;   // the URI as rewritten, or "error: " and a part of the message
};

const std::map<std::string, std::string> kEnvironment = {{"CLUSTER", "a.example"}, {"EMPTY", ""}, {"USER", "alice"}};

std::string resolved(const Case& row) {
    ClusterConfiguration configuration("/conf", [](const std::string& name) -> std::optional<std::string> {
        auto found = kEnvironment.find(name);
        if (found == kEnvironment.end()) return std::nullopt;
        return found->second;
    });
    std::string error;
    if (!row.coreSite.empty() && !configuration.addFile(row.coreSite, "/conf/core-site.xml", &error)) {
        return "error: " + error;
    }
    if (!row.hdfsSite.empty() && !configuration.addFile(row.hdfsSite, "/conf/hdfs-site.xml", &error)) {
        return "error: " + error;
    }
    std::string text = row.uri;
    if (!vrhadoop::resolveNameservice(configuration, &text, &error)) return "error: " + error;
    return text;
}

TEST(ClusterConfiguration, ResolvesUrisAsTheFilesSay) {
    const std::vector<Case> cases = {
        {"nameservice, both NameNodes in order", "", site(kHaPair), "hadoop://prod/d/f.txt?user=bob",
         "hadoop://a.example:9870/d/f.txt?user=bob&namenodes=b.example:9870"},
        {"nameservice spelt in another case", "", site(kHaPair), "hadoop://PROD/f", 
         "hadoop://a.example:9870/f?namenodes=b.example:9870"},
        {"an explicit port is no nameservice", "", site(kHaPair), "hadoop://prod:9870/f", "hadoop://prod:9870/f"},
        {"a host that is no nameservice stays", "", site(kHaPair), "hadoop://nn.example/f", "hadoop://nn.example/f"},
        {"HTTPS_ONLY takes the https addresses and ssl=true", "",
         site(kHaPair + property("dfs.http.policy", "HTTPS_ONLY")), "hadoop://prod/f",
         "hadoop://a.example:9871/f?namenodes=b.example:9871&ssl=true"},
        {"ssl=false in the URI wins over HTTPS_ONLY", "",
         site(kHaPair + property("dfs.http.policy", "HTTPS_ONLY")), "hadoop://prod/f?ssl=false",
         "hadoop://a.example:9870/f?ssl=false&namenodes=b.example:9870"},
        {"kerberos authentication, unless the URI says otherwise",
         site(property("hadoop.security.authentication", "Kerberos")), site(kHaPair), "hadoop://prod/f#x",
         "hadoop://a.example:9870/f?namenodes=b.example:9870&auth=kerberos#x"},
        {"auth in the URI wins", site(property("hadoop.security.authentication", "kerberos")), site(kHaPair),
         "hadoop://prod/f?auth=simple", "hadoop://a.example:9870/f?auth=simple&namenodes=b.example:9870"},
        {"namenodes in the URI wins", "", site(kHaPair), "hadoop://prod/f?namenodes=c.example:1",
         "hadoop://a.example:9870/f?namenodes=c.example:1"},
        {"no nameservices at all", "", site(property("x", "y")), "hadoop://prod/f", "hadoop://prod/f"},
        {"a nameservice with one NameNode", "",
         site(property("dfs.nameservices", "solo") + property("dfs.namenode.http-address.solo", "s:50070")),
         "hadoop://solo/f", "hadoop://s:50070/f"},
        {"a NameNode without an address", "",
         site(property("dfs.nameservices", "prod") + property("dfs.ha.namenodes.prod", "nn1,nn2") +
              property("dfs.namenode.http-address.prod.nn1", "a:1")),
         "hadoop://prod/f",
         "error: Hadoop configuration: NameNode nn2 of nameservice prod has no address: the configuration in /conf "
         "sets no dfs.namenode.http-address.prod.nn2"},
        {"fs.defaultFS naming a nameservice", site(property("fs.defaultFS", "hdfs://prod")), site(kHaPair),
         "hadoop:///d/f", "hadoop://a.example:9870/d/f?namenodes=b.example:9870"},
        {"fs.defaultFS naming a WebHDFS address", site(property("fs.defaultFS", "webhdfs://w.example:50070")), "",
         "hadoop:///f?user=u", "hadoop://w.example:50070/f?user=u"},
        {"swebhdfs means ssl", site(property("fs.default.name", "swebhdfs://w.example:9871")), "", "hadoop:///f",
         "hadoop://w.example:9871/f?ssl=true"},
        {"fs.defaultFS naming one NameNode's RPC address",
         site(property("fs.defaultFS", "hdfs://one.example:8020")),
         site(property("dfs.namenode.http-address", "one.example:9870")), "hadoop:///f",
         "hadoop://one.example:9870/f"},
        {"fs.defaultFS of another file system", site(property("fs.defaultFS", "file:///")), "", "hadoop:///f",
         "error: Hadoop configuration: fs.defaultFS is file:/// (the configuration in /conf): only"},
        {"no fs.defaultFS", "", site(kHaPair), "hadoop:///f",
         "error: Hadoop configuration: the URI names no NameNode and the configuration in /conf sets no "
         "fs.defaultFS"},
        {"variables: properties, environment, defaults",
         site(property("cluster.host", "${env.CLUSTER}") + property("port", "98${digit}") +
              property("digit", "70")),
         site(property("dfs.nameservices", "prod") + property("dfs.ha.namenodes.prod", "nn1,nn2,nn3") +
              property("dfs.namenode.http-address.prod.nn1", "${cluster.host}:${port}") +
              property("dfs.namenode.http-address.prod.nn2", "${env.MISSING:-b.example}:1") +
              property("dfs.namenode.http-address.prod.nn3", "${env.EMPTY-c.example}x:2")),
         "hadoop://prod/f", "hadoop://a.example:9870/f?namenodes=b.example:1,x:2"},
        {"an unknown or self-referring variable stays as written", "",
         site(property("dfs.nameservices", "prod") + property("loop", "a${loop}") +
              property("dfs.ha.namenodes.prod", "nn1,nn2") +
              property("dfs.namenode.http-address.prod.nn1", "${unknown}:1${port}") +
              property("dfs.namenode.http-address.prod.nn2", "${loop}:2")),
         "hadoop://prod/f", "hadoop://${unknown}:1${port}/f?namenodes=${loop}:2"},
        {"${user.name} from the process", "",
         site(property("dfs.nameservices", "prod") + property("dfs.namenode.http-address.prod", "${user.name}:1")),
         "hadoop://prod/f", "hadoop://alice:1/f"},
        {"variables nested too deep",
         site(chainOfVariables(20) + property("fs.defaultFS", "hdfs://${v0}")),
         site(kHaPair), "hadoop:///f",
         "error: /conf/core-site.xml:23: the value of fs.defaultFS nests ${...} deeper than 20 steps"},
        {"variables nested as deep as allowed", site(chainOfVariables(19) + property("fs.defaultFS", "hdfs://${v0}")),
         site(kHaPair), "hadoop:///f", "hadoop://a.example:9870/f?namenodes=b.example:9870"},
        {"final in core-site.xml holds against hdfs-site.xml",
         site(property("dfs.http.policy", "HTTPS_ONLY", true)),
         site(kHaPair + property("dfs.http.policy", "HTTP_ONLY")), "hadoop://prod/f",
         "hadoop://a.example:9871/f?namenodes=b.example:9871&ssl=true"},
        {"without final the later file wins", site(property("dfs.http.policy", "HTTPS_ONLY")),
         site(kHaPair + property("dfs.http.policy", "HTTP_ONLY")), "hadoop://prod/f",
         "hadoop://a.example:9870/f?namenodes=b.example:9870"},
        {"attributes, and a later definition in the same file", "",
         site(kHaPair + "<property name=\"dfs.ha.namenodes.prod\" value=\"nn2\"/>\n"), "hadoop://prod/f",
         "hadoop://b.example:9870/f"},
        {"malformed XML names file and line", "",
         "<configuration>\n<property><name>a</name>\n<value>b</property>\n</configuration>\n", "hadoop://prod/f",
         "error: /conf/hdfs-site.xml:3: mismatched tag"},
        {"an empty file", "", "\n", "hadoop://prod/f", "error: /conf/hdfs-site.xml:2: no element found"},
        {"another root element", "<conf/>\n", "", "hadoop://prod/f",
         "error: /conf/core-site.xml:1: the root element is <conf>, not <configuration>"},
        {"XInclude is refused", "",
         "<configuration xmlns:xi=\"http://www.w3.org/2001/XInclude\">\n  <xi:include href=\"more.xml\"/>\n"
         "</configuration>\n",
         "hadoop://prod/f", "error: /conf/hdfs-site.xml:2: XInclude (<include>) is not followed"},
    };
    for (const Case& row : cases) {
        std::string actual = resolved(row);
        if (row.expected.rfind("error: ", 0) == 0) {
            EXPECT_EQ(actual.substr(0, row.expected.size()), row.expected) << row.name;
        } else {
            EXPECT_EQ(actual, row.expected) << row.name;
        }
    }
}

}  // namespace
}  // namespace vrhadooptest
