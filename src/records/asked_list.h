#pragma once
// The BSSIDs already asked of the server (see text_table.h).
#include "records/bssid_key.h"
#include "records/text_table.h"

#include <mutex>
#include <set>
#include <string>

namespace nearbeam {

// The BSSIDs already asked of the server, over apchecked.txt.
class AskedList : public TextTable {
  public:
    AskedList(std::recursive_mutex& lock, std::string fileName);

    // In the set, or a line of the file begins with the key's 12 digits (then it
    // joins the set).
    bool contains(const BssidKey& key);
    // Adds the key (set and file) unless contains says it is there. False when the
    // file could not be written (the key stays in the set).
    bool add(const BssidKey& key);

    void clearTable() override;

  private:
    std::set<BssidKey> keys_;
};

} // namespace nearbeam
