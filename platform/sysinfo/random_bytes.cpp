#include "platform/sysinfo/random_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace platform::sysinfo {

bool randomBytes(void* buffer, size_t n)
{
    auto* p = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        const ssize_t r = getrandom(p + done, n - done, 0);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        break;
    }
    if (done == n)
        return true;
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    while (done < n) {
        const ssize_t r = read(fd, p + done, n - done);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR)
            continue;
        break;
    }
    close(fd);
    return done == n;
}

} // namespace platform::sysinfo
