#include "FakeWebHdfs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace vrhadooptest {
namespace {

const std::string kPrefix = "/webhdfs/v1";
const std::string kDataNodePrefix = "/datanode";

std::string normalized(const std::string& path) {
    std::string result;
    for (char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/') continue;
        result += c;
    }
    if (result.empty() || result[0] != '/') result.insert(result.begin(), '/');
    if (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

std::string parentOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

nlohmann::json statusJson(const FakeWebHdfs::Node& node, const std::string& suffix) {
    char permission[8];
    std::snprintf(permission, sizeof permission, "%o", node.permission);
    return {{"pathSuffix", suffix},
            {"type", node.directory ? "DIRECTORY" : "FILE"},
            {"length", node.directory                ? std::int64_t{0}
                       : node.statedLength >= 0 ? node.statedLength
                                                : static_cast<std::int64_t>(node.content.size())},
            {"modificationTime", node.modificationTime},
            {"permission", permission},
            {"owner", node.owner},
            {"group", "supergroup"},
            {"accessTime", 0},
            {"blockSize", 134217728},
            {"replication", 1},
            {"fileId", node.fileId}};
}

// Files and directories made through the interface belong to the request's
// user (the one it acts as, when it names one), as of now.
std::string userOf(const HttpRequest& request) {
    auto doAs = request.query.find("doas");
    if (doAs != request.query.end()) return doAs->second;
    auto found = request.query.find("user.name");
    return found == request.query.end() ? "dr.who" : found->second;
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

HttpReply notFound(const std::string& path) {
    return remoteException(404, "FileNotFoundException", "File does not exist: " + path);
}

}  // namespace

HttpReply remoteException(int status, const std::string& exception, const std::string& message) {
    nlohmann::json body = {{"RemoteException",
                            {{"exception", exception},
                             {"javaClassName", "org.apache.hadoop.fs." + exception},
                             {"message", message}}}};
    return HttpReply::json(status, body.dump());
}

FakeWebHdfs::FakeWebHdfs()
    : nodes_{{"/", Node{true, "", 0755, "hdfs", 0}}}, server_([this](const HttpRequest& r) { return handle(r); }) {}

void FakeWebHdfs::makeParents(const std::string& path) {
    for (std::string parent = parentOf(path); !nodes_.count(parent); parent = parentOf(parent)) {
        nodes_[parent] = Node{true, "", 0755, "alice", 0};
    }
}

void FakeWebHdfs::addFile(const std::string& path, std::string content, int permission, std::string owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    makeParents(path);
    nodes_[path] = Node{false, std::move(content), permission, std::move(owner), 1700000000123};
    nodes_[path].fileId = ++lastFileId_;
}

void FakeWebHdfs::addDirectory(const std::string& path, int permission, std::string owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    makeParents(path);
    nodes_[path] = Node{true, "", permission, std::move(owner), 1700000000123};
}

void FakeWebHdfs::stateLengthAndTime(const std::string& path, std::int64_t length, std::int64_t modificationTime) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node& file = nodes_.at(path);
    file.statedLength = length;
    file.modificationTime = modificationTime;
}

std::optional<FakeWebHdfs::Node> FakeWebHdfs::node(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = nodes_.find(path);
    if (found == nodes_.end()) return std::nullopt;
    return found->second;
}

void FakeWebHdfs::setIntercept(Interceptor intercept) {
    std::lock_guard<std::mutex> lock(mutex_);
    intercept_ = std::move(intercept);
}

void FakeWebHdfs::setPageSize(std::size_t entries) {
    std::lock_guard<std::mutex> lock(mutex_);
    pageSize_ = entries;
}

std::string FakeWebHdfs::uri(const std::string& path, const std::string& query) const {
    return "hadoop://" + server_.authority() + path + (query.empty() ? "" : "?" + query);
}

std::size_t FakeWebHdfs::count(const std::string& op, bool toDataNode) const {
    std::size_t n = 0;
    for (const HttpRequest& request : server_.requests()) {
        bool dataNode = request.path.rfind(kDataNodePrefix, 0) == 0;
        auto found = request.query.find("op");
        if (found != request.query.end() && found->second == op && dataNode == toDataNode) ++n;
    }
    return n;
}

HttpReply FakeWebHdfs::handle(const HttpRequest& request) {
    Interceptor intercept;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        intercept = intercept_;
    }
    if (intercept) {
        if (std::optional<HttpReply> reply = intercept(request)) return *reply;
    }
    // Its NameNode is the active one of its cluster.
    if (request.path == "/isActive") return HttpReply::json(200, "{}");
    std::string target = request.path;
    bool toDataNode = target.rfind(kDataNodePrefix, 0) == 0;
    if (toDataNode) target.erase(0, kDataNodePrefix.size());
    if (target.rfind(kPrefix, 0) != 0) return HttpReply::json(404, "{}");
    std::string path = normalized(percentDecode(target.substr(kPrefix.size())));
    auto op = request.query.find("op");
    if (op == request.query.end()) return remoteException(400, "IllegalArgumentException", "op is missing");
    std::lock_guard<std::mutex> lock(mutex_);
    return toDataNode ? dataNode(request, op->second, path) : nameNode(request, op->second, path);
}

HttpReply FakeWebHdfs::nameNode(const HttpRequest& request, const std::string& op, const std::string& path) {
    auto found = nodes_.find(path);
    bool exists = found != nodes_.end();
    if (op == "GETFILESTATUS") {
        if (!exists) return notFound(path);
        return HttpReply::json(200, nlohmann::json{{"FileStatus", statusJson(found->second, "")}}.dump());
    }
    if (op == "LISTSTATUS_BATCH") return listBatch(request, path);
    if (op == "OPEN" || op == "CREATE" || op == "APPEND") {
        if (!exists && op != "CREATE") return notFound(path);
        return HttpReply::redirect("http://" + server_.authority() + kDataNodePrefix + request.target);
    }
    if (op == "MKDIRS") {
        if (exists && !found->second.directory) {
            return remoteException(403, "FileAlreadyExistsException", "Path is not a directory: " + path);
        }
        if (!exists) {
            makeParents(path);
            nodes_[path] = Node{true, "", 0755, userOf(request), nowMs()};
        }
        return HttpReply::json(200, R"({"boolean":true})");
    }
    if (op == "DELETE") {
        if (!exists) return HttpReply::json(200, R"({"boolean":false})");
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            bool inside = it->first == path || it->first.rfind(path + "/", 0) == 0;
            it = inside ? nodes_.erase(it) : std::next(it);
        }
        return HttpReply::json(200, R"({"boolean":true})");
    }
    if (op == "SETPERMISSION") {
        if (!exists) return notFound(path);
        found->second.permission = std::stoi(request.query.at("permission"), nullptr, 8);
        return HttpReply{};
    }
    return remoteException(400, "IllegalArgumentException", "Invalid value for webhdfs parameter op: " + op);
}

HttpReply FakeWebHdfs::dataNode(const HttpRequest& request, const std::string& op, const std::string& path) {
    auto found = nodes_.find(path);
    if (op == "OPEN") {
        if (found == nodes_.end()) return notFound(path);
        const std::string& content = found->second.content;
        std::size_t offset = std::stoul(request.query.at("offset"));
        std::size_t length = std::stoul(request.query.at("length"));
        HttpReply reply;
        reply.headers.emplace_back("Content-Type", "application/octet-stream");
        reply.body = offset < content.size() ? content.substr(offset, length) : "";
        return reply;
    }
    if (op == "CREATE") {
        if (found != nodes_.end() && request.query.at("overwrite") == "false") {
            return remoteException(403, "FileAlreadyExistsException", path + " for client 127.0.0.1 already exists");
        }
        makeParents(path);
        nodes_[path] = Node{false, request.body, 0644, userOf(request), nowMs()};
        nodes_[path].fileId = ++lastFileId_;
        HttpReply reply;
        reply.status = 201;
        reply.headers.emplace_back("Location", "hdfs://fake" + path);
        return reply;
    }
    if (op == "APPEND") {
        if (found == nodes_.end()) return notFound(path);
        found->second.content += request.body;
        return HttpReply{};
    }
    return remoteException(400, "IllegalArgumentException", "not a DataNode operation: " + op);
}

HttpReply FakeWebHdfs::listBatch(const HttpRequest& request, const std::string& path) {
    auto found = nodes_.find(path);
    if (found == nodes_.end()) return notFound(path);
    std::string prefix = path == "/" ? "/" : path + "/";
    // Like the NameNode, the fake knows the parameter only in lower case.
    auto after = request.query.find("startafter");
    // Like the NameNode, children come in the order of their bytes as
    // signed values: non-ASCII names first.
    auto before = [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<signed char>(x) < static_cast<signed char>(y);
        });
    };
    std::map<std::string, const Node*, decltype(before)> children(before);
    for (const auto& [name, child] : nodes_) {
        bool isChild = name.size() > prefix.size() && name.rfind(prefix, 0) == 0 &&
                       name.find('/', prefix.size()) == std::string::npos;
        if (isChild && (after == request.query.end() || before(after->second, nameOf(name)))) {
            children.emplace(nameOf(name), &child);
        }
    }
    nlohmann::json entries = nlohmann::json::array();
    std::size_t remaining = 0;
    for (const auto& [name, child] : children) {
        if (entries.size() < pageSize_) {
            entries.push_back(statusJson(*child, name));
        } else {
            ++remaining;
        }
    }
    nlohmann::json listing = {
        {"DirectoryListing",
         {{"partialListing", {{"FileStatuses", {{"FileStatus", entries}}}}}, {"remainingEntries", remaining}}}};
    return HttpReply::json(200, listing.dump());
}

}  // namespace vrhadooptest
