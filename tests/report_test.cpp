// The error report of a program built with the longest home-page address
// that the build accepts: every line of the report still shows whole.
#include "test_support.h"

#include "diag/diag.h"
#include "home_url.h"
#include "texts.h"

#include <algorithm>

static_assert(ARRAYSIZE(ORBELAN_HOME_URL) == 101, "the build accepts addresses of up to 100 characters");

static std::wstring Description(DWORD code)
{
    wchar_t text[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text, 1024, NULL);
    return text;
}

using LongestHomePage = TestBed;

TEST_F(LongestHomePage, ReportShowsEveryLineWhole)
{
    auto longest = [](std::initializer_list<const wchar_t *> texts) {
        return *std::max_element(texts.begin(), texts.end(),
                                 [](const wchar_t *a, const wchar_t *b) { return wcslen(a) < wcslen(b); });
    };
    // The longest names of a procedure and of a failing command that the
    // program reports, and of the codes that its registry, file and dialog
    // calls fail with, the one whose description is longest on this system.
    std::wstring procedure = longest({TXT_PROC_WINMAIN, TXT_PROC_LOAD, TXT_PROC_SAVE, TXT_PROC_ACCOUNT,
                                      TXT_PROC_MESSAGE});
    std::wstring command = longest({TXT_CMD_INIT_CONTROLS, TXT_CMD_OPEN_LIST, TXT_CMD_QUERY_DESCRIPTION,
                                    TXT_CMD_QUERY_LINE_NUMBER, TXT_CMD_QUERY_NAME, TXT_CMD_QUERY_ON,
                                    TXT_CMD_CREATE_STATUS, TXT_CMD_SET_DESCRIPTION, TXT_CMD_SET_LINE_NUMBER,
                                    TXT_CMD_SET_NAME, TXT_CMD_SET_ON, TXT_CMD_CLOSE_KEY, TXT_CMD_CLOSE_BASE,
                                    TXT_CMD_CREATE_LIST, TXT_CMD_WRITE_SETTING, TXT_CMD_OPEN_MESSAGE_KEY,
                                    TXT_CMD_QUERY_MESSAGE, TXT_CMD_SET_MESSAGE, TXT_CMD_MESSAGE_DIALOG});
    const DWORD codes[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
                           ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY, ERROR_WRITE_PROTECT, ERROR_SHARING_VIOLATION,
                           ERROR_LOCK_VIOLATION, ERROR_INVALID_PARAMETER, ERROR_DISK_FULL, ERROR_MORE_DATA,
                           ERROR_BADDB, ERROR_BADKEY, ERROR_CANTOPEN, ERROR_CANTREAD, ERROR_CANTWRITE,
                           ERROR_REGISTRY_RECOVERED, ERROR_REGISTRY_CORRUPT, ERROR_REGISTRY_IO_FAILED,
                           ERROR_NOT_REGISTRY_FILE, ERROR_KEY_DELETED, ERROR_KEY_HAS_CHILDREN,
                           ERROR_CHILD_MUST_BE_VOLATILE, ERROR_INVALID_WINDOW_HANDLE, ERROR_RESOURCE_NAME_NOT_FOUND};
    DWORD code = *std::max_element(std::begin(codes), std::end(codes), [](DWORD a, DWORD b) {
        return Description(a).size() < Description(b).size();
    });

    UiRobot robot;
    robot.Then(Press(IDOK));
    ReportError(99999, procedure.c_str(), command.c_str(), code); // more lines than any source file has
    ASSERT_EQ(robot.Seen().size(), 1u);
    std::wstring text = robot.Seen()[0].text, line = L"\nŘádek: 99999\n";
    size_t at = text.find(line);
    ASSERT_NE(at, std::wstring::npos) << Narrow(text);
    std::wstring expected = ReportText(procedure, command, (int)code, ORBELAN_HOME_URL);
    EXPECT_EQ(text.replace(at, line.size(), L"\nŘádek: #\n"), expected)
        << "the report needs " << expected.size() + line.size() - 10 << " characters of 511";
}
