#include "TreeListing.h"

#include <algorithm>
#include <cstdio>

#include "LocationPattern.h"
#include "Messages.h"
#include "Owned.h"
#include "Platform.h"
#include "vrbaseio/VrbDirectoryListing.h"

namespace vrbio {

std::string entryRow(VrbDirectoryListing* listing, const std::string& name) {
    VrbDate date = listing->date();
    char fields[96];
    std::snprintf(fields, sizeof fields, "%c\t%s\t%04d-%02d-%02d %02d:%02d:%02d\t%d\t%d\t",
                  listing->isDirectory() ? 'd' : '-', listing->isReadOnly() ? "ro" : "rw", date.year(),
                  date.month(), date.day(), date.hour(), date.minute(), date.second(),
                  listing->timeStamp(), listing->extraValue());
    std::string row = fields;
    row += name;
    row += '\n';
    return row;
}

bool TreeListing::readLevel(const std::string& location, const std::string& prefix, Level* level,
                            std::string* error) {
    VrbString reason;
    Owned<VrbDirectoryListing> listing(service_->openDirectory(VrbString(location.c_str(), false), 0, &reason));
    if (!listing) {
        *error = reason.empty() ? "cannot open the directory " + location : std::string(reason.asCstr());
        return false;
    }
    while (listing->next()) {
        Entry entry;
        std::string name = listing->name().asCstr();
        entry.name = prefix.empty() ? name
                                    : listing->concatPath(VrbString(prefix.c_str(), false),
                                                          VrbString(name.c_str(), false))
                                          .asCstr();
        entry.isDirectory = listing->isDirectory();
        // A row costs the module a probe for write access: only rows printed are made.
        if (shows(entry.isDirectory)) entry.row = entryRow(listing.get(), entry.name);
        if (entry.isDirectory) {
            std::string child = childLocation(location, name);
            // A link to a directory is a row only: following it could loop.
            if (!isSymbolicLink(child)) entry.location = std::move(child);
        }
        level->entries.push_back(std::move(entry));
    }
    std::sort(level->entries.begin(), level->entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    *error = listing->errorText().asCstr();
    return error->empty();
}

bool TreeListing::descend(const std::string& location, const std::string& prefix) {
    Level level;
    std::string error;
    if (!readLevel(location, prefix, &level, &error)) {
        complete_ = false;
        // The rows before it go out before the report.
        if (!out_->flush()) return false;
        // Named as in the name column: the module's reason may give only the cause.
        if (prefix.empty()) failure(error, "cannot open the directory");
        else failure(prefix + ": " + (error.empty() ? std::string("cannot read the directory") : error));
    }
    levels_.push_back(std::move(level));
    return true;
}

bool TreeListing::run(const std::string& location, const std::string& prefix) {
    levels_.clear();
    if (!descend(location, prefix)) return false;
    while (!levels_.empty()) {
        Level& level = levels_.back();
        if (level.next == level.entries.size()) {
            levels_.pop_back();
            continue;
        }
        Entry& entry = level.entries[level.next++];
        if (!entry.row.empty() && !out_->append(entry.row)) return false;
        if (entry.location.empty()) continue;
        std::string childLocation = std::move(entry.location);
        std::string childPrefix = std::move(entry.name);
        if (!descend(childLocation, childPrefix)) return false;
    }
    return complete_;
}

}  // namespace vrbio
