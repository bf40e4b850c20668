#include "runtime/SafeSave.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// The mask a plain fopen applies. umask is read only by setting it, which is
// not safe while another thread makes files: it is read once, before main.
const mode_t processUmask = [] {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}();
}  // namespace

bool saveReplacing(const std::string &path, std::string &why, const std::function<void(FILE *)> &writer) {
    why.clear();
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    std::string pattern = path + ".saving-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        why = std::string("cannot create a file beside '") + path + "': " + std::strerror(errno);
        return false;
    }
    FILE *f = fdopen(fd, "w");
    if (!f) {
        why = std::string("cannot write '") + path + "': " + std::strerror(errno);
        close(fd);
        unlink(temp.data());
        return false;
    }
    errno = 0;
    writer(f);
    bool failed = std::ferror(f) != 0;
    int err = errno;
    if (std::fflush(f) != 0) {
        failed = true;
        err = errno;
    }
    if (std::fclose(f) != 0) {
        failed = true;
        err = errno;
    }
    if (failed) {
        why = std::string("writing '") + path + "' failed: " + (err ? std::strerror(err) : "write error");
        unlink(temp.data());
        return false;
    }
    // Keep the old file's permissions, or those a plain fopen would give.
    struct stat old;
    if (stat(path.c_str(), &old) == 0) {
        chmod(temp.data(), old.st_mode & 07777);
    } else {
        chmod(temp.data(), 0666 & ~processUmask);
    }
    if (std::rename(temp.data(), path.c_str()) != 0) {
        why = std::string("cannot replace '") + path + "': " + std::strerror(errno);
        unlink(temp.data());
        return false;
    }
    return true;
}

bool readWholeFile(const std::string &path, std::string &text, std::string &why) {
    text.clear();
    why.clear();
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        why = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    // Sized once where the file tells its size, so a large file is not copied as it grows.
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        why = "cannot read '" + path + "'";
        return false;
    }
    return true;
}
