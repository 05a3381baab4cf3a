#include "TreeListing.h"

#include <algorithm>
#include <cstdio>

#include "Messages.h"
#include "Owned.h"
#include "Platform.h"
#include "vrbaseio/VrbDirectoryListing.h"

namespace vrbio {

std::string entryRow(VrbDirectoryListing* listing, const std::string& name) {
    VrbDate date = listing->date();
    char fields[96];
    std::snprintf(fields, sizeof fields, "%c\t%s\t%04d-%02d-%02d %02d:%02d:%02d\t%u\t%d\t",
                  listing->isDirectory() ? 'd' : '-', listing->isReadOnly() ? "ro" : "rw", date.year(),
                  date.month(), date.day(), date.hour(), date.minute(), date.second(),
                  static_cast<unsigned>(listing->timeStamp()), listing->extraValue());
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
        entry.row = entryRow(listing.get(), entry.name);
        entry.isDirectory = listing->isDirectory();
        if (entry.isDirectory) {
            std::string full = listing->fullPath().asCstr();
            // A link to a directory is a row only: following it could loop.
            if (!isSymbolicLink(full)) entry.location = std::move(full);
        }
        level->entries.push_back(std::move(entry));
    }
    std::sort(level->entries.begin(), level->entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    *error = listing->errorText().asCstr();
    return error->empty();
}

bool TreeListing::run(const char* location) {
    bool complete = true;
    std::vector<Level> levels(1);
    std::string error;
    if (!readLevel(location, "", &levels.back(), &error)) {
        complete = false;
        failure(error, "cannot open the directory");
    }
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            levels.pop_back();
            continue;
        }
        Entry& entry = level.entries[level.next++];
        if (filter_ == RowFilter::kAll || entry.isDirectory == (filter_ == RowFilter::kDirectoriesOnly)) {
            if (!out_->append(entry.row)) return false;
        }
        if (entry.location.empty()) continue;
        std::string childLocation = std::move(entry.location);
        std::string childPrefix = std::move(entry.name);
        Level child;
        if (!readLevel(childLocation, childPrefix, &child, &error)) {
            complete = false;
            // The rows before it go out before the report.
            if (!out_->flush()) return false;
            // Named as in the name column: the module's reason may give only the cause.
            failure(childPrefix + ": " + (error.empty() ? std::string("cannot read the directory") : error));
        }
        levels.push_back(std::move(child));
    }
    return complete;
}

}  // namespace vrbio
