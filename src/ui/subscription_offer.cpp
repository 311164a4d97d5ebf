#include "ui/subscription_offer.h"

#include "base/text.h"

#include <cwctype>
#include <mutex>

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

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (static_cast<wchar_t>(std::towlower(static_cast<wint_t>(text[i]))) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

bool subscribableAddress(const std::wstring& url) {
    size_t hostStart = 0;
    if (startsWithNoCase(url, L"http://"))
        hostStart = 7;
    else if (startsWithNoCase(url, L"https://"))
        hostStart = 8;
    else
        return false;
    for (wchar_t c : url) {
        if (c <= L' ' || c == 0x7f)
            return false;
    }
    const size_t hostEnd = url.find_first_of(L"/?#", hostStart);
    const std::wstring host = url.substr(hostStart, hostEnd - hostStart);
    return !host.empty() && host.find_first_of(L"{}@") == std::wstring::npos;
}

SubscriptionOffer::SubscriptionOffer(const SubscribeContext& context, std::wstring url)
    : context_(context), url_(std::move(url)), mayAgree_(subscribableAddress(url_)) {
    if (!mayAgree_ || !context.shownPlace)
        return;
    std::lock_guard<std::recursive_mutex> guard(context.database.lock());
    LocationRecord* place = context.shownPlace();
    if (!place)
        return;
    place->resolveParents();
    offerPlace(L"Only when I am within ", place->area, areaId_, areaLabel_);
    offerPlace(L"Only when I am in ", place->building, buildingId_, buildingLabel_);
}

std::wstring SubscriptionOffer::addressNote() const {
    return mayAgree_ ? std::wstring()
                     : L"This address cannot be read as a web address: it cannot be subscribed to.";
}

bool SubscriptionOffer::okEnabled(std::optional<OfferChoice> chosen) const {
    if (!chosen)
        return false;
    switch (*chosen) {
    case OfferChoice::Never:
        return true;
    case OfferChoice::Always:
        return mayAgree_;
    case OfferChoice::Area:
        return mayAgree_ && areaId_ != 0;
    case OfferChoice::Building:
        return mayAgree_ && buildingId_ != 0;
    }
    return false;
}

void SubscriptionOffer::accept(OfferChoice choice) const {
    if (!okEnabled(choice))
        return;
    SubscriptionList& list = context_.subscriptions;
    if (choice == OfferChoice::Always)
        list.addSubscription(service_level::Everywhere, 0, url_);
    else if (choice == OfferChoice::Area)
        list.addSubscription(service_level::Area, areaId_, url_);
    else if (choice == OfferChoice::Building)
        list.addSubscription(service_level::Building, buildingId_, url_);
}

} // namespace nearbeam
