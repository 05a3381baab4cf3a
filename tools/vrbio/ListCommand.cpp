#include <string>

#include "BufferedOutput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "Owned.h"
#include "ServiceModule.h"
#include "TreeListing.h"
#include "vrbaseio/VrbDirectoryListing.h"

namespace vrbio {

namespace {

int listTree(VrbIO* service, const CommandLine& line, int flags) {
    RowFilter filter = flags == static_cast<int>(VRB_LIST_DIRS_ONLY)    ? RowFilter::kDirectoriesOnly
                       : flags == static_cast<int>(VRB_LIST_FILES_ONLY) ? RowFilter::kFilesOnly
                                                                       : RowFilter::kAll;
    BufferedOutput out(1);
    TreeListing tree(service, filter, &out);
    bool complete = tree.run(line.operands()[0]);
    if (!out.flush()) return failure("cannot write to standard output: " + out.error());
    return complete ? kExitSuccess : kExitFailure;
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
    if (line.has("-R")) return listTree(module.service(), line, flags);
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
