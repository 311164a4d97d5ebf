#include "app/web_link.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(WebLink, OpensOnlyWebAddresses) {
    struct Case {
        const wchar_t* link;
        bool open;
    };
    const Case cases[] = {
        {L"http://maps.example.org/?q=1", true},
        {L"HTTPS://example.org", true},
        {L"http://127.0.0.1:8080/x", true},
        {L"", false},
        {L"http://", false},
        {L"http:///etc/passwd", false},
        {L"file:///C:/Windows/system32/cmd.exe", false},
        {L"C:\\Windows\\system32\\cmd.exe", false},
        {L"cmd.exe", false},
        {L"javascript:alert(1)", false},
        {L"\\\\server\\share\\run.exe", false},
        {L"httpx://example.org", false},
        {L"http://example.org/\nline", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWebLink(c.link), c.open) << std::string(c.link, c.link + wcslen(c.link));
    }
}

} // namespace
} // namespace nearbeam
