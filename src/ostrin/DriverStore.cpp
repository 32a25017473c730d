#include "DriverStore.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrin {

namespace {

constexpr const char *kDefaultStore = "/etc/udev/rules.d";
constexpr mode_t kPackageMode = 0644;

std::string baseName(const std::string &path)
{
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes on every path out, so an early failure leaks no descriptor.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports the error a delayed write may only show here.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool copyAll(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(to, buffer, got))
            return false;
    }
}

InstallOutcome failed(int error)
{
    return InstallOutcome{false, error};
}

} // namespace

std::string driverStore()
{
    const char *store = std::getenv("OSTRIN_DRIVER_STORE");
    return store && *store ? store : kDefaultStore;
}

InstallOutcome installPackage(const std::string &package, const std::string &store)
{
    Descriptor source(::open(package.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.valid())
        return failed(errno);
    struct stat sourceInfo{};
    if (::fstat(source.get(), &sourceInfo) != 0)
        return failed(errno);
    if (!S_ISREG(sourceInfo.st_mode))
        return failed(S_ISDIR(sourceInfo.st_mode) ? EISDIR : EINVAL);

    const std::string target = store + '/' + baseName(package);
    struct stat targetInfo{};
    if (::stat(target.c_str(), &targetInfo) == 0 && targetInfo.st_dev == sourceInfo.st_dev &&
        targetInfo.st_ino == sourceInfo.st_ino)
        return InstallOutcome{true, 0}; // already in the store: it is its own copy

    std::string temporary = store + "/." + baseName(package) + ".XXXXXX";
    Descriptor copy(::mkstemp(temporary.data()));
    if (!copy.valid())
        return failed(errno);
    const auto discard = [&temporary](int error) {
        ::unlink(temporary.c_str());
        return failed(error);
    };
    if (!copyAll(source.get(), copy.get()) || ::fchmod(copy.get(), kPackageMode) != 0 ||
        ::fsync(copy.get()) != 0)
        return discard(errno);
    if (copy.close() != 0)
        return discard(errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return discard(errno);
    // The rename itself lasts through a power cut only once the folder is on disk too.
    Descriptor folder(::open(store.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return InstallOutcome{true, 0};
}

} // namespace ostrin
