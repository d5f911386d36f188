#include "store/settings_io.h"

#include "base/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonvarra::store {
namespace {

[[noreturn]] void fail(const std::filesystem::path& target, int error) {
    throw Error("Cannot create file \"" + target.string() + "\". " + std::strerror(error));
}

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
public:
    explicit TemporaryFile(std::filesystem::path path)
        : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!released_) {
            ::unlink(path_.c_str());
        }
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] int fd() const { return fd_; }
    void setFd(int fd) { fd_ = fd; }
    // Closes the file and reports the error of the last write-back, if any.
    [[nodiscard]] int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }
    void release() { released_ = true; }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool released_ = false;
};

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // the rename itself is durable only once the folder is
        ::close(fd);
    }
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::error_code& error) {
    error.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = std::error_code(errno, std::generic_category());
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const BeforeReplace& beforeReplace) {
    // A symbolic link stays a link: the file it points to is replaced.
    std::error_code ec;
    std::filesystem::path file = std::filesystem::canonical(target, ec);
    if (ec) {
        file = target;
    }
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && ::access(file.c_str(), W_OK) != 0) {
        fail(target, errno);
    }

    std::string temporaryName = ".";
    temporaryName.append(file.filename().string()).append(".tmp");
    TemporaryFile temporary(file.parent_path() / temporaryName);
    temporary.setFd(
        ::open(temporary.path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (temporary.fd() < 0) {
        const int error = errno;
        temporary.release(); // nothing was created, and an unrelated file of that name stays
        fail(target, error);
    }
    if (exists) {
        ::fchmod(temporary.fd(), old.st_mode & 07777);
    }
    if (const int error = writeAll(temporary.fd(), bytes)) {
        fail(target, error);
    }
    if (::fsync(temporary.fd()) != 0) {
        fail(target, errno);
    }
    if (const int error = temporary.close()) {
        fail(target, error);
    }
    if (beforeReplace) {
        beforeReplace(temporary.path());
    }
    if (::rename(temporary.path().c_str(), file.c_str()) != 0) {
        fail(target, errno);
    }
    temporary.release();
    syncFolder(file.parent_path());
}

} // namespace tonvarra::store
