// ls -R: the tree below a directory, depth first, each directory's row
// before its contents, rows sorted by name within a directory.
#pragma once

#include <string>
#include <vector>

#include "BufferedOutput.h"
#include "vrbaseio/VrbIO.h"

namespace vrbio {

// Which rows a listing prints; the walk itself goes everywhere.
enum class RowFilter { kAll, kDirectoriesOnly, kFilesOnly };

// The row of the listing's current entry, with `name` in the name column.
std::string entryRow(VrbDirectoryListing* listing, const std::string& name);

class TreeListing {
public:
    TreeListing(VrbIO* service, RowFilter filter, BufferedOutput* out)
        : service_(service), filter_(filter), out_(out) {}

    // Lists everything below `location`, names after `prefix` (none: the
    // names below `location`). A directory that cannot be read is reported
    // and the walk goes on. False when anything failed, in this walk or an
    // earlier one.
    bool run(const std::string& location, const std::string& prefix);
    // True when a row names this kind of entry.
    bool shows(bool isDirectory) const {
        return filter_ == RowFilter::kAll || isDirectory == (filter_ == RowFilter::kDirectoriesOnly);
    }

private:
    struct Entry {
        std::string name;        // relative to the walk's root, with the listing's separator
        std::string row;         // empty when the filter hides it
        std::string location;    // a directory to descend into; empty otherwise
        bool isDirectory = false;
    };
    // One directory on the way down, its entries sorted, `next` the first
    // not yet printed. The stack holds one a level: memory grows with the
    // depth and the widest directory, never with the tree.
    struct Level {
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    // Reads the directory at `location` into *level, names after `prefix`;
    // false with the reason when it could not be read to its end (what was
    // read stays in *level).
    bool readLevel(const std::string& location, const std::string& prefix, Level* level, std::string* error);
    // Reads the next level down onto the stack, reporting a failure; false
    // only when standard output failed.
    bool descend(const std::string& location, const std::string& prefix);

    VrbIO* service_;
    RowFilter filter_;
    BufferedOutput* out_;
    std::vector<Level> levels_;
    bool complete_ = true;
};

}  // namespace vrbio
