// What the upload dialog says will go up.

#include "ui/upload_summary.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(UploadSummary, SaysWhatGoesUpAndWhere) {
    const std::wstring server = L"127.0.0.1:8080";
    const std::pair<Uploader::Summary, std::wstring> cases[] = {
        {{1, 0, 0, 0, server}, L"Upload sends 1 place to 127.0.0.1:8080."},
        {{2, 3, 1, 0, server},
         L"Upload sends 2 places, 3 other records and 1 survey scan to 127.0.0.1:8080."},
        {{0, 0, 4, 0, server}, L"Upload sends 4 survey scans to 127.0.0.1:8080."},
        {{0, 0, 0, 0, server}, L"Nothing waits for upload to 127.0.0.1:8080."},
        {{1, 1, 0, 2, server},
         L"Upload sends 1 place and 1 other record to 127.0.0.1:8080. 2 lines of your files "
         L"cannot be read and stay on this computer."},
    };
    for (const auto& [summary, text] : cases)
        EXPECT_EQ(uploadSummaryText(summary), text);
}

} // namespace
} // namespace nearbeam::test
