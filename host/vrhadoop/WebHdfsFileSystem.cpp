#include "WebHdfsFileSystem.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "WebHdfsDirIterator.h"
#include "WebHdfsReadFile.h"
#include "WebHdfsWriteFile.h"
#include "webhdfs_path.h"

namespace vrhadoop {
namespace {

std::string pathOf(const VrbString& path) { return normalizePath(std::string_view(path.asCstr(), path.length())); }

std::string permissionQuery(int permission) {
    char octal[16];
    std::snprintf(octal, sizeof octal, "%o", static_cast<unsigned>(permission) & 07777u);
    return std::string("&permission=") + octal;
}

// The {"boolean": ...} answer of MKDIRS and DELETE.
bool booleanAnswer(const nlohmann::json& answer, bool* value) {
    auto found = answer.find("boolean");
    if (found == answer.end() || !found->is_boolean()) return false;
    *value = found->get<bool>();
    return true;
}

bool fail(VrbString* error, const std::string& action, const std::string& path, const std::string& why) {
    setError(error, action + " " + path + ": " + why);
    return false;
}

constexpr const char* kDotComponentReason = "\".\" and \"..\" cannot be components of an HDFS path";

// False with the message when the path has a "." or ".." component.
bool plainPath(const std::string& path, const std::string& action, VrbString* error) {
    return !hasDotComponent(path) || fail(error, action, path, kDotComponentReason);
}

}  // namespace

bool WebHdfsFileSystem::makeDirectory(const VrbString& path, int permission, VrbString* error) {
    return guarded(error, false, [&] {
        std::string target = pathOf(path);
        if (!plainPath(target, "Cannot create directory", error)) return false;
        nlohmann::json answer;
        Failure failure;
        bool made = false;
        if (!client_.callJson(HttpMethod::Put, "MKDIRS", target, permissionQuery(permission), &answer, &failure)) {
            return fail(error, "Cannot create directory", target, failure.text());
        }
        if (!booleanAnswer(answer, &made)) {
            return fail(error, "Cannot create directory", target, "the server's answer says neither yes nor no");
        }
        return made || fail(error, "Cannot create directory", target, "the server refused without saying why");
    });
}

bool WebHdfsFileSystem::remove(const VrbString& path, bool recursive, VrbString* error) {
    return guarded(error, false, [&] {
        std::string target = pathOf(path);
        if (!plainPath(target, "Cannot delete", error)) return false;
        nlohmann::json answer;
        Failure failure;
        bool removed = false;
        std::string query = recursive ? "&recursive=true" : "&recursive=false";
        if (!client_.callJson(HttpMethod::Delete, "DELETE", target, query, &answer, &failure)) {
            return fail(error, "Cannot delete", target, failure.text());
        }
        // false: there was nothing to delete, which is no failure.
        return booleanAnswer(answer, &removed) ||
               fail(error, "Cannot delete", target, "the server's answer says neither yes nor no");
    });
}

bool WebHdfsFileSystem::status(const VrbString& path, HadoopFileStatus* status, VrbString* error) {
    return guarded(error, false, [&] {
        std::string target = pathOf(path);
        *status = HadoopFileStatus();
        if (!plainPath(target, "Cannot get the status of", error)) return false;
        WebHdfsEntry entry;
        Failure failure;
        if (!client_.status(target, &entry, &failure)) {
            return failure.kind == FailureKind::NotFound || fail(error, "Cannot get the status of", target, failure.text());
        }
        status->exists = true;
        status->isDirectory = entry.isDirectory;
        status->length = entry.length;
        status->modificationTime = entry.modificationTime;
        status->permission = entry.permission;
        status->owner.assign(entry.owner.data(), entry.owner.size());
        status->group.assign(entry.group.data(), entry.group.size());
        return true;
    });
}

bool WebHdfsFileSystem::setPermission(const VrbString& path, int permission, VrbString* error) {
    return guarded(error, false, [&] {
        std::string target = pathOf(path);
        if (!plainPath(target, "Cannot set the permission of", error)) return false;
        Failure failure;
        return client_.call(HttpMethod::Put, "SETPERMISSION", target, permissionQuery(permission), &failure) ||
               fail(error, "Cannot set the permission of", target, failure.text());
    });
}

void WebHdfsFileSystem::reserved5() {}

HadoopDirIterator* WebHdfsFileSystem::openDirIterator(int, const VrbString& path, VrbString* error) {
    return guarded<HadoopDirIterator*>(error, nullptr, [&]() -> HadoopDirIterator* {
        std::string target = pathOf(path);
        if (!plainPath(target, "Cannot list directory", error)) return nullptr;
        std::string message;
        HadoopDirIterator* iterator = WebHdfsDirIterator::open(client_.endpointForNewObjects(), target, &message);
        if (!iterator) setError(error, message);
        return iterator;
    });
}

HadoopFile* WebHdfsFileSystem::openFile(int, const VrbString& path, int openMode, int, int,
                                        VrbString* error) {
    return guarded<HadoopFile*>(error, nullptr, [&]() -> HadoopFile* {
        std::string target = pathOf(path);
        if (!plainPath(target, "Cannot open file", error)) return nullptr;
        std::string message;
        HadoopFile* file = nullptr;
        if (openMode == 1) {
            file = WebHdfsReadFile::open(client_.endpointForNewObjects(), target, &message);
        } else if (openMode == 0 || openMode == 2) {
            file = WebHdfsWriteFile::open(client_.endpointForNewObjects(), target, openMode == 0, &message);
        } else {
            message = "Cannot open file " + target + ": open mode " + std::to_string(openMode) +
                      " is none of 0 (append), 1 (read), 2 (write)";
        }
        if (!file) setError(error, message);
        return file;
    });
}

void WebHdfsFileSystem::release() { delete this; }

}  // namespace vrhadoop
