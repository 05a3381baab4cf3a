// Lists a directory of 100,000 files and 200 subdirectories through the
// module (date and directory state of every entry), through find and through
// Python's os.scandir with stat, in one run; prints the best of several
// repetitions of each.
//
// usage: listing_bench [WORK_DIR] [--repeat N] [--module PATH]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbServiceModule.h"

extern char** environ;

namespace {

constexpr int kFiles = 100000;
constexpr int kDirectories = 200;
constexpr int kEntries = kFiles + kDirectories;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long maxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Creates the tree unless a complete one is there; the marker lies beside
// the tree so that it is no entry of it.
bool prepareTree(const std::string& work, const std::string& tree) {
    std::string marker = work + "/tree.complete";
    if (access(marker.c_str(), F_OK) == 0) return true;
    std::error_code error;
    std::filesystem::remove_all(tree, error);
    std::filesystem::create_directories(tree, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", tree.c_str(), error.message().c_str());
        return false;
    }
    std::printf("creating %d files and %d directories in %s\n", kFiles, kDirectories, tree.c_str());
    char name[64];
    for (int i = 0; i < kFiles; ++i) {
        std::snprintf(name, sizeof name, "%s/file-%06d.txt", tree.c_str(), i);
        int fd = open(name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        close(fd);
    }
    for (int i = 0; i < kDirectories; ++i) {
        std::snprintf(name, sizeof name, "%s/dir-%03d", tree.c_str(), i);
        if (mkdir(name, 0755) != 0) return false;
    }
    int fd = open(marker.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
    return true;
}

struct ModuleRun {
    int entries = 0;
    int directories = 0;
    long pathBytes = 0;
    long yearSum = 0;
};

bool listThroughModule(VrbIO* io, const std::string& tree, ModuleRun* run) {
    VrbString error;
    VrbDirectoryListing* listing = io->openDirectory(VrbString(tree.c_str(), false), 0, &error);
    if (!listing) {
        std::fprintf(stderr, "openDirectory: %s\n", error.asCstr());
        return false;
    }
    *run = ModuleRun{};
    while (listing->next()) {
        ++run->entries;
        run->directories += listing->isDirectory() ? 1 : 0;
        run->yearSum += listing->date().year();
        run->pathBytes += listing->fullPath().length();
    }
    bool clean = listing->errorText().empty();
    if (!clean) std::fprintf(stderr, "next: %s\n", listing->errorText().asCstr());
    listing->destroy();
    return clean;
}

// Runs a command with its output to `output` (a file descriptor, or -1 for
// /dev/null); the wall time of the whole process, or a negative value.
double runCommand(const std::vector<std::string>& words, int output) {
    std::vector<char*> argv;
    for (const auto& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output >= 0) posix_spawn_file_actions_adddup2(&actions, output, 1);
    else posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    auto start = Clock::now();
    pid_t child;
    int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(child, &status, 0);
    double elapsed = secondsSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

// Python measures its own listing, without its start-up.
const char* kScandir =
    "import os, sys, time\n"
    "start = time.perf_counter()\n"
    "n = 0\n"
    "for entry in os.scandir(sys.argv[1]):\n"
    "    entry.stat().st_mtime\n"
    "    entry.is_dir()\n"
    "    n += 1\n"
    "print(time.perf_counter() - start, n)\n";

double runScandir(const std::string& tree) {
    char path[] = "/tmp/listing-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return -1;
    unlink(path);
    double wall = runCommand({"python3", "-c", kScandir, tree}, fd);
    double inside = -1;
    int entries = 0;
    char text[128] = {};
    if (wall >= 0 && pread(fd, text, sizeof text - 1, 0) > 0 && std::sscanf(text, "%lf %d", &inside, &entries) == 2 &&
        entries != kEntries) {
        std::fprintf(stderr, "scandir saw %d entries\n", entries);
        inside = -1;
    }
    close(fd);
    return inside;
}

void report(const char* what, double seconds, double ours) {
    if (seconds <= 0) {
        std::printf("%-44s  unavailable\n", what);
        return;
    }
    std::printf("%-44s  %8.1f ms  %9.0f entries/s  %.2fx the module's time\n", what, seconds * 1e3,
                kEntries / seconds, seconds / ours);
}

}  // namespace

int main(int argc, char** argv) {
    std::string work = "/tmp/vrbaseio-listing-bench";
    std::string module = VRB_MODULE_PATH;
    int repeat = 5;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--repeat" && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--module" && i + 1 < argc) module = argv[++i];
        else if (!arg.empty() && arg[0] != '-') work = arg;
        else {
            std::fprintf(stderr, "usage: %s [WORK_DIR] [--repeat N] [--module PATH]\n", argv[0]);
            return 2;
        }
    }
    const std::string tree = work + "/tree";
    if (!prepareTree(work, tree)) return 1;

    VrbString reason;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(module.c_str(), nullptr, &reason);
    if (!initialize) { std::fprintf(stderr, "%s\n", reason.asCstr()); return 1; }
    VrbIO* io = initialize();
    if (!io) return 1;

    ModuleRun run;
    if (!listThroughModule(io, tree, &run)) return 1;  // warms the caches for every contender
    const long rssAfterFirst = maxRssKiB();
    if (run.entries != kEntries || run.directories != kDirectories) {
        std::fprintf(stderr, "the module saw %d entries, %d directories\n", run.entries, run.directories);
        return 1;
    }

    double bestModule = 1e9, bestFind = 1e9, bestScandir = 1e9;
    for (int r = 0; r < repeat; ++r) {
        auto start = Clock::now();
        if (!listThroughModule(io, tree, &run)) return 1;
        bestModule = std::min(bestModule, secondsSince(start));
        double find = runCommand({"find", tree, "-maxdepth", "1", "-printf", "%T@ %y %p\n"}, -1);
        if (find > 0) bestFind = std::min(bestFind, find);
        double scandir = runScandir(tree);
        if (scandir > 0) bestScandir = std::min(bestScandir, scandir);
    }
    io->destroy();

    std::printf("%d entries, best of %d runs each\n", kEntries, repeat);
    report("module (next, date, isDirectory, fullPath)", bestModule, bestModule);
    report("find -maxdepth 1 -printf (whole process)", bestFind < 1e9 ? bestFind : -1, bestModule);
    report("python os.scandir + stat (listing only)", bestScandir < 1e9 ? bestScandir : -1, bestModule);
    std::printf("max RSS: %ld KiB after the first listing, %ld KiB after %d more\n", rssAfterFirst, maxRssKiB(),
                repeat);
    return 0;
}
