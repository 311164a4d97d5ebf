#pragma once
// The subscription dialog: the user chooses whether and where a
// service may be told the place. Also the intake of new-subscriptions.txt, one
// modal dialog per line.

#include "database/location_database.h"
#include "services/subscription_list.h"

#include <windows.h>

#include <string>

namespace nearbeam {

struct SubscribeContext {
    SubscriptionList& subscriptions;
    LocationDatabase& database; // its area and building tables' current records
};

// Runs the dialog for the URL modally over owner; "Always", "Only when I am
// within ..." and "Only when I am in ..." store the subscription, "Never" or no
// choice store nothing. False, after an error box, when it could not be made.
bool showSubscribeDialog(HINSTANCE instance, HWND owner, const std::wstring& url,
                         const SubscribeContext& context);

// Offers every URL of new-subscriptions.txt, then deletes the file; the file
// stays when a dialog could not be made.
void processNewSubscriptions(HINSTANCE instance, HWND owner, const SubscribeContext& context);

} // namespace nearbeam
