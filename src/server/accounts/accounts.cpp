#include "server/accounts/accounts.h"

#include "net/md5.h"
#include "server/protocol/place_lines.h"
#include "server/storage/history.h"

#include <cstdint>

namespace nearbeam {

bool addUser(Storage& storage, const std::string& name, const std::string& password,
             std::string& error, bool keeper) {
    if (!plainName(name)) {
        error = "A user name must not be empty or hold a control character.";
        return false;
    }
    const std::string hash = storage.hasher().hash(loginToken(password));
    if (hash.empty()) {
        error = "The password could not be hashed.";
        return false;
    }
    return storage.write(
        [&](Transaction& r) {
            return r.putUser(name, hash) && r.setFlag(name, UserFlag::Keeper, keeper);
        },
        error);
}

bool removeUser(Storage& storage, const std::string& name, std::string& error,
                PurgeCounts* purged) {
    bool found = false;
    auto remove = [&](Transaction& r) {
        if (!purged) {
            found = r.removeUser(name);
            return true;
        }
        // Withdrawn rather than deleted: what their uploads replaced comes back,
        // and a keeper can still see (and restore) what they were.
        HistoryCounts withdrawn;
        for (const UploadEntry& entry : r.uploads(0, INT64_MAX, name))
            if (!entry.withdrawn && withdrawUpload(r, entry.id, withdrawn) != HistoryChange::Done)
                return false;
        // What was uploaded before the server kept a history.
        if (!r.purgeUploads(name, *purged))
            return false;
        purged->uploads = withdrawn.uploads;
        purged->scans += withdrawn.scans;
        purged->accessPoints += withdrawn.accessPoints;
        purged->places += withdrawn.places;
        found = r.removeUser(name) ||
                purged->uploads + purged->scans + purged->accessPoints + purged->places > 0;
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
                names.push_back(name + (r.hasFlag(name, UserFlag::Keeper) ? " (keeper)" : "") +
                                (r.hasFlag(name, UserFlag::Blocked) ? " (blocked)" : ""));
        },
        error);
    return names;
}

} // namespace nearbeam
