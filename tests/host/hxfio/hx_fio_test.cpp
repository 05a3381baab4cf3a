#include "hx/hx_fio.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "child_process.h"
#endif

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/system_codes.h"

namespace {

using namespace vrbtest;
using vrbtest::readFile;
using vrbtest::TempDir;
using vrbtest::writeFile;

constexpr unsigned char kRead = 9, kAppend = 14, kWrite = 78;

std::string readAll(hx_file_t file) {
    std::string all;
    char chunk[7];
    int got;
    while ((got = hx_fio_getb(file, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<std::size_t>(got));
    EXPECT_EQ(got, 0);
    return all;
}

void put(hx_file_t file, const std::string& bytes) {
    ASSERT_EQ(hx_fio_putb(file, bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
}

TEST(FileOpen, OpenBytesReadKeepOrDiscardContent) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "0123456789");

    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open(path.c_str(), kRead, &file), 0);
    EXPECT_EQ(readAll(file), "0123456789");
    EXPECT_LT(hx_fio_putb(file, "x", 1), 0) << "a read handle refuses writes";
    EXPECT_EQ(hx_fio_syserr(file), kCodeNotOpenForWriting);
    EXPECT_EQ(hx_fio_close(file), 0);

    ASSERT_EQ(hx_fio_open(path.c_str(), kAppend, &file), 0);
    ASSERT_EQ(hx_fio_seek64(file, 0, 2), 10);
    put(file, "ab");
    hx_fio_close(file);
    EXPECT_EQ(readFile(path), "0123456789ab");

    ASSERT_EQ(hx_fio_open(path.c_str(), kWrite, &file), 0);
    put(file, "new");
    hx_fio_close(file);
    EXPECT_EQ(readFile(path), "new");

    std::string created = dir.file("created.txt");
    ASSERT_EQ(hx_fio_open(created.c_str(), kAppend, &file), 0);
    hx_fio_close(file);
    EXPECT_TRUE(std::filesystem::exists(created));
}

TEST(FileOpen, RefusalsCarryDescribedSystemCodes) {
    TempDir dir;
    hx_file_t file = reinterpret_cast<hx_file_t>(&dir);
    EXPECT_EQ(hx_fio_open(dir.file("missing").c_str(), kRead, &file), kCodeNotFound);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(hx_fio_errdesc(kCodeNotFound), systemErrorText(kCodeNotFound));
    EXPECT_EQ(hx_fio_errdesc(987654), nullptr);
    EXPECT_EQ(hx_fio_errdesc(0), nullptr);
    EXPECT_NE(hx_fio_sysdesc(987654), nullptr);

    EXPECT_EQ(hx_fio_open(dir.path().c_str(), kRead, &file), kCodeIsADirectory) << "a directory has no bytes to read";
    EXPECT_EQ(hx_fio_open(dir.path().c_str(), kAppend, &file), kCodeIsADirectory);
    EXPECT_EQ(hx_fio_open(dir.file("x").c_str(), 0x08, &file), kCodeInvalid) << "neither read nor write";
    EXPECT_EQ(hx_fio_open(nullptr, kRead, &file), kCodeInvalid);
    EXPECT_EQ(hx_fio_close(nullptr), kCodeBadHandle);
    EXPECT_EQ(hx_fio_syserr(nullptr), kCodeBadHandle);
}

#if !defined(_WIN32)
TEST(FileOpen, HandlesDoNotLeakIntoChildProcesses) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "x");
    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open(path.c_str(), kRead, &file), 0);
    int flagsOfOurFd = -1;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) == path)
            flagsOfOurFd = fcntl(std::stoi(entry.path().filename().string()), F_GETFD);
    }
    hx_fio_close(file);
    ASSERT_NE(flagsOfOurFd, -1);
    EXPECT_TRUE(flagsOfOurFd & FD_CLOEXEC);
}
#endif

TEST(FileCheck, ChecksNeitherCreateNorTruncateNorKeepHandles) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "content");
    hx_file_t file = reinterpret_cast<hx_file_t>(&dir);

    EXPECT_EQ(hx_fio_open(path.c_str(), kRead | 0x80, &file), 0);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(hx_fio_open(path.c_str(), kWrite | 0x80, nullptr), 0);
    EXPECT_EQ(readFile(path), "content");

    std::string missing = dir.file("missing.txt");
    EXPECT_EQ(hx_fio_open(missing.c_str(), kAppend | 0x80, nullptr), 0) << "creatable";
    EXPECT_EQ(hx_fio_open(missing.c_str(), kWrite | 0x80, nullptr), 0);
    EXPECT_EQ(hx_fio_open(missing.c_str(), kRead | 0x80, nullptr), kCodeNotFound);
    EXPECT_EQ(hx_fio_open(missing.c_str(), 130, nullptr), kCodeNotFound) << "no create bit";
    EXPECT_FALSE(std::filesystem::exists(fsPath(missing)));
    EXPECT_EQ(hx_fio_open(dir.file("no/such/dir/x").c_str(), kWrite | 0x80, nullptr), kCodeNoSuchDirectory);
    EXPECT_EQ(hx_fio_open(dir.path().c_str(), 130, nullptr), kCodeIsADirectory);
}

#if !defined(_WIN32)

TEST(FileCheck, FifosAnswerWithoutWaitingForTheOtherEnd) {
    TempDir dir;
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(hx_fio_open(fifo.c_str(), kRead | 0x80, nullptr), 0);
    EXPECT_EQ(hx_fio_open(fifo.c_str(), 130, nullptr), 0);
}

// Root may write a file without write permission bits, nobody may not; the
// check must tell the two apart rather than read the bits.
TEST(FileCheck, WeighsTheCallersPrivileges) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    std::string readOnly = dir.file("read-only.txt");
    std::string shared = dir.file("shared.txt");
    writeFile(readOnly, "r");
    writeFile(shared, "w");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0666), 0);

    if (geteuid() == 0) {
        EXPECT_EQ(hx_fio_open(readOnly.c_str(), 130, nullptr), 0);
    }

    int status = runInChild([&] {
        if (!vrbtest::dropToNobody()) return vrbtest::kChildCannotSetUp;
        if (hx_fio_open(readOnly.c_str(), 130, nullptr) != EACCES) return 1;
        if (hx_fio_open(readOnly.c_str(), kRead | 0x80, nullptr) != 0) return 2;
        if (hx_fio_open(shared.c_str(), 130, nullptr) != 0) return 3;
        if (hx_fio_open(dir.file("new.txt").c_str(), kAppend | 0x80, nullptr) != EACCES) return 4;
        return 0;
    });
    if (status == vrbtest::kChildCannotSetUp) GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(status, 0);
}

// What a write open of the file answers: 0 or its error code.
int writeOpenAnswer(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == EWOULDBLOCK ? 0 : errno;
    ::close(fd);
    return 0;
}

// Sets or clears an inode attribute (append-only, immutable); false where
// the file system or the caller cannot.
bool setAttribute(const std::string& path, int attribute, bool on) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | attribute) : (flags & ~attribute);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

// The check answers for writing as a real open would, with the same code,
// for root and for nobody: permission bits, an owner's own file, attributes
// that refuse writing, and an executable while it runs.
TEST(FileCheck, AnswersForWritingAsAWriteOpenWould) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const struct {
        const char* name;
        mode_t mode;
        bool nobodysOwn;
        int attribute;
    } files[] = {
        {"plain", 0644, false, 0},          {"read-only", 0444, false, 0},  {"no-access", 0000, false, 0},
        {"shared", 0666, false, 0},         {"owners", 0200, true, 0},      {"program", 0755, false, 0},
        {"append-only", 0666, false, FS_APPEND_FL}, {"immutable", 0666, false, FS_IMMUTABLE_FL},
    };
    std::vector<std::string> paths;
    for (const auto& file : files) {
        std::string path = dir.file(file.name);
        writeFile(path, "x");
        ASSERT_EQ(chmod(path.c_str(), file.mode), 0);
        if (file.nobodysOwn && chown(path.c_str(), kNobody, kNobody) != 0) continue;
        if (file.attribute && !setAttribute(path, file.attribute, true)) continue;
        paths.push_back(path);
    }
    // A running program refuses a write open; a copy of one, started.
    std::string running = dir.file("running");
    pid_t program = -1;
    if (std::filesystem::exists("/bin/sleep")) {
        std::filesystem::copy_file("/bin/sleep", fsPath(running));
        ASSERT_EQ(chmod(running.c_str(), 0755), 0);
        program = fork();
        if (program == 0) {
            execl(running.c_str(), "sleep", "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Until the program runs, the copy is an ordinary file.
        for (int i = 0; i < 200 && writeOpenAnswer(running) == 0; ++i) usleep(10000);
        paths.push_back(running);
    }
    auto differences = [&paths] {
        int differing = 0;
        for (const std::string& path : paths) {
            if (hx_fio_open(path.c_str(), 130, nullptr) != writeOpenAnswer(path)) {
                ADD_FAILURE() << path << ": check " << hx_fio_open(path.c_str(), 130, nullptr) << ", open "
                              << writeOpenAnswer(path);
                ++differing;
            }
        }
        return differing;
    };
    EXPECT_EQ(0, differences()) << "as root or whoever runs the tests";
    int status = runInChild([&] {
        if (!vrbtest::dropToNobody()) return vrbtest::kChildCannotSetUp;
        return differences() == 0 ? 0 : 1;
    });
    if (status != vrbtest::kChildCannotSetUp) {
        EXPECT_EQ(0, status) << "as nobody";
    }
    if (program > 0) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
    }
    for (const auto& file : files) {
        if (file.attribute) setAttribute(dir.file(file.name), file.attribute, false);
    }
}

TEST(FileCheck, ReadOnlyFileSystemRefusesRootToo) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "x");
    int status = runInChild([&] {
        if (!vrbtest::makeReadOnlyHere(dir.path())) return vrbtest::kChildCannotSetUp;
        if (hx_fio_open(path.c_str(), 130, nullptr) != EROFS) return 1;
        if (hx_fio_open(dir.file("new.txt").c_str(), kAppend | 0x80, nullptr) != EROFS) return 2;
        if (hx_fio_open(path.c_str(), kRead | 0x80, nullptr) != 0) return 3;
        return 0;
    });
    if (status == vrbtest::kChildCannotSetUp) GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(status, 0);
}

// Interrupts a thread over and over while it runs.
class Interrupter {
public:
    explicit Interrupter(pthread_t target) {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: system calls see EINTR
        sigaction(SIGUSR1, &action, &previous_);
        thread_ = std::thread([this, target] {
            while (!stop_) {
                pthread_kill(target, SIGUSR1);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    ~Interrupter() {
        stop_ = true;
        thread_.join();
        sigaction(SIGUSR1, &previous_, nullptr);
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
    struct sigaction previous_ {};
};

std::string pattern(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

TEST(FileIo, SignalsNeitherLoseNorRepeatBytes) {
    TempDir dir;
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const std::string sent = pattern(4 << 20);

    std::string received;
    std::thread reader([&] {
        int fd = open(fifo.c_str(), O_RDONLY);
        char chunk[4096];
        ssize_t got;
        while ((got = read(fd, chunk, sizeof chunk)) != 0) {
            if (got > 0) received.append(chunk, static_cast<std::size_t>(got));
        }
        close(fd);
    });
    {
        Interrupter interrupter(pthread_self());
        hx_file_t file = nullptr;
        ASSERT_EQ(hx_fio_open(fifo.c_str(), HX_FIO_WRITE, &file), 0);
        EXPECT_EQ(hx_fio_putb(file, sent.data(), static_cast<int>(sent.size())), static_cast<int>(sent.size()));
        hx_fio_close(file);
    }
    reader.join();
    EXPECT_TRUE(received == sent) << "received " << received.size() << " of " << sent.size() << " bytes";

    std::thread writer([&] {
        int fd = open(fifo.c_str(), O_WRONLY);
        for (std::size_t at = 0; at < sent.size(); at += 65536) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            ssize_t ignored = write(fd, sent.data() + at, 65536);
            (void)ignored;
        }
        close(fd);
    });
    std::string got;
    {
        Interrupter interrupter(pthread_self());
        hx_file_t file = nullptr;
        ASSERT_EQ(hx_fio_open(fifo.c_str(), HX_FIO_READ, &file), 0);
        std::vector<char> chunk(1 << 20);
        int n;
        while ((n = hx_fio_getb(file, chunk.data(), static_cast<int>(chunk.size()))) > 0) got.append(chunk.data(), n);
        EXPECT_EQ(n, 0);
        hx_fio_close(file);
    }
    writer.join();
    EXPECT_TRUE(got == sent) << "read " << got.size() << " of " << sent.size() << " bytes";
}
#endif

TEST(FileIo, PositionsAndSizesBeyondFourGigabytes) {
    TempDir dir;
    std::string path = dir.file("sparse.bin");
    const int64_t beyond = (int64_t{5} << 30) + 3;
    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open(path.c_str(), kWrite, &file), 0);
    ASSERT_EQ(hx_fio_seek64(file, beyond, 0), beyond);
    put(file, "z");
    EXPECT_EQ(hx_fio_seek64(file, -1, 1), beyond);
    EXPECT_EQ(hx_fio_seek64(file, 0, 2), beyond + 1);
    EXPECT_LT(hx_fio_seek64(file, -beyond - 10, 1), 0);
    EXPECT_EQ(hx_fio_syserr(file), kCodeNegativeSeek);
    EXPECT_LT(hx_fio_seek64(file, 0, 3), 0) << "unknown origin";
    hx_fio_close(file);

    hx_fio_stat_t status;
    ASSERT_EQ(hx_fio_stat64(path.c_str(), &status), 0);
    EXPECT_EQ(status.size, beyond + 1);
    EXPECT_EQ(status.isDirectory, 0u);
    EXPECT_NEAR(static_cast<double>(status.modified), static_cast<double>(std::time(nullptr)), 60.0);
    int64_t sizeAtOffset16;
    std::memcpy(&sizeAtOffset16, reinterpret_cast<const char*>(&status) + 16, 8);
    EXPECT_EQ(sizeAtOffset16, beyond + 1);

    ASSERT_EQ(hx_fio_stat64(dir.path().c_str(), &status), 0);
    EXPECT_EQ(status.isDirectory, 1u);
    EXPECT_EQ(hx_fio_stat64(dir.file("missing").c_str(), &status), kCodeNotFound);
}

TEST(FileIo, BufferSizeFollowsHintOrLayerChoice) {
    TempDir dir;
    std::string path = dir.file("a.txt");
    writeFile(path, "x");
    hx_file_t file = nullptr;
    ASSERT_EQ(hx_fio_open(path.c_str(), kRead, &file), 0);
    EXPECT_GE(hx_fio_bufsize(file, -1), 64 * 1024);
    EXPECT_EQ(hx_fio_bufsize(file, 0), hx_fio_bufsize(file, -1));
    EXPECT_EQ(hx_fio_bufsize(file, 100), 100);
    EXPECT_EQ(hx_fio_getb(file, nullptr, 0), 0) << "room 0";
    EXPECT_LT(hx_fio_getb(file, nullptr, -1), 0);
    EXPECT_EQ(hx_fio_syserr(file), kCodeInvalid);
    hx_fio_close(file);
    EXPECT_GT(hx_fio_bufsize(nullptr, -1), 0);
}

}  // namespace
