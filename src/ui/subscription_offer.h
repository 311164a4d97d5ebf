#pragma once
// What the subscription dialog offers for one service's URL: always, within the
// area or in the building of the place the program shows (when it shows one), or
// never; what the dialog's OK may do in each state; and what the user's choice
// stores.

#include "locate/location_database.h"
#include "services/subscription_list.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nearbeam {

struct SubscribeContext {
    SubscribeContext(SubscriptionList& subscriptions, LocationDatabase& database,
                     std::function<LocationRecord*()> shownPlace = {})
        : subscriptions(subscriptions), database(database), shownPlace(std::move(shownPlace)) {}

    SubscriptionList& subscriptions;
    LocationDatabase& database;
    // The place the program shows now (its area and building are offered); none,
    // or no function, when it shows none.
    std::function<LocationRecord*()> shownPlace;
};

enum class OfferChoice { Never, Always, Area, Building };

class SubscriptionOffer {
  public:
    // The places offered are taken now, when the dialog opens.
    SubscriptionOffer(const SubscribeContext& context, std::wstring url);

    // The whole address, as the service sent it: the user agrees to all of it.
    const std::wstring& url() const { return url_; }
    // "Only when I am within <area>" and "... in <building>", an '&' in a name
    // doubled so that it shows as itself; empty when there is no such place.
    const std::wstring& areaLabel() const { return areaLabel_; }
    const std::wstring& buildingLabel() const { return buildingLabel_; }

    // Whether the address can be subscribed to: an http:// or https:// address
    // with a host and nothing that cannot stand in one (spaces, control
    // characters). One that cannot is shown as text and only Never is offered.
    bool mayAgree() const { return mayAgree_; }
    // What the dialog says of an address that cannot be agreed to; empty for one
    // that can.
    std::wstring addressNote() const;
    // Whether OK does something: only once a choice is made (Enter with nothing
    // chosen must not drop the offer), and a subscribing choice only for an
    // address that can be agreed to.
    bool okEnabled(std::optional<OfferChoice> chosen) const;

    // Stores the subscription for the choice; Never, a place not offered or an
    // address that cannot be agreed to stores nothing.
    void accept(OfferChoice choice) const;

  private:
    const SubscribeContext& context_;
    std::wstring url_;
    bool mayAgree_ = false;
    uint32_t areaId_ = 0; // 0: none offered
    uint32_t buildingId_ = 0;
    std::wstring areaLabel_;
    std::wstring buildingLabel_;
};

// The rule of mayAgree.
bool subscribableAddress(const std::wstring& url);

} // namespace nearbeam
