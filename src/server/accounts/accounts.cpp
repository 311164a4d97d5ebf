#include "server/accounts/accounts.h"

#include "net/md5.h"
#include "server/protocol/place_lines.h"

namespace nearbeam {

bool addUser(Storage& storage, const std::string& name, const std::string& password,
             std::string& error) {
    if (!plainName(name)) {
        error = "A user name must not be empty or hold a control character.";
        return false;
    }
    const std::string hash = storage.hasher().hash(loginToken(password));
    if (hash.empty()) {
        error = "The password could not be hashed.";
        return false;
    }
    return storage.write([&](Transaction& r) { return r.putUser(name, hash); }, error);
}

bool removeUser(Storage& storage, const std::string& name, std::string& error,
                PurgeCounts* purged) {
    bool found = false;
    auto remove = [&](Transaction& r) {
        found = r.removeUser(name);
        if (!purged)
            return true;
        if (!r.purgeUploads(name, *purged))
            return false;
        found = found || purged->scans + purged->accessPoints + purged->places > 0;
        return true;
    };
    if (!storage.write(remove, error))
        return false;
    if (purged && !storage.forgetRemoved(error))
        return false;
    if (!found)
        error = "There is no user " + name + ".";
    return found;
}

std::vector<std::string> listUsers(Storage& storage) {
    std::vector<std::string> names;
    std::string error;
    storage.read(
        [&](Transaction& r) {
            for (auto& [name, hash] : r.users())
                names.push_back(name);
        },
        error);
    return names;
}

} // namespace nearbeam
