/* The texts of the string table: the window title and class name and every
 * status text. This header is the one source of these texts; the resource
 * script and the program both include it, so it holds only plain C macros. */
#ifndef NEARBEAM_STATUS_TEXTS_H
#define NEARBEAM_STATUS_TEXTS_H

#define NB_TEXT_TITLE "802.11 Scanner"
#define NB_TEXT_UNRECOGNISED "I don't recognize this place."
#define NB_TEXT_CLASS "NEARBEAM"
#define NB_TEXT_AT "You are at %s"
#define NB_TEXT_NEAR "You are near %s"
#define NB_TEXT_LAST_SEEN "You were last seen at %s"
#define NB_TEXT_LOST "I am lost (no wireless signal available)"
#define NB_TEXT_NO_CONNECTION "I need a map (no internet connection)"
#define NB_TEXT_CARD_OFF "Can't detect location (wireless card is off)"
#define NB_TEXT_NO_DEVICE "Can't detect location (device not available)"
#define NB_TEXT_LOOKING_UP "Looking up location..."
#define NB_TEXT_DOWNLOADING "Downloading map..."
#define NB_TEXT_REQUESTING "Requesting a map..."
#define NB_TEXT_CURIOUS "I'm curious, where are we?"
#define NB_TEXT_CONNECTING "Connecting to the map server..."
#define NB_TEXT_FINDING_SERVER "Trying to find a map server..."
#define NB_TEXT_BAD_RESPONSE "Bad response from server (login required?)"
#define NB_TEXT_INTERNAL_ERROR "Internal error in lookup (out of memory?)"

/* The texts as wide literals, for the program. */
#define NB_WIDE_(text) L##text
#define NB_WIDE(text) NB_WIDE_(text)

#endif
