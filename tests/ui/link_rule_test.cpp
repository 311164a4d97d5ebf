#include "ui/link_rule.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace nearbeam {
namespace {

TEST(LinkRule, TheControlFollowsOnlyItsOwnFilesAndDrivePaths) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"file:///C:\\Nearbeam\\nearbeam.exe-temp.html", true},
        {L"file://server/share/x.html", true},
        {L"C:\\pages\\x.html", true},
        {L"C:", true},
        {L"FILE:///C:/x.html", false}, // the control's own page is written exactly so
        {L"http://example.org/", false},
        {L"https://example.org/", false},
        {L"mailto:a@example.org", false},
        {L"about:blank", false},
        {L"wifi://001122334455", false},
        {L"wifi://", false},
        {L"C", false},
        {L"", false},
    };
    for (const auto& [url, inside] : cases)
        EXPECT_EQ(followsInside(url), inside) << url;
}

TEST(LinkRule, OnlyWholeWebAndMailLinksGoToTheShell) {
    const std::pair<std::wstring, bool> cases[] = {
        {L"http://example.org/", true},
        {L"HTTPS://example.org/a?b=c", true},
        {L"mailto:someone@example.org", true},
        {L"MailTo:someone@example.org", true},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"javascript:alert(1)", false},
        {L"C:\\Windows\\System32\\calc.exe", false},
        {L"\\\\server\\share\\run.exe", false},
        {L"calc.exe", false},
        {L"about:blank", false},
        {L"wifi://001122334455", false},
        {L" http://example.org/", false},
        {L"http", false},
        {L"", false},
        {L"http://e.org/" + std::wstring(kMaxShellLinkChars - 13, L'a'), true},
        {L"http://e.org/" + std::wstring(kMaxShellLinkChars - 12, L'a'), false},
    };
    for (const auto& [url, opens] : cases)
        EXPECT_EQ(mayOpenInShell(url), opens) << url.substr(0, 40) << " (" << url.size() << ")";
}

// An alert's link comes from a service's reply: the same rule opens it.
TEST(LinkRule, AlertLinksOpenOnlyWhenTheyNameAHost) {
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
        EXPECT_EQ(mayOpenInShell(c.link), c.open) << std::string(c.link, c.link + wcslen(c.link));
    }
}

} // namespace
} // namespace nearbeam
