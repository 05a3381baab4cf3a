#include "scheme_table.h"

#include "vrbaseio_file/local_backend.h"
#include "vrbaseio_hadoop/hadoop_backend.h"

namespace {

// The first row also serves plain paths.
constexpr SchemeRow kSchemes[] = {
    {"file", kLocalReachesOtherHosts, createLocalRawStream, createLocalDirectoryListing},
    {"hadoop", true, createHadoopRawStream, createHadoopDirectoryListing},
};

}  // namespace

const SchemeRow* findScheme(const VrbString& scheme) {
    for (const SchemeRow& row : kSchemes) {
        if (scheme.compare(row.scheme, false) == 0) return &row;
    }
    return nullptr;
}

const SchemeRow& plainPathScheme() { return kSchemes[0]; }
