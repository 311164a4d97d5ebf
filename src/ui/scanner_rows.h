#pragma once
// The rows of the Scanner page: one per access point, with its label as a
// wifi:// link, a two-part signal bar, the encryption and ad-hoc icons, the
// network names and the details the user chose. Labels, network names and
// manufacturers are escaped: anyone in radio range chooses a network's name.

#include "wireless/scan_table.h"

#include <string>

namespace nearbeam {

// The details a row shows besides the label, bar, icons and names.
struct ScannerView {
    bool compact = false;
    bool manufacturer = false;
    bool bssid = false; // the last four digits
    bool channel = false;
};

// The bar on a scale of `scale` pixels for the average signal w and the last one v
// (both on that scale); colour "red" or "blue".
std::string signalBar(int w, int v, int scale, const char* colour);

// average and last: signal qualities in percent (0-100).
std::string fullRow(const AccessPointEntry& entry, int average, int last, const ScannerView& view);
std::string compactRow(const AccessPointEntry& entry, int average, int last,
                       const ScannerView& view);

// The whole page around the rows; the images are found through the base folder
// (the program's folder with its trailing separator).
std::string scannerPage(const std::string& rows, const std::string& baseFolder);

} // namespace nearbeam
