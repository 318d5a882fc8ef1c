// The robot that answers windows as a user would, from a thread CBT hook.
#include "test_support.h"

#include <algorithm>
#include <list>

static std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

static std::wstring IconKind(HICON icon)
{
    const std::pair<const wchar_t *, const wchar_t *> kinds[] = {
        {IDI_ERROR, L"error"}, {IDI_WARNING, L"warning"}, {IDI_QUESTION, L"question"},
        {IDI_INFORMATION, L"information"}};
    for (const auto &kind : kinds)
        if (icon == LoadIconW(NULL, kind.first))
            return kind.second;
    return icon ? L"other" : L"";
}

std::wstring Shown::ControlText(int id) const
{
    for (const Control &control : controls)
        if (control.id == id)
            return control.text;
    return L"<no control " + std::to_wstring(id) + L">";
}

bool Shown::HasControl(int id) const
{
    return std::any_of(controls.begin(), controls.end(), [&](const Control &c) { return c.id == id; });
}

Shown Describe(HWND window)
{
    Shown shown;
    shown.window = window;
    shown.owner = GetWindow(window, GW_OWNER);
    shown.className = ClassOf(window);
    shown.caption = WindowText(window);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control = {GetDlgCtrlID(child), ClassOf(child), WindowText(child),
                           (DWORD)GetWindowLongW(child, GWL_STYLE)};
        shown.controls.push_back(control);
        if (!lstrcmpiW(control.className.c_str(), L"Button")) {
            DWORD kind = control.style & BS_TYPEMASK;
            if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)
                shown.buttons.push_back(control.id);
        } else if (!lstrcmpiW(control.className.c_str(), L"Static")) {
            if ((control.style & SS_TYPEMASK) == SS_ICON && GetWindowThreadProcessId(child, NULL) ==
                                                                GetCurrentThreadId())
                shown.icon = IconKind((HICON)SendMessageW(child, STM_GETICON, 0, 0));
            if (control.id == 0xFFFF)
                shown.text = control.text;
        }
    }
    return shown;
}

/* ---- The robot ----------------------------------------------------------- */

// The top-level windows of the watched thread. One comes up once it has
// been activated and is visible: a dialog is activated before it shows, and
// a main window still initialising (hidden) may be activated when a box it
// owns closes. Its steps run from the timer when it is enabled (no modal
// window it owns is open); the timer's message comes only after the window
// has handled what the step before posted.
struct Watched {
    HWND window;
    bool activated, cameUp;
    std::vector<Action> steps;
    size_t next;
    Caller answer; // the Then that answered it
};
static std::list<Watched> Windows;
static UiRobot *ActiveRobot;

static std::list<Watched>::iterator Find(HWND window)
{
    return std::find_if(Windows.begin(), Windows.end(), [window](const Watched &w) { return w.window == window; });
}

static void Dismiss(HWND window)
{
    // OK where there is one: in an error report, Cancel would end the process.
    for (int id : {IDOK, IDNO, IDCANCEL})
        if (GetDlgItem(window, id))
            return PostClick(window, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Does the first thing a window waits for: to come up, or its next step.
static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    for (Watched &watched : Windows) {
        HWND window = watched.window;
        if (watched.activated && !watched.cameUp && IsWindowVisible(window)) {
            watched.cameUp = true;
            if (ActiveRobot)
                return ActiveRobot->CameUp(window);
            // Nobody answers: fail rather than wait for ever.
            Shown shown = Describe(window);
            ADD_FAILURE() << "window \"" << Narrow(shown.caption) << "\" came up with no robot to answer it: "
                          << Narrow(shown.text);
            return Dismiss(window);
        }
        if (watched.next < watched.steps.size() && IsWindowEnabled(window) && IsWindowVisible(window)) {
            // Copied first: windows the step brings up are watched too.
            Action step = watched.steps[watched.next++];
            return step(window);
        }
    }
}

static LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = (HWND)wParam;
    auto watched = Find(window);
    if (code == HCBT_CREATEWND) {
        CBT_CREATEWNDW *create = (CBT_CREATEWNDW *)lParam;
        if (!(create->lpcs->style & WS_CHILD))
            Windows.push_back({window, false, false, {}, 0, {}});
    } else if (code == HCBT_DESTROYWND && watched != Windows.end()) {
        if (watched->next < watched->steps.size())
            ADD_FAILURE_AT(watched->answer.file, watched->answer.line) << "steps that never ran: their window closed";
        Windows.erase(watched); // a handle may come back for a later window
    } else if (code == HCBT_ACTIVATE && watched != Windows.end() && !watched->activated) {
        // Windows come up in the order they were first activated.
        watched->activated = true;
        Windows.splice(Windows.end(), Windows, watched);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

void Unwatch(HWND window)
{
    Windows.remove_if([window](const Watched &w) { return w.window == window; });
}

void WatchWindowsOfThisThread()
{
    SetWindowsHookExW(WH_CBT, WatchWindows, NULL, GetCurrentThreadId());
    SetTimer(NULL, 0, 20, OnTimer);
}

UiRobot::UiRobot(Caller caller) : caller_(caller)
{
    ActiveRobot = this;
}

UiRobot::~UiRobot()
{
    ActiveRobot = nullptr;
    for (const auto &expected : queue_)
        ADD_FAILURE_AT(expected.second.file, expected.second.line) << "the window expected here never came up";
    for (Watched &watched : Windows) {
        if (watched.next < watched.steps.size())
            ADD_FAILURE_AT(watched.answer.file, watched.answer.line) << "steps that never ran";
        watched.steps.clear();
    }
}

UiRobot &UiRobot::Then(Action action, Caller caller)
{
    queue_.push_back({std::move(action), caller});
    return *this;
}

void UiRobot::CameUp(HWND window)
{
    Shown shown = Describe(window);
    seen_.push_back(shown);
    if (queue_.empty()) {
        ADD_FAILURE_AT(caller_.file, caller_.line) << "unexpected window \"" << Narrow(shown.caption) << "\" ("
                                                   << Narrow(shown.className) << "): " << Narrow(shown.text);
        Dismiss(window);
        return;
    }
    auto expected = std::move(queue_.front());
    queue_.erase(queue_.begin());
    Find(window)->answer = expected.second;
    expected.first(window);
}

/* ---- Actions ------------------------------------------------------------- */

Action Press(int id)
{
    return [id](HWND window) { PostClick(window, id); };
}

Action Escape()
{
    return [](HWND window) {
        // The dialog manager turns Esc into the command IDCANCEL, whichever
        // control has the focus.
        HWND target = IsChild(window, GetFocus()) ? GetFocus() : window;
        PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    };
}

Action CloseBox()
{
    return [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
}

Action Command(int id)
{
    return [id](HWND window) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
}

Action Type(int id, const std::wstring &text)
{
    return [id, text](HWND window) { SetDlgItemTextW(window, id, text.c_str()); };
}

Action Tick(int id, bool ticked)
{
    return [id, ticked](HWND window) { CheckDlgButton(window, id, ticked ? BST_CHECKED : BST_UNCHECKED); };
}

Action Steps(std::vector<Action> steps)
{
    return [steps](HWND window) { Find(window)->steps = steps; };
}

int LabelTextHeight(HWND label, bool wraps)
{
    std::wstring text = WindowText(label);
    RECT client, needed;
    GetClientRect(label, &client);
    needed = {0, 0, client.right, 0};
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(label, WM_GETFONT, 0, 0));
    DWORD style = (DWORD)GetWindowLongW(label, GWL_STYLE);
    DrawTextW(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE) | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    // Wider than the label: on one line, it does not fit at any height.
    return needed.right > client.right ? INT_MAX : needed.bottom;
}
