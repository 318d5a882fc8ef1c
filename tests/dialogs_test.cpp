// The status editor, the notices and the About box, answered by the robot;
// what the editor changed is saved and loaded through the real registry.
#include "test_support.h"

#include "app/main_dialog.h"
#include "dialogs/dialogs.h"
#include "home_url.h"
#include "resource.h"
#include "store/status_store.h"

#include <algorithm>
#include <filesystem>
#include <regex>

static const std::wstring Icq = L"12345";

class Dialogs : public TestBed {
protected:
    Dialogs() : TestBed(Icq.c_str()) { PutKey(HKEY_CURRENT_USER, ListKeyPath(Icq)); }
    void Select(int row) { SendMessageW(main->List(), LVM_SETSELECTIONMARK, 0, row); }
    // Saves and loads again, as the next start would see the list.
    void SaveAndReload()
    {
        ASSERT_EQ(SaveAll(), 0);
        StatusList.Count = 0;
        ASSERT_EQ(LoadAll(), 0);
    }
    // The row that is selected, focused, marked and in view alike (-2 where they differ).
    int Placed() const
    {
        HWND list = main->List();
        int mark = (int)SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0);
        RECT row = {LVIR_BOUNDS, 0, 0, 0}, client;
        bool seen = GetClientRect(list, &client) && SendMessageW(list, LVM_GETITEMRECT, mark, (LPARAM)&row) &&
                    row.top >= 0 && row.bottom <= client.bottom;
        return mark == SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED | LVNI_FOCUSED) && seen ? mark : -2;
    }
    std::vector<int> Icons() const
    {
        std::vector<int> icons;
        for (const StatusRecord &record : Records(StatusList))
            icons.push_back(record.IconIndex);
        return icons;
    }
};

// Picks an icon in the editor's picker.
static Action PickIcon(int icon)
{
    return [icon](HWND editor) {
        HWND list = (HWND)SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
        SendMessageW(list, CB_SETCURSEL, icon - 1, 0);
    };
}

static int PickedIcon(HWND editor)
{
    HWND list = (HWND)SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
    return (int)SendMessageW(list, CB_GETCURSEL, 0, 0) + 1;
}

static LONG FontWeight(HWND control)
{
    LOGFONTW font = {};
    GetObjectW((HFONT)SendMessageW(control, WM_GETFONT, 0, 0), sizeof font, &font);
    return font.lfWeight;
}

/* ---- Notices and About box ---------------------------------------------- */

TEST_F(Dialogs, NoticeTextsAndBoldTitles)
{
    struct Notice {
        int id;
        const wchar_t *key;
        std::wstring title, box;
        std::vector<std::wstring> labels;
    } notices[] = {
        {IDD_NOTICE_OLD_ICQ, L"1",
         L"Program Orbelan! NENÍ plně kompatibilní s ICQ Lite verze starší než 5.1. (Máte-li ICQ 5.1, můžete tuto "
         L"zprávu ignorovat)",
         L"Příště nezobrazovat",
         {L"Kvůli drobným změnám ve struktuře tato verze programu Orbelan! nedokáže správně uložit data, aby "
          L"odpovídala starší verzi ICQ Lite.",
          L"Proto je důrazně doporučeno před použitím tohoto programu stáhnout ICQ Lite verze 5.1."}},
        {IDD_NOTICE_HIGH_ICONS, L"2", L"Ikonky s číslem větším než 29 neuvidí lidé, kteří používají ICQLite verze 5.0",
         L"Příště nezobrazovat",
         {L"Tyto ikony uvidí pouze uživatelé ICQLite 5.1, popř. uživatelé jiných klientů. Ostatní vás uvidí jako "
          L"Online."}},
        {IDD_NOTICE_NO_SERVER, L"3", L"Nepodařilo se připojit k serveru pro zjištění nejnovější verze.",
         L"Nikdy nezobrazovat toto upozornění (nedoporučuje se)",
         {L"Zkontrolujte stránku " ORBELAN_HOME_URL L"/ a pokud se vám podaří ji úspěšně načíst, jde patrně o chybu "
          L"programu a informujte výrobce.",
          L"Pokud se načtení stránky nezdaří, jde patrně o chybu obecnou, či chybu na vaší straně, ale informovat "
          L"mě můžete stejně ;-)"}},
    };
    for (const Notice &notice : notices) {
        SCOPED_TRACE(notice.id);
        HFONT bold = NULL;
        UiRobot robot;
        robot.Then(Steps({[&](HWND window) {
                              EXPECT_EQ(FontWeight(GetDlgItem(window, IDC_NOTICE_TITLE)), FW_BOLD);
                              EXPECT_LT(FontWeight(GetDlgItem(window, IDC_DONT_SHOW_AGAIN)), FW_BOLD);
                              bold = (HFONT)SendDlgItemMessageW(window, IDC_NOTICE_TITLE, WM_GETFONT, 0, 0);
                          },
                          Press(IDOK)}));
        ShowNoticeOnce(notice.id, notice.key, main->Window());
        ASSERT_EQ(robot.Seen().size(), 1u);
        const Shown &shown = robot.Seen()[0];
        EXPECT_EQ(shown.caption, L"Orbelan!");
        EXPECT_EQ(shown.owner, main->Window());
        EXPECT_EQ(shown.ControlText(IDC_NOTICE_TITLE), notice.title);
        EXPECT_EQ(shown.ControlText(IDC_DONT_SHOW_AGAIN), notice.box);
        EXPECT_EQ(shown.ControlText(IDOK), L"OK");
        std::vector<std::wstring> labels;
        for (const Control &control : shown.controls)
            if (control.id == -1 || control.id == 0xFFFF)
                labels.push_back(control.text);
        EXPECT_EQ(labels, notice.labels);
        EXPECT_EQ(Ini(L"Infos", notice.key), L"0");
        EXPECT_EQ(GetObjectType(bold), 0u) << "the bold font is released with its dialog";
    }
}

TEST_F(Dialogs, NoticeRuleFollowsTheSettingsFile)
{
    // Absent or 0: shown; the box's state is stored, by OK, Esc or the
    // close box alike.
    const std::vector<std::pair<Action, const wchar_t *>> ends = {
        {Steps({Tick(IDC_DONT_SHOW_AGAIN), Escape()}), L"1"},
        {CloseBox(), L"0"},
        {Steps({Tick(IDC_DONT_SHOW_AGAIN), CloseBox()}), L"1"},
        {Steps({Tick(IDC_DONT_SHOW_AGAIN), Press(IDOK)}), L"1"},
    };
    for (const auto &end : ends) {
        SetIni(L"Infos", L"2", L"0");
        UiRobot robot;
        robot.Then(end.first);
        ShowNoticeOnce(IDD_NOTICE_HIGH_ICONS, L"2", main->Window());
        EXPECT_EQ(robot.Seen().size(), 1u);
        EXPECT_EQ(Ini(L"Infos", L"2"), end.second);
    }
    // Any other value, written by hand, keeps the notice away.
    for (const wchar_t *value : {L"1", L"2", L"-1", L"7abc"}) {
        SetIni(L"Infos", L"2", value);
        UiRobot robot; // nothing may come up
        ShowNoticeOnce(IDD_NOTICE_HIGH_ICONS, L"2", main->Window());
        EXPECT_TRUE(robot.Seen().empty()) << Narrow(value);
        EXPECT_EQ(Ini(L"Infos", L"2"), value);
    }
}

TEST_F(Dialogs, AboutBox)
{
    POINT about = {};
    HFONT bold = NULL;
    HBITMAP picture = NULL;
    UiRobot robot;
    robot.Then(Steps({[&](HWND window) {
                          ClientToScreen(window, &about);
                          for (HWND child = GetWindow(window, GW_CHILD); child && !picture;
                               child = GetWindow(child, GW_HWNDNEXT))
                              picture = (HBITMAP)SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0);
                          EXPECT_EQ(FontWeight(GetDlgItem(window, IDC_ABOUT_TITLE)), FW_BOLD);
                          EXPECT_LT(FontWeight(GetDlgItem(window, IDC_ABOUT_VERSION)), FW_BOLD);
                          bold = (HFONT)SendDlgItemMessageW(window, IDC_ABOUT_TITLE, WM_GETFONT, 0, 0);
                      },
                      Escape()}));
    ShowWindow(main->Window(), SW_SHOWNA);
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ABOUT), main->Window(),
                                     AboutDialog, 0);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &shown = robot.Seen()[0];
    EXPECT_EQ(shown.caption, L"O programu Orbelan!");
    EXPECT_EQ(shown.ControlText(IDC_ABOUT_TITLE), L"Orbelan");
    EXPECT_EQ(shown.ControlText(IDC_ABOUT_VERSION), L"verze 1.06a (Jul  1 2006)");
    // The template places it at 0, 0 of the owner's client area: the
    // system lays its frame around that, so the two client areas meet.
    POINT corner = {0, 0};
    ClientToScreen(main->Window(), &corner);
    EXPECT_EQ(about.x, corner.x);
    EXPECT_EQ(about.y, corner.y);
    EXPECT_EQ(GetObjectType(bold), 0u);
    EXPECT_EQ(GetObjectType(picture), 0u) << "the picture outlives the About box";
}

/* ---- Layout ------------------------------------------------------------- */

// Checks that every text label of a window shows its whole text at its own
// font: measured as the label wraps it, within the label's client area.
static void ExpectLabelsFit(HWND window, const char *dialog)
{
    int measured = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = L"", text[1024] = L"";
        GetClassNameW(child, className, 32);
        DWORD style = (DWORD)GetWindowLongW(child, GWL_STYLE);
        DWORD type = style & SS_TYPEMASK;
        bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
        if (lstrcmpiW(className, L"Static") || !(wraps || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) ||
            !GetWindowTextW(child, text, 1024))
            continue;
        RECT client;
        GetClientRect(child, &client);
        int needed = LabelTextHeight(child, wraps);
        measured++;
        EXPECT_LE(needed, client.bottom) << dialog << ", control " << (short)GetDlgCtrlID(child) << " \""
                                         << Narrow(text) << "\": needs " << needed << " px of height (INT_MAX: "
                                         << "wider than its " << client.right << " px), has " << client.bottom;
    }
    EXPECT_GT(measured, 0) << dialog << ": no label measured";

    // Every control lies inside the window, and no two overlap (by more
    // than the pixel that rounding dialog units to pixels may give).
    RECT client;
    GetClientRect(window, &client);
    std::vector<std::pair<HWND, RECT>> boxes;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box, common;
        GetWindowRect(child, &box);
        MapWindowPoints(NULL, window, reinterpret_cast<POINT *>(&box), 2);
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= client.right && box.bottom <= client.bottom)
            << dialog << ", control " << (short)GetDlgCtrlID(child) << " \"" << Narrow(WindowText(child))
            << "\" reaches " << box.right << ", " << box.bottom << " of " << client.right << " x " << client.bottom;
        for (const auto &other : boxes)
            EXPECT_FALSE(IntersectRect(&common, &box, &other.second) && common.right - common.left > 1 &&
                         common.bottom - common.top > 1)
                << dialog << ": control " << (short)GetDlgCtrlID(child) << " \"" << Narrow(WindowText(child))
                << "\" overlaps control " << (short)GetDlgCtrlID(other.first) << " \""
                << Narrow(WindowText(other.first)) << "\"";
        boxes.push_back({child, box});
    }
}

// Gives the main window's home-page label the widest address the build
// accepts: 100 characters, "https://" and the label font's widest character
// that an address may hold.
static void ShowWidestHomeAddress(HWND window)
{
    const std::wstring label = L"Domovská stránka programu: ";
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowText(child).rfind(label, 0) != 0)
            continue;
        HDC dc = GetDC(child);
        HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(child, WM_GETFONT, 0, 0));
        wchar_t widest = L'x';
        SIZE most = {}, size;
        for (wchar_t c = L'!'; c <= L'~'; c++)
            if ((iswalnum(c) || wcschr(L"._~%-", c)) && GetTextExtentPoint32W(dc, &c, 1, &size) && size.cx > most.cx) {
                most = size;
                widest = c;
            }
        SelectObject(dc, previous);
        ReleaseDC(child, dc);
        const std::wstring address = L"https://" + std::wstring(92, widest);
        SetWindowTextW(child, (label + address).c_str());
        FitHomePageLabel(window);
        // Its line breaks before the address, not inside it.
        EXPECT_EQ(WindowText(child), L"Domovská stránka programu:\r\n" + address);
    }
}

TEST_F(Dialogs, EveryLabelShowsItsWholeText)
{
    // Each window as the program opens it, with its own procedure; the
    // main window and the input box last, as the real main window takes
    // over from the test's.
    const std::pair<const char *, std::function<void()>> windows[] = {
        {"status editor 106", [] { AddStatus(); }},
        {"notice 107", [&] { ShowNoticeOnce(IDD_NOTICE_OLD_ICQ, L"1", main->Window()); }},
        {"notice 108", [&] { ShowNoticeOnce(IDD_NOTICE_HIGH_ICONS, L"2", main->Window()); }},
        {"notice 109", [&] { ShowNoticeOnce(IDD_NOTICE_NO_SERVER, L"3", main->Window()); }},
        {"About box 110",
         [&] {
             DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ABOUT), main->Window(), AboutDialog, 0);
         }},
        // "Away" is the longer of the two states the prompt names.
        {"default message 111",
         [] {
             PutKey(HKEY_LOCAL_MACHINE, L"Software\\Mirabilis\\ICQ\\NewOwners\\" + Icq + L"\\ICQLite",
                    {{L"AwayStatusText", Binary(std::string(8192, '\0'))}});
             ChangeICQMessage(L"Away");
         }},
        {"main window 101",
         [&] {
             main.reset();
             ResetProgramState();
             UseExeSettings(Icq.c_str());
             RunMainWindow();
         }},
        {"input box", [&] {
             ResetProgramState();
             UseExeSettings(L""); // no account yet: the main window asks for one
             RunMainWindow();
         }},
    };
    for (const auto &window : windows) {
        const char *dialog = window.first;
        UiRobot robot;
        robot.Then(Steps({ShowWidestHomeAddress, [dialog](HWND shown) { ExpectLabelsFit(shown, dialog); }, Escape()}));
        window.second();
        EXPECT_EQ(robot.Seen().size(), 1u) << dialog;
    }
}

/* ---- The status editor --------------------------------------------------- */

TEST_F(Dialogs, AddOpensAFreshRecordAndAppends)
{
    SetRecords(StatusList, {Record(3, L"tři")});
    FillStatusListView();
    UiRobot robot;
    robot.Then(Steps({[](HWND editor) {
                          EXPECT_EQ(PickedIcon(editor), 1);
                          HWND picker = GetDlgItem(editor, IDC_ICON_PICKER);
                          HWND list = (HWND)SendMessageW(picker, CBEM_GETCOMBOCONTROL, 0, 0);
                          ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 32);
                          EXPECT_EQ((HIMAGELIST)SendMessageW(picker, CBEM_GETIMAGELIST, 0, 0), StatusImageList);
                          for (int i = 0; i < 32; i++) {
                              wchar_t text[64] = L"";
                              COMBOBOXEXITEMW item = {};
                              item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
                              item.iItem = i;
                              item.pszText = text;
                              item.cchTextMax = 64;
                              SendMessageW(picker, CBEM_GETITEMW, 0, (LPARAM)&item);
                              EXPECT_EQ(std::wstring(text), i == 2 ? L"3 – tři" : std::to_wstring(i + 1));
                              EXPECT_EQ(item.iImage, i);
                              EXPECT_EQ(item.iSelectedImage, i);
                          }
                          EXPECT_EQ(SendDlgItemMessageW(editor, IDC_STATUS_TITLE, EM_GETLIMITTEXT, 0, 0), 1023);
                          EXPECT_EQ(SendDlgItemMessageW(editor, IDC_STATUS_TEXT, EM_GETLIMITTEXT, 0, 0), 4095);
                      },
                      PickIcon(5), Type(IDC_STATUS_TITLE, L"Pátá"), Type(IDC_STATUS_TEXT, L"řádek\r\nřádek"),
                      Tick(IDC_SHOW_IN_MENU, false), Press(IDOK)}));
    AddStatus();
    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &editor = robot.Seen()[0];
    EXPECT_EQ(editor.caption, L"Upravit status...");
    EXPECT_EQ(editor.owner, main->Window());
    EXPECT_EQ(editor.ControlText(IDC_STATUS_TITLE), L"");
    EXPECT_EQ(editor.ControlText(IDC_STATUS_TEXT), L"");
    EXPECT_EQ(editor.ControlText(IDC_SHOW_IN_MENU), L"Zobrazit v nabídce statusů v ICQ");
    EXPECT_EQ(editor.ControlText(IDCANCEL), L"Storno");

    EXPECT_EQ(StatusListDirty, 1);
    EXPECT_EQ(ReadListView(main->List()).size(), 2u);
    EXPECT_EQ(Placed(), 1) << "the new row";
    ASSERT_NO_FATAL_FAILURE(SaveAndReload());
    EXPECT_EQ(Icons(), (std::vector<int>{3, 5}));
    EXPECT_STREQ(StatusList.Records[1].Name, L"Pátá");
    EXPECT_STREQ(StatusList.Records[1].Description, L"řádek\r\nřádek");
    EXPECT_EQ(StatusList.Records[1].On, 0u);
}

TEST_F(Dialogs, AddStartsTickedAndStornoChangesNothing)
{
    UiRobot robot;
    robot.Then(Steps({[](HWND editor) { EXPECT_EQ(IsDlgButtonChecked(editor, IDC_SHOW_IN_MENU), (UINT)BST_CHECKED); },
                      Type(IDC_STATUS_TITLE, L"x"), Press(IDCANCEL)}))
        .Then(Steps({Type(IDC_STATUS_TITLE, L"y"), Escape()}))
        .Then(CloseBox());
    AddStatus();
    AddStatus();
    AddStatus();
    EXPECT_EQ(StatusList.Count, 0);
    EXPECT_EQ(StatusListDirty, 0);
}

TEST_F(Dialogs, EditInPlaceKeepsThePosition)
{
    SetRecords(StatusList, {Record(1, L"a"), Record(2, L"b", L"text b", 2), Record(3, L"c")});
    FillStatusListView();
    Select(1);
    UiRobot robot;
    robot.Then(Steps({[](HWND editor) {
                          EXPECT_EQ(PickedIcon(editor), 2);
                          // An On that is neither 0 nor 1 still means "in the menu".
                          EXPECT_EQ(IsDlgButtonChecked(editor, IDC_SHOW_IN_MENU), (UINT)BST_CHECKED);
                      },
                      Type(IDC_STATUS_TITLE, L"béčko"), Press(IDOK)}));
    EditStatus();
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].ControlText(IDC_STATUS_TITLE), L"b");
    EXPECT_EQ(robot.Seen()[0].ControlText(IDC_STATUS_TEXT), L"text b");
    EXPECT_EQ(StatusListDirty, 1);
    EXPECT_EQ(Icons(), (std::vector<int>{1, 2, 3}));
    EXPECT_STREQ(StatusList.Records[1].Name, L"béčko");
    EXPECT_EQ(StatusList.Records[1].On, 1u) << "after OK it is 0 or 1";
    EXPECT_EQ(ReadListView(main->List())[1].name, L"béčko");
    EXPECT_EQ(Placed(), 1) << "the edited row";

    // A new icon moves nothing in the list, only the subkey it is saved in.
    Select(0);
    UiRobot again;
    again.Then(Steps({PickIcon(32), Press(IDOK)})).Then(Press(IDOK)); // notice 108
    EditStatus();
    ASSERT_NO_FATAL_FAILURE(SaveAndReload());
    EXPECT_EQ(Icons(), (std::vector<int>{32, 2, 3}));
}

TEST_F(Dialogs, ATakenIconIsRefused)
{
    // The picker names the status that has an icon, its title cut whole
    // characters short; the edited status's own icon shows its number.
    const std::wstring longTitle = std::wstring(23, L'x') + L"\U0001F600z";
    SetRecords(StatusList, {Record(1, L"a"), Record(2, L"b"), Record(3, longTitle.c_str())});
    FillStatusListView();
    Select(1);
    StatusListDirty = 0;
    auto pickerShows = [](HWND editor) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < 4; i++) {
            wchar_t text[64] = L"";
            COMBOBOXEXITEMW item = {};
            item.mask = CBEIF_TEXT;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = 64;
            SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETITEMW, 0, (LPARAM)&item);
            texts.push_back(text);
        }
        EXPECT_EQ(texts, (std::vector<std::wstring>{L"1 – a", L"2", L"3 – " + std::wstring(23, L'x'), L"4"}));
    };
    UiRobot robot;
    robot.Then(Steps({pickerShows, PickIcon(1), Type(IDC_STATUS_TITLE, L"změna"), Press(IDOK),
                      [](HWND editor) { EXPECT_TRUE(IsWindowVisible(editor)) << "the editor stays open"; },
                      Press(IDCANCEL)}))
        .Then(Press(IDOK));
    EditStatus();
    ASSERT_EQ(robot.Seen().size(), 2u);
    const Shown &warning = robot.Seen()[1];
    EXPECT_EQ(warning.text, L"Každá ikonka může být v seznamu zastoupena pouze jednou. Zvolte pro tento status "
                            L"jinou ikonku.");
    EXPECT_EQ(warning.caption, L"Orbelan!");
    EXPECT_EQ(warning.icon, L"warning");
    EXPECT_EQ(warning.buttons, (std::vector<int>{IDOK}));
    EXPECT_EQ(warning.owner, robot.Seen()[0].window) << "owned by the editor";
    EXPECT_STREQ(StatusList.Records[1].Name, L"b");
    EXPECT_EQ(StatusList.Records[1].IconIndex, 2);
    EXPECT_EQ(StatusListDirty, 0);
}

TEST_F(Dialogs, WithAll32IconsNothingCanBeAdded)
{
    SetIni(L"Infos", L"2", L"1");
    for (int icon = 1; icon <= 32; icon++)
        StatusList.Records[StatusList.Count++] = Record(icon, std::to_wstring(icon));
    UiRobot robot;
    robot.Then(Steps({Press(IDOK), PickIcon(17), Press(IDOK), PickIcon(32), Press(IDOK), Press(IDCANCEL)}))
        .Then(Press(IDOK))
        .Then(Press(IDOK))
        .Then(Press(IDOK));
    AddStatus();
    EXPECT_EQ(robot.Seen().size(), 4u);
    EXPECT_EQ(StatusList.Count, 32);
}

TEST_F(Dialogs, HighIconsBringNotice108First)
{
    SetRecords(StatusList, {Record(31, L"obsazená")});
    // Icon 29 never shows the notice.
    UiRobot robot;
    robot.Then(Steps({PickIcon(29), Press(IDOK)}));
    AddStatus();
    EXPECT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(Ini(L"Infos", L"2"), L"<none>");

    // A taken icon above 29: the notice, then the warning, at every OK,
    // until the notice is ticked off.
    UiRobot taken;
    taken.Then(Steps({PickIcon(31), Press(IDOK), Press(IDOK), Press(IDCANCEL)}))
        .Then(Press(IDOK))                                     // notice, unticked
        .Then(Press(IDOK))                                     // warning
        .Then(Steps({Tick(IDC_DONT_SHOW_AGAIN), Press(IDOK)})) // notice, ticked
        .Then(Press(IDOK));                                    // warning
    AddStatus();
    ASSERT_EQ(taken.Seen().size(), 5u);
    EXPECT_EQ(taken.Seen()[1].ControlText(IDC_NOTICE_TITLE),
              L"Ikonky s číslem větším než 29 neuvidí lidé, kteří používají ICQLite verze 5.0");
    EXPECT_EQ(taken.Seen()[1].owner, taken.Seen()[0].window) << "owned by the editor";
    EXPECT_EQ(taken.Seen()[2].icon, L"warning");
    EXPECT_EQ(taken.Seen()[3].ControlText(IDC_NOTICE_TITLE), taken.Seen()[1].ControlText(IDC_NOTICE_TITLE));
    EXPECT_EQ(Ini(L"Infos", L"2"), L"1");
    EXPECT_EQ(StatusList.Count, 2);

    UiRobot quiet;
    quiet.Then(Steps({PickIcon(30), Press(IDOK)}));
    AddStatus();
    EXPECT_EQ(quiet.Seen().size(), 1u) << "ticked off, the notice stays away";
    EXPECT_EQ(StatusList.Count, 3);
}

TEST_F(Dialogs, DeleteAsksAndKeepsTheOrder)
{
    SetRecords(StatusList, {Record(4, L"a"), Record(5, L"b"), Record(6, L"c")});
    FillStatusListView();
    StatusListDirty = 0;
    Select(0);
    UiRobot robot;
    robot.Then(Press(IDNO)).Then(Press(IDYES));
    DeleteStatus();
    EXPECT_EQ(StatusList.Count, 3);
    EXPECT_EQ(StatusListDirty, 0);
    Select(0);
    DeleteStatus();
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].text, L"Opravdu chcete tento záznam odstranit?");
    EXPECT_EQ(robot.Seen()[0].icon, L"question");
    EXPECT_EQ(robot.Seen()[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(robot.Seen()[0].owner, main->Window());
    EXPECT_EQ(Icons(), (std::vector<int>{5, 6}));
    EXPECT_EQ(StatusListDirty, 1);
    EXPECT_EQ(Placed(), 0) << "the row that took its place";
    // The last row deleted, the new last one; undone, the deleted row.
    robot.Then(Press(IDYES));
    Select(1);
    DeleteStatus();
    EXPECT_TRUE(Icons() == std::vector<int>{5} && Placed() == 0);
    EXPECT_TRUE(UndoListChange() && Icons() == (std::vector<int>{5, 6}) && Placed() == 1);
    ASSERT_NO_FATAL_FAILURE(SaveAndReload());
    EXPECT_EQ(Icons(), (std::vector<int>{5, 6}));
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(Icq)).count(L"4"), 0u);
}

TEST_F(Dialogs, NoSelectionMarkNoAction)
{
    SetRecords(StatusList, {Record(4, L"a"), Record(5, L"b")});
    FillStatusListView();
    UiRobot robot; // nothing may come up
    Select(-1);
    EditStatus();
    DeleteStatus();
    // A mark past the end of the list (the view shows more rows than the
    // list holds) reaches nothing either.
    Select(1);
    StatusList.Count--;
    EditStatus();
    DeleteStatus();
    EXPECT_TRUE(robot.Seen().empty());
    EXPECT_EQ(StatusList.Count, 1);
}

// Steps that each replace all 32 statuses, of the longest texts, stay within
// 4 MB, the oldest dropped; a hundred small steps are all kept, and undone
// one by one they give the list back as it was.
TEST_F(Dialogs, HistoryKeepsAHundredStepsWithinFourMegabytes)
{
    auto longest = [](int icon, wchar_t letter) {
        return Record(icon, std::wstring(NameSize - 1, letter), std::wstring(DescriptionSize - 1, letter), 1);
    };
    std::vector<StatusRecord> first;
    for (int icon = 1; icon <= MaxStatuses; icon++)
        first.push_back(longest(icon, L'a'));
    SetRecords(StatusList, first);
    size_t most = 0, steps = 0;
    for (wchar_t letter = L'b'; letter < L'b' + 100; letter++, most = std::max(most, ListHistoryBytes())) {
        BeginListChange();
        for (int row = 0; row < MaxStatuses; row++)
            StatusList.Records[row] = longest(row + 1, letter);
        EndListChange(-1);
    }
    while (UndoListChange())
        steps++;
    printf("the history's largest size: %zu bytes, %zu of the largest steps kept\n", most, steps);
    EXPECT_LE(most, 4u * 1024 * 1024);
    EXPECT_GE(steps, 10u);
    EXPECT_EQ(StatusList.Records[31].Name[0], L'b' + 99 - steps);

    SetRecords(StatusList, {Record(1, L"a", L"", 0), Record(2, L"b", L"", 1)});
    FillStatusListView();
    for (int toggle = 0; toggle < 101; toggle++)
        SetStatusFlag(toggle % 2, !StatusList.Records[toggle % 2].On);
    for (steps = 0; UndoListChange();)
        steps++;
    EXPECT_EQ(steps, 100u);
    EXPECT_EQ(StatusList.Records[0].On + StatusList.Records[1].On, 2u) << "the first toggle is the one dropped";
}

TEST_F(Dialogs, ClearAllLeavesTheFlag)
{
    for (int flag : {0, 1}) {
        SetRecords(StatusList, {Record(4, L"a")});
        StatusListDirty = flag;
        ClearAll();
        EXPECT_EQ(StatusList.Count, 0);
        EXPECT_EQ(StatusListDirty, flag);
    }
}

// Texts typed or pasted into the editor: what it accepts is saved whole and
// loads back unchanged, without a report (the robot would see one); what the
// registry could not keep whole is refused with a warning, the editor open
// with the text as typed.
TEST_F(Dialogs, EditorKeepsOnlyWhatTheRegistryKeepsWhole)
{
    const std::wstring pair = L"\xD83D\xDE00", euro = L"\x20AC";
    auto times = [](const std::wstring &text, size_t n) {
        std::wstring all;
        for (size_t i = 0; i < n; i++)
            all += text;
        return all;
    };
    struct Case {
        const char *what;
        std::wstring title, text; // as pasted
        const wchar_t *warning;   // or null: accepted
        std::wstring keptTitle, keptText;
    } cases[] = {
        // Characters of one to four bytes, at the limit of units or bytes.
        {"1 byte", std::wstring(1023, L'a'), std::wstring(4095, L'a'), nullptr, {}, {}},
        {"2 bytes", std::wstring(1023, L'\x017E'), std::wstring(4095, L'\x0159'), nullptr, {}, {}},
        {"3 bytes", times(euro, 682) + L"ab", times(euro, 2730) + L"a", nullptr, {}, {}},
        {"4 bytes", times(pair, 511) + L"a", pair + std::wstring(4093, L'a'), nullptr, {}, {}},
        // More than the edits take, a pair across each limit: only whole
        // characters are kept.
        {"past the edits", std::wstring(1022, L'\x0159') + pair + std::wstring(70, L'\x0159'),
         std::wstring(4094, L'\x017E') + pair + std::wstring(900, L'\x017E'), nullptr,
         std::wstring(1022, L'\x0159'), std::wstring(4094, L'\x017E')},
        // One byte past what the load reads of a title, and what the save
        // writes of a text.
        {"title of 2049 bytes", times(euro, 682) + L"abc", L"x", L"Název statusu je příliš dlouhý. Zkraťte jej prosím.", {}, {}},
        {"text of 8192 bytes", L"x", times(euro, 2730) + L"ab", L"Text statusu je příliš dlouhý. Zkraťte jej prosím.", {}, {}},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.keptTitle.empty())
            c.keptTitle = c.title, c.keptText = c.text;
        StatusList.Count = 0;
        UiRobot robot;
        auto paste = [&](HWND editor) {
            // Pasted (replacing the selection) like a user would.
            SendDlgItemMessageW(editor, IDC_STATUS_TITLE, EM_REPLACESEL, TRUE, (LPARAM)c.title.c_str());
            SendDlgItemMessageW(editor, IDC_STATUS_TEXT, EM_REPLACESEL, TRUE, (LPARAM)c.text.c_str());
        };
        if (!c.warning) {
            robot.Then(Steps({paste, Press(IDOK)}));
            AddStatus();
            ASSERT_EQ(StatusList.Count, 1);
            ASSERT_NO_FATAL_FAILURE(SaveAndReload());
            ASSERT_EQ(StatusList.Count, 1);
            EXPECT_TRUE(StatusList.Records[0].Name == c.keptTitle) << wcslen(StatusList.Records[0].Name) << " units";
            EXPECT_TRUE(StatusList.Records[0].Description == c.keptText)
                << wcslen(StatusList.Records[0].Description) << " units";
            continue;
        }
        auto asTyped = [&](HWND editor) {
            EXPECT_TRUE(IsWindowVisible(editor)) << "the editor stays open";
            EXPECT_TRUE(WindowText(GetDlgItem(editor, IDC_STATUS_TITLE)) == c.title);
            EXPECT_TRUE(WindowText(GetDlgItem(editor, IDC_STATUS_TEXT)) == c.text);
        };
        robot.Then(Steps({paste, Press(IDOK), asTyped, Press(IDCANCEL)})).Then(Press(IDOK));
        AddStatus();
        EXPECT_EQ(StatusList.Count, 0);
        ASSERT_EQ(robot.Seen().size(), 2u);
        const Shown &warning = robot.Seen()[1];
        EXPECT_EQ(warning.text, c.warning);
        EXPECT_EQ(warning.caption, L"Orbelan!");
        EXPECT_EQ(warning.icon, L"warning");
        EXPECT_EQ(warning.buttons, (std::vector<int>{IDOK}));
        EXPECT_EQ(warning.owner, robot.Seen()[0].window) << "owned by the editor";
    }
}

/* ---- Export and import ---------------------------------------------------- */

static const int FileNameBox = 1148; // the file dialogs' box of the name (cmb13)

// Names path in a file dialog and presses its OK, as a user typing the name
// would.
static Action ChooseFile(const std::wstring &path)
{
    return Steps({Type(FileNameBox, path), Press(IDOK)});
}

// text as a registry file writes it: UTF-16LE with a byte-order mark.
static std::string Utf16File(const std::wstring &text)
{
    return "\xFF\xFE" + std::string((const char *)text.data(), text.size() * sizeof(wchar_t));
}

TEST_F(Dialogs, ImportTakesAWholeFileOrNothing)
{
    const std::wstring head = L"Windows Registry Editor Version 5.00\r\n\r\n";
    const std::wstring owners = L"HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\";
    const std::wstring status = L"[" + owners + L"9\\CustomStatusList\\3]\r\n", name = L"\"Name\"=hex:4b,c3,a1,76,61\r\n";
    auto damaged = [](int line) {
        return L"Soubor není soubor registru, nebo je poškozený (řádek " + std::to_wstring(line) + L").";
    };
    const struct {
        std::string bytes;
        std::wstring shown;
    } unusable[] = {
        {"", damaged(1)},
        {Utf16File(L"Windows Registry Editor Version 4.00\r\n" + status + name), damaged(1)},
        {Utf16File(head + status + L"\"On\"=dword:1\r\n\"Name\"=hex:4g\r\n"), damaged(5)},
        {Utf16File(head + status + L"\"Name\"=hex:41,\\\r\n  zz\r\n"), damaged(5)},
        {Utf16File(head + status + L"\"Name\"=hex:41,\\ x\r\n  42\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"On\"=dword:123456789\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"On\"=hex(4:01\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"On\"=1\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"Name\"=\"a\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"Name\" 1\r\n"), damaged(4)},
        {Utf16File(head + status + L"\"Name\r\n"), damaged(4)},
        {Utf16File(head + L"[" + owners + L"9\r\n"), damaged(3)},
        {Utf16File(head + L"[-" + owners + L"9\\CustomStatusList\\3]\r\n[" + owners + L"9\\CustomStatusList\\33]\r\n" + name +
                   L"[" + owners + L"9\\CustomStatusList\\03]\r\n" + name + L"[abc]\r\n" + name + L"[" + owners +
                   L"9\\CustomStatusList\\a1]\r\n" + name),
         L"V souboru nejsou žádné statusy ICQ Lite."},
        {Utf16File(head + status + name + L"[" + owners + L"10\\CustomStatusList\\4]\r\n" + name),
         L"Soubor obsahuje statusy více účtů ICQ. Importovat lze jen jeden účet."},
        {std::string(4 * 1024 * 1024 + 1, ';'), L"Soubor se nepodařilo přečíst.\n\n" + ErrorDescription(ERROR_FILE_TOO_LARGE)},
    };
    SetRecords(StatusList, {Record(4, L"a")});
    FillStatusListView();
    StatusListDirty = 0;
    std::wstring path = folder.File(L"statusy.reg");
    for (const auto &file : unusable) {
        SCOPED_TRACE(Narrow(file.shown));
        WriteFileBytes(path, file.bytes);
        UiRobot robot;
        robot.Then(ChooseFile(path)).Then(Press(IDOK));
        ImportStatuses(false);
        ASSERT_EQ(robot.Seen().size(), 2u);
        EXPECT_EQ(robot.Seen()[0].caption, L"Importovat statusy");
        EXPECT_EQ(robot.Seen()[1].text, file.shown);
        EXPECT_EQ(robot.Seen()[1].icon, L"error");
        EXPECT_EQ(robot.Seen()[1].caption, L"Orbelan!");
        EXPECT_EQ(Icons(), (std::vector<int>{4}));
        EXPECT_EQ(StatusListDirty, 0);
    }

    // A REGEDIT4 file of another account in the backup folder, picked by its
    // name alone: the restore opens there. Unsaved changes are asked about.
    CreateDirectoryW(folder.File(L"Zálohy").c_str(), NULL);
    WriteFileBytes(folder.File(L"Zálohy\\jiný.reg"),
                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\99999\\CustomStatusList\\7]\r\n"
                   "  \"LineNumber\"=dword:00000002\r\n\"Name\"=hex:4F, 62,C4,9b,64\r\n\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\99999\\CustomStatusList\\9]\r\n"
                   "\"Name\"=hex:41\r\n\"Name\"=-\r\n\"Description\"=hex:41\r\n\"Description\"=-\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Mirabilis\\ICQ\\NewOwners\\99999\\CustomStatusList\\5]\r\n"
                   "; a comment\r\n\"LineNumber\"=dword:1\r\n\"On\"=dword:00000001\r\n\"On\"=-\r\n"
                   "\"Description\"=hex(2):c4,8d,65,\\\r\n  72,6e,c3,a1,00\r\n\"Name\"=\"K\\\"a\\\\\"\r\n");
    StatusListDirty = 1;
    UiRobot robot;
    robot.Then(Press(IDNO)).Then(Press(IDYES)).Then(ChooseFile(L"jiný.reg"));
    ImportStatuses(true);
    EXPECT_EQ(Icons(), (std::vector<int>{4}));
    ImportStatuses(true);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_EQ(robot.Seen()[0].text, L"Neuložené změny budou ztraceny. Pokračovat?");
    EXPECT_EQ(robot.Seen()[2].caption, L"Obnovit ze zálohy");
    EXPECT_EQ(Icons(), (std::vector<int>{9, 5, 7})) << "9 has no line number";
    EXPECT_TRUE(!StatusList.Records[0].Name[0] && !StatusList.Records[0].Description[0]) << "values deleted";
    EXPECT_STREQ(StatusList.Records[1].Description, L"černá");
    EXPECT_STREQ(StatusList.Records[1].Name, L"K\"a\\");
    EXPECT_EQ(StatusList.Records[1].On, 0u) << "a value deleted";
    EXPECT_STREQ(StatusList.Records[2].Name, L"Oběd");
    EXPECT_EQ(StatusList.Records[2].On, 0u);
    EXPECT_EQ(StatusListDirty, 1);
    EXPECT_EQ(ReadListView(main->List()).size(), 3u);
    EXPECT_EQ(Placed(), 0) << "the first row that changed";
    EXPECT_TRUE(ReadTree(HKEY_CURRENT_USER, ListKeyPath(Icq)).empty()) << "nothing written before a save";
    StatusListDirty = 0;
    EXPECT_TRUE(UndoListChange() && Icons() == std::vector<int>{4} && StatusListDirty == 1) << "one step";
}

TEST_F(Dialogs, UnsavedChangesAreKeptWhenTheSessionEndsAndOfferedOnce)
{
    const std::wstring backups = folder.File(L"Zálohy");
    auto kept = [&backups] { return FileNames(backups); };
    auto end = [this](UINT message, WPARAM ending) { MainDialogProc(main->Window(), message, ending, 0); };
    PutKey(HKEY_CURRENT_USER, ListKeyPath(Icq) + L"\\3", StatusValues(L"Káva", L"", 1, 1));
    ASSERT_EQ(LoadAll(), 0);
    end(WM_QUERYENDSESSION, 0);
    end(WM_ENDSESSION, TRUE);
    EXPECT_TRUE(kept().empty()) << "the list as stored";
    // Emptied without the dirty flag: kept; an end called off drops it.
    ClearAll();
    end(WM_QUERYENDSESSION, 0);
    EXPECT_EQ(kept().size(), 1u);
    end(WM_ENDSESSION, FALSE);
    EXPECT_TRUE(kept().empty());
    end(WM_QUERYENDSESSION, 0);
    end(WM_ENDSESSION, TRUE);
    ASSERT_EQ(kept().size(), 1u);
    const std::wstring name = kept()[0];
    EXPECT_TRUE(std::regex_match(name, std::wregex(L"12345 \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d neuloženo\\.reg")));

    // No leaves the list and the file, and it is not offered again; a newer
    // one is, and Yes puts its empty list in place, unsaved, and renames it.
    ASSERT_EQ(LoadAll(), 0);
    {
        UiRobot robot;
        robot.Then(Press(IDNO));
        OfferUnsavedChanges();
        OfferUnsavedChanges();
        ASSERT_EQ(robot.Seen().size(), 1u);
        EXPECT_EQ(robot.Seen()[0].text, L"Při posledním ukončení Windows zůstaly neuložené změny statusů tohoto ICQ# (" +
                                            name.substr(6, 10) + L" " + name.substr(17, 2) + L":" + name.substr(20, 2) +
                                            L":" + name.substr(23, 2) + L"). Chcete je obnovit?\n\nPokud zvolíte Ne, "
                                            L"zůstanou ve složce „Zálohy“ a obnovíte je později příkazem Obnovit ze zálohy.");
        EXPECT_EQ(robot.Seen()[0].icon, L"question");
    }
    EXPECT_EQ(Icons(), (std::vector<int>{3}));
    CopyFileW((backups + L"\\" + name).c_str(), (backups + L"\\12345 2099-01-01 00-00-00 neuloženo.reg").c_str(), TRUE);
    UiRobot robot;
    robot.Then(Press(IDYES));
    OfferUnsavedChanges();
    EXPECT_TRUE(Icons().empty());
    EXPECT_EQ(StatusListDirty, 1);
    EXPECT_EQ(kept(), (std::vector<std::wstring>{name, L"12345 2099-01-01 00-00-00 neuloženo obnoveno.reg"}));
}

static BOOL WINAPI MoveRefused(LPCWSTR, LPCWSTR, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(Dialogs, ExportThatCannotReplaceTheFileLeavesIt)
{
    SetRecords(StatusList, {Record(4, L"a")});
    std::wstring path = folder.File(L"Orbelan 12345.reg");
    WriteFileBytes(path, "old");
    auto files = [this] { return std::distance(std::filesystem::directory_iterator(folder.Path()), {}); };
    const auto before = files();
    ImportPatch refused("kernel32.dll", "MoveFileExW", MoveRefused);
    UiRobot robot;
    robot.Then([](HWND dialog) {
             EXPECT_EQ(ControlText(dialog, FileNameBox), L"Orbelan 12345.reg");
             PostClick(dialog, IDOK);
         })
        .Then(Press(IDYES)) // the dialog's own question: replace it?
        .Then(Press(IDOK));
    ExportStatuses();
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_EQ(robot.Seen()[0].caption, L"Exportovat statusy");
    EXPECT_EQ(robot.Seen()[2].text, L"Statusy se nepodařilo uložit do souboru.\n\n" + ErrorDescription(ERROR_ACCESS_DENIED));
    EXPECT_EQ(robot.Seen()[2].icon, L"error");
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(files(), before) << "no temporary file left";
}
