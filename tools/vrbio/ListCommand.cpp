#include <cstdio>
#include <string>

#include "BufferedOutput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "Owned.h"
#include "ServiceModule.h"
#include "vrbaseio/VrbDirectoryListing.h"

namespace vrbio {

namespace {

std::string entryLine(VrbDirectoryListing* listing) {
    VrbDate date = listing->date();
    char fields[96];
    std::snprintf(fields, sizeof fields, "%c\t%s\t%04d-%02d-%02d %02d:%02d:%02d\t%d\t%d\t",
                  listing->isDirectory() ? 'd' : '-', listing->isReadOnly() ? "ro" : "rw", date.year(),
                  date.month(), date.day(), date.hour(), date.minute(), date.second(), listing->timeStamp(),
                  listing->extraValue());
    return fields + std::string(listing->name().asCstr()) + '\n';
}

}  // namespace

int runList(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {{"--dirs", false}, {"--files", false}}, &problem))
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
    VrbString error;
    Owned<VrbDirectoryListing> listing(
        module.service()->openDirectory(VrbString(line.operands()[0], true), flags, &error));
    if (!listing) return failure(error, "cannot open the directory");

    BufferedOutput out(1);
    while (listing->next()) {
        if (!out.append(entryLine(listing.get()))) break;
    }
    // What was listed goes out even when the listing broke off.
    if (!out.flush()) return failure("cannot write to standard output: " + out.error());
    VrbString listingError = listing->errorText();
    if (!listingError.empty()) return failure(listingError, "");
    return kExitSuccess;
}

}  // namespace vrbio
