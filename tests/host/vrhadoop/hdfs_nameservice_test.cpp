// The test cluster reached as its users reach a configured cluster: by the
// nameservice of the client configuration that cluster.sh writes
// (VRB_HDFS_CONF_DIR), or by the default file system, with
// HADOOP_CONF_DIR pointing there. Under cluster.sh run --ha the
// configuration names the standby first, and a failover must not matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access_test_support.h"
#include "test_platform.h"

namespace vrhadooptest {
namespace {

class ClusterNameservice : public ::testing::Test {
protected:
    void SetUp() override {
        std::string directory = environment("VRB_HDFS_CONF_DIR");
        if (directory.empty()) {
            if (environment("CI") == "true") FAIL() << "VRB_HDFS_CONF_DIR is not set; run under tests/hdfs/cluster.sh run";
            GTEST_SKIP() << "no client configuration of a test HDFS: run under tests/hdfs/cluster.sh run";
        }
        // Read once per process: set before the first connection.
        setEnvironment("HADOOP_CONF_DIR", directory);
        user_ = environment("VRB_HDFS_SUPERUSER");
        root_ = "/vrhadoop-nameservice-" + std::to_string(processId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        admin_ = std::make_unique<Session>("hadoop://vrbtest/?user=" + user_);
        ASSERT_TRUE(admin_->fileSystem) << text(admin_->error);
        VrbString error;
        ASSERT_TRUE(admin_->fileSystem->makeDirectory(VrbString(root_.c_str(), false), 0777, &error)) << text(error);
    }

    void TearDown() override {
        if (admin_ && admin_->fileSystem) {
            VrbString error;
            EXPECT_TRUE(admin_->fileSystem->remove(VrbString(root_.c_str(), false), true, &error)) << text(error);
        }
    }

    // Writes (mode 2) or appends (mode 0) `data`; "" or the failure.
    std::string put(Session& session, const std::string& path, int mode, const std::string& data) {
        VrbString message;
        Owned<HadoopFile> file(session.fileSystem->openFile(0, VrbString(path.c_str(), false), mode, 0, 16384,
                                                            &message));
        std::string error;
        if (!file) return text(message);
        if (!writeAll(file.get(), data, 16384, &error)) return error;
        return file->close(&message) ? "" : text(message);
    }

    std::string get(Session& session, const std::string& path, std::string* error) {
        VrbString message;
        Owned<HadoopFile> file(session.fileSystem->openFile(0, VrbString(path.c_str(), false), 1, 0, 16384,
                                                            &message));
        *error = text(message);
        return file ? readAll(file.get(), 16384, error) : "";
    }

    std::vector<std::string> list(Session& session) {
        VrbString error;
        std::vector<std::string> names;
        Owned<HadoopDirIterator> listing(
            session.fileSystem->openDirIterator(0, VrbString(root_.c_str(), false), &error));
        EXPECT_TRUE(listing) << text(error);
        VrbString name;
        while (listing && listing->next(&name, nullptr, nullptr, nullptr, nullptr, nullptr, &error)) {
            names.push_back(text(name));
        }
        EXPECT_EQ(text(error), "");
        return names;
    }

    std::string at(const std::string& name) const { return root_ + "/" + name; }

    std::string user_;
    std::string root_;
    std::unique_ptr<Session> admin_;
};

TEST_F(ClusterNameservice, ReadsWritesAndListsByNameserviceAndDefaultFileSystem) {
    const std::string content = patternedBytes(3 * 16384 + 7, 5);
    Session byName("hadoop://vrbtest" + at("") + "?user=" + user_);
    ASSERT_TRUE(byName.fileSystem) << text(byName.error);
    ASSERT_EQ(put(byName, at("a.bin"), 2, content), "");
    ASSERT_EQ(put(byName, at("a.bin"), 0, "tail"), "");

    Session byDefault("hadoop:///?user=" + user_);
    ASSERT_TRUE(byDefault.fileSystem) << text(byDefault.error);
    std::string error;
    EXPECT_TRUE(get(byDefault, at("a.bin"), &error) == content + "tail") << error;
    ASSERT_EQ(put(byDefault, at("b.txt"), 2, "b"), "");
    EXPECT_EQ(list(byName), (std::vector<std::string>{"a.bin", "b.txt"}));
}

TEST_F(ClusterNameservice, CarriesOnAcrossAFailover) {
    std::string reply;
    if (environment("VRB_HDFS_NAMENODES").find(',') == std::string::npos) {
        GTEST_SKIP() << "needs two NameNodes: tests/hdfs/cluster.sh run --ha";
    }
    Session session("hadoop://vrbtest/?user=" + user_);
    ASSERT_TRUE(session.fileSystem) << text(session.error);
    ASSERT_EQ(put(session, at("before.txt"), 2, "before"), "");
    ASSERT_TRUE(runShell("'" VRB_CLUSTER_SH "' ctl failover", &reply)) << reply;
    std::string error;
    EXPECT_EQ(get(session, at("before.txt"), &error), "before") << error;
    Session fresh("hadoop://vrbtest/?user=" + user_);
    ASSERT_TRUE(fresh.fileSystem) << text(fresh.error);
    EXPECT_EQ(put(fresh, at("after.txt"), 2, "after"), "");
    EXPECT_EQ(list(fresh), (std::vector<std::string>{"after.txt", "before.txt"}));
    EXPECT_TRUE(runShell("'" VRB_CLUSTER_SH "' ctl failover", &reply)) << reply;
}

}  // namespace
}  // namespace vrhadooptest
