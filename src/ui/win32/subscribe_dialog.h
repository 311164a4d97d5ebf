#pragma once
// The subscription dialog: the user chooses whether and where a service may be
// told the place.

#include "ui/subscription_offer.h"

#include <windows.h>

#include <string>

namespace nearbeam {

// Offers one service's URL in a modal dialog over owner and returns when it is
// answered: "Always", "Only when I am within ..." and "Only when I am in ..."
// store the subscription, "Never" or no choice store nothing. False, after an
// error box, when it could not be made, so that the offer is kept.
bool offerSubscription(HINSTANCE instance, HWND owner, const std::wstring& url,
                       const SubscribeContext& context);

} // namespace nearbeam
