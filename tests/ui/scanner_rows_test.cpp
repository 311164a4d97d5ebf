#include "ui/scanner_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam {
namespace {

std::string img(const char* src, int width) {
    return "<img width='" + std::to_string(width) + "' height='8' src='" + src + "' />";
}

TEST(ScannerRows, TheBarShowsAverageAndLastReading) {
    struct Case {
        int w, v, scale;
        std::string bar;
    };
    const Case cases[] = {
        // Last reading below the average: coloured up to it, the line, coloured to the average.
        {60, 40, 100,
         img("bar-blue.png", 40) + img("bar-black.png", 1) + img("bar-blue.png", 20) +
             img("bar-grey.png", 40)},
        {30, 20, 50,
         img("bar-blue.png", 20) + img("bar-black.png", 1) + img("bar-blue.png", 10) +
             img("bar-grey.png", 20)},
        // At or above it: coloured to the average, grey to the reading, the line.
        {40, 60, 100,
         img("bar-blue.png", 40) + img("bar-grey.png", 20) + img("bar-black.png", 1) +
             img("bar-grey.png", 40)},
        {50, 50, 100, img("bar-blue.png", 50) + img("bar-black.png", 1) + img("bar-grey.png", 50)},
        {0, 0, 100, img("bar-black.png", 1) + img("bar-grey.png", 100)},
        {100, 100, 100, img("bar-blue.png", 100) + img("bar-black.png", 1)},
        {100, 0, 100, img("bar-black.png", 1) + img("bar-blue.png", 100)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(signalBar(c.w, c.v, c.scale, "blue"), c.bar) << c.w << "/" << c.v;
}

AccessPointEntry entry() {
    AccessPointEntry e({0x00, 0x11, 0x22, 0x33, 0x3c, 0x4d}, -50, 0);
    e.bssidText = "001122333c4d";
    e.label = "Room 5, 2nd floor, Library";
    e.ssidList = "Campus";
    e.manufacturer = "Acme";
    e.channel = 6;
    return e;
}

TEST(ScannerRows, FullAndCompactRowsOfEachKind) {
    AccessPointEntry plain = entry();
    AccessPointEntry associated = entry();
    associated.associated = true;
    associated.privacy = true;
    AccessPointEntry adhoc = entry();
    adhoc.notInfrastructure = true;
    adhoc.privacy = true;
    adhoc.privacyVaries = true;
    adhoc.label = "02 aa bb cc dd ee";
    adhoc.ssidList = "Phone, Other";
    const ScannerView none;
    ScannerView all;
    all.manufacturer = all.bssid = all.channel = true;

    const std::string bar60 = img("bar-blue.png", 40) + img("bar-black.png", 1) +
                              img("bar-blue.png", 20) + img("bar-grey.png", 40);
    EXPECT_EQ(fullRow(plain, 60, 40, none),
              "<p><a href='wifi://001122333c4d'>Room 5, 2nd floor, Library</a></p><table "
              "cellspacing='0' cellpadding='0'><tr><td>" +
                  bar60 + "</td><td><cite>Campus</cite></td></tr></table>");
    EXPECT_EQ(fullRow(plain, 60, 40, all),
              "<p><a href='wifi://001122333c4d'>Room 5, 2nd floor, Library</a></p><table "
              "cellspacing='0' cellpadding='0'><tr><td>" +
                  bar60 + "</td><td><cite>Campus, Acme, 3c4d, ch 6</cite></td></tr></table>");
    EXPECT_EQ(fullRow(associated, 100, 100, none),
              "<p><a href='wifi://001122333c4d'>Room 5, 2nd floor, Library</a></p><table "
              "cellspacing='0' cellpadding='0'><tr><td>" +
                  img("bar-red.png", 100) + img("bar-black.png", 1) +
                  "</td><td><cite><img width='7' height='8' src='wep.png'> "
                  "Campus</cite></td></tr></table>");
    EXPECT_EQ(fullRow(adhoc, 0, 0, none),
              "<p><a href='wifi://'>02 aa bb cc dd ee</a></p><table cellspacing='0' "
              "cellpadding='0'><tr><td>" +
                  img("bar-black.png", 1) + img("bar-grey.png", 100) +
                  "</td><td><cite><img width='7' height='8' src='wepvaries.png'> <img width='11' "
                  "height='8'  src='adhoc.png'> Phone, Other</cite></td></tr></table>");

    EXPECT_EQ(compactRow(plain, 60, 40, none),
              img("bar-blue.png", 20) + img("bar-black.png", 1) + img("bar-blue.png", 10) +
                  img("bar-grey.png", 20) +
                  " <a href='wifi://001122333c4d'>Room 5, 2nd floor, Library</a><cite>Campus"
                  "</cite><br/>");
    EXPECT_EQ(compactRow(adhoc, 51, 51, all),
              img("bar-blue.png", 25) + img("bar-black.png", 1) + img("bar-grey.png", 25) +
                  " <a href='wifi://'>02 aa bb cc dd ee</a><cite><img width='7' height='8' "
                  "src='wepvaries.png'> <img width='11' height='8'  src='adhoc.png'> Phone, "
                  "Other, Acme, 3c4d, ch 6</cite><br/>");
}

// Anyone in radio range names a network; names and labels show as typed.
TEST(ScannerRows, NamesAndLabelsAreEscaped) {
    AccessPointEntry e = entry();
    e.ssidList = "<img src=x onerror=alert(1)>, a&b";
    e.label = "O'Hare \"T\"";
    e.manufacturer = "<M>";
    ScannerView view;
    view.manufacturer = true;
    EXPECT_EQ(compactRow(e, 0, 100, view),
              img("bar-grey.png", 50) + img("bar-black.png", 1) +
                  " <a href='wifi://001122333c4d'>O&#39;Hare &quot;T&quot;</a><cite>&lt;img "
                  "src=x onerror=alert(1)&gt;, a&amp;b, &lt;M&gt;</cite><br/>");
}

// A name shows as its characters whatever character set the page is taken in; a
// name that is not UTF-8 is read as Windows-1252.
TEST(ScannerRows, NetworkNamesInUtf8AreWrittenAsCharacterReferences) {
    struct Case {
        const char* ssidList;
        const char* shown;
    };
    const Case cases[] = {
        {"Campus", "Campus"},
        {"Caf\xc3\xa9", "Caf&#233;"},                                         // Latin-1 range
        {"Caf\xc3\xa9 \xe2\x98\x95", "Caf&#233; &#9749;"},                    // emoji
        {"\xe5\x9b\xb3\xe6\x9b\xb8\xe9\xa4\xa8", "&#22259;&#26360;&#39208;"}, // CJK
        {"Hi \xf0\x9f\x98\x80", "Hi &#128512;"},                              // four bytes
        {"<Caf\xc3\xa9 & \xe8\x8c\xb6>", "&lt;Caf&#233; &amp; &#33590;&gt;"},
        // Not UTF-8: a Windows code page, a cut sequence, an overlong form, a surrogate.
        {"Caf\xe9 <1>", "Caf&#233; &lt;1&gt;"},
        {"Caf\xc3", "Caf&#195;"},
        {"\xc0\xbc\xc3\xa9", "&#192;&#188;&#195;&#169;"},
        {"\xed\xa0\x80\xc3\xa9", "&#237;&#160;&#8364;&#195;&#169;"},
        // Each name of a list on its own.
        {"Caf\xc3\xa9, Caf\xe9", "Caf&#233;, Caf&#233;"},
    };
    AccessPointEntry e = entry();
    for (const Case& c : cases) {
        e.ssidList = c.ssidList;
        const std::string row = fullRow(e, 0, 100, ScannerView());
        const std::string cite = row.substr(row.find("<cite>"));
        EXPECT_EQ(cite, std::string("<cite>") + c.shown + "</cite></td></tr></table>")
            << c.ssidList;
    }
}

TEST(ScannerRows, ThePageAroundTheRows) {
    const std::string head =
        "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=utf-8\"><style>body {font:8pt Verdana;} a {text-decoration:none;color:black;} img "
        "{margin-top:2px;} cite {color:#999999; font-size:7pt; font-style:normal; "
        "margin-left:4px; } p {margin-bottom:-0.6em;}</style><base href='file://C:\\Apps\\' "
        "/></head><body>";
    EXPECT_EQ(scannerPage("<p>row</p>", "C:\\Apps\\"), head + "<p>row</p></body></html>");
    EXPECT_EQ(scannerPage("", "C:\\Apps\\"),
              head + "<p> &nbsp; No access points detected yet.</p></body></html>");
}

} // namespace
} // namespace nearbeam
