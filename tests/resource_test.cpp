// The resources as the program ships them: dialog and menu templates read
// back from the executable, pictures, icon sizes, manifest, version.
#include "test_support.h"

#include <commctrl.h>

#include "resource.h"
#include "home_url.h"

#include <string.h>

// One control of a DLGTEMPLATEEX, read back.
struct TemplateItem {
    int id;
    std::wstring className; // predefined classes by name
    std::wstring text;      // "#104" for a resource ordinal
    int x, y, width, height;
    DWORD style;
};

struct TemplateHeader {
    DWORD style, exStyle;
    int x, y, width, height;
    std::wstring menu, title, font;
    int pointSize, weight;
    std::vector<TemplateItem> items;
};

static std::wstring ReadSzOrOrd(const WORD *&p)
{
    if (*p == 0) {
        p++;
        return L"";
    }
    if (*p == 0xFFFF) {
        int ordinal = p[1];
        p += 2;
        switch (ordinal) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        case 0x84: return L"ScrollBar";
        case 0x85: return L"ComboBox";
        }
        return L"#" + std::to_wstring(ordinal);
    }
    std::wstring text((const wchar_t *)p);
    p += text.size() + 1;
    return text;
}

static const WORD *AlignDword(const WORD *p, const void *base)
{
    size_t offset = (const BYTE *)p - (const BYTE *)base;
    return (const WORD *)((const BYTE *)base + ((offset + 3) & ~(size_t)3));
}

static TemplateHeader ReadDialog(int id)
{
    TemplateHeader header = {};
    HRSRC found = FindResourceW(NULL, MAKEINTRESOURCEW(id), (LPCWSTR)RT_DIALOG);
    if (!found) {
        ADD_FAILURE() << "no dialog " << id;
        return header;
    }
    const WORD *base = (const WORD *)LockResource(LoadResource(NULL, found));
    const WORD *p = base;
    EXPECT_EQ(p[0], 1);      // dlgVer
    EXPECT_EQ(p[1], 0xFFFF); // extended template
    p += 2 + 2;              // version, signature, helpID
    header.exStyle = *(const DWORD *)p;
    p += 2;
    header.style = *(const DWORD *)p;
    p += 2;
    int count = *p++;
    header.x = (short)*p++;
    header.y = (short)*p++;
    header.width = (short)*p++;
    header.height = (short)*p++;
    header.menu = ReadSzOrOrd(p);
    ReadSzOrOrd(p); // window class
    header.title = ReadSzOrOrd(p);
    if (header.style & DS_SETFONT) {
        header.pointSize = *p++;
        header.weight = *p++;
        p++; // italic, charset
        header.font = ReadSzOrOrd(p);
    }
    for (int i = 0; i < count; i++) {
        p = AlignDword(p, base);
        TemplateItem item = {};
        p += 2; // helpID
        p += 2; // exStyle
        item.style = *(const DWORD *)p;
        p += 2;
        item.x = (short)*p++;
        item.y = (short)*p++;
        item.width = (short)*p++;
        item.height = (short)*p++;
        item.id = (int)*(const DWORD *)p;
        p += 2;
        item.className = ReadSzOrOrd(p);
        item.text = ReadSzOrOrd(p);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        header.items.push_back(item);
    }
    return header;
}

TEST(Resources, MainWindowTemplate)
{
    TemplateHeader dialog = ReadDialog(IDD_MAIN);
    EXPECT_EQ(dialog.style, (DWORD)(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER |
                                    DS_SETFONT | DS_FIXEDSYS));
    EXPECT_EQ(dialog.width, 320);
    EXPECT_EQ(dialog.height, 306);
    EXPECT_EQ(dialog.menu, L"#108");
    EXPECT_EQ(dialog.title, L"Dialog");
    EXPECT_EQ(dialog.font, L"MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 400);

    const DWORD listStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_ALIGNLEFT | LVS_NOSORTHEADER |
                            WS_BORDER | WS_TABSTOP;
    const DWORD editStyle = ES_READONLY | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    struct Expected {
        int id;
        const wchar_t *className;
        std::wstring text;
        int x, y, width, height;
        DWORD style; // bits that must be set
    } expected[] = {
        {IDC_STATUS_LIST, L"SysListView32", L"", 8, 99, 304, 106, listStyle},
        {IDC_ADD, L"Button", L"Přidat..", 136, 211, 56, 14, BS_PUSHBUTTON},
        {IDC_EDIT, L"Button", L"Upravit..", 196, 211, 56, 14, BS_PUSHBUTTON},
        {IDC_DELETE, L"Button", L"Odstranit", 256, 211, 56, 14, BS_PUSHBUTTON},
        {IDOK, L"Button", L"OK", 148, 239, 50, 15, BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", L"Storno", 204, 239, 50, 15, BS_PUSHBUTTON},
        {IDC_APPLY, L"Button", L"Použít", 260, 239, 50, 15, BS_PUSHBUTTON},
        {IDC_HOME_PAGE, L"Button", L"Go!", 184, 259, 20, 12, BS_PUSHBUTTON},
        {IDC_CHANGE_ACCOUNT, L"Button", L"změnit", 140, 79, 48, 12, BS_PUSHBUTTON},
        {IDC_ICQ_NUMBER, L"Edit", L"", 52, 79, 80, 12, editStyle},
        {-1, L"Static", L"Orbelan! vám přináší 8 extra status ikonek a k tomu možnost neomezené délky textu a "
                        L"neomezeného počtu uživatelsky definovaných statusů pro ICQ Lite verze 5.0 a vyšší.",
         8, 8, 308, 16, SS_LEFT},
        {-1, L"Static", L"Po dobu používání tohoto programu doporučuji přestat používat výchozího ICQ Status "
                        L"Managera, jelikož by vám tu v tom mohl nadělat trochu bordel..",
         8, 28, 308, 16, SS_LEFT},
        {-1, L"Static", L"#104", 8, 215, 115, 38, SS_BITMAP},
        {-1, L"Static", L"", 130, 232, 180, 1, SS_ETCHEDHORZ},
        {-1, L"Static", L"", 8, 71, 302, 1, SS_ETCHEDHORZ},
        {-1, L"Static", L"Vaše ICQ#:", 8, 81, 44, 8, SS_LEFT},
        {-1, L"Static", L"Domovská stránka programu: " ORBELAN_HOME_URL, 8, 261, 176, 40, SS_LEFT},
        {IDC_VERSION_LABEL, L"Static", L"Verze %s", 221, 261, 88, 8, SS_RIGHT},
        {-1, L"Static", L"Zároveň prosím všechny uživatele (a zvlášť hlavně ty spokojené), aby mi ochotně "
                        L"nahlásili, dojde-li v programu k nějaké chybě nebo záhadné události. Přijímám i nápady a "
                        L"připomínky.",
         8, 47, 308, 24, SS_LEFT},
    };
    ASSERT_EQ(dialog.items.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < dialog.items.size(); i++) {
        const TemplateItem &item = dialog.items[i];
        const Expected &want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ((short)item.id, want.id);
        EXPECT_EQ(_wcsicmp(item.className.c_str(), want.className), 0) << Narrow(item.className); // any case
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.width, want.width);
        EXPECT_EQ(item.height, want.height);
        EXPECT_EQ(item.style & want.style, want.style);
        if (!_wcsicmp(want.className, L"Static")) {
            EXPECT_EQ(item.style & SS_TYPEMASK, want.style);
        } else if (!_wcsicmp(want.className, L"Button")) {
            EXPECT_EQ(item.style & BS_TYPEMASK, want.style);
        }
        EXPECT_TRUE(item.style & WS_VISIBLE);
    }
}

TEST(Resources, MainMenu)
{
    struct Item {
        const wchar_t *text; // null: separator
        UINT id;
        bool grayed;
    };
    using Popups = std::vector<std::pair<const wchar_t *, std::vector<Item>>>;
    const std::vector<std::pair<int, Popups>> menus = {
        {IDM_MAIN,
         {{L"Možnosti",
           {{L"Změnit výchozí Away message", IDM_AWAY_MESSAGE, true},
            {L"Změnit výchozí N/A message", IDM_NA_MESSAGE, true},
            {nullptr, 0, false},
            {L"Zpět\tCtrl+Z", 40025, false},
            {L"Znovu\tCtrl+Y", 40026, false},
            {nullptr, 0, false},
            {L"Uložit změny\tCtrl+S", IDM_SAVE, false},
            {L"Zrušit změny", IDM_DISCARD_CHANGES, false},
            {L"Vymazat vše", IDM_CLEAR_ALL, false},
            {nullptr, 0, false},
            {L"Exportovat statusy...", 40022, false},
            {L"Importovat statusy...", 40023, false},
            {L"Obnovit ze zálohy...", 40024, false}}},
          {L"Nápověda",
           {{L"Nápověda na webu\tF1", IDM_HELP_ON_WEB, false},
            {L"O Programu...", IDM_ABOUT, false},
            {nullptr, 0, false},
            {L"Domovská stránka programu...", IDM_HOME_PAGE, false}}}}},
        {IDM_STATUS_MENU,
         {{L"",
           {{L"Upravit..\tF2", 1003, false},
            {L"Odstranit\tDel", 1002, false},
            {nullptr, 0, false},
            {L"Posunout nahoru\tAlt+↑", 40020, false},
            {L"Posunout dolů\tAlt+↓", 40021, false}}}}},
    };
    for (const auto &[id, expected] : menus) {
        SCOPED_TRACE(id);
        HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(id));
        ASSERT_TRUE(menu != NULL);
        ASSERT_EQ(GetMenuItemCount(menu), (int)expected.size());
        for (int top = 0; top < (int)expected.size(); top++) {
            wchar_t text[128];
            GetMenuStringW(menu, top, text, 128, MF_BYPOSITION);
            EXPECT_STREQ(text, expected[top].first);
            HMENU popup = GetSubMenu(menu, top);
            const std::vector<Item> &items = expected[top].second;
            ASSERT_EQ(GetMenuItemCount(popup), (int)items.size());
            for (int i = 0; i < (int)items.size(); i++) {
                SCOPED_TRACE(i);
                MENUITEMINFOW info = {};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
                info.dwTypeData = text;
                info.cch = 128;
                ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &info));
                if (!items[i].text) {
                    EXPECT_TRUE(info.fType & MFT_SEPARATOR);
                    continue;
                }
                EXPECT_STREQ(text, items[i].text);
                EXPECT_EQ(info.wID, items[i].id);
                EXPECT_EQ((info.fState & MFS_GRAYED) != 0, items[i].grayed);
            }
        }
        DestroyMenu(menu);
    }
}

static void ExpectBitmap(int id, int width, int height, int bits)
{
    HBITMAP bitmap = (HBITMAP)LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION);
    ASSERT_TRUE(bitmap != NULL) << id;
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), (int)sizeof dib);
    EXPECT_EQ(dib.dsBm.bmWidth, width);
    EXPECT_EQ(dib.dsBm.bmHeight, height);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, bits);
    DeleteObject(bitmap);
}

TEST(Resources, PicturesAndIcons)
{
    ExpectBitmap(IDB_PICTURE, 172, 61, 24);
    ExpectBitmap(IDB_STATUS_ICONS, 512, 16, 24);

#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colors, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    HRSRC found = FindResourceW(NULL, MAKEINTRESOURCEW(IDI_PROGRAM), (LPCWSTR)RT_GROUP_ICON);
    ASSERT_TRUE(found != NULL);
    const WORD *group = (const WORD *)LockResource(LoadResource(NULL, found));
    ASSERT_EQ(group[2], 3) << "three sizes";
    const GroupEntry *entries = (const GroupEntry *)(group + 3);
    const int sizes[] = {48, 16, 32};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(entries[i].width, sizes[i]);
        EXPECT_EQ(entries[i].height, sizes[i]);
        EXPECT_EQ(entries[i].bits, 32);
    }

    // Every status icon is drawn: no image of the strip is only background.
    HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS_ICONS), 16, 0,
                                           RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_EQ(ImageList_GetImageCount(list), 32);
    ImageList_Destroy(list);
}

TEST(Resources, ManifestAndVersion)
{
    HRSRC found = FindResourceW(NULL, MAKEINTRESOURCEW(1), (LPCWSTR)RT_MANIFEST);
    ASSERT_TRUE(found != NULL);
    std::string manifest((const char *)LockResource(LoadResource(NULL, found)), SizeofResource(NULL, found));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    // The architecture of the program it is built into, for the program
    // and the common controls alike.
    const std::string arch = sizeof(void *) == 8 ? "amd64" : "X86";
    EXPECT_NE(manifest.find("\" processorArchitecture=\"" + arch + "\"/>"), std::string::npos);
    EXPECT_NE(manifest.find("processorArchitecture=\"" + arch + "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\""),
              std::string::npos);

    found = FindResourceW(NULL, MAKEINTRESOURCEW(VS_VERSION_INFO), (LPCWSTR)RT_VERSION);
    ASSERT_TRUE(found != NULL);
    std::string block((const char *)LockResource(LoadResource(NULL, found)), SizeofResource(NULL, found));
    std::wstring text((const wchar_t *)block.data(), block.size() / 2);
    const VS_FIXEDFILEINFO *fixed = nullptr;
    size_t at = text.find(L"VS_VERSION_INFO");
    ASSERT_NE(at, std::wstring::npos);
    fixed = (const VS_FIXEDFILEINFO *)(block.data() + ((at * 2 + 32 + 3) & ~3u));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00060001u);
    for (const wchar_t *piece : {L"040504B0", L"ProductName", L"Orbelan", L"FileVersion", L"1.0.6.1"})
        EXPECT_NE(text.find(piece), std::wstring::npos) << Narrow(piece);
    EXPECT_NE(text.find(L"správa uživatelských statusů"), std::wstring::npos) << "a Czech description";
}
