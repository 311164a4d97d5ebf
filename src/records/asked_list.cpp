#include "records/asked_list.h"

#include <utility>

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

AskedList::AskedList(std::recursive_mutex& lock, std::string fileName)
    : TextTable(lock, std::move(fileName)) {}

bool AskedList::contains(const BssidKey& key) {
    Guard guard(lock_);
    if (keys_.count(key))
        return true;
    if (!validKey(key) || !lookupIndex_.firstPart(path_, key))
        return false;
    keys_.insert(key);
    return true;
}

bool AskedList::add(const BssidKey& key) {
    Guard guard(lock_);
    if (contains(key))
        return true;
    if (!validKey(key))
        return false;
    keys_.insert(key);
    return appendOwnLine(key.view());
}

void AskedList::clearTable() {
    Guard guard(lock_);
    keys_.clear();
    TextTable::clearTable();
}

} // namespace nearbeam
