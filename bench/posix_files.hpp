#pragma once
// Real files on a POSIX system behind os::Files, for benchmarks and trials
// of the portable store against a real file system: writes are flushed with
// fsync, and a replacement is a rename followed by a flush of the folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "os/os.hpp"

namespace kv::bench {

class PosixFiles : public os::Files {
public:
    std::optional<std::string> read(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        // Straight into a string of the file's size, as the Windows build reads.
        struct stat st {};
        std::string out(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0,
                        '\0');
        std::size_t done = 0;
        for (;;) {
            if (done == out.size()) out.resize(out.size() + 65536);
            const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                ::close(fd);
                return std::nullopt;
            }
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        ::close(fd);
        out.resize(done);
        return out;
    }
    bool write(const std::string& path, std::string_view bytes) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(fd);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        const bool flushed = ::fsync(fd) == 0;
        return ::close(fd) == 0 && flushed;
    }
    bool replace(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) return false;
        // The rename itself reaches the disk with its folder.
        const std::size_t slash = to.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : to.substr(0, slash + 1);
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool flushed = ::fsync(fd) == 0;
        ::close(fd);
        return flushed;
    }
    bool remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
    bool exists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    bool writable(const std::string& path) override { return ::access(path.c_str(), W_OK) == 0; }
    bool createDirectory(const std::string& path) override {
        struct stat st {};
        return ::mkdir(path.c_str(), 0755) == 0 || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    }
};

}  // namespace kv::bench
