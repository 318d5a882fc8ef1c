/* The texts the program shows or writes from code, kept in one place.
   Dialog texts live in orbelan.rc. UTF-8 source, UTF-16 literals. */
#pragma once

#include "home_url.h"

/* Caption of the main window, every message box and every notice. */
#define TXT_CAPTION L"Orbelan!"

/* The main window's list columns */
#define TXT_COLUMN_STATUS L"Status"
#define TXT_COLUMN_TEXT L"Popis"

/* Questions of the main window */
#define TXT_ASK_DISCARD L"Opravdu chcete zahodit všechny změny, které jste provedli od posledního uložení?"
#define TXT_ASK_CLEAR_ALL L"Opravdu chcete vymazat všechny statusy?"

/* Backups, export and import of the statuses */
#define TXT_ASK_SAVE_WITHOUT_BACKUP L"Zálohu dosavadních statusů se nepodařilo uložit.\n\n%s\nUložit přesto?"
#define TXT_ASK_DROP_CHANGES L"Neuložené změny budou ztraceny. Pokračovat?"
#define TXT_FILE_UNREADABLE L"Soubor se nepodařilo přečíst.\n\n%s"
#define TXT_FILE_DAMAGED L"Soubor není soubor registru, nebo je poškozený (řádek %d)."
#define TXT_FILE_WITHOUT_STATUSES L"V souboru nejsou žádné statusy ICQ Lite."
#define TXT_FILE_OF_MANY_ACCOUNTS L"Soubor obsahuje statusy více účtů ICQ. Importovat lze jen jeden účet."
#define TXT_EXPORT_FAILED L"Statusy se nepodařilo uložit do souboru.\n\n%s"
#define TXT_EXPORT_TITLE L"Exportovat statusy"
#define TXT_IMPORT_TITLE L"Importovat statusy"
#define TXT_RESTORE_TITLE L"Obnovit ze zálohy"
/* The file dialogs' filter: pairs of a name and its pattern, ending in an
   empty name. */
#define TXT_FILE_FILTER L"Soubory registru (*.reg)\0*.reg\0Všechny soubory (*.*)\0*.*\0"
#define TXT_EXPORT_NAME L"Orbelan %s.reg"
#define TXT_BACKUP_FOLDER L"Zálohy"
/* The unsaved list kept when Windows ends the session: "<ICQ#> <time>
   neuloženo.reg", offered at the next start, then renamed "... neuloženo
   obnoveno.reg" when restored. */
#define TXT_UNSAVED_MARK L" neuloženo"
#define TXT_RESTORED_MARK L" obnoveno"
#define TXT_ASK_RESTORE_UNSAVED                                                                             \
    L"Při posledním ukončení Windows zůstaly neuložené změny statusů tohoto ICQ# (%s). Chcete je obnovit?" \
    L"\n\nPokud zvolíte Ne, zůstanou ve složce „Zálohy“ a obnovíte je později příkazem Obnovit ze zálohy."

/* The status editor */
#define TXT_ICON_TAKEN \
    L"Každá ikonka může být v seznamu zastoupena pouze jednou. Zvolte pro tento status jinou ikonku."
#define TXT_ASK_DELETE L"Opravdu chcete tento záznam odstranit?"
#define TXT_TITLE_TOO_LONG L"Název statusu je příliš dlouhý. Zkraťte jej prosím."
#define TXT_TEXT_TOO_LONG L"Text statusu je příliš dlouhý. Zkraťte jej prosím."

/* The version check */
#define TXT_ASK_NEW_VERSION L"K dispozici je nová verze programu (%s). Chcete ji stáhnout nyní?"

/* Account selection */
#define TXT_ICQ_PROMPT \
    L"Zadejte vaše ICQ#\n\n(Pozn.: Tyto user statusy platí pouze pro lokální uživatele, tzn. jen pro " \
    L"přihlášení z tohoto počítače)"
#define TXT_ASK_SAVE_BEFORE_SWITCH L"Chcete uložit změny, které jste nyní provedli pod předchozím ICQ#?"
#define TXT_ICQ_INVALID L"ICQ# musí být číslo v rozmezí od 10000 do 2147483646"
#define TXT_NO_ICQ_KEY \
    L"Nepodařilo se otevřít klíč pod HKCU\\Software\\Mirabilis\\ICQ. Nejpravděpodobnější možností je, že " \
    L"ICQ není na tomto počítači korektně nainstalováno."
#define TXT_ASK_CREATE_RECORD \
    L"Toto ICQ# nemá na tomto počítači žádný záznam v User Statusech. To znamená, že buď tento uživatel ICQ " \
    L"nikdy nepoužil Status Managera, anebo je zadáno chybné číslo. Jste-li přesvědčeni, že vámi zadané " \
    L"číslo je správné, pokračujte kliknutím na tlačítko ANO. V opačném případě klikněte na NE"

/* The error report. The log line is English on purpose: the log is read by
   the maker, the message box by the user. */
#define TXT_REPORT_HEAD \
    L"Chyba aplikace!\n" \
    L"\n" \
    L"V programu došlo k chybě, která dost pravděpodobně negativně ovlivní jeho běh. " \
    L"Omlouvám se za způsobené potíže a prosím o nahlášení chyby. (kontakt: " ORBELAN_HOME_URL L")\n" \
    L"Kliknutím na tlačítko storno můžete aplikaci ukončit.\n" \
    L"\n"
#define TXT_REPORT_PROCEDURE L"Chybující Funkce: "
#define TXT_REPORT_LINE L"Řádek: "
#define TXT_REPORT_COMMAND L"Chybující příkaz: "
#define TXT_REPORT_CODE L"Číslo chyby: "
#define TXT_REPORT_DESCRIPTION L"Popis chyby: "

/* Procedure names and failing commands named in error reports */
#define TXT_PROC_WINMAIN L"WinMain"
#define TXT_PROC_LOAD L"LoadAll"
#define TXT_PROC_SAVE L"SaveAll"
#define TXT_PROC_ACCOUNT L"RefreshData"
#define TXT_PROC_MESSAGE L"ChangeICQMessage"
#define TXT_CMD_INIT_CONTROLS L"InitCommonControlsEx"
#define TXT_CMD_OPEN_LIST L"RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\")"
#define TXT_CMD_QUERY_DESCRIPTION L"RegQueryValueEx(\"Description\")"
#define TXT_CMD_QUERY_LINE_NUMBER L"RegQueryValueEx(\"LineNumber\")"
#define TXT_CMD_QUERY_NAME L"RegQueryValueEx(\"Name\")"
#define TXT_CMD_QUERY_ON L"RegQueryValueEx(\"On\")"
#define TXT_CMD_CREATE_STATUS L"RegCreateKeyEx"
#define TXT_CMD_SET_DESCRIPTION L"RegSetValueEx(\"Description\")"
#define TXT_CMD_SET_LINE_NUMBER L"RegSetValueEx(\"LineNumber\")"
#define TXT_CMD_SET_NAME L"RegSetValueEx(\"Name\")"
#define TXT_CMD_SET_ON L"RegSetValueEx(\"On\")"
#define TXT_CMD_CLOSE_KEY L"RegCloseKey"
#define TXT_CMD_CLOSE_BASE L"RegCloseKey(base)"
#define TXT_CMD_CREATE_LIST L"RegCreateKeyEx(\"HKCU\\\\...\\\\CustomStatusList\")"
#define TXT_CMD_WRITE_SETTING L"WritePrivateProfileStringW"
#define TXT_CMD_OPEN_MESSAGE_KEY L"RegOpenKeyEx"
#define TXT_CMD_QUERY_MESSAGE L"RegQueryValueEx"
#define TXT_CMD_SET_MESSAGE L"RegSetValueEx"
#define TXT_CMD_MESSAGE_DIALOG L"DialogBoxParamW"

/* The log line of an error report:
   Command { <command> } in proc. <procedure> failed on line (<line>) with error <code> */
#define TXT_LOG_COMMAND L"Command { "
#define TXT_LOG_PROCEDURE L" } in proc. "
#define TXT_LOG_LINE L" failed on line ("
#define TXT_LOG_CODE L") with error "
