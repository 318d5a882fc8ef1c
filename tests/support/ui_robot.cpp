// The robot that answers windows as a user would, from a thread CBT hook.
#include "test_support.h"

#include <algorithm>

static std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

static std::wstring IconKind(HICON icon)
{
    if (!icon)
        return L"";
    if (icon == LoadIconW(NULL, IDI_ERROR))
        return L"error";
    if (icon == LoadIconW(NULL, IDI_WARNING))
        return L"warning";
    if (icon == LoadIconW(NULL, IDI_QUESTION))
        return L"question";
    if (icon == LoadIconW(NULL, IDI_INFORMATION))
        return L"information";
    return L"other";
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
        Control control;
        control.id = GetDlgCtrlID(child);
        control.className = ClassOf(child);
        control.style = (DWORD)GetWindowLongW(child, GWL_STYLE);
        control.text = WindowText(child);
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

static UiRobot *ActiveRobot;
static int Ignoring; // IgnoreNewWindows in force
static HHOOK WatchHook;
// Top-level windows created on the watched thread and not yet activated.
static std::vector<HWND> Created;
// Steps of one window, each run from a timer when the window is enabled,
// that is when no modal window it owns is open. A step posts its input;
// the timer's message comes only after the window has handled it. A run
// lasts as long as its robot, which fails the test for a step not run.
struct StepRun {
    UiRobot *robot;
    HWND window;
    std::vector<Action> steps;
    size_t next;
    UINT_PTR timer;
};
static std::vector<StepRun> StepRuns;

static void Dismiss(HWND window)
{
    // OK where there is one: in an error report, Cancel would end the process.
    for (int id : {IDOK, IDNO, IDCANCEL}) {
        if (GetDlgItem(window, id)) {
            PostClick(window, id);
            return;
        }
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Windows activated but not yet visible: a dialog is activated before it
// shows, and a main window that is still initialising (hidden) may be
// activated when a box it owns closes. Such a window counts as come up once
// it is visible.
static std::vector<HWND> Pending;
static UINT_PTR PendingTimer;

static void CameUp(HWND window)
{
    if (ActiveRobot) {
        ActiveRobot->Activated(window);
        return;
    }
    // Nobody answers: fail rather than wait for ever.
    Shown shown = Describe(window);
    ADD_FAILURE() << "window \"" << Narrow(shown.caption) << "\" came up with no robot to answer it: "
                  << Narrow(shown.text);
    Dismiss(window);
}

static void Forget(std::vector<HWND> &windows, HWND window)
{
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

static void CALLBACK CheckPending(HWND, UINT, UINT_PTR, DWORD)
{
    std::vector<HWND> waiting = Pending;
    for (HWND window : waiting) {
        if (!IsWindow(window)) {
            Forget(Pending, window);
        } else if (IsWindowVisible(window)) {
            Forget(Pending, window);
            CameUp(window);
        }
    }
    if (Pending.empty() && PendingTimer) {
        KillTimer(NULL, PendingTimer);
        PendingTimer = 0;
    }
}

static LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = (HWND)wParam;
    if (code == HCBT_CREATEWND) {
        CBT_CREATEWNDW *create = (CBT_CREATEWNDW *)lParam;
        if (!(create->lpcs->style & WS_CHILD) && !Ignoring)
            Created.push_back(window);
    } else if (code == HCBT_DESTROYWND) {
        // A handle may come back for a later window.
        Forget(Created, window);
        Forget(Pending, window);
    } else if (code == HCBT_ACTIVATE) {
        // Only a window activated for the first time is news, not one
        // activated again after a window it owns closed.
        auto created = std::find(Created.begin(), Created.end(), window);
        if (window && created != Created.end()) {
            Created.erase(created);
            Pending.push_back(window);
            if (!PendingTimer)
                PendingTimer = SetTimer(NULL, 0, 20, CheckPending);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

IgnoreNewWindows::IgnoreNewWindows() { Ignoring++; }
IgnoreNewWindows::~IgnoreNewWindows() { Ignoring--; }

void WatchWindowsOfThisThread()
{
    if (!WatchHook)
        WatchHook = SetWindowsHookExW(WH_CBT, WatchWindows, NULL, GetCurrentThreadId());
}

UiRobot::UiRobot()
{
    WatchWindowsOfThisThread();
    ActiveRobot = this;
}

UiRobot::~UiRobot()
{
    ActiveRobot = nullptr;
    EXPECT_TRUE(queue_.empty()) << queue_.size() << " window(s) the test expected never came up";
    for (const StepRun &run : StepRuns) {
        if (run.robot == this) {
            KillTimer(NULL, run.timer);
            EXPECT_EQ(run.next, run.steps.size()) << "steps that never ran: their window closed first";
        }
    }
    auto mine = [this](const StepRun &run) { return run.robot == this; };
    StepRuns.erase(std::remove_if(StepRuns.begin(), StepRuns.end(), mine), StepRuns.end());
}

UiRobot &UiRobot::Then(Action action)
{
    queue_.push_back(std::move(action));
    return *this;
}

void UiRobot::Activated(HWND window)
{
    Shown shown = Describe(window);
    seen_.push_back(shown);
    if (queue_.empty()) {
        ADD_FAILURE() << "unexpected window \"" << Narrow(shown.caption) << "\" (" << Narrow(shown.className)
                      << "): " << Narrow(shown.text);
        Dismiss(window);
        return;
    }
    Action action = std::move(queue_.front());
    queue_.erase(queue_.begin());
    action(window);
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
        HWND target = GetFocus();
        if (!target || (target != window && !IsChild(window, target)))
            target = window;
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
    return [id, ticked](HWND window) {
        SendDlgItemMessageW(window, id, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    };
}

static void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    for (StepRun &run : StepRuns) {
        if (run.timer == id && run.next < run.steps.size() && IsWindowEnabled(run.window) &&
            IsWindowVisible(run.window)) {
            // Copied first: windows the step brings up add runs of their own.
            Action step = run.steps[run.next++];
            step(run.window);
            return;
        }
    }
}

Action Steps(std::vector<Action> steps)
{
    return [steps](HWND window) {
        StepRuns.push_back({ActiveRobot, window, steps, 0, SetTimer(NULL, 0, 20, StepTimer)});
    };
}
