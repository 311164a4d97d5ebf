#include "app/status.h"

#include "resource.h"
#include "status_texts.h"

namespace nearbeam {

int statusStringId(LookupStatus value, int quality) {
    const bool good = quality >= kGoodSignalQuality;
    switch (value) {
    case status::kFound:
        return good ? IDS_AT : IDS_NEAR;
    case status::kAskedUnknown:
        return good ? IDS_CURIOUS : IDS_UNRECOGNISED;
    case status::kNoConnection:
        return IDS_NO_CONNECTION;
    case status::kBadResponse:
        return IDS_BAD_RESPONSE;
    case status::kInternalError:
        return IDS_INTERNAL_ERROR;
    case status::kQueued:
        return IDS_FINDING_SERVER;
    case status::kConnecting:
        return IDS_CONNECTING;
    case status::kRequesting:
        return IDS_REQUESTING;
    case status::kReceiving:
        return IDS_DOWNLOADING;
    case status::kLastSeen:
        return IDS_LAST_SEEN;
    case status::kLost:
        return IDS_LOST;
    case status::kDeviceRefused:
        return IDS_NO_DEVICE;
    default: // the download's idle state and anything unforeseen
        return IDS_DOWNLOADING;
    }
}

int statusIcon(LookupStatus value) {
    if (value & status::kUnrecognisedBit)
        return kIconUnrecognised;
    if (value & status::kRequestBit)
        return kIconRequest;
    if (value & status::kProblemBit)
        return kIconProblem;
    return kIconNormal;
}

std::wstring stringText(int id) {
    switch (id) {
    case IDS_TITLE:
        return NB_WIDE(NB_TEXT_TITLE);
    case IDS_UNRECOGNISED:
        return NB_WIDE(NB_TEXT_UNRECOGNISED);
    case IDS_CLASS:
        return NB_WIDE(NB_TEXT_CLASS);
    case IDS_AT:
        return NB_WIDE(NB_TEXT_AT);
    case IDS_NEAR:
        return NB_WIDE(NB_TEXT_NEAR);
    case IDS_LAST_SEEN:
        return NB_WIDE(NB_TEXT_LAST_SEEN);
    case IDS_LOST:
        return NB_WIDE(NB_TEXT_LOST);
    case IDS_NO_CONNECTION:
        return NB_WIDE(NB_TEXT_NO_CONNECTION);
    case IDS_CARD_OFF:
        return NB_WIDE(NB_TEXT_CARD_OFF);
    case IDS_NO_DEVICE:
        return NB_WIDE(NB_TEXT_NO_DEVICE);
    case IDS_LOOKING_UP:
        return NB_WIDE(NB_TEXT_LOOKING_UP);
    case IDS_DOWNLOADING:
        return NB_WIDE(NB_TEXT_DOWNLOADING);
    case IDS_REQUESTING:
        return NB_WIDE(NB_TEXT_REQUESTING);
    case IDS_CURIOUS:
        return NB_WIDE(NB_TEXT_CURIOUS);
    case IDS_CONNECTING:
        return NB_WIDE(NB_TEXT_CONNECTING);
    case IDS_FINDING_SERVER:
        return NB_WIDE(NB_TEXT_FINDING_SERVER);
    case IDS_BAD_RESPONSE:
        return NB_WIDE(NB_TEXT_BAD_RESPONSE);
    case IDS_INTERNAL_ERROR:
        return NB_WIDE(NB_TEXT_INTERNAL_ERROR);
    default:
        return {};
    }
}

std::wstring formatStatusText(const std::wstring& text, const std::wstring& argument) {
    std::wstring out;
    const size_t at = text.find(L"%s");
    if (at == std::wstring::npos) {
        out = text;
    } else {
        out = text.substr(0, at) + argument + text.substr(at + 2);
    }
    if (out.size() > kTextCapacity - 1)
        out.resize(kTextCapacity - 1);
    return out;
}

} // namespace nearbeam
