#include "server/storage/postgres_address.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nearbeam {

bool readDatabaseFile(const std::string& path, std::string& address, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = "cannot read the database file " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        ::close(fd);
        error = "the database file " + path +
                " may be read or written by others than its owner; make it mode 0600 (chmod 600 " +
                path + ")";
        return false;
    }
    std::string text;
    char buffer[4096];
    ssize_t got;
    while (text.size() < 65536 && (got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    const char* kSpace = " \t\r\n";
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        const size_t first = line.find_first_not_of(kSpace);
        if (first != std::string::npos) {
            address = line.substr(first, line.find_last_not_of(kSpace) - first + 1);
            return true;
        }
        at = end + 1;
    }
    error = "the database file " + path + " holds no address";
    return false;
}

bool addressHoldsPassword(const std::string& address) {
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(address.c_str(), &parseError);
    PQfreemem(parseError);
    if (!options)
        return false;
    bool found = false;
    for (const PQconninfoOption* o = options; o->keyword; ++o)
        if (std::strcmp(o->keyword, "password") == 0 && o->val && *o->val)
            found = true;
    PQconninfoFree(options);
    return found;
}

} // namespace nearbeam
