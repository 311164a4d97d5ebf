// The HTML display control: the page file it writes and the links it reports.

#include "display_driver.h"

#include <gtest/gtest.h>

#include <mshtmhst.h>

#include <string>
#include <vector>

namespace nearbeam::test {
namespace {

constexpr int kControlId = 77;

// A parent that records the links it is told about and answers with `take`.
struct Parent {
    std::vector<std::string> links;
    std::vector<UINT_PTR> ids;
    LRESULT take = 1;
};
Parent* parent = nullptr;

LRESULT CALLBACK parentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && parent) {
        const auto* notify = reinterpret_cast<const DisplayLinkNotify*>(lParam);
        if (notify->header.code == DISPLAY_LINK) {
            parent->links.push_back(notify->url);
            parent->ids.push_back(notify->header.idFrom);
            EXPECT_EQ(wParam, notify->header.idFrom);
            return parent->take;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class DisplayControl : public ::testing::Test {
  protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(registerDisplayClass(instance));
        ASSERT_TRUE(registerDisplayClass(instance)); // a second time finds the class
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = parentProcedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"displayTestParent";
        RegisterClassW(&windowClass);
        frame = CreateWindowExW(0, L"displayTestParent", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300,
                                nullptr, nullptr, instance, nullptr);
        control = CreateWindowExW(0, kDisplayClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 280, 280,
                                  frame, reinterpret_cast<HMENU>(kControlId), instance, nullptr);
        ASSERT_NE(control, nullptr);
        parent = &recorded;
    }
    void TearDown() override {
        parent = nullptr;
        DestroyWindow(frame);
    }
    void send(UINT message, const char* text = nullptr) {
        EXPECT_EQ(SendMessageW(control, message, 1, reinterpret_cast<LPARAM>(text)), 0);
    }

    Parent recorded;
    HWND frame = nullptr;
    HWND control = nullptr;
};

TEST_F(DisplayControl, ShowWritesThePageAsAppendedToTheFileBesideTheProgram) {
    send(DISPLAY_CLEAR);
    send(DISPLAY_APPEND, "<b>Caf\xe9</b>");
    send(DISPLAY_APPEND, " &amp; more");
    send(DISPLAY_SHOW);
    EXPECT_EQ(pageFile(), "<b>Caf\xe9</b> &amp; more");
    send(DISPLAY_SHOW); // the page stays after a show
    EXPECT_EQ(pageFile(), "<b>Caf\xe9</b> &amp; more");
    send(DISPLAY_CLEAR);
    send(DISPLAY_SHOW);
    EXPECT_EQ(pageFile(), "");
}

TEST_F(DisplayControl, LinksReachTheParentWhichDecidesTheNavigation) {
    EXPECT_EQ(beforeNavigate(control, L"http://example.org/a?b=c"), VARIANT_TRUE);
    recorded.take = 0;
    EXPECT_EQ(beforeNavigate(control, L"mailto:x@example.org", VARIANT_TRUE), VARIANT_FALSE);
    // The control's own page and drive paths load without asking.
    EXPECT_EQ(beforeNavigate(control, L"file:///C:/x.html"), VARIANT_FALSE);
    EXPECT_EQ(beforeNavigate(control, L"C:\\x.html", VARIANT_TRUE), VARIANT_TRUE);
    EXPECT_EQ(recorded.links,
              (std::vector<std::string>{"http://example.org/a?b=c", "mailto:x@example.org"}));
    EXPECT_EQ(recorded.ids, (std::vector<UINT_PTR>{kControlId, kControlId}));
}

TEST_F(DisplayControl, TheHostAnswersAsAMinimalContainer) {
    BrowserHost* host = displayBrowserHost(control);
    ASSERT_NE(host, nullptr);
    struct Case {
        const IID& iid;
        HRESULT result;
    };
    const Case cases[] = {
        {IID_IUnknown, S_OK},
        {IID_IOleClientSite, S_OK},
        {IID_IOleInPlaceSite, S_OK},
        {IID_IDocHostUIHandler, S_OK},
        {DIID_DWebBrowserEvents2, S_OK},
        {IID_IDispatch, E_NOINTERFACE},
        {IID_IOleInPlaceFrame, E_NOINTERFACE},
        {IID_IStorage, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(host->QueryInterface(c.iid, &object), c.result);
        EXPECT_EQ(object == nullptr, c.result != S_OK);
    }

    DOCHOSTUIINFO info = {};
    info.pchHostCss = reinterpret_cast<OLECHAR*>(1);
    EXPECT_EQ(host->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER));
    EXPECT_EQ(info.dwDoubleClick, static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT));
    EXPECT_EQ(info.pchHostCss, reinterpret_cast<OLECHAR*>(1)); // left as it was

    IOleInPlaceFrame* inPlaceFrame = nullptr;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO frameInfo = {};
    EXPECT_EQ(host->GetWindowContext(&inPlaceFrame, &document, &position, &clip, &frameInfo), S_OK);
    ASSERT_NE(inPlaceFrame, nullptr);
    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(frameInfo.hwndFrame, control);
    EXPECT_EQ(position.right, 280);
    HWND window = nullptr;
    EXPECT_EQ(inPlaceFrame->GetWindow(&window), S_OK);
    EXPECT_EQ(window, control);
    void* none = nullptr;
    EXPECT_EQ(inPlaceFrame->QueryInterface(IID_IUnknown, &none), E_NOTIMPL);
    EXPECT_EQ(host->AddRef(), 1u);
    EXPECT_EQ(host->Release(), 1u);
}

} // namespace
} // namespace nearbeam::test
