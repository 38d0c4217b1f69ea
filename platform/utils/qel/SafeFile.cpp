#include "qel/SafeFile.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

bool WriteFileAtomically(const std::string& rPath, const std::string& rText, std::string& rError, int nMode)
{
    struct stat old {};
    if (nMode < 0 && ::stat(rPath.c_str(), &old) == 0)
        nMode = static_cast<int>(old.st_mode & 07777);
    std::string tmp = rPath + ".tmp." + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < rText.size();) {
        ssize_t n = ::write(fd, rText.data() + done, rText.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ok && (nMode < 0 || ::fchmod(fd, static_cast<mode_t>(nMode)) == 0) && ::fsync(fd) == 0;
    int err = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), rPath.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        rError = "cannot write " + rPath + ": " + std::strerror(err ? err : EIO);
    }
    return ok;
}

} // namespace qel
