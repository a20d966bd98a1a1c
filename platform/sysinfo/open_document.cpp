#include "platform/sysinfo/open_document.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::sysinfo {

bool openDocument(const std::string& path, const std::string& workDir)
{
    struct stat st
    {
    };
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const char* file = path.c_str();
    const char* dir = workDir.empty() ? "/" : workDir.c_str();
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // The intermediate child exits at once; the grandchild is adopted by init.
        if (fork() == 0) {
            setsid();
            if (chdir(dir) != 0)
                _exit(127);
            const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
            if (null >= 0) {
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
            }
            execlp("xdg-open", "xdg-open", file, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform::sysinfo
