#include "ui/subscription_offer.h"

#include "base/text.h"

namespace nearbeam {

namespace {

void offerPlace(const wchar_t* text, const NamedRecord* place, uint32_t& id, std::wstring& label) {
    if (!place)
        return;
    id = place->id;
    label = text;
    for (wchar_t c : widen(place->name)) {
        if (c == L'&') // shown as itself, not as a keyboard shortcut
            label += L'&';
        label += c;
    }
}

} // namespace

SubscriptionOffer::SubscriptionOffer(const SubscribeContext& context, std::wstring url)
    : context_(context), url_(std::move(url)) {
    offerPlace(L"Only when I am within ", context.database.areas().currentRecord(), areaId_,
               areaLabel_);
    offerPlace(L"Only when I am in ", context.database.buildings().currentRecord(), buildingId_,
               buildingLabel_);
}

void SubscriptionOffer::accept(OfferChoice choice) const {
    SubscriptionList& list = context_.subscriptions;
    if (choice == OfferChoice::Always)
        list.addSubscription(service_level::Everywhere, 0, url_);
    else if (choice == OfferChoice::Area && areaId_ != 0)
        list.addSubscription(service_level::Area, areaId_, url_);
    else if (choice == OfferChoice::Building && buildingId_ != 0)
        list.addSubscription(service_level::Building, buildingId_, url_);
}

} // namespace nearbeam
