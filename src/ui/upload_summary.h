#pragma once
// What the upload dialog says will be sent before the user presses Upload: how
// many places, other records and survey scans go up, to which server, and how
// many lines stay here because they cannot be read.

#include "net/uploader.h"

#include <string>

namespace nearbeam {

std::wstring uploadSummaryText(const Uploader::Summary& summary);

} // namespace nearbeam
