// The access library against a real HDFS (tests/hdfs/cluster.sh run -- ...),
// whose NameNode's HTTP address is in VRB_HDFS_HTTP. Without it the tests
// skip, except under CI=true, where a missing cluster is a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "LoopbackHttpServer.h"
#include "access_test_support.h"
#include "test_platform.h"
#include <nlohmann/json.hpp>

#include "WebHdfsClient.h"
#include "WebHdfsPieceWriter.h"
#include "file_status_json.h"
#include "transfer_limits.h"

namespace vrhadooptest {
namespace {

constexpr std::size_t kMiB = 1u << 20;

// A command to the cluster's Java side (tests/hdfs/README.md): its reply
// without "OK", or "ERR ..." when it failed.
std::string control(const std::string& command) {
    std::string reply;
    return runShell("'" VRB_CLUSTER_SH "' ctl " + command, &reply) ? reply : "ERR " + reply;
}

// The NameNodes' HTTP addresses under cluster.sh run --ha (VRB_HDFS_NAMENODES).
std::vector<std::string> nameNodes() {
    std::vector<std::string> addresses;
    std::istringstream list(environment("VRB_HDFS_NAMENODES"));
    for (std::string address; std::getline(list, address, ',');) {
        if (!address.empty()) addresses.push_back(address);
    }
    return addresses;
}

// Which of `ports` (on 127.0.0.1) this machine holds an established IPv4
// connection to; 0 when none. Only WebHDFS clients connect to DataNodes'
// HTTP ports, and this test is the only one running.
int connectedPort(const std::vector<int>& ports) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        int port = std::stoi(remote.substr(remote.find(':') + 1), nullptr, 16);
        if (state == "01" && std::find(ports.begin(), ports.end(), port) != ports.end()) return port;
    }
    return 0;
}

// Stops the one of the cluster's two DataNodes that this process is
// reading from.
void stopTheServingDataNode() {
    std::istringstream reply(control("datanodes"));
    std::vector<int> ports;
    for (int port; reply >> port;) ports.push_back(port);
    ASSERT_EQ(ports.size(), 2u);
    int serving = connectedPort(ports);
    ASSERT_NE(serving, 0) << "no connection to a DataNode while the read is under way";
    ASSERT_EQ(control("stopdatanode " + std::to_string(serving)), "");
}

class HdfsCluster : public ::testing::Test {
protected:
    void SetUp() override {
        address_ = environment("VRB_HDFS_HTTP");
        if (address_.empty()) {
            if (environment("CI") == "true") FAIL() << "VRB_HDFS_HTTP is not set; run under tests/hdfs/cluster.sh run";
            GTEST_SKIP() << "*** VRB_HDFS_HTTP is not set: no HDFS to test against. "
                            "Run: tests/hdfs/cluster.sh run -- ctest -R vrhadoop_cluster ***";
        }
        std::string superuser = environment("VRB_HDFS_SUPERUSER");
        admin_ = std::make_unique<Session>(uri("/", superuser.empty() ? "" : "user=" + superuser));
        ASSERT_TRUE(admin_->fileSystem) << text(admin_->error);
        root_ = "/vrhadoop-test-" + std::to_string(processId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        VrbString error;
        ASSERT_TRUE(admin_->fileSystem->makeDirectory(VrbString(root_.c_str(), false), 0777, &error)) << text(error);
        // The permission passed to MKDIRS is masked by the server's umask.
        ASSERT_TRUE(admin_->fileSystem->setPermission(VrbString(root_.c_str(), false), 0777, &error)) << text(error);
    }

    void TearDown() override {
        if (admin_ && admin_->fileSystem) {
            VrbString error;
            EXPECT_TRUE(admin_->fileSystem->remove(VrbString(root_.c_str(), false), true, &error)) << text(error);
        }
    }

    // With several NameNodes (cluster.sh run --ha) the URI names the others
    // in "namenodes", so that every test reaches the cluster through the
    // first one, whichever is active.
    std::string uri(const std::string& path, const std::string& query = "") const {
        std::string others;
        for (const std::string& address : nameNodes()) {
            if (address != address_) others += (others.empty() ? "" : ",") + address;
        }
        std::string all = others.empty() ? query : (query.empty() ? "" : query + "&") + "namenodes=" + others;
        return "hadoop://" + address_ + path + (all.empty() ? "" : "?" + all);
    }
    std::string at(const std::string& name) const { return root_ + "/" + name; }

    Owned<HadoopFile> open(Session& session, const std::string& path, int mode, std::string* error) {
        VrbString message;
        Owned<HadoopFile> file(
            session.fileSystem->openFile(0, VrbString(path.c_str(), false), mode, 0, 16384, &message));
        *error = text(message);
        return file;
    }

    // Writes (mode 2) or appends (mode 0) `data` and closes; "" or the failure.
    std::string put(Session& session, const std::string& path, int mode, const std::string& data) {
        std::string error;
        Owned<HadoopFile> file = open(session, path, mode, &error);
        if (!file) return error;
        if (!writeAll(file.get(), data, 16384, &error)) return error;
        VrbString message;
        return file->close(&message) ? "" : text(message);
    }

    std::string get(Session& session, const std::string& path, std::string* error) {
        Owned<HadoopFile> file = open(session, path, 1, error);
        return file ? readAll(file.get(), 16384, error) : "";
    }

    void roundTripThroughWriteAppendAndOverwrite(std::size_t firstBytes);

    // Writes 12 MiB of patterned bytes (`seed`) to `name` as alice, reads
    // the first piece, calls `disturb` and reads the rest, which must come
    // whole and in order.
    void readAcross(const std::string& name, int seed, const std::function<void()>& disturb) {
        Session alice(uri("/", "user=alice"), limits_);
        const std::string content = patternedBytes(12 * kMiB + 5, seed);
        ASSERT_EQ(put(alice, at(name), 2, content), "");
        std::string error;
        Owned<HadoopFile> file = open(alice, at(name), 1, &error);
        ASSERT_TRUE(file) << error;
        char* piece = nullptr;
        VrbString message;
        int n = file->read(0, &piece, 65536, &message);
        ASSERT_GT(n, 0) << text(message);
        std::string data(piece, static_cast<std::size_t>(n));

        ASSERT_NO_FATAL_FAILURE(disturb());

        data += readAll(file.get(), 65536, &error);
        EXPECT_EQ(error, "");
        EXPECT_EQ(data.size(), content.size());
        EXPECT_TRUE(data == content);
    }

    std::string address_;
    std::string root_;
    std::unique_ptr<Session> admin_;
    // What the sessions of a test are made with (admin_'s are the defaults).
    vrhadoop::TransferLimits limits_;
};

// Writes, appends and overwrites of files of several blocks, read back whole.
void HdfsCluster::roundTripThroughWriteAppendAndOverwrite(std::size_t firstBytes) {
    Session alice(uri("/", "user=alice"), limits_);
    ASSERT_TRUE(alice.fileSystem) << text(alice.error);
    std::string first = patternedBytes(firstBytes, 11);
    std::string more = patternedBytes(kMiB + 333, 12);
    ASSERT_EQ(put(alice, at("blocks.bin"), 2, first), "");
    ASSERT_EQ(put(alice, at("blocks.bin"), 0, more), "");
    std::string error;
    Owned<HadoopFile> file = open(alice, at("blocks.bin"), 1, &error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->size(), static_cast<std::int64_t>(first.size() + more.size()));
    EXPECT_TRUE(readAll(file.get(), 16384, &error) == first + more) << error;

    ASSERT_EQ(put(alice, at("blocks.bin"), 2, "short"), "");
    EXPECT_EQ(get(alice, at("blocks.bin"), &error), "short") << error;
    ASSERT_EQ(put(alice, at("new-by-append.txt"), 0, "created"), "");
    EXPECT_EQ(get(alice, at("new-by-append.txt"), &error), "created") << error;
    ASSERT_EQ(put(alice, at("empty.txt"), 2, ""), "");
    EXPECT_EQ(get(alice, at("empty.txt"), &error), "") << error;
    EXPECT_EQ(error, "");
}

TEST_F(HdfsCluster, MultiBlockFilesRoundTripThroughWriteAppendAndOverwrite) {
    roundTripThroughWriteAppendAndOverwrite(3 * kMiB + kMiB / 2 + 17);
}

// Uploads in pieces of known length (the mode of HTTP stacks that cannot
// stream a body of unknown length), across the pieces' boundaries.
TEST_F(HdfsCluster, WritesInPiecesRoundTripThroughWriteAppendAndOverwrite) {
    limits_.uploadInPieces = true;
    roundTripThroughWriteAppendAndOverwrite(2 * vrhadoop::WebHdfsPieceWriter::kPieceBytes + kMiB / 2 + 17);
}

TEST_F(HdfsCluster, ListingsPageBeyondTheServersLimit) {
    Session alice(uri("/", "user=alice"), limits_);
    std::map<std::string, std::string> files;
    for (int i = 0; i < 13; ++i) files["file " + std::to_string(100 + i) + (i % 3 ? ".txt" : " #%?&.txt")] =
        std::string(static_cast<std::size_t>(i), 'x');
    for (const auto& [name, content] : files) ASSERT_EQ(put(alice, at(name), 2, content), "") << name;
    VrbString error;
    ASSERT_TRUE(alice.fileSystem->makeDirectory(VrbString(at("sub").c_str(), false), 0755, &error)) << text(error);

    Owned<HadoopDirIterator> listing(
        alice.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    alice.fileSystem.reset();
    std::map<std::string, std::string> seen;
    VrbString name;
    std::int64_t length = 0;
    VrbDate date;
    int timeStamp = 0;
    bool directory = false;
    bool readOnly = true;
    bool sawSub = false;
    while (listing->next(&name, &length, &date, &timeStamp, &directory, &readOnly, &error)) {
        EXPECT_GT(timeStamp, 1600000000);
        EXPECT_GT(date.year(), 2019);
        if (text(name) == "sub") {
            sawSub = directory;
            continue;
        }
        EXPECT_FALSE(directory);
        EXPECT_FALSE(readOnly) << "alice owns " << text(name);
        seen[text(name)] = std::string(static_cast<std::size_t>(length), 'x');
    }
    EXPECT_EQ(text(error), "");
    EXPECT_TRUE(sawSub);
    EXPECT_EQ(seen, files);
}

TEST_F(HdfsCluster, PagesOfMixedAsciiAndNonAsciiNamesListWhole) {
    // The server puts names with non-ASCII bytes first. With exactly one page
    // of them, the first page ends on a non-ASCII name and the next starts
    // with an ASCII one.
    int pageSize = std::atoi(environment("VRB_HDFS_LS_LIMIT").c_str());
    ASSERT_GT(pageSize, 1) << "VRB_HDFS_LS_LIMIT";
    std::vector<std::string> expected;
    for (int i = 1; i < pageSize; ++i) expected.push_back("\xC3\xA9" + std::to_string(i));
    expected.push_back("\xC3\xBC");
    for (const char* ascii : {"B", "a1", "a2", "z"}) expected.push_back(ascii);
    Session alice(uri("/", "user=alice"), limits_);
    for (auto name = expected.rbegin(); name != expected.rend(); ++name) {
        ASSERT_EQ(put(alice, at(*name), 2, *name), "") << *name;
    }
    VrbString error;
    Owned<HadoopDirIterator> listing(alice.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    std::vector<std::string> seen;
    VrbString name;
    while (listing->next(&name, nullptr, nullptr, nullptr, nullptr, nullptr, &error)) seen.push_back(text(name));
    EXPECT_EQ(text(error), "");
    EXPECT_EQ(seen, expected);
}

// Under cluster.sh run --datanodes 2 (ctest entry vrhadoop_cluster_resume).
TEST_F(HdfsCluster, AReadResumesOnTheOtherReplicaWhenItsDataNodeStops) {
    if (std::atoi(environment("VRB_HDFS_DATANODES").c_str()) < 2) {
        GTEST_SKIP() << "needs two DataNodes: tests/hdfs/cluster.sh run --datanodes 2";
    }
    readAcross("replicated.bin", 21, [] { stopTheServingDataNode(); });
}

// Under cluster.sh run --datanodes 2 (ctest entry vrhadoop_cluster_quiet_stop):
// a DataNode that stopped without the NameNode noticing (a crash, for the
// ten minutes until its heartbeats are missed) is still named in redirects.
// Told its transfer address in excludedatanodes the NameNode leaves it out,
// and every read gets through on the other replica.
TEST_F(HdfsCluster, ReadsGetThroughWhileADataNodeIsDownButNotYetTakenForDead) {
    if (std::atoi(environment("VRB_HDFS_DATANODES").c_str()) < 2) {
        GTEST_SKIP() << "needs two DataNodes: tests/hdfs/cluster.sh run --datanodes 2";
    }
    Session alice(uri("/", "user=alice"), limits_);
    const std::string content = patternedBytes(3 * kMiB + 7, 31);
    ASSERT_EQ(put(alice, at("quiet.bin"), 2, content), "");
    std::istringstream reply(control("datanodes"));
    std::vector<int> ports;
    for (int port; reply >> port;) ports.push_back(port);
    ASSERT_EQ(ports.size(), 2u);
    const int stopped = ports[0];

    vrhadoop::WebHdfsEndpoint endpoint;
    endpoint.nameNode = "http://" + address_;
    endpoint.user = "alice";
    vrhadoop::WebHdfsClient client(endpoint);
    nlohmann::json blocks;
    vrhadoop::Failure failure;
    ASSERT_TRUE(client.callJson(vrhadoop::HttpMethod::Get, "GET_BLOCK_LOCATIONS", at("quiet.bin"),
                                "&offset=0&length=1", &blocks, &failure))
        << failure.text();
    const std::string transfer = vrhadoop::transferAddressOf(blocks, "127.0.0.1", stopped);
    ASSERT_FALSE(transfer.empty()) << blocks.dump();
    ASSERT_EQ(control("quietstopdatanode " + std::to_string(stopped)), "");

    const std::string stoppedServer = "127.0.0.1:" + std::to_string(stopped) + "/";
    int toStopped = 0;
    for (int i = 0; i < 10; ++i) {
        std::string location;
        ASSERT_TRUE(client.redirectTarget(vrhadoop::HttpMethod::Get, "OPEN", at("quiet.bin"), "", &location, &failure));
        toStopped += location.find(stoppedServer) != std::string::npos;
        ASSERT_TRUE(client.redirectTarget(vrhadoop::HttpMethod::Get, "OPEN", at("quiet.bin"),
                                          "&excludedatanodes=" + transfer, &location, &failure));
        EXPECT_EQ(location.find(stoppedServer), std::string::npos) << "excluded " << transfer << ": " << location;
    }
    EXPECT_GT(toStopped, 0) << "the NameNode never named the stopped DataNode: nothing was tested";
    for (int i = 0; i < 10; ++i) {
        std::string error;
        EXPECT_TRUE(get(alice, at("quiet.bin"), &error) == content) << "read " << i << ": " << error;
    }
}

TEST_F(HdfsCluster, AnotherUserIsDeniedWithTheServersReason) {
    std::string secret = at("private");
    VrbString error;
    ASSERT_TRUE(admin_->fileSystem->makeDirectory(VrbString(secret.c_str(), false), 0700, &error));
    ASSERT_TRUE(admin_->fileSystem->setPermission(VrbString(secret.c_str(), false), 0700, &error));
    ASSERT_EQ(put(*admin_, secret + "/f.txt", 2, "mine"), "");

    Session mallory(uri("/", "user=mallory"), limits_);
    std::string message;
    EXPECT_FALSE(open(mallory, secret + "/f.txt", 1, &message));
    EXPECT_NE(message.find("Permission denied (AccessControlException: Permission denied: user=mallory"),
              std::string::npos)
        << message;
    message = put(mallory, secret + "/g.txt", 2, "intruder");
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << "the server's stack trace: " << message;
    EXPECT_FALSE(mallory.fileSystem->openDirIterator(0, VrbString(secret.c_str(), false), &error));
    EXPECT_NE(text(error).find("Cannot list directory " + secret + ": Permission denied"), std::string::npos)
        << text(error);

    // A file others may read but not write: listed as read-only for them.
    ASSERT_EQ(put(*admin_, at("shared.txt"), 2, "shared"), "");
    ASSERT_TRUE(admin_->fileSystem->setPermission(VrbString(at("shared.txt").c_str(), false), 0644, &error));
    Owned<HadoopDirIterator> listing(mallory.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    VrbString name;
    std::int64_t length = 0;
    bool readOnly = false;
    bool found = false;
    while (listing->next(&name, &length, nullptr, nullptr, nullptr, &readOnly, &error)) {
        if (text(name) == "shared.txt") found = readOnly;
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(get(mallory, at("shared.txt"), &message), "shared") << message;
}

TEST_F(HdfsCluster, DirectoriesAndMissingFilesAreRefusedByName) {
    Session alice(uri("/", "user=alice"), limits_);
    std::string message;
    EXPECT_FALSE(open(alice, root_, 1, &message));
    EXPECT_EQ(message, "Cannot open file " + root_ + ": Path is a directory");
    EXPECT_FALSE(open(alice, at("missing.txt"), 1, &message));
    EXPECT_NE(message.find("Cannot open file " + at("missing.txt") + ": File does not exist (FileNotFoundException"),
              std::string::npos)
        << message;
    ASSERT_EQ(put(alice, at("plain.txt"), 2, "x"), "");
    VrbString error;
    EXPECT_FALSE(alice.fileSystem->openDirIterator(0, VrbString(at("plain.txt").c_str(), false), &error));
    EXPECT_EQ(text(error), "Cannot list directory " + at("plain.txt") + ": Path is a file, not a directory");
    EXPECT_FALSE(alice.fileSystem->openDirIterator(0, VrbString(at("nothing").c_str(), false), &error));
    EXPECT_NE(text(error).find("Directory does not exist"), std::string::npos) << text(error);
}

TEST_F(HdfsCluster, NamesNeedingEncodingRoundTrip) {
    Session alice(uri("/", "user=alice"), limits_);
    const std::string name = "caf\xC3\xA9 100% #1? a&b=c+d;e.txt";
    ASSERT_EQ(put(alice, at(name), 2, "awkward"), "");
    std::string message;
    EXPECT_EQ(get(alice, at(name), &message), "awkward") << message;
    HadoopFileStatus status;
    VrbString error;
    ASSERT_TRUE(alice.fileSystem->status(VrbString(at(name).c_str(), false), &status, &error)) << text(error);
    EXPECT_TRUE(status.exists);
    EXPECT_EQ(status.length, 7);
    EXPECT_EQ(text(status.owner), "alice");
    Owned<HadoopDirIterator> listing(alice.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    VrbString entry;
    std::int64_t length = 0;
    ASSERT_TRUE(listing->next(&entry, &length, nullptr, nullptr, nullptr, nullptr, &error)) << text(error);
    EXPECT_EQ(text(entry), name);
}

// Files written as alice acting for bob (the fixture grants alice the right
// to act as bob, and only as bob) belong to bob, whose rights decide which
// entries are read-only.
TEST_F(HdfsCluster, ProxyUsersActForTheUserTheirGrantNames) {
    Session alice(uri("/", "user=alice"), limits_);
    Session asBob(uri("/", "user=alice&doas=bob"), limits_);
    ASSERT_TRUE(asBob.fileSystem) << text(asBob.error);
    ASSERT_EQ(put(alice, at("alices.txt"), 2, "alice's"), "");
    ASSERT_EQ(put(asBob, at("bobs.txt"), 2, "bob's"), "");
    HadoopFileStatus status;
    VrbString error;
    ASSERT_TRUE(admin_->fileSystem->status(VrbString(at("bobs.txt").c_str(), false), &status, &error)) << text(error);
    EXPECT_EQ(text(status.owner), "bob");
    std::string message;
    EXPECT_EQ(get(asBob, at("alices.txt"), &message), "alice's") << message;

    Owned<HadoopDirIterator> listing(asBob.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    std::map<std::string, bool> readOnly;
    VrbString name;
    bool ro = false;
    while (listing->next(&name, nullptr, nullptr, nullptr, nullptr, &ro, &error)) readOnly[text(name)] = ro;
    EXPECT_EQ(text(error), "");
    EXPECT_EQ(readOnly, (std::map<std::string, bool>{{"alices.txt", true}, {"bobs.txt", false}}));

    // No grant, no impersonation: the message names the path and the reason.
    for (const std::string& query : {std::string("user=alice&doas=carol"), std::string("user=mallory&doas=bob")}) {
        Session refused(uri("/", query), limits_);
        EXPECT_FALSE(open(refused, at("bobs.txt"), 1, &message)) << query;
        EXPECT_NE(message.find("Cannot open file " + at("bobs.txt") + ": Permission denied"), std::string::npos)
            << message;
        EXPECT_NE(message.find("is not allowed to impersonate"), std::string::npos) << message;
        EXPECT_NE(put(refused, at("refused.txt"), 2, "x"), "") << query;
    }
}

// Under cluster.sh run --ha (ctest entry vrhadoop_cluster_ha): VRB_HDFS_HTTP
// is the first NameNode, on standby; VRB_HDFS_NAMENODES names both. Tests
// that fail the cluster over fail it back at their end.
class HighAvailability : public HdfsCluster {
protected:
    void SetUp() override {
        if (nameNodes().size() < 2) {
            GTEST_SKIP() << "needs two NameNodes: tests/hdfs/cluster.sh run --ha";
        }
        HdfsCluster::SetUp();
    }

    // The cluster's other NameNode becomes the active one.
    void failover() {
        std::string reply = control("failover");
        ASSERT_EQ(reply.rfind("ERR", 0), std::string::npos) << reply;
    }
};

TEST_F(HighAvailability, FilesAreReachedThroughTheStandbyAndPastADeadAddress) {
    // The URI names the standby; "namenodes" the active one.
    Session alice(uri("/", "user=alice"), limits_);
    ASSERT_TRUE(alice.fileSystem) << text(alice.error);
    const std::string content = patternedBytes(2 * kMiB + 3, 31);
    ASSERT_EQ(put(alice, at("ha.bin"), 2, content), "");
    ASSERT_EQ(put(alice, at("ha.bin"), 0, "more"), "");
    std::string error;
    EXPECT_TRUE(get(alice, at("ha.bin"), &error) == content + "more") << error;

    // A dead address first, then both NameNodes.
    const std::vector<std::string> both = nameNodes();
    Session pastDead("hadoop://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/?user=alice&namenodes=" +
                     both[0] + "," + both[1]);
    ASSERT_TRUE(pastDead.fileSystem) << text(pastDead.error);
    EXPECT_TRUE(get(pastDead, at("ha.bin"), &error) == content + "more") << error;
    VrbString message;
    Owned<HadoopDirIterator> listing(
        pastDead.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &message));
    ASSERT_TRUE(listing) << text(message);
    VrbString name;
    ASSERT_TRUE(listing->next(&name, nullptr, nullptr, nullptr, nullptr, nullptr, &message)) << text(message);
    EXPECT_EQ(text(name), "ha.bin");

    // The standby alone: refused with the server's reason, after 3 tries.
    limits_.retryDelayMs = 100;
    Session standbyOnly("hadoop://" + address_ + "/?user=alice", limits_);
    EXPECT_FALSE(open(standbyOnly, at("ha.bin"), 1, &error));
    EXPECT_NE(error.find("Cannot open file " + at("ha.bin") + ": The NameNode is on standby"), std::string::npos)
        << error;
    EXPECT_NE(error.find("StandbyException"), std::string::npos) << error;
    EXPECT_NE(error.find("; 3 tries in"), std::string::npos) << error;
}

TEST_F(HighAvailability, APagedListingCarriesOnAcrossAFailover) {
    Session alice(uri("/", "user=alice"), limits_);
    std::vector<std::string> expected;
    for (int i = 0; i < 13; ++i) expected.push_back("f" + std::to_string(100 + i));
    for (const std::string& name : expected) ASSERT_EQ(put(alice, at(name), 2, name), "") << name;
    VrbString error;
    Owned<HadoopDirIterator> listing(alice.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
    ASSERT_TRUE(listing) << text(error);
    std::vector<std::string> seen;
    VrbString name;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(listing->next(&name, nullptr, nullptr, nullptr, nullptr, nullptr, &error)) << text(error);
        seen.push_back(text(name));
    }
    failover();
    while (listing->next(&name, nullptr, nullptr, nullptr, nullptr, nullptr, &error)) seen.push_back(text(name));
    EXPECT_EQ(text(error), "");
    EXPECT_EQ(seen, expected);
    failover();
}

// Defined last, so that it runs last: it stops a DataNode.
TEST_F(HighAvailability, AReadCarriesOnAcrossAFailover) {
    readAcross("failover.bin", 41, [this] {
        failover();
        // The DataNode serving the read stops too, so the read must go back
        // to the NameNodes, where the one it knew is now on standby.
        stopTheServingDataNode();
    });
    failover();
}

}  // namespace
}  // namespace vrhadooptest
