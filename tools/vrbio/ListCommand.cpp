#include <string>
#include <vector>

#include "BufferedOutput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "LocationPattern.h"
#include "Messages.h"
#include "Owned.h"
#include "ServiceModule.h"
#include "TreeListing.h"
#include "vrbaseio/VrbDirectoryListing.h"

namespace vrbio {

namespace {

RowFilter rowFilter(int flags) {
    return flags == static_cast<int>(VRB_LIST_DIRS_ONLY)    ? RowFilter::kDirectoriesOnly
           : flags == static_cast<int>(VRB_LIST_FILES_ONLY) ? RowFilter::kFilesOnly
                                                           : RowFilter::kAll;
}

int finish(BufferedOutput* out, bool complete) {
    if (!out->flush()) return failure("cannot write to standard output: " + out->error());
    return complete ? kExitSuccess : kExitFailure;
}

int listTree(VrbIO* service, const char* location, int flags) {
    BufferedOutput out(1);
    TreeListing tree(service, rowFilter(flags), &out);
    return finish(&out, tree.run(location, ""));
}

// The matches themselves, named below the pattern's fixed part; with -R
// each directory's tree follows its row.
int listMatches(VrbIO* service, const LocationPattern& pattern, const char* operand, bool recursive, int flags) {
    std::string baseError;
    std::vector<PatternMatch> matches = pattern.expand(service, &baseError);
    if (matches.empty()) return reportNoMatch(operand, baseError), kExitFailure;
    BufferedOutput out(1);
    TreeListing tree(service, rowFilter(flags), &out);
    bool complete = true;
    for (const PatternMatch& match : matches) {
        if (tree.shows(match.isDirectory) && !out.append(match.row)) break;
        if (recursive && match.isDirectory && !match.isLink) complete = tree.run(match.location, match.name);
        if (!out.error().empty()) break;
    }
    return finish(&out, complete);
}

}  // namespace

int runList(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {{"--dirs", false}, {"--files", false}, {"-R", false}}, &problem))
        return usageError("ls", problem);
    if (line.wantsHelp()) return printCommandHelp("ls");
    if (!line.expectOperands({"LOCATION"}, &problem)) return usageError("ls", problem);
    if (line.has("--dirs") && line.has("--files")) return usageError("ls", "--dirs and --files exclude each other");
    int flags = 0;
    if (line.has("--dirs")) flags = static_cast<int>(VRB_LIST_DIRS_ONLY);
    if (line.has("--files")) flags = static_cast<int>(VRB_LIST_FILES_ONLY);

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    const char* location = line.operands()[0];
    if (LocationPattern pattern(location); pattern.isPattern())
        return listMatches(module.service(), pattern, location, line.has("-R"), flags);
    if (line.has("-R")) return listTree(module.service(), location, flags);
    VrbString error;
    Owned<VrbDirectoryListing> listing(
        module.service()->openDirectory(VrbString(line.operands()[0], true), flags, &error));
    if (!listing) return failure(error, "cannot open the directory");

    BufferedOutput out(1);
    while (listing->next()) {
        if (!out.append(entryRow(listing.get(), listing->name().asCstr()))) break;
    }
    // What was listed goes out even when the listing broke off.
    if (!out.flush()) return failure("cannot write to standard output: " + out.error());
    VrbString listingError = listing->errorText();
    if (!listingError.empty()) return failure(listingError, "");
    return kExitSuccess;
}

}  // namespace vrbio
