// Reading and writing one large file on HDFS through the library, against
// curl on the same WebHDFS URLs (the transport's own limit) and the Java
// client in the test cluster's JVM, in one run on the same cluster. With
// --vrbio and --windows-vrbio, also vrbio's convert and cat, Linux and the
// Windows build under Wine (WinHTTP and its own upload connection), each a
// process of its own, start included.
// Run under tests/hdfs/cluster.sh run (bench/hdfs/run.sh does that).
// Usage: hdfs_bench [--size-mib N] [--runs N] [--module PATH] [--vrbio PATH] [--windows-vrbio PATH]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbServiceModule.h"

namespace {

using Clock = std::chrono::steady_clock;

double timed(const std::function<void()>& body) {
    auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) {
        std::fprintf(stderr, "failed: %s\n%s\n", command.c_str(), out.c_str());
        std::exit(1);
    }
    return out;
}

void fail(const char* what, const VrbString& error) {
    std::fprintf(stderr, "%s: %s\n", what, error.asCstr());
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    long sizeMiB = 256;
    int runs = 3;
    std::string module = VRB_MODULE_PATH;
    std::string vrbio;          // empty: not measured
    std::string windowsVrbio;   // the command that runs it; empty: not measured
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--size-mib") sizeMiB = std::atol(argv[i + 1]);
        else if (key == "--runs") runs = std::atoi(argv[i + 1]);
        else if (key == "--module") module = argv[i + 1];
        else if (key == "--vrbio") vrbio = argv[i + 1];
        else if (key == "--windows-vrbio") windowsVrbio = std::string("wine ") + argv[i + 1];
    }
    const char* http = std::getenv("VRB_HDFS_HTTP");
    const char* clusterScript = std::getenv("VRB_HDFS_CLUSTER_SH");
    if (!http || !clusterScript) {
        std::fprintf(stderr, "run under tests/hdfs/cluster.sh run (bench/hdfs/run.sh)\n");
        return 2;
    }
    const std::string dir = "/tmp/hdfs-bench-" + std::to_string(getpid());
    const std::string local = "/tmp/hdfs-bench-" + std::to_string(getpid()) + ".txt";

    // The same text for every contender: lines of 40 to 120 bytes.
    std::string text;
    text.reserve(static_cast<std::size_t>(sizeMiB) << 20);
    std::mt19937_64 random(1);
    while (text.size() < (static_cast<std::size_t>(sizeMiB) << 20)) {
        std::size_t length = 40 + random() % 81;
        for (std::size_t i = 0; i + 1 < length; ++i) text.push_back(static_cast<char>('a' + random() % 26));
        text.push_back('\n');
    }
    std::ofstream(local, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    const double megabytes = static_cast<double>(text.size()) / 1e6;

    VrbString reason;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(module.c_str(), nullptr, &reason);
    if (!initialize) { std::fprintf(stderr, "%s\n", reason.asCstr()); return 1; }
    VrbIO* io = initialize();

    const std::string base = std::string("http://") + http + "/webhdfs/v1" + dir;
    const std::string user = "user.name=root";
    run("curl -sS -f -X PUT '" + base + "?op=MKDIRS&" + user + "' -o /dev/null");

    struct ProcessTimes {
        double start = 1e30, write = 1e30, read = 1e30;
    } cli, windowsCli;
    double curlWrite = 1e30, curlRead = 1e30, libWrite = 1e30, libRead = 1e30, javaWrite = 1e30, javaRead = 1e30;
    for (int r = 0; r < runs; ++r) {
        // curl: the NameNode's redirect first, then the body to the DataNode.
        curlWrite = std::min(curlWrite, timed([&] {
            std::string location = run("curl -sS -i -X PUT '" + base + "/curl.txt?op=CREATE&overwrite=true&" + user +
                                       "' | tr -d '\\r' | sed -n 's/^[Ll]ocation: //p'");
            while (!location.empty() && location.back() == '\n') location.pop_back();
            run("curl -sS -f -X PUT -H 'Content-Type: application/octet-stream' -T " + local + " '" + location +
                "' -o /dev/null");
        }));
        curlRead = std::min(curlRead, timed([&] {
            run("curl -sS -f -L '" + base + "/curl.txt?op=OPEN&" + user + "' -o /dev/null");
        }));

        const std::string uri = std::string("hadoop://") + http + dir + "/lib.txt?user=root";
        libWrite = std::min(libWrite, timed([&] {
            VrbString error;
            VrbTxtFile* file = io->openTextFile(VrbString(uri.c_str(), false), 2, 0, 0, &error);
            if (!file) fail("open for writing", error);
            const std::size_t piece = 1 << 20;
            for (std::size_t at = 0; at < text.size(); at += piece) {
                if (!file->write(text.data() + at, static_cast<int>(std::min(piece, text.size() - at)))) {
                    fail("write", file->errorText());
                }
            }
            if (!file->close()) fail("close", file->errorText());
            file->destroy();
        }));
        libRead = std::min(libRead, timed([&] {
            VrbString error;
            VrbTxtFile* file = io->openTextFile(VrbString(uri.c_str(), false), 1, 0, 0, &error);
            if (!file) fail("open for reading", error);
            char* piece = nullptr;
            std::size_t total = 0;
            int n;
            while ((n = file->readText(1 << 20, &piece)) > 0) total += static_cast<std::size_t>(n);
            if (n < 0 || total != text.size()) fail("read", file->errorText());
            file->destroy();
        }));

        const std::string vrbioUri = std::string("hadoop://") + http + dir + "/vrbio.txt?user=root";
        for (auto* contender : {&cli, &windowsCli}) {
            const std::string& command = contender == &cli ? vrbio : windowsVrbio;
            if (command.empty()) continue;
            contender->start = std::min(contender->start, timed([&] { run(command + " --version > /dev/null"); }));
            contender->write = std::min(contender->write, timed([&] {
                run(command + " convert -f UTF-8 -t UTF-8 " + local + " '" + vrbioUri + "'");
            }));
            contender->read = std::min(contender->read, timed([&] { run(command + " cat '" + vrbioUri + "' > /dev/null"); }));
        }

        const std::string ctl = std::string(clusterScript) + " ctl ";
        javaWrite = std::min(javaWrite, std::atof(run(ctl + "write " + dir + "/java.txt " + std::to_string(text.size())).c_str()));
        std::string reply = run(ctl + "read " + dir + "/java.txt");
        javaRead = std::min(javaRead, std::atof(reply.substr(reply.find(' ') + 1).c_str()));
    }
    run("curl -sS -X DELETE '" + base + "?op=DELETE&recursive=true&" + user + "' -o /dev/null");
    std::remove(local.c_str());
    io->destroy();

    std::printf("HDFS, %.0f MB file, best of %d\n", megabytes, runs);
    std::printf("  %-30s %9s %9s\n", "", "write", "read");
    std::printf("  %-30s %7.1f MB/s %7.1f MB/s\n", "curl (WebHDFS)", megabytes / curlWrite, megabytes / curlRead);
    std::printf("  %-30s %7.1f MB/s %7.1f MB/s\n", "library (hadoop:// URI)", megabytes / libWrite, megabytes / libRead);
    std::printf("  %-30s %7.1f MB/s %7.1f MB/s\n", "Java client in the cluster JVM", megabytes / javaWrite,
                megabytes / javaRead);
    std::printf("  %-30s %9.2f %9.2f\n", "library / curl", curlWrite / libWrite, curlRead / libRead);
    std::printf("  %-30s %9.2f %9.2f\n", "library / Java client", javaWrite / libWrite, javaRead / libRead);
    for (auto* contender : {&cli, &windowsCli}) {
        if (contender->start > 1e29) continue;
        const char* name = contender == &cli ? "vrbio convert / cat" : "vrbio.exe under Wine";
        std::printf("  %-30s %7.1f MB/s %7.1f MB/s  (a process start: %.2f s, included)\n", name,
                    megabytes / contender->write, megabytes / contender->read, contender->start);
        std::printf("  %-30s %9.2f %9.2f\n", (std::string(name) + " / curl").c_str(), curlWrite / contender->write,
                    curlRead / contender->read);
    }
    if (cli.start < 1e29 && windowsCli.start < 1e29) {
        std::printf("  %-30s %9.2f %9.2f\n", "vrbio.exe / vrbio", cli.write / windowsCli.write,
                    cli.read / windowsCli.read);
    }
    return 0;
}
