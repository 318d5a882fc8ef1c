// The main window: start-up, the command table and the settings file, run
// modally as the program runs it, answered by the robot.
#include "test_support.h"

#include "app/main_dialog.h"
#include "base/base.h"
#include "resource.h"
#include "store/status_store.h"

#include <algorithm>
#include <set>

// The program keeps Data.ini beside its executable: here, the test's.
class MainWindow : public TestBed {
protected:
    // Notice 107 comes at every start until it is ticked off, and notice
    // 109 when the version check fails (its address never resolves); most
    // tests are about other things.
    MainWindow() { UseExeSettings(nullptr); }
    // Data.ini without anything the tested start reads: only notice 109
    // (a window of the version check's thread) stays off.
    void NoSettings()
    {
        DeleteFileW(ini.c_str());
        SetIni(L"Infos", L"3", L"1");
    }
};

static std::vector<ListRow> Rows(HWND main)
{
    return ReadListView(GetDlgItem(main, IDC_STATUS_LIST));
}

static bool IsInputBox(const Shown &shown)
{
    return shown.HasControl(IDC_INPUT_TEXT) && shown.HasControl(IDC_INPUT_PROMPT);
}

TEST_F(MainWindow, WithoutSettingsTheUserIsAskedFirst)
{
    NoSettings();
    UiRobot robot;
    robot.Then(Press(IDCANCEL));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 1u) << "the main window never shows";
    const Shown &box = robot.Seen()[0];
    EXPECT_TRUE(IsInputBox(box));
    EXPECT_EQ(box.ControlText(IDC_INPUT_TEXT), L"");
    EXPECT_TRUE(box.owner != NULL && !IsWindowVisible(box.owner)) << "owned by the still hidden main window";
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>") << "nothing is written on this way out";
    EXPECT_EQ(Ini(L"List", L"cx0"), L"<none>");
}

TEST_F(MainWindow, FirstStartCreatesTheAccount)
{
    NoSettings();
    PutKey(HKEY_CURRENT_USER, ICQ_KEY_PATH);
    UiRobot robot;
    robot.Then(Steps({Type(IDC_INPUT_TEXT, L"123456"), Press(IDOK)}))
        .Then(Press(IDYES))
        .Then(Press(IDOK)) // notice 107, left unticked
        .Then(Steps({[](HWND main) { EXPECT_TRUE(Rows(main).empty()); }, Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 4u);
    EXPECT_EQ(robot.Seen()[3].ControlText(IDC_ICQ_NUMBER), L"123456");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"123456")));
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"123456");
    EXPECT_EQ(Ini(L"Infos", L"1"), L"0");
    EXPECT_EQ(Ini(L"List", L"cx0"), L"200");
    EXPECT_EQ(Ini(L"List", L"cx1"), L"230");
}

TEST_F(MainWindow, FirstRunNoticeUntilTickedOff)
{
    PutAccount(L"12345", {{1, StatusValues(L"a", L"", 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    const std::vector<std::pair<const wchar_t *, Action>> starts = {
        {L"0", Press(IDOK)},                                    // shown at an absent key, left unticked
        {L"0", Escape()},                                       // shown again, Esc
        {L"1", Steps({Tick(IDC_DONT_SHOW_AGAIN), CloseBox()})}, // ticked off with the close box
    };
    SetIni(L"Infos", L"1", NULL);
    for (const auto &start : starts) {
        UiRobot robot;
        robot.Then(start.second).Then(Press(IDCANCEL));
        EXPECT_EQ(RunMainWindow(), 0);
        ASSERT_EQ(robot.Seen().size(), 2u);
        const Shown &notice = robot.Seen()[0];
        EXPECT_EQ(notice.caption, L"Orbelan!");
        EXPECT_EQ(notice.ControlText(IDC_NOTICE_TITLE),
                  L"Program Orbelan! NENÍ plně kompatibilní s ICQ Lite verze starší než 5.1. (Máte-li ICQ 5.1, "
                  L"můžete tuto zprávu ignorovat)");
        EXPECT_TRUE(notice.owner != NULL && !IsWindowVisible(notice.owner)) << "before the main window shows";
        EXPECT_EQ(Ini(L"Infos", L"1"), start.first);
        ResetProgramState();
    }
    UiRobot robot; // ticked off: only the main window
    robot.Then(Press(IDCANCEL));
    EXPECT_EQ(RunMainWindow(), 0);
    EXPECT_EQ(robot.Seen().size(), 1u);
}

// The program's entry, built into this test program.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int);

static BOOL WINAPI NoCommonControls(const INITCOMMONCONTROLSEX *)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

TEST_F(MainWindow, FailedCommonControlsAreReportedAndTheWindowComes)
{
    PutAccount(L"11111", {{1, StatusValues(L"a", L"", 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"11111");
    ImportPatch controls("comctl32.dll", "InitCommonControlsEx", NoCommonControls);
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Steps({[](HWND main) { EXPECT_EQ(Rows(main).size(), 1u); }, Press(IDCANCEL)}));
    EXPECT_EQ(wWinMain(GetModuleHandleW(NULL), NULL, const_cast<PWSTR>(L""), SW_SHOWNORMAL), 0);
    WaitForVersionChecks();
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "app/main.cpp", L"WinMain", L"InitCommonControlsEx", ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(robot.Seen()[1].HasControl(IDC_STATUS_LIST));
}

TEST_F(MainWindow, ChangeButtonSwitchesAccounts)
{
    PutAccount(L"11111", {{1, StatusValues(L"a", L"", 1, 1)}});
    PutAccount(L"22222", {{2, StatusValues(L"b", L"", 1, 1)}, {3, StatusValues(L"c", L"", 2, 1)}});
    SetIni(L"ICQ", L"UIN", L"11111");
    UiRobot robot;
    // A list cleared without other changes is not offered for saving.
    robot.Then(Steps({Command(IDM_CLEAR_ALL), Press(IDC_CHANGE_ACCOUNT),
                      [](HWND main) { EXPECT_EQ(Rows(main).size(), 2u); }, Press(IDCANCEL)}))
        .Then(Press(IDYES))
        .Then(Steps({Type(IDC_INPUT_TEXT, L"22222"), Press(IDOK)}));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_TRUE(IsInputBox(robot.Seen()[2]));
    EXPECT_EQ(robot.Seen()[2].ControlText(IDC_INPUT_TEXT), L"11111");
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"22222");
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"11111")).size(), 1u) << "the cleared list was not saved";
}

// The colours of bitmap's pixels.
static std::set<COLORREF> Colours(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectW(bitmap, sizeof size, &size);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.bmWidth;
    info.bmiHeader.biHeight = size.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels((size_t)size.bmWidth * (size_t)size.bmHeight);
    HDC screen = GetDC(NULL);
    EXPECT_EQ(GetDIBits(screen, bitmap, 0, (UINT)size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS),
              size.bmHeight);
    ReleaseDC(NULL, screen);
    std::set<COLORREF> colours;
    for (DWORD pixel : pixels)
        colours.insert(pixel & 0xFFFFFF);
    return colours;
}

// The home-page label and the window below it are as tall as the label's
// address needs: no line of it stays empty, and an address of one line
// gives the window's design, 320 x 274 dialog units.
static void ExpectNoEmptyBand(HWND main)
{
    HWND label = GetWindow(GetDlgItem(main, IDC_VERSION_LABEL), GW_HWNDPREV);
    RECT line = {0, 0, 0, 8}, box, client, design = {0, 0, 320, 274};
    MapDialogRect(main, &line);
    // On one line whole, or broken before the address, never inside it.
    const bool oneLine = LabelTextHeight(label) <= line.bottom;
    ASSERT_EQ(WindowText(label).rfind(oneLine ? L"Domovská stránka programu: https://"
                                              : L"Domovská stránka programu:\r\nhttps://", 0), 0u);
    MapDialogRect(main, &design);
    GetClientRect(label, &box);
    EXPECT_GT(LabelTextHeight(label), box.bottom - line.bottom) << "an empty line under the address";
    SetWindowTextW(label, L"Domovská stránka programu: https://a.cz");
    FitHomePageLabel(main);
    GetClientRect(main, &client);
    EXPECT_NEAR(client.right, design.right, 1);
    EXPECT_NEAR(client.bottom, design.bottom, 1);
}

TEST_F(MainWindow, StartShowsTheStoredAccount)
{
    PutAccount(L"10000", {{3, StatusValues(L"Třetí", L"popis", 2, 1)}, {8, StatusValues(L"Osmý", L"", 1, 0)}});
    SetIni(L"ICQ", L"UIN", L"10000");
    SetIni(L"List", L"cx0", L"300");
    SetIni(L"List", L"dpi", L"192");

    // Also run at 120, 144 and 192 DPI: what is drawn in pixels follows
    // the screen; a width the user set at 192 DPI is scaled to it.
    const ScreenScale scale = TestScreenScale();
    UiRobot robot;
    robot.Then(Steps({[scale](HWND main) {
                          EXPECT_EQ(main, MainWindowHandle);
                          HWND list = GetDlgItem(main, IDC_STATUS_LIST);
                          EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(150, scale.dpi, 96));
                          EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), scale.textWidth);
                          EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
                                    LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
                          EXPECT_EQ((HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0), StatusImageList);
                          int width = 0, height = 0;
                          EXPECT_TRUE(ImageList_GetIconSize(StatusImageList, &width, &height));
                          EXPECT_EQ(width, scale.icon);
                          EXPECT_EQ(height, scale.icon);
                          EXPECT_EQ(ImageList_GetImageCount(StatusImageList), 32);
                          // Stretched, not blurred: no colour that the strip
                          // lacks (black is what the mask leaves).
                          IMAGEINFO images = {};
                          ImageList_GetImageInfo(StatusImageList, 0, &images);
                          HBITMAP strip = (HBITMAP)LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS_ICONS),
                                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
                          std::set<COLORREF> drawn = Colours(strip), shown = Colours(images.hbmImage);
                          DeleteObject(strip);
                          drawn.insert(0);
                          EXPECT_TRUE(std::includes(drawn.begin(), drawn.end(), shown.begin(), shown.end()))
                              << "the icons show colours that the strip lacks: blends";
                          ICONINFO icon = {};
                          BITMAP bits = {};
                          ASSERT_TRUE(GetIconInfo((HICON)SendMessageW(main, WM_GETICON, ICON_SMALL, 0), &icon));
                          GetObjectW(icon.hbmColor ? icon.hbmColor : icon.hbmMask, sizeof bits, &bits);
                          DeleteObject(icon.hbmColor);
                          DeleteObject(icon.hbmMask);
                          EXPECT_EQ(bits.bmWidth, scale.icon) << "the caption's icon";
                          for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                              if (GetObjectW((HBITMAP)SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0), sizeof bits,
                                             &bits)) {
                                  EXPECT_EQ(bits.bmWidth, scale.pictureWidth) << "the picture";
                                  EXPECT_EQ(bits.bmHeight, scale.pictureHeight) << "the picture";
                              }
                          ExpectNoEmptyBand(main);
                          wchar_t title[32];
                          LVCOLUMNW column = {};
                          column.mask = LVCF_TEXT;
                          column.pszText = title;
                          column.cchTextMax = 32;
                          SendMessageW(list, LVM_GETCOLUMNW, 0, (LPARAM)&column);
                          EXPECT_STREQ(title, L"Status");
                          SendMessageW(list, LVM_GETCOLUMNW, 1, (LPARAM)&column);
                          EXPECT_STREQ(title, L"Popis");
                      },
                      Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);

    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &main = robot.Seen()[0];
    EXPECT_EQ(main.caption, L"Orbelan!");
    EXPECT_EQ(main.ControlText(IDC_ICQ_NUMBER), L"10000");
    EXPECT_EQ(main.ControlText(IDC_VERSION_LABEL), L"Verze 1.06a");
    EXPECT_EQ(main.owner, (HWND)NULL);
    // Storno stores the column widths and nothing else.
    EXPECT_EQ(Ini(L"List", L"cx0"), std::to_wstring(MulDiv(150, scale.dpi, 96)));
    EXPECT_EQ(Ini(L"List", L"dpi"), std::to_wstring(scale.dpi));
    EXPECT_EQ(Ini(L"List", L"cx1"), std::to_wstring(scale.textWidth));
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"10000"))[L"3"], StatusValues(L"Třetí", L"popis", 2, 1));
}

TEST_F(MainWindow, WhichStoredNumbersAreUsable)
{
    struct Case {
        const wchar_t *stored;   // UIN in Data.ini
        const wchar_t *key;      // list key that exists, or null
        const wchar_t *shown;    // text of the ICQ# field, or null: the user is asked
    } cases[] = {
        {L"10000", L"10000", L"10000"},
        {L"2147483646", L"2147483646", L"2147483646"},
        {L"9999", L"9999", nullptr},
        {L"2147483647", L"2147483647", nullptr},
        {L"99999999999", L"99999999999", nullptr},
        {L"-12345", L"-12345", nullptr},
        {L"12345a", L"12345a", nullptr},
        {L"12345 x", L"12345 x", nullptr},
        {L"\"  12345\"", L"  12345", L"  12345"}, // leading blanks pass, and name the key
        {L"+12345", L"+12345", L"+12345"},
        {L"0012345", L"0012345", L"0012345"},
        {L"+12345", L"12345", nullptr},            // the text, not the number, names the key
        {L"54321", nullptr, nullptr},              // usable number without a list key
        {L"0000000000123456789", L"000000000012345", L"000000000012345"}, // first 15 characters
        {L"12345678901234567890", L"123456789012345", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Narrow(c.stored));
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mirabilis");
        ResetProgramState();
        SetIni(L"ICQ", L"UIN", c.stored);
        if (c.key)
            PutAccount(c.key, {{1, StatusValues(L"a", L"b", 1, 1)}});
        UiRobot robot;
        robot.Then(Press(IDCANCEL));
        EXPECT_EQ(RunMainWindow(), 0);
        ASSERT_EQ(robot.Seen().size(), 1u);
        if (c.shown) {
            EXPECT_EQ(robot.Seen()[0].ControlText(IDC_ICQ_NUMBER), c.shown);
            EXPECT_EQ(StatusList.Count, 1);
        } else {
            // The box opens with the stored text, usable or not, as far as
            // it takes it.
            EXPECT_TRUE(IsInputBox(robot.Seen()[0]));
            EXPECT_EQ(robot.Seen()[0].ControlText(IDC_INPUT_TEXT), Ini(L"ICQ", L"UIN").substr(0, 15));
        }
    }
}

TEST_F(MainWindow, OkSavesInListOrderAndCloses)
{
    RegValues stray = StatusValues(L"první", L"", 5, 1);
    stray[L"Stray"] = Dword(1);
    PutAccount(L"12345", {{4, stray}, {9, StatusValues(L"druhý", L"", 9, 0)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    UiRobot robot;
    robot.Then(Press(IDOK));
    EXPECT_EQ(RunMainWindow(), 0);
    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"4"], StatusValues(L"první", L"", 1, 1));
    EXPECT_EQ(tree[L"9"], StatusValues(L"druhý", L"", 2, 0));
    EXPECT_EQ(Ini(L"List", L"cx0"), L"200");
    EXPECT_EQ(Ini(L"List", L"cx1"), L"230");
}

TEST_F(MainWindow, FailedSaveKeepsTheWindowOpen)
{
    PutAccount(L"12345", {{4, StatusValues(L"a", L"", 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    UiRobot robot;
    robot.Then(Steps({[](HWND) {
                          RegDeleteKeyW(HKEY_CURRENT_USER, (ListKeyPath(L"12345") + L"\\4").c_str());
                          RegDeleteKeyW(HKEY_CURRENT_USER, ListKeyPath(L"12345").c_str());
                      },
                      Press(IDOK),
                      [this](HWND main) {
                          EXPECT_TRUE(IsWindowVisible(main)) << "OK after a failed save keeps the window";
                          EXPECT_EQ(Ini(L"List", L"cx0"), L"<none>")
                              << "the widths are kept only on the way out";
                      },
                      Press(IDCANCEL)}))
        .Then(Press(IDOK)); // the error report: continue
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/status_store.cpp", L"SaveAll", L"RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\")",
                         ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(robot.Seen()[1].owner, robot.Seen()[0].window);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"12345")));
}

TEST_F(MainWindow, ApplyAndSaveMenuWriteAndStayOpen)
{
    PutAccount(L"12345", {{6, StatusValues(L"a", L"", 7, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    auto lineNumberIs = [](DWORD line) {
        return [line](HWND) {
            EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"))[L"6"][L"LineNumber"], Dword(line));
        };
    };
    auto renumber = [](HWND) { PutKey(HKEY_CURRENT_USER, ListKeyPath(L"12345") + L"\\6", {{L"LineNumber", Dword(8)}}); };
    UiRobot robot;
    robot.Then(Steps({Press(IDC_APPLY), lineNumberIs(1), renumber, Command(IDM_SAVE), lineNumberIs(1),
                      Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    EXPECT_EQ(robot.Seen().size(), 1u);
}

TEST_F(MainWindow, DiscardChangesAsksThenReloads)
{
    PutAccount(L"12345", {{6, StatusValues(L"a", L"", 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    auto addBehindItsBack = [](HWND) {
        PutKey(HKEY_CURRENT_USER, ListKeyPath(L"12345") + L"\\2", StatusValues(L"nový", L"", 2, 1));
    };
    auto rowsAre = [](size_t count) { return [count](HWND main) { EXPECT_EQ(Rows(main).size(), count); }; };
    UiRobot robot;
    robot.Then(Steps({addBehindItsBack, Command(IDM_DISCARD_CHANGES), rowsAre(1), Command(IDM_DISCARD_CHANGES),
                      rowsAre(2), Press(IDCANCEL)}))
        .Then(Press(IDNO))
        .Then(Press(IDYES));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    for (int i : {1, 2}) {
        const Shown &question = robot.Seen()[i];
        EXPECT_EQ(question.text, L"Opravdu chcete zahodit všechny změny, které jste provedli od posledního uložení?");
        EXPECT_EQ(question.caption, L"Orbelan!");
        EXPECT_EQ(question.icon, L"question");
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(question.owner, robot.Seen()[0].window);
    }
}

TEST_F(MainWindow, ClearAllEmptiesTheListUntilSaved)
{
    PutAccount(L"12345", {{6, StatusValues(L"a", L"", 1, 1)}, {7, StatusValues(L"b", L"", 2, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    auto checkCleared = [](HWND main) {
        EXPECT_TRUE(Rows(main).empty());
        EXPECT_EQ(StatusList.Count, 0);
        EXPECT_EQ(StatusListDirty, 1) << "the flag stays as it was";
        EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345")).size(), 2u) << "not saved yet";
    };
    UiRobot robot;
    robot.Then(Steps({[](HWND) { StatusListDirty = 1; }, Command(IDM_CLEAR_ALL), Command(IDM_CLEAR_ALL),
                      checkCleared, Press(IDOK)}))
        .Then(Press(IDNO))
        .Then(Press(IDYES));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_EQ(robot.Seen()[1].text, L"Opravdu chcete vymazat všechny statusy?");
    EXPECT_EQ(robot.Seen()[1].icon, L"question");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"12345")));
    EXPECT_TRUE(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345")).empty());
}

TEST_F(MainWindow, StornoAfterClearKeepsTheRegistry)
{
    PutAccount(L"12345", {{6, StatusValues(L"a", L"", 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    UiRobot robot;
    robot.Then(Steps({Command(IDM_CLEAR_ALL), Press(IDCANCEL)})).Then(Press(IDYES));
    EXPECT_EQ(RunMainWindow(), 0);
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345")).size(), 1u);
    EXPECT_EQ(Ini(L"List", L"cx0"), L"200");
}

// Sets the list view's selection mark, as a click on the row would.
static Action Mark(int row)
{
    return [row](HWND main) { SendDlgItemMessageW(main, IDC_STATUS_LIST, LVM_SETSELECTIONMARK, 0, row); };
}

TEST_F(MainWindow, ButtonsKeysAndDoubleClickReachTheEditor)
{
    PutAccount(L"12345", {{1, StatusValues(L"jedna", L"", 1, 1)}, {2, StatusValues(L"dva", L"", 2, 1)},
                       {3, StatusValues(L"tři", L"", 3, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    auto pressDelete = [](HWND main) {
        HWND list = GetDlgItem(main, IDC_STATUS_LIST);
        PostMessageW(list, WM_KEYDOWN, VK_DELETE, 0x01530001);
        PostMessageW(list, WM_KEYUP, VK_DELETE, 0xC1530001);
    };
    auto doubleClickRow = [](int row) {
        return [row](HWND main) {
            HWND list = GetDlgItem(main, IDC_STATUS_LIST);
            RECT item = {};
            item.left = LVIR_LABEL;
            SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&item);
            PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(item.left + 4, item.top + 2));
            PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(item.left + 4, item.top + 2));
        };
    };
    UiRobot robot;
    robot.Then(Steps({Mark(1), Press(IDC_EDIT),     // edit "dva"
                      Mark(0), pressDelete,          // delete "jedna"
                      Mark(-1), pressDelete,         // nothing marked: nothing asked
                      Press(IDC_ADD),                // add, then Storno
                      Mark(1), doubleClickRow(1),    // edit "tři"
                      Mark(0), Press(IDC_DELETE), Press(IDOK)}))
        .Then(Steps({Type(IDC_STATUS_TITLE, L"dvojka"), Press(IDOK)}))
        .Then(Press(IDYES))
        .Then(Press(IDCANCEL))
        .Then(Steps({[](HWND editor) { EXPECT_EQ(GetDlgItemTextW(editor, IDC_STATUS_TITLE, nullptr, 0), 0u); },
                     Type(IDC_STATUS_TITLE, L"trojka"), Press(IDOK)}))
        .Then(Press(IDNO));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 6u);
    EXPECT_EQ(robot.Seen()[1].ControlText(IDC_STATUS_TITLE), L"dva");
    EXPECT_EQ(robot.Seen()[2].text, L"Opravdu chcete tento záznam odstranit?");
    EXPECT_EQ(robot.Seen()[4].ControlText(IDC_STATUS_TITLE), L"tři");
    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"2"], StatusValues(L"dvojka", L"", 1, 1));
    EXPECT_EQ(tree[L"3"], StatusValues(L"trojka", L"", 2, 1));
}

TEST_F(MainWindow, AboutFromTheMenu)
{
    PutAccount(L"12345", {});
    SetIni(L"ICQ", L"UIN", L"12345");
    UiRobot robot;
    robot.Then(Steps({Command(IDM_ABOUT), Press(IDCANCEL)})).Then(Press(IDOK));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[1].caption, L"O programu Orbelan!");
    EXPECT_EQ(robot.Seen()[1].owner, robot.Seen()[0].window);
}

// A control's place in the main window's client area.
static RECT PlaceOf(HWND main, HWND control)
{
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(NULL, main, reinterpret_cast<POINT *>(&box), 2);
    return box;
}

// The window grows, never below its template's size: the list takes the
// pixels, the controls below it keep their places against the bottom edge
// (and the right one, on its right); the size comes back at the next
// start, scaled from the DPI it was stored at.
TEST_F(MainWindow, WindowGrowsAndKeepsItsSize)
{
    PutAccount(L"10000", {{3, StatusValues(L"Třetí", L"popis", 2, 1)}});
    SetIni(L"ICQ", L"UIN", L"10000");
    const ScreenScale scale = TestScreenScale();
    SIZE least = {}, grown = {};
    UiRobot robot;
    robot.Then(Steps({[&](HWND main) {
                          RECT frame;
                          GetWindowRect(main, &frame);
                          least = {frame.right - frame.left, frame.bottom - frame.top};
                          MINMAXINFO limits = {};
                          SendMessageW(main, WM_GETMINMAXINFO, 0, (LPARAM)&limits);
                          EXPECT_EQ(limits.ptMinTrackSize.x, least.cx);
                          EXPECT_EQ(limits.ptMinTrackSize.y, least.cy);
                          HWND list = GetDlgItem(main, IDC_STATUS_LIST);
                          HWND label = GetWindow(GetDlgItem(main, IDC_VERSION_LABEL), GW_HWNDPREV);
                          HWND top = GetWindow(main, GW_CHILD);
                          while (top && GetDlgCtrlID(top) != IDC_ICQ_NUMBER)
                              top = GetWindow(top, GW_HWNDNEXT);
                          struct Moved {
                              HWND control;
                              int dx, dy; // times the growth
                          } moved[] = {{GetDlgItem(main, IDOK), 1, 1},         {GetDlgItem(main, IDC_ADD), 1, 1},
                                       {GetDlgItem(main, IDC_VERSION_LABEL), 1, 1}, {GetDlgItem(main, IDC_HOME_PAGE), 0, 1},
                                       {label, 0, 1},                         {top, 0, 0}};
                          std::vector<RECT> before;
                          for (const Moved &m : moved)
                              before.push_back(PlaceOf(main, m.control));
                          RECT listBefore = PlaceOf(main, list);
                          int textBefore = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0);
                          SetWindowPos(main, NULL, 0, 0, least.cx + 200, least.cy + 150, SWP_NOMOVE | SWP_NOZORDER);
                          RECT listAfter = PlaceOf(main, list);
                          EXPECT_EQ(listAfter.right - listBefore.right, 200);
                          EXPECT_EQ(listAfter.bottom - listBefore.bottom, 150);
                          EXPECT_EQ(listAfter.top, listBefore.top);
                          EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), textBefore + 200);
                          for (size_t i = 0; i < ARRAYSIZE(moved); i++) {
                              RECT after = PlaceOf(main, moved[i].control);
                              EXPECT_EQ(after.left - before[i].left, 200 * moved[i].dx) << i;
                              EXPECT_EQ(after.top - before[i].top, 150 * moved[i].dy) << i;
                          }
                          grown = {least.cx + 200, least.cy + 150};
                      },
                      Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    EXPECT_EQ(Ini(L"Window", L"cx"), std::to_wstring(grown.cx));
    EXPECT_EQ(Ini(L"Window", L"cy"), std::to_wstring(grown.cy));
    EXPECT_EQ(Ini(L"Window", L"dpi"), std::to_wstring(scale.dpi));
    EXPECT_EQ(Ini(L"Window", L"max"), L"0");

    // The stored size, at the DPI stored beside it; never below the
    // smallest, and maximised as it was left.
    struct Case {
        std::wstring cx, cy, dpi, max;
        LONG width, height; // expected; 0: the smallest
        bool maximised;
    } cases[] = {
        {std::to_wstring(grown.cx), std::to_wstring(grown.cy), std::to_wstring(scale.dpi), L"0", grown.cx, grown.cy,
         false},
        {std::to_wstring(grown.cx * 2), std::to_wstring(grown.cy * 2), std::to_wstring(scale.dpi * 2), L"0", grown.cx,
         grown.cy, false},
        {L"10", L"10", L"", L"0", 0, 0, false},
        {L"", L"", L"", L"1", 0, 0, true},
    };
    for (const Case &c : cases) {
        SetIni(L"Window", L"cx", c.cx.c_str());
        SetIni(L"Window", L"cy", c.cy.c_str());
        SetIni(L"Window", L"dpi", c.dpi.c_str());
        SetIni(L"Window", L"max", c.max.c_str());
        UiRobot again;
        again.Then(Steps({[&](HWND main) {
                              RECT frame;
                              WINDOWPLACEMENT placement = {};
                              placement.length = sizeof placement;
                              GetWindowPlacement(main, &placement);
                              frame = placement.rcNormalPosition;
                              EXPECT_EQ(frame.right - frame.left, c.width ? c.width : least.cx) << c.cx;
                              EXPECT_EQ(frame.bottom - frame.top, c.height ? c.height : least.cy) << c.cy;
                              EXPECT_EQ(IsZoomed(main) != FALSE, c.maximised);
                          },
                          Press(IDCANCEL)}));
        EXPECT_EQ(RunMainWindow(), 0);
        EXPECT_EQ(Ini(L"Window", L"max"), c.maximised ? L"1" : L"0");
    }
}

TEST_F(MainWindow, OddSettingsFiles)
{
    // Random bytes: every read gives its default, so there is no account.
    std::string garbage;
    for (int i = 0; i < 4096; i++)
        garbage += (char)((i * 7919 + 13) % 251);
    WriteFileBytes(ini, garbage + "\r\n[Infos]\r\n3=1\r\n");
    {
        UiRobot robot;
        robot.Then(Press(IDCANCEL));
        EXPECT_EQ(RunMainWindow(), 0);
        ASSERT_EQ(robot.Seen().size(), 1u);
        EXPECT_EQ(robot.Seen()[0].ControlText(IDC_INPUT_TEXT), L"");
    }

    // Saved as Unicode by Notepad: read all the same; odd widths as written.
    PutAccount(L"12345", {{1, StatusValues(L"a", L"", 1, 1)}});
    std::wstring unicode = L"\xFEFF[ICQ]\r\nUIN=12345\r\n[List]\r\ncx0=abc\r\ncx1=-5\r\n[Infos]\r\n1=-1\r\n3=1\r\n";
    WriteFileBytes(ini, std::string((const char *)unicode.data(), unicode.size() * 2));
    UiRobot robot;
    robot.Then(Steps({[](HWND main) {
                          HWND list = GetDlgItem(main, IDC_STATUS_LIST);
                          EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 0);
                          EXPECT_EQ(Rows(main).size(), 1u);
                      },
                      Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].ControlText(IDC_ICQ_NUMBER), L"12345");

    // A number with a leading blank is stored in quotes; at 15 characters
    // it still comes back whole, not as the 14-digit number of another
    // account.
    PutAccount(L" 00002147483646", {{2, StatusValues(L"b", L"", 1, 1)}});
    WriteFileBytes(ini, "[ICQ]\r\nUIN=\" 00002147483646\"\r\n[Infos]\r\n1=1\r\n3=1\r\n");
    UiRobot again;
    again.Then(Steps({[](HWND main) { EXPECT_EQ(Rows(main).size(), 1u); }, Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(again.Seen().size(), 1u);
    EXPECT_EQ(again.Seen()[0].ControlText(IDC_ICQ_NUMBER), L" 00002147483646");
}

TEST_F(MainWindow, SettingIntegersAreDecimalText)
{
    std::wstring file = folder.File(L"x.ini");
    EXPECT_TRUE(WriteSettingInt(L"Infos", L"1", -2147483647 - 1, file.c_str()));
    WriteSettingInt(L"Infos", L"2", 1, file.c_str());
    EXPECT_EQ(ReadFileBytes(file), "[Infos]\r\n1=-2147483648\r\n2=1\r\n");

    // A section read at once gives each key what the system's own read of
    // the key gives.
    WriteFileBytes(ini, "[Window]\r\n cx = 880 \r\nCY=-7\r\ndpi=\r\nmax=1x\r\ncx=5\r\nno equals\r\n"
                        "x=abc\r\ny=+12\r\n[Other]\r\nz=3\r\n");
    CopyText(SettingsPath, MAX_PATH, ini.c_str());
    SettingsSection section;
    ReadSettingsSection(L"Window", &section);
    for (const wchar_t *key : {L"cx", L"cy", L"dpi", L"max", L"x", L"y", L"z", L"no equals", L""})
        EXPECT_EQ(SettingsInt(section, key, 77), (int)GetPrivateProfileIntW(L"Window", key, 77, ini.c_str())) << Narrow(key);
    ReadSettingsSection(L"Missing", &section);
    EXPECT_EQ(SettingsInt(section, L"z", 77), 77);
    // A section longer than the buffer ends inside "cx=123456": what was
    // cut off is no number.
    WriteFileBytes(ini, "[Window]\r\nf=" + std::string(1015, 'a') + "\r\ncx=123456\r\n");
    ReadSettingsSection(L"Window", &section);
    EXPECT_EQ(SettingsInt(section, L"cx", 77), 77);
}

// LoadAll and SaveAll work on the account the window shows, and keep the
// list view and the dirty flag in step with the list.
TEST_F(MainWindow, LoadAndSaveKeepTheViewAndTheFlag)
{
    PutAccount(L"123456", {{2, StatusValues(L"Druhý", L"text dva", 5, 1)}, {7, StatusValues(L"Sedmý", L"text sedm", 3, 0)}});
    TestMainWindow main(L"123456");
    StatusListDirty = 1;
    EXPECT_EQ(LoadAll(), 0);
    EXPECT_EQ(StatusListDirty, 0);
    std::vector<ListRow> rows = ReadListView(main.List());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, L"Sedmý");
    EXPECT_EQ(rows[0].description, L"text sedm");
    EXPECT_EQ(rows[0].image, 6) << "icon n shows image n - 1";
    EXPECT_EQ(rows[1].name, L"Druhý");
    EXPECT_EQ(rows[1].image, 1);

    StatusListDirty = 1;
    EXPECT_EQ(SaveAll(), 0);
    EXPECT_EQ(StatusListDirty, 0);

    RegDeleteTreeW(HKEY_CURRENT_USER, ListKeyPath(L"123456").c_str());
    StatusListDirty = 1;
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(SaveAll(), -1);
    EXPECT_EQ(StatusListDirty, 1) << "a save that did nothing keeps the flag";
    EXPECT_EQ(StatusList.Count, 2);
    EXPECT_EQ(LoadAll(), -1);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].owner, main.Window());
    EXPECT_EQ(StatusList.Count, 0);
    EXPECT_TRUE(ReadListView(main.List()).empty()) << "no row may stand for a record that is gone";
    EXPECT_EQ(StatusListDirty, 0);
}

/* ---- Moving statuses ----------------------------------------------------- */

// The icons of the list in order, and the row that is selected, focused
// and marked alike (-2 where they differ).
static std::pair<std::vector<int>, int> Order(HWND main)
{
    std::vector<int> icons;
    for (const StatusRecord &record : Records(StatusList))
        icons.push_back(record.IconIndex);
    HWND list = GetDlgItem(main, IDC_STATUS_LIST);
    int mark = (int)SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0);
    int selected = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    int focused = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
    return {icons, mark == selected && (selected < 0 || selected == focused) ? mark : -2};
}

// Sends a key with Alt held to the list, as the keyboard does.
static Action AltKey(UINT key)
{
    return [key](HWND main) {
        HWND list = GetDlgItem(main, IDC_STATUS_LIST);
        SetFocus(list);
        PostMessageW(list, WM_SYSKEYDOWN, key, 0x20000001);
        PostMessageW(list, WM_SYSKEYUP, key, 0xE0000001);
    };
}

// The list's context menu from the keyboard (Shift+F10), or by a right
// click on row: which of Upravit.., Odstranit, Posunout nahoru and Posunout
// dolů can act ("1") or are greyed ("0"), then closed.
static std::vector<Action> ContextMenuOffers(const char *expected, int row = -1)
{
    auto open = [row](HWND main) {
        HWND list = GetDlgItem(main, IDC_STATUS_LIST);
        RECT rect = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&rect);
        POINT at = {40, (rect.top + rect.bottom) / 2};
        ClientToScreen(list, &at);
        PostMessageW(main, WM_CONTEXTMENU, (WPARAM)list, row < 0 ? -1 : MAKELPARAM(at.x, at.y));
    };
    auto check = [expected](HWND) {
        HWND window = FindWindowW(L"#32768", NULL);
        HMENU menu = window ? (HMENU)SendMessageW(window, MN_GETHMENU, 0, 0) : NULL;
        ASSERT_TRUE(menu != NULL) << "no context menu";
        std::string offers;
        for (UINT id : {IDC_EDIT, IDC_DELETE, IDM_MOVE_UP, IDM_MOVE_DOWN})
            offers += (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) ? '0' : '1';
        EXPECT_EQ(offers, expected);
        EndMenu();
    };
    return {open, check};
}

// A drag with the left button from the middle of row from to the lower
// half of row to, as the mouse sends it; with escape, Esc is pressed before
// the button is let go.
static Action Drag(int from, int to, bool escape = false)
{
    return [from, to, escape](HWND main) {
        HWND list = GetDlgItem(main, IDC_STATUS_LIST);
        RECT start = {LVIR_BOUNDS, 0, 0, 0}, end = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, from, (LPARAM)&start);
        SendMessageW(list, LVM_GETITEMRECT, to, (LPARAM)&end);
        int x = 40, y = (start.top + start.bottom) / 2, endY = end.bottom - 2;
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        for (int step = 1; step <= 4; step++)
            PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + (endY - y) * step / 4));
        if (escape)
            PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(x, endY));
    };
}

TEST_F(MainWindow, StatusesMoveWithKeysMenuAndMouse)
{
    PutAccount(L"12345", {{4, StatusValues(L"a", L"", 1, 1)}, {5, StatusValues(L"b", L"", 2, 1)},
                          {6, StatusValues(L"c", L"", 3, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    auto is = [](std::vector<int> icons, int row, int dirty) {
        return [icons, row, dirty](HWND main) {
            EXPECT_EQ(Order(main), std::make_pair(icons, row));
            EXPECT_EQ(StatusListDirty, dirty);
        };
    };
    auto selectFirst = [](HWND main) { SelectStatusRow(0); SetFocus(GetDlgItem(main, IDC_STATUS_LIST)); };
    // The file commands first, each dialog cancelled.
    std::vector<Action> steps = {Command(IDM_EXPORT), Command(IDM_IMPORT), Command(IDM_RESTORE)};
    for (const std::vector<Action> &more :
         {ContextMenuOffers("0000"),
          {AltKey(VK_DOWN), is({4, 5, 6}, -1, 0), selectFirst, AltKey(VK_UP), is({4, 5, 6}, 0, 0)},
          ContextMenuOffers("1101"),
          {Command(IDM_MOVE_DOWN), is({5, 4, 6}, 1, 1), AltKey(VK_DOWN), is({5, 6, 4}, 2, 1)},
          ContextMenuOffers("1110"), {Command(IDM_MOVE_UP), is({5, 4, 6}, 1, 1)}, ContextMenuOffers("1101", 0),
          {is({5, 4, 6}, 0, 1), Drag(0, 2, true), is({5, 4, 6}, 0, 1), Drag(0, 2), is({4, 6, 5}, 2, 1),
           Command(IDM_UNDO), is({5, 4, 6}, 0, 1), Command(IDM_REDO), is({4, 6, 5}, 2, 1), Press(IDOK)}})
        steps.insert(steps.end(), more.begin(), more.end());
    UiRobot robot;
    robot.Then(Steps(steps)).Then(Press(IDCANCEL)).Then(Press(IDCANCEL)).Then(Press(IDCANCEL));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 4u);
    EXPECT_EQ(robot.Seen()[1].caption, L"Exportovat statusy");
    EXPECT_EQ(robot.Seen()[2].caption, L"Importovat statusy");
    EXPECT_EQ(robot.Seen()[3].caption, L"Obnovit ze zálohy");
    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    EXPECT_EQ(tree[L"4"][L"LineNumber"], Dword(1));
    EXPECT_EQ(tree[L"6"][L"LineNumber"], Dword(2));
    EXPECT_EQ(tree[L"5"][L"LineNumber"], Dword(3));
}

// The rows' check boxes ("1" ticked), and whether "Zpět" and "Znovu" can
// act ("1") or are greyed, as the menu shows them when it opens.
static std::string Ticks(HWND main)
{
    std::string ticks;
    HWND list = GetDlgItem(main, IDC_STATUS_LIST);
    for (int row = 0; row < (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); row++)
        ticks += (SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2 ? '1' : '0';
    return ticks;
}

static std::string UndoOffers(HWND main)
{
    HMENU options = GetSubMenu(GetMenu(main), 0);
    SendMessageW(main, WM_INITMENUPOPUP, (WPARAM)options, 0);
    return std::string(GetMenuState(options, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED ? "0" : "1") +
           (GetMenuState(options, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED ? "0" : "1");
}

// A click on the check box of row (left of its icon); Space on row selected.
static Action ClickBox(int row, bool space = false)
{
    return [row, space](HWND main) {
        HWND list = GetDlgItem(main, IDC_STATUS_LIST);
        RECT bounds = {LVIR_BOUNDS, 0, 0, 0}, icon = {LVIR_ICON, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&bounds);
        SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&icon);
        LPARAM at = MAKELPARAM((bounds.left + icon.left) / 2, (icon.top + icon.bottom) / 2);
        if (space)
            SelectStatusRow(row), SetFocus(list), PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
        else
            PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at), PostMessageW(list, WM_LBUTTONUP, 0, at);
    };
}

TEST_F(MainWindow, UndoAndRedoBringBackEveryChangeAndItsRow)
{
    PutAccount(L"12345", {{4, StatusValues(L"a", L"", 1, 1)}, {5, StatusValues(L"b", L"", 2, 0)},
                          {6, StatusValues(L"c", L"", 3, 1)}});
    SetIni(L"ICQ", L"UIN", L"12345");
    // Rows, ticks, the selected row (Order), the dirty flag, and the offers.
    auto is = [](const char *ticks, int row, int dirty, const char *offers) {
        return [=](HWND main) {
            EXPECT_EQ(Ticks(main), ticks);
            EXPECT_EQ(Order(main).second, row);
            EXPECT_EQ(StatusListDirty, dirty);
            EXPECT_EQ(UndoOffers(main), offers);
            for (size_t row = 0; row < strlen(ticks); row++)
                EXPECT_EQ(StatusList.Records[row].On, ticks[row] == '1' ? 1u : 0u);
        };
    };
    UiRobot robot;
    robot.Then(Steps({is("101", -1, 0, "00"), ClickBox(1), is("111", 1, 1, "10"), ClickBox(2, true), is("110", 2, 1, "10"),
                      Command(IDM_CLEAR_ALL), is("", -1, 1, "10"), Command(IDM_UNDO), is("110", 2, 1, "11"),
                      Command(IDM_UNDO), is("111", 2, 1, "11"), Command(IDM_UNDO), is("101", 1, 1, "01"),
                      Command(IDM_UNDO), is("101", 1, 1, "01"), Command(IDM_REDO), is("111", 1, 1, "11"),
                      Press(IDC_APPLY), is("111", 1, 0, "11"), Command(IDM_UNDO), is("101", 1, 1, "01"),
                      Command(IDM_DISCARD_CHANGES), is("111", -1, 0, "00"), Press(IDCANCEL)}))
        .Then(Press(IDYES))  // Vymazat vše
        .Then(Press(IDYES)); // Zrušit změny
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"))[L"5"][L"On"], Dword(1));
}

// Keys as the keyboard sends them (real input: the modifiers' state comes
// with them), pressed in turn and let go in reverse, to this thread's
// focused window; the window is brought to the front first.
static Action Keys(std::vector<WORD> keys)
{
    return [keys](HWND window) {
        SetForegroundWindow(window);
        std::vector<INPUT> input;
        for (int up = 0; up < 2; up++)
            for (size_t i = 0; i < keys.size(); i++) {
                INPUT key = {};
                key.type = INPUT_KEYBOARD;
                key.ki.wVk = up ? keys[keys.size() - 1 - i] : keys[i];
                key.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
                input.push_back(key);
            }
        EXPECT_EQ(SendInput((UINT)input.size(), input.data(), sizeof(INPUT)), input.size());
    };
}

// Rests the pointer at point of the screen (real input) and returns the
// text of the tip that shows over the main window, "" for none, waiting up
// to wait milliseconds while the list's messages go on (the robot's own
// wait for the next step). The pointer is put back on each round: other
// tests' windows on the same X screen may take it for a moment.
static std::wstring TipAt(HWND main, POINT at, DWORD wait)
{
    std::wstring text;
    for (DWORD start = GetTickCount(); text.empty() && GetTickCount() - start < wait;) {
        INPUT move = {};
        move.type = INPUT_MOUSE;
        move.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        move.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &move, sizeof move);
        MSG message;
        while (PeekMessageW(&message, GetDlgItem(main, IDC_STATUS_LIST), 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        HWND tip = NULL;
        while ((tip = FindWindowExW(NULL, tip, TOOLTIPS_CLASSW, NULL)) != NULL)
            if (GetWindow(tip, GW_OWNER) == main && IsWindowVisible(tip)) {
                wchar_t shown[DescriptionSize] = L"";
                GetWindowTextW(tip, shown, ARRAYSIZE(shown));
                text = shown;
            }
        Sleep(20);
    }
    return text;
}

TEST_F(MainWindow, CutTextsShowWholeInATip)
{
    std::wstring longText;
    for (int i = 0; i < 40; i++)
        longText += L"Příliš žluťoučký kůň " + std::to_wstring(i) + L" ";
    PutAccount(L"10000", {{3, StatusValues(L"Krátký", longText, 1, 1)}});
    SetIni(L"ICQ", L"UIN", L"10000");
    UiRobot robot;
    robot.Then(Steps({[&](HWND main) {
                          SetForegroundWindow(main);
                          HWND list = GetDlgItem(main, IDC_STATUS_LIST);
                          // The pointer rests on the text, then on the title that fits.
                          for (int column : {1, 0, 1}) {
                              RECT cell = {LVIR_LABEL, column, 0, 0};
                              ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, 0, (LPARAM)&cell));
                              POINT at = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
                              ClientToScreen(list, &at);
                              // Three times the hover time for a tip that should not come.
                              EXPECT_TRUE(TipAt(main, at, column == 1 ? 5000 : 1500) == (column == 1 ? longText : L""))
                                  << column;
                          }
                      },
                      Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
}

// The commands the main window's keys sent (an accelerator's WM_COMMAND).
static std::vector<int> KeyCommands;
static LRESULT CALLBACK RecordKeyCommands(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *call = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_COMMAND && call->hwnd == MainWindowHandle && HIWORD(call->wParam) == 1)
        KeyCommands.push_back(LOWORD(call->wParam));
    return CallNextHookEx(NULL, code, wParam, lParam);
}

TEST_F(MainWindow, KeysReachTheirCommandsInTheMainWindowOnly)
{
    PutAccount(L"12345", {});
    SetIni(L"ICQ", L"UIN", L"12345");
    KeyCommands.clear();
    HHOOK record = SetWindowsHookExW(WH_CALLWNDPROC, RecordKeyCommands, NULL, GetCurrentThreadId());
    auto focusList = [](HWND main) {
        SendDlgItemMessageW(main, IDC_STATUS_LIST, LVM_SETSELECTIONMARK, 0, 0);
        SetFocus(GetDlgItem(main, IDC_STATUS_LIST));
    };
    // In the editor and in a message box the main window's keys do nothing.
    Action mainKeysElsewhere = Steps({Keys({VK_CONTROL, 'S'}), Keys({VK_INSERT}), Escape()});
    UiRobot robot;
    robot.Then(Steps({focusList, Keys({VK_INSERT}), Keys({VK_CONTROL, 'S'}), focusList, Keys({VK_F2}), Keys({'S'}),
                      Keys({VK_DELETE}), Keys({VK_CONTROL, 'Z'}), Keys({VK_CONTROL, VK_SHIFT, 'Z'}),
                      Keys({VK_CONTROL, 'Z'}), Keys({VK_CONTROL, 'Y'}), Keys({VK_CONTROL, 'Y'}), Keys({VK_F1}),
                      Press(IDCANCEL)}))
        .Then(Steps({Type(IDC_STATUS_TITLE, L"nový"), Keys({VK_CONTROL, 'S'}), Press(IDOK)}))
        .Then(mainKeysElsewhere)
        .Then(Steps({Keys({VK_CONTROL, 'S'}), Keys({VK_F2}), Press(IDNO)}));
    EXPECT_EQ(RunMainWindow(), 0);
    UnhookWindowsHookEx(record);
    ASSERT_EQ(robot.Seen().size(), 4u);
    EXPECT_EQ(robot.Seen()[1].caption, L"Upravit status...");
    EXPECT_EQ(robot.Seen()[2].ControlText(IDC_STATUS_TITLE), L"nový");
    EXPECT_EQ(robot.Seen()[3].text, L"Opravdu chcete tento záznam odstranit?");
    // The last Ctrl+Y finds nothing to redo: its greyed item takes no key.
    EXPECT_EQ(KeyCommands, (std::vector<int>{IDC_ADD, IDM_SAVE, IDC_EDIT, IDM_UNDO, IDM_REDO, IDM_UNDO, IDM_REDO,
                                             IDM_HELP_ON_WEB}));
    // Ctrl+S saved the added status; Storno then dropped nothing saved.
    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[L"1"], StatusValues(L"nový", L"", 1, 1));
}
