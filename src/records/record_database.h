#pragma once
// The records of the location database: one table per kind of record over the
// files of the data folder, the asked list, the location lookup and the two flags.
// The program uses it as a LocationDatabase (locate/), which adds the survey scans.

#include "base/settings_store.h"
#include "records/asked_list.h"
#include "records/bssid_key.h"
#include "records/download_service.h"
#include "records/location_table.h"
#include "records/record_table.h"
#include "records/records.h"
#include "records/text_table.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace nearbeam {

class RecordDatabase {
  public:
    // Reads NextLocalID (absent: 4294967295) and UploadNeeded (absent: false).
    explicit RecordDatabase(SettingsStore& settings);
    virtual ~RecordDatabase() = default;
    RecordDatabase(const RecordDatabase&) = delete;
    RecordDatabase& operator=(const RecordDatabase&) = delete;

    // Gives every table its file in folder (8-bit, ending in its separator: a
    // backslash on Windows). Reads nothing.
    void openDatabase(const std::string& folder);
    std::string folder() const;
    // The subscription list's file in the data folder.
    std::string subscriptionsPath() const;
    // Told subscriptionsPath() each time the database is opened (the subscription
    // list, which lives above the database).
    void setSubscriptionFileListener(std::function<void(const std::string& path)> listener);

    // The download that lookUpLocation hands unknown keys to; none (the start)
    // means no download: such keys answer lookup_status::Idle.
    void setDownloadService(DownloadService* download);

    // The location of an access point: the record and lookup_status::Found from
    // ap.txt; none and NotPlaced when apchecked.txt or apoptout.txt has the key
    // (a network that asked not to be mapped is never asked about); otherwise none,
    // the key handed to the download, and the download's state for that key.
    // Both files are searched through their key indexes, not read line by line.
    int32_t lookUpLocation(const BssidKey& key, LocationRecord** out);

    // Empties every table and deletes its file (subscriptions.txt stays), then
    // clearedLocked (the server's scans leave scans.txt); sets changed. The local
    // identifier counter stays.
    void clearCache();
    // After a successful upload: purgeLocal on country, province, city, area,
    // building and ap files. Caches stay.
    void purgeAfterUpload();
    // Sets uploadNeeded and writes UploadNeeded (1 or 0).
    void setUploadNeeded(bool flag);
    // Hands out local identifiers downwards from 4294967295; NextLocalID always
    // holds the next one.
    uint32_t allocateLocalId();

    // The records may have changed under the user interface (set by clearCache,
    // the wizard after saving, the end of an upload reply; cleared by the Scanner).
    std::atomic<bool> changed{false};
    // Records made or changed here wait for upload (mirrors UploadNeeded).
    std::atomic<bool> uploadNeeded{false};

    RecordTable& networks() { return networks_; }
    RecordTable& countries() { return countries_; }
    RecordTable& provinces() { return provinces_; }
    RecordTable& cities() { return cities_; }
    RecordTable& areas() { return areas_; }
    RecordTable& buildings() { return buildings_; }
    RecordTable& services() { return services_; }
    LocationTable& locations() { return locations_; }
    AskedList& asked() { return asked_; }
    // Access points seen with a name that asks not to be mapped: never asked of
    // the server, never uploaded.
    AskedList& optedOut() { return optedOut_; }
    // The table of a section of a server reply: 1 services, 2 networks, 3
    // countries, 4 provinces, 5 cities, 6 areas, 7 buildings, 8 aps. None otherwise.
    TextTable* tableForSection(int section);
    // The section number of a heading line ("- services" ... "- aps"); 0 for none.
    static int sectionOfHeading(std::string_view heading);

    // The database lock, shared by every table; recursive.
    std::recursive_mutex& lock() { return lock_; }

  protected:
    // What else follows the data folder: told under the lock when the database
    // is opened and when the cache is cleared.
    virtual void openedLocked(const std::string& folder) { (void)folder; }
    virtual void clearedLocked() {}

  private:
    // The tables of the data files, in the order they are opened and cleared:
    // network, country, province, city, area, building, ap, apchecked, apoptout,
    // services.
    std::array<TextTable*, 10> dataTables();

    SettingsStore& settings_;
    mutable std::recursive_mutex lock_;
    std::string folder_;
    uint32_t nextLocalId_;
    DownloadService* download_ = nullptr;
    std::function<void(const std::string& path)> subscriptionFileListener_;

    RecordTable networks_;
    RecordTable countries_;
    RecordTable provinces_;
    RecordTable cities_;
    RecordTable areas_;
    RecordTable buildings_;
    RecordTable services_;
    LocationTable locations_;
    AskedList asked_;
    AskedList optedOut_;
};

} // namespace nearbeam
