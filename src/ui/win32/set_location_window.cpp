#include "ui/win32/set_location_window.h"

#include "base/text.h"
#include "resource.h"
#include "ui/set_location_wizard.h"
#include "ui/win32/controls.h"
#include "ui/win32/display_control.h"
#include "ui/win32/messages.h"
#include "ui/win32/tool_window.h"

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

namespace nearbeam {

// One opening of the wizard: its decisions and its windows.
struct SetLocationSession {
    SetLocationSession(SetLocationContext& context, const BssidKey& key, LocationRecord* record)
        : context(context), model(context.database, key, record,
                                  context.heard ? context.heard() : std::vector<ScanReading>()) {}

    SetLocationContext& context;
    SetLocationWizard model;
    HWND frame = nullptr;
    std::array<HWND, 3> pages{}; // by WizardPage; none until first shown
    WizardPage current = WizardPage::Place;
    // Set while a page writes its own fields, whose change notices are not the user's.
    bool filling = false;
};

namespace {

// Marks the session as filling its fields for as long as it lives.
class Filling {
  public:
    explicit Filling(SetLocationSession& session) : session_(session) { session_.filling = true; }
    ~Filling() { session_.filling = false; }
    Filling(const Filling&) = delete;
    Filling& operator=(const Filling&) = delete;

  private:
    SetLocationSession& session_;
};

} // namespace

namespace {

const wchar_t* const kClassName = L"dlgSetLocation";
const wchar_t* const kTitle = L"Where Am I?";

INT_PTR CALLBACK placeProcedure(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK areaProcedure(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK buildingProcedure(HWND, UINT, WPARAM, LPARAM);

size_t indexOf(WizardPage page) {
    return static_cast<size_t>(page);
}

// Each page's template and procedure, by WizardPage.
struct PageKind {
    int templateId;
    DLGPROC procedure;
};
const PageKind kPages[] = {{IDD_WIZARD_PLACE, placeProcedure},
                           {IDD_WIZARD_AREA, areaProcedure},
                           {IDD_WIZARD_BUILDING, buildingProcedure}};

int templateOf(WizardPage page) {
    return kPages[indexOf(page)].templateId;
}

DLGPROC procedureOf(WizardPage page) {
    return kPages[indexOf(page)].procedure;
}

SetLocationSession* sessionOf(HWND page) {
    return reinterpret_cast<SetLocationSession*>(GetWindowLongPtrW(page, DWLP_USER));
}

// The whole text of a field (a name chosen from a list may be longer than the
// 31 characters the user can type).
std::string field(HWND page, int id) {
    return narrow(fieldText(page, id));
}

// The text a combo box's change notice is about: the chosen item's, or the field's
// when nothing is chosen.
std::string changedText(HWND page, int id, WORD code) {
    const int chosen = comboSelection(page, id);
    if (code != CBN_SELCHANGE || chosen < 0)
        return field(page, id);
    return narrow(comboItemText(page, id, chosen));
}

void setField(HWND page, int id, const std::string& text) {
    setFieldText(page, id, widen(text));
}

std::vector<std::wstring> widened(const std::vector<std::string>& items) {
    std::vector<std::wstring> wide;
    wide.reserve(items.size());
    for (const std::string& item : items)
        wide.push_back(widen(item));
    return wide;
}

// Emptying a combo box's list empties its field too; the field is then set.
void fillCombo(HWND page, int id, const ComboContent& content) {
    nearbeam::fillCombo(page, id, widened(content.items));
    setField(page, id, content.text);
}

void limitFields(HWND page, std::initializer_list<int> ids) {
    for (int id : ids)
        limitField(page, id, SetLocationWizard::kFieldChars);
}

bool isChange(WORD code) {
    return code == CBN_SELCHANGE || code == CBN_EDITCHANGE;
}

void showMessage(const SetLocationSession& session, const WizardMessage& message) {
    MessageBoxW(session.frame, message.text.c_str(), message.caption.c_str(), MB_OK);
}

// Stores the page's window and session; the page fills its fields next.
void attach(HWND page, SetLocationSession& session, WizardPage which) {
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(&session));
    session.pages[indexOf(which)] = page;
    fillFrame(session.frame, page);
}

void showPage(SetLocationSession& session, WizardPage page) {
    const WizardPage previous = session.current;
    if (HWND old = session.pages[indexOf(previous)])
        ShowWindow(old, SW_HIDE);
    session.current = page;
    if (!session.pages[indexOf(page)] &&
        !CreateDialogParamW(session.context.instance, MAKEINTRESOURCEW(templateOf(page)),
                            session.frame, procedureOf(page), reinterpret_cast<LPARAM>(&session))) {
        showErrorBox(L"Error creating window", kTitle, -1);
        session.current = previous;
        page = previous;
    }
    if (HWND shown = session.pages[indexOf(page)]) {
        ShowWindow(shown, SW_SHOW);
        SetFocus(GetNextDlgTabItem(shown, nullptr, FALSE));
    }
}

// --- Place page ---

void applyCountryChange(HWND page, SetLocationSession& session, const std::string& country) {
    const SetLocationWizard::CountryChange change = session.model.countryChanged(country);
    const Filling filling(session);
    fillCombo(page, IDC_WIZARD_PROVINCE, change.provinces);
    fillCombo(page, IDC_WIZARD_CITY, change.cities);
}

void initPlace(HWND page, SetLocationSession& session) {
    attach(page, session, WizardPage::Place);
    {
        const Filling filling(session);
        limitFields(page, {IDC_WIZARD_COUNTRY, IDC_WIZARD_PROVINCE, IDC_WIZARD_CITY});
        addComboItems(page, IDC_WIZARD_COUNTRY, widened(session.model.countries()));
        const std::vector<std::string> texts = session.model.placeTexts();
        setField(page, IDC_WIZARD_COUNTRY, texts[0]);
        setField(page, IDC_WIZARD_PROVINCE, texts[1]);
        setField(page, IDC_WIZARD_CITY, texts[2]);
    }
    if (session.model.country())
        applyCountryChange(page, session, field(page, IDC_WIZARD_COUNTRY));
}

void refreshArea(HWND page, SetLocationSession& session);
void refreshBuildingList(HWND page, SetLocationSession& session);

void placeCommand(HWND page, SetLocationSession& session, WORD id, WORD code) {
    if (id == IDC_WIZARD_COUNTRY && isChange(code)) {
        applyCountryChange(page, session, changedText(page, id, code));
    } else if (id == IDC_WIZARD_PROVINCE && isChange(code)) {
        const ComboContent cities = session.model.provinceChanged(changedText(page, id, code));
        const Filling filling(session);
        fillCombo(page, IDC_WIZARD_CITY, cities);
    } else if (id == IDC_WIZARD_NEXT) {
        if (auto message = session.model.placeNext(field(page, IDC_WIZARD_COUNTRY),
                                                   field(page, IDC_WIZARD_PROVINCE),
                                                   field(page, IDC_WIZARD_CITY))) {
            showMessage(session, *message);
            return;
        }
        if (HWND area = session.pages[indexOf(WizardPage::Area)])
            refreshArea(area, session);
        showPage(session, WizardPage::Area);
    }
}

// --- Area page ---

void refreshArea(HWND page, SetLocationSession& session) {
    const Filling filling(session);
    if (session.model.city())
        setFieldText(page, IDC_WIZARD_CITY_LABEL, session.model.areaLabel());
    limitFields(page, {IDC_WIZARD_AREA});
    fillCombo(page, IDC_WIZARD_AREA, session.model.areaView());
}

void areaCommand(HWND page, SetLocationSession& session, WORD id) {
    if (id == IDC_WIZARD_BACK) {
        showPage(session, WizardPage::Place);
    } else if (id == IDC_WIZARD_NEXT) {
        session.model.areaNext(field(page, IDC_WIZARD_AREA));
        if (HWND building = session.pages[indexOf(WizardPage::Building)])
            refreshBuildingList(building, session);
        showPage(session, WizardPage::Building);
    }
}

// --- Building page ---

void showStreetAddress(HWND page, SetLocationSession& session,
                       const std::optional<std::string>& address) {
    if (!address)
        return;
    const Filling filling(session);
    setField(page, IDC_WIZARD_STREET, *address);
}

void initBuilding(HWND page, SetLocationSession& session) {
    attach(page, session, WizardPage::Building);
    const Filling filling(session);
    limitFields(page,
                {IDC_WIZARD_BUILDING, IDC_WIZARD_STREET, IDC_WIZARD_FLOOR, IDC_WIZARD_LOCATION});
    const SetLocationWizard::BuildingView view = session.model.buildingView();
    addComboItems(page, IDC_WIZARD_BUILDING, widened(view.buildings));
    addComboItems(page, IDC_WIZARD_FLOOR, widened(SetLocationWizard::floorChoices()));
    if (view.building)
        setField(page, IDC_WIZARD_BUILDING, *view.building);
    if (view.streetAddress)
        setField(page, IDC_WIZARD_STREET, *view.streetAddress);
    if (view.floor)
        setField(page, IDC_WIZARD_FLOOR, *view.floor);
    if (view.location)
        setField(page, IDC_WIZARD_LOCATION, *view.location);
    std::wstring note = session.model.keptHereNote();
    if (!session.model.scanNote().empty())
        note += (note.empty() ? L"" : L" ") + session.model.scanNote();
    setFieldText(page, IDC_WIZARD_KEPT_HERE, note);
}

// Back from the Area page with another area (or city): the list follows it, the
// fields stay as the user left them, and the building is looked for again.
void refreshBuildingList(HWND page, SetLocationSession& session) {
    const std::string building = field(page, IDC_WIZARD_BUILDING);
    {
        const Filling filling(session);
        fillCombo(page, IDC_WIZARD_BUILDING, {session.model.buildingNames(), building});
    }
    showStreetAddress(page, session, session.model.buildingChanged(building));
}

void buildingCommand(HWND page, SetLocationSession& session, WORD id, WORD code) {
    if (id == IDC_WIZARD_BUILDING && isChange(code)) {
        showStreetAddress(page, session,
                          session.model.buildingChanged(changedText(page, id, code)));
    } else if (id == IDC_WIZARD_BACK) {
        showPage(session, WizardPage::Area);
    } else if (id == IDC_WIZARD_FINISH) {
        const BuildingFields fields{field(page, IDC_WIZARD_BUILDING),
                                    field(page, IDC_WIZARD_STREET), field(page, IDC_WIZARD_FLOOR),
                                    field(page, IDC_WIZARD_LOCATION)};
        const SetLocationContext& context = session.context;
        if (auto question = session.model.stillHereQuestion(
                fields, context.heard ? context.heard() : std::vector<ScanReading>())) {
            if (MessageBoxW(session.frame, question->text.c_str(), question->caption.c_str(),
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
                showMessage(session, SetLocationWizard::finishRefused());
                return;
            }
        }
        if (auto message = session.model.finish(fields)) {
            showMessage(session, *message);
            return;
        }
        const std::function<void(const BssidKey&)> saved = session.context.saved;
        const BssidKey key = session.model.key();
        DestroyWindow(session.frame); // this page goes with it
        if (saved)
            saved(key);
    }
}

// --- The pages' procedures ---

using InitPage = void (*)(HWND, SetLocationSession&);
using PageCommand = void (*)(HWND, SetLocationSession&, WORD id, WORD code);

INT_PTR pageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, InitPage init,
                    PageCommand command) {
    switch (message) {
    case WM_INITDIALOG:
        // The first page, made by the tool window, gets its session afterwards.
        if (lParam)
            init(page, *reinterpret_cast<SetLocationSession*>(lParam));
        return TRUE;
    case message::WizardAttach:
        init(page, *reinterpret_cast<SetLocationSession*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        SetLocationSession* session = sessionOf(page);
        if (!session || session->filling)
            return FALSE;
        // Cancel and Escape: closed as it is, nothing saved.
        if (LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(session->frame);
            return TRUE;
        }
        command(page, *session, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK placeProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return pageMessage(page, message, wParam, lParam, initPlace, placeCommand);
}

INT_PTR CALLBACK areaProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return pageMessage(
        page, message, wParam, lParam,
        [](HWND p, SetLocationSession& s) {
            attach(p, s, WizardPage::Area);
            refreshArea(p, s);
        },
        [](HWND p, SetLocationSession& s, WORD id, WORD) { areaCommand(p, s, id); });
}

INT_PTR CALLBACK buildingProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return pageMessage(page, message, wParam, lParam, initBuilding, buildingCommand);
}

// --- The frame ---

LRESULT CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<SetLocationSession*>(GetWindowLongPtrW(frame, GWLP_USERDATA));
    switch (message) {
    case WM_CREATE: {
        // Neither resized nor maximised: the pages have one size.
        const LONG_PTR style = GetWindowLongPtrW(frame, GWL_STYLE);
        SetWindowLongPtrW(frame, GWL_STYLE, style & ~LONG_PTR(WS_THICKFRAME | WS_MAXIMIZEBOX));
        SetWindowPos(frame, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_SIZE:
        // Minimising closes the wizard without saving.
        if (wParam == SIZE_MINIMIZED)
            DestroyWindow(frame);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_SCANNER) {
            if (session && session->context.scanner)
                session->context.scanner();
            return 1;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && session) {
            if (HWND page = session->pages[indexOf(session->current)])
                SetFocus(GetNextDlgTabItem(page, nullptr, FALSE));
        }
        return 0;
    case WM_SETTINGCHANGE:
        return 0;
    case WM_DESTROY:
        if (session) {
            session->frame = nullptr;
            session->pages = {};
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

} // namespace

SetLocationContext::SetLocationContext(HINSTANCE instance, LocationDatabase& database)
    : instance(instance), database(database) {}

SetLocationContext::~SetLocationContext() {
    if (session && session->frame)
        DestroyWindow(session->frame);
}

HWND setLocationWindow(const SetLocationContext& context) {
    return context.session ? context.session->frame : nullptr;
}

bool openSetLocationWizard(SetLocationContext& context, const BssidKey& key) {
    if (HWND open = setLocationWindow(context)) {
        if (context.session->model.key() == key) {
            bringForward(open);
            return true;
        }
        DestroyWindow(open);
    }
    LocationRecord* record = context.database.locations().find(key);
    context.session = std::make_unique<SetLocationSession>(context, key, record);
    SetLocationSession& session = *context.session;
    session.current = session.model.firstPage();
    HWND frame =
        openToolWindow(context.instance, kClassName, kTitle, IDI_NEARBEAM, IDM_SET_LOCATION_MENU,
                       templateOf(session.current), frameProcedure, procedureOf(session.current));
    if (!frame) {
        showErrorBox(L"Error creating window", kTitle, -1);
        return false;
    }
    session.frame = frame;
    SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
    HWND page = GetWindow(frame, GW_CHILD);
    SendMessageW(page, message::WizardAttach, 0, reinterpret_cast<LPARAM>(&session));
    SetFocus(GetNextDlgTabItem(page, nullptr, FALSE));
    return true;
}

} // namespace nearbeam
