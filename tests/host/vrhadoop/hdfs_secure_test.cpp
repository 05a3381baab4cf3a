// The access library against a secured HDFS: Kerberos (SPNEGO) and HTTPS
// only (tests/hdfs/cluster.sh run --secure -- ...). The tests take a ticket
// for the cluster's test user into a credential cache of their own. Without
// such a cluster they skip, except under CI=true.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <fstream>
#include <string>

#include "access_test_support.h"
#include "test_platform.h"

namespace vrhadooptest {
namespace {

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

// A command to the cluster's Java client, which logs in with the services'
// keytab: the reply without "OK", or "ERR ...".
std::string control(const std::string& command) {
    std::string reply;
    return runShell(shellQuoted(VRB_CLUSTER_SH) + " ctl " + command, &reply) ? reply : "ERR " + reply;
}

// What the Java client's `write PATH BYTES` stores (tests/hdfs/README.md):
// 64-byte numbered lines, the last one cut at `bytes`.
std::string generatedText(std::size_t bytes) {
    std::string text;
    for (std::size_t line = 0; text.size() < bytes; ++line) {
        char number[16];
        std::snprintf(number, sizeof number, "%010zu", line);
        text += std::string(number) + " ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\n";
    }
    text.resize(bytes);
    return text;
}

class SecureHdfs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (environment("VRB_HDFS_SECURE") != "1") return;
        // A private cache: the tests must not depend on, or disturb, the
        // tickets of whoever runs them.
        cache_ = "FILE:" + (environment("TMPDIR").empty() ? std::string("/tmp") : environment("TMPDIR")) +
                 "/vrb-krb5cc-" + std::to_string(::getpid());
        setEnvironment("KRB5_CONFIG", environment("VRB_HDFS_KRB5_CONF"));
        setEnvironment("KRB5CCNAME", cache_);
        kinitOutput_ = "";
        kinitOk_ = runShell("kinit -kt " + shellQuoted(environment("VRB_HDFS_KEYTAB")) + " " +
                             shellQuoted(environment("VRB_HDFS_PRINCIPAL")),
                         &kinitOutput_);
    }

    static void TearDownTestSuite() {
        if (cache_.empty()) return;
        std::string output;
        runShell("kdestroy -q", &output);
    }

    void SetUp() override {
        if (environment("VRB_HDFS_SECURE") != "1") {
            if (environment("CI") == "true") FAIL() << "no secured cluster; run under tests/hdfs/cluster.sh run --secure";
            GTEST_SKIP() << "*** no secured HDFS to test against. Run: "
                            "tests/hdfs/cluster.sh run --secure -- build/bin/vrhadoop_secure_tests ***";
        }
        ASSERT_TRUE(kinitOk_) << "kinit failed (is krb5-user installed?): " << kinitOutput_;
        address_ = environment("VRB_HDFS_HTTP");
        caFile_ = environment("VRB_HDFS_CA_FILE");
        root_ = "/tmp/vrhadoop-secure-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    void TearDown() override {
        if (!root_.empty()) control("delete " + root_);
    }

    std::string uri(const std::string& path, const std::string& query) const {
        return "hadoop://" + address_ + path + "?" + query;
    }
    std::string secured(const std::string& path) const {
        return uri(path, "auth=kerberos&ssl=true&cafile=" + caFile_);
    }

    // Writes (mode 2) or appends (mode 0) `data` and closes; "" or the failure.
    static std::string put(Session& session, const std::string& path, int mode, const std::string& data) {
        VrbString message;
        Owned<HadoopFile> file(session.fileSystem->openFile(0, VrbString(path.c_str(), false), mode, 0, 16384, &message));
        if (!file) return text(message);
        std::string error;
        if (!writeAll(file.get(), data, 16384, &error)) return error;
        return file->close(&message) ? "" : text(message);
    }

    static std::string get(Session& session, const std::string& path, std::string* error) {
        VrbString message;
        Owned<HadoopFile> file(session.fileSystem->openFile(0, VrbString(path.c_str(), false), 1, 0, 16384, &message));
        *error = text(message);
        return file ? readAll(file.get(), 16384, error) : "";
    }

    static std::string cache_;
    static std::string kinitOutput_;
    static bool kinitOk_;
    std::string address_;
    std::string caFile_;
    std::string root_;
};

std::string SecureHdfs::cache_;
std::string SecureHdfs::kinitOutput_;
bool SecureHdfs::kinitOk_ = false;

// Written and read through the library and checked by the cluster's own
// client, and the other way round; listed with sizes and the ticket's user's
// write permission.
TEST_F(SecureHdfs, FilesRoundTripAndListWithATicketOverVerifiedHttps) {
    Session session(secured("/"));
    ASSERT_TRUE(session.fileSystem) << text(session.error);
    VrbString message;
    ASSERT_TRUE(session.fileSystem->makeDirectory(VrbString(root_.c_str(), false), 0755, &message)) << text(message);

    // More than a block (1 MiB), appended to: the DataNode step repeats.
    std::string first = generatedText(1536 * 1024 + 100);
    ASSERT_EQ(put(session, root_ + "/ours.txt", 2, first.substr(0, 700000)), "");
    ASSERT_EQ(put(session, root_ + "/ours.txt", 0, first.substr(700000)), "");
    char copy[] = "/tmp/vrb-secure-copy-XXXXXX";
    int fd = ::mkstemp(copy);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, first.data(), first.size()), static_cast<ssize_t>(first.size()));
    ::close(fd);
    std::string md5;
    bool summed = runShell("md5sum " + shellQuoted(copy) + " | cut -d' ' -f1", &md5);
    ::unlink(copy);
    ASSERT_TRUE(summed) << md5;
    EXPECT_EQ(control("md5 " + root_ + "/ours.txt"), md5 + " " + std::to_string(first.size()));

    ASSERT_EQ(control("write " + root_ + "/theirs.txt 100000").rfind("ERR", 0), std::string::npos);
    std::string error;
    EXPECT_TRUE(get(session, root_ + "/theirs.txt", &error) == generatedText(100000)) << error;
    EXPECT_EQ(error, "");

    Owned<HadoopDirIterator> listing(session.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &message));
    ASSERT_TRUE(listing) << text(message);
    std::map<std::string, std::int64_t> seen;
    VrbString name;
    std::int64_t length = 0;
    bool readOnly = true;
    while (listing->next(&name, &length, nullptr, nullptr, nullptr, &readOnly, &message)) {
        seen[text(name)] = length;
        // Mode 644: writable for its owner, which the ticket names, only.
        EXPECT_EQ(readOnly, text(name) == "theirs.txt") << text(name);
    }
    EXPECT_EQ(text(message), "");
    EXPECT_EQ(seen, (std::map<std::string, std::int64_t>{{"ours.txt", static_cast<std::int64_t>(first.size())},
                                                          {"theirs.txt", 100000}}));
}

// Every way of reaching the cluster without the right credentials or CAs
// fails by name, with the reason. No parameter turns verification off:
// unknown ones are ignored.
TEST_F(SecureHdfs, MissingCredentialsAndUntrustedCertificatesAreRefusedWithTheReason) {
    ASSERT_EQ(control("write " + root_ + "/f.txt 10").rfind("ERR", 0), std::string::npos);
    const std::string path = root_ + "/f.txt";
    const std::string missingCache = "FILE:" + root_ + "-no-such-cache";
    struct Case {
        std::string query;
        std::string cache;           // KRB5CCNAME for the attempt; empty: the one with the ticket
        std::string expected;        // in the message, after "Cannot open file PATH: "
    };
    const std::string https = "ssl=true&cafile=" + caFile_;
    for (const Case& c : {
             Case{https, "", "The cluster requires Kerberos (SPNEGO) authentication: add auth=kerberos to the URI"},
             Case{"auth=kerberos&" + https, missingCache,
                  "failed: no usable Kerberos ticket (run kinit): No Kerberos credentials available"},
             Case{"auth=kerberos&ssl=true", "",
                  "could not be verified (SSL certificate problem: self-signed certificate in certificate "
                  "chain); name the CA that signed it with cafile= or capath="},
             Case{"auth=kerberos&ssl=true&verify=false&insecure=true&sslverify=false", "", "could not be verified"},
             Case{"auth=kerberos&ssl=true&cafile=/etc/ssl/certs/ca-certificates.crt", "", "could not be verified"},
             Case{"auth=kerberos&ssl=true&cafile=" + root_ + "-missing.pem", "",
                  "cannot be used ("},
         }) {
        if (!c.cache.empty()) setEnvironment("KRB5CCNAME", c.cache);
        Session session(uri("/", c.query));
        ASSERT_TRUE(session.fileSystem) << text(session.error);
        std::string error;
        EXPECT_EQ(get(session, path, &error), "") << c.query;
        EXPECT_EQ(error.rfind("Cannot open file " + path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.query << "\n" << error;
        if (!c.cache.empty()) {
            // The Kerberos library names the cache it looked in.
            EXPECT_NE(error.find(c.cache.substr(5)), std::string::npos) << error;
            setEnvironment("KRB5CCNAME", cache_);
        }
    }
}

// A service with no ticket cache at all logs in from the keytab; the cache
// it would otherwise use is never made, and a keytab that cannot log in is
// refused naming the principal and the keytab.
TEST_F(SecureHdfs, KeytabLoginsNeedNoTicketCache) {
    const std::string missingCache = root_ + "-no-such-cache";
    setEnvironment("KRB5CCNAME", "FILE:" + missingCache);
    const std::string login = "&keytab=" + environment("VRB_HDFS_KEYTAB") + "&principal=" +
                              environment("VRB_HDFS_PRINCIPAL");
    const std::string content = generatedText(70000);
    {
        Session session(secured("/") + login);
        ASSERT_TRUE(session.fileSystem) << text(session.error);
        EXPECT_EQ(put(session, root_ + "/k.txt", 2, content), "");
        std::string error;
        EXPECT_TRUE(get(session, root_ + "/k.txt", &error) == content) << error;
    }
    {
        Session session(secured("/") + "&keytab=" + root_ + "-missing.keytab&principal=" +
                        environment("VRB_HDFS_PRINCIPAL"));
        ASSERT_TRUE(session.fileSystem) << text(session.error);
        std::string error;
        EXPECT_EQ(get(session, root_ + "/k.txt", &error), "");
        EXPECT_NE(error.find("Cannot log in as *** from keytab " + root_ +
                             "-missing.keytab: "),
                  std::string::npos)
            << error;
    }
    EXPECT_FALSE(std::ifstream(missingCache).good()) << "the default cache was written";
    setEnvironment("KRB5CCNAME", cache_);
}

// A directory of hashed CA certificates serves as well as a file.
TEST_F(SecureHdfs, CaPathFindsTheClustersCa) {
    char scratch[] = "/tmp/vrb-capath-XXXXXX";
    ASSERT_NE(::mkdtemp(scratch), nullptr);
    std::string hash;
    ASSERT_TRUE(runShell("openssl x509 -hash -noout -in " + shellQuoted(caFile_), &hash)) << hash;
    std::string output;
    ASSERT_TRUE(runShell("cp " + shellQuoted(caFile_) + " " + shellQuoted(std::string(scratch) + "/" + hash + ".0"), &output));
    ASSERT_EQ(control("write " + root_ + "/f.txt 200").rfind("ERR", 0), std::string::npos);
    Session session(uri("/", "auth=kerberos&ssl=true&capath=" + std::string(scratch)));
    ASSERT_TRUE(session.fileSystem) << text(session.error);
    std::string error;
    EXPECT_EQ(get(session, root_ + "/f.txt", &error), generatedText(200)) << error;
    runShell("rm -rf " + shellQuoted(scratch), &output);
}

}  // namespace
}  // namespace vrhadooptest
