// The program's message boxes.
#include "app/message_box.h"

#include "app/main_dialog.h"
#include "texts.h"

int ShowMessage(HWND owner, const wchar_t *text, UINT style)
{
    return MessageBoxW(owner, text, TXT_CAPTION, style);
}

int AskQuestion(const wchar_t *text)
{
    return ShowMessage(MainWindowHandle, text, MB_YESNO | MB_ICONQUESTION);
}
