#pragma once
// What the subscription dialog offers for one service's URL: always, within the
// area or in the building the user is in now (when there is one), or never; and
// what the user's choice stores.

#include "locate/location_database.h"
#include "services/subscription_list.h"

#include <cstdint>
#include <string>

namespace nearbeam {

struct SubscribeContext {
    SubscriptionList& subscriptions;
    LocationDatabase& database; // its area and building tables' current records
};

enum class OfferChoice { Never, Always, Area, Building };

class SubscriptionOffer {
  public:
    // The places offered are taken now, when the dialog opens.
    SubscriptionOffer(const SubscribeContext& context, std::wstring url);

    const std::wstring& url() const { return url_; }
    // "Only when I am within <area>" and "... in <building>", an '&' in a name
    // doubled so that it shows as itself; empty when there is no such place.
    const std::wstring& areaLabel() const { return areaLabel_; }
    const std::wstring& buildingLabel() const { return buildingLabel_; }

    // Stores the subscription for the choice; Never, or a place not offered,
    // stores nothing.
    void accept(OfferChoice choice) const;

  private:
    const SubscribeContext& context_;
    std::wstring url_;
    uint32_t areaId_ = 0; // 0: none offered
    uint32_t buildingId_ = 0;
    std::wstring areaLabel_;
    std::wstring buildingLabel_;
};

} // namespace nearbeam
