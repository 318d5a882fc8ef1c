// Failing system calls: the test program's import table, patched.
#include "test_support.h"

#include <string.h>

static void WriteSlot(ULONG_PTR *slot, ULONG_PTR value, Caller caller)
{
    DWORD protection;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        ADD_FAILURE_AT(caller.file, caller.line) << "cannot write the import table, error " << GetLastError();
        return;
    }
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

ImportPatch::ImportPatch(const char *library, const char *function, ULONG_PTR replacement, Caller caller)
{
    BYTE *image = (BYTE *)GetModuleHandleW(NULL);
    const IMAGE_NT_HEADERS *headers = (const IMAGE_NT_HEADERS *)(image + ((IMAGE_DOS_HEADER *)image)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto entry = (const IMAGE_IMPORT_DESCRIPTOR *)(image + imports.VirtualAddress); imports.Size && entry->Name;
         entry++) {
        const char *name = (const char *)(image + entry->Name);
        if (_stricmp(name, library) && _strnicmp(name, "api-ms-win-", 11))
            continue;
        // The names stay in the lookup table; the address table holds what
        // the calls go to.
        auto names = (const IMAGE_THUNK_DATA *)(image + entry->OriginalFirstThunk);
        auto slots = (IMAGE_THUNK_DATA *)(image + entry->FirstThunk);
        for (; entry->OriginalFirstThunk && names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp((const char *)((const IMAGE_IMPORT_BY_NAME *)(image + names->u1.AddressOfData))->Name, function))
                continue;
            slots_.push_back({(ULONG_PTR *)&slots->u1.Function, slots->u1.Function});
            WriteSlot(slots_.back().first, replacement, caller);
        }
    }
    if (slots_.empty())
        ADD_FAILURE_AT(caller.file, caller.line) << library << "!" << function << " is not in the import table";
}

ImportPatch::~ImportPatch()
{
    for (const auto &slot : slots_)
        WriteSlot(slot.first, slot.second, {});
}

LONG WINAPI RegCloseKeyThenFail(HKEY key)
{
    // The library's own entry: the import table's leads back here.
    static auto close = reinterpret_cast<decltype(&RegCloseKey)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegCloseKey")));
    close(key);
    return ERROR_INVALID_HANDLE;
}

UINT WINAPI GetTempFileNameOnAFullDisk(LPCWSTR, LPCWSTR, UINT, LPWSTR)
{
    SetLastError(ERROR_DISK_FULL);
    return 0;
}
