#include "records/record_database.h"

#include "base/settings_keys.h"

namespace nearbeam {

using Guard = std::lock_guard<std::recursive_mutex>;

RecordDatabase::RecordDatabase(SettingsStore& settings)
    : settings_(settings),
      nextLocalId_(static_cast<uint32_t>(settings::read(settings, settings::NextLocalID))),
      networks_(lock_, RecordKind::Network, "network.txt", nullptr, nullptr, nullptr),
      countries_(lock_, RecordKind::Country, "country.txt", nullptr, nullptr,
                 [this] { return allocateLocalId(); }),
      provinces_(lock_, RecordKind::Province, "province.txt", &countries_, nullptr,
                 [this] { return allocateLocalId(); }),
      cities_(lock_, RecordKind::City, "city.txt", &provinces_, nullptr,
              [this] { return allocateLocalId(); }),
      areas_(lock_, RecordKind::Area, "area.txt", &cities_, nullptr,
             [this] { return allocateLocalId(); }),
      buildings_(lock_, RecordKind::Building, "building.txt", &cities_, &areas_,
                 [this] { return allocateLocalId(); }),
      services_(lock_, RecordKind::Service, "services.txt", nullptr, nullptr, nullptr),
      locations_(lock_, "ap.txt", buildings_, networks_), asked_(lock_, "apchecked.txt"),
      optedOut_(lock_, "apoptout.txt") {
    uploadNeeded = settings::read(settings, settings::UploadNeeded) != 0;
}

std::array<TextTable*, 10> RecordDatabase::dataTables() {
    return {&networks_,  &countries_, &provinces_, &cities_,   &areas_,
            &buildings_, &locations_, &asked_,     &optedOut_, &services_};
}

void RecordDatabase::openDatabase(const std::string& folder) {
    {
        Guard guard(lock_);
        folder_ = folder;
        for (TextTable* table : dataTables())
            table->setFolder(folder);
        openedLocked(folder);
    }
    if (subscriptionFileListener_)
        subscriptionFileListener_(subscriptionsPath());
}

void RecordDatabase::setSubscriptionFileListener(
    std::function<void(const std::string& path)> listener) {
    subscriptionFileListener_ = std::move(listener);
}

std::string RecordDatabase::folder() const {
    Guard guard(lock_);
    return folder_;
}

std::string RecordDatabase::subscriptionsPath() const {
    Guard guard(lock_);
    return folder_.empty() ? std::string() : folder_ + "subscriptions.txt";
}

void RecordDatabase::setDownloadService(DownloadService* download) {
    Guard guard(lock_);
    download_ = download;
}

int32_t RecordDatabase::lookUpLocation(const BssidKey& key, LocationRecord** out) {
    if (out)
        *out = nullptr;
    DownloadService* download = nullptr;
    {
        Guard guard(lock_);
        if (LocationRecord* record = locations_.find(key)) {
            if (out)
                *out = record;
            return lookup_status::Found;
        }
        if (asked_.contains(key) || optedOut_.contains(key))
            return lookup_status::NotPlaced;
        download = download_;
    }
    // Outside the lock: the download takes the web agent's lock, whose thread in
    // turn takes this one to append reply lines.
    if (!download)
        return lookup_status::Idle;
    download->requestDownload(key);
    return download->stateFor(key);
}

void RecordDatabase::clearCache() {
    Guard guard(lock_);
    for (TextTable* table : dataTables())
        table->clearTable();
    clearedLocked();
    changed = true;
}

void RecordDatabase::purgeAfterUpload() {
    Guard guard(lock_);
    for (TextTable* table : std::array<TextTable*, 6>{&countries_, &provinces_, &cities_, &areas_,
                                                      &buildings_, &locations_})
        table->purgeLocal();
}

void RecordDatabase::setUploadNeeded(bool flag) {
    Guard guard(lock_);
    uploadNeeded = flag;
    settings::write(settings_, settings::UploadNeeded, flag ? 1 : 0);
}

uint32_t RecordDatabase::allocateLocalId() {
    Guard guard(lock_);
    settings::write(settings_, settings::NextLocalID, static_cast<int32_t>(nextLocalId_ - 1));
    return nextLocalId_--;
}

TextTable* RecordDatabase::tableForSection(int section) {
    switch (section) {
    case 1:
        return &services_;
    case 2:
        return &networks_;
    case 3:
        return &countries_;
    case 4:
        return &provinces_;
    case 5:
        return &cities_;
    case 6:
        return &areas_;
    case 7:
        return &buildings_;
    case 8:
        return &locations_;
    default:
        return nullptr;
    }
}

int RecordDatabase::sectionOfHeading(std::string_view heading) {
    static const char* const kHeadings[] = {"- services",  "- networks", "- countries",
                                            "- provinces", "- cities",   "- areas",
                                            "- buildings", "- aps"};
    for (int i = 0; i < 8; ++i) {
        if (heading == kHeadings[i])
            return i + 1;
    }
    return 0;
}

} // namespace nearbeam
