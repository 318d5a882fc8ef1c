// Scratch registry, temporary folders and file helpers.
#include "test_support.h"

#include <shlwapi.h>
#include <stdio.h>

static LONG DeleteTree(HKEY root, const std::wstring &path)
{
    HKEY key;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, &key);
    if (status != ERROR_SUCCESS)
        return status;
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, 0, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (DeleteTree(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyW(root, path.c_str());
}

ScratchRegistry::ScratchRegistry(bool machine, bool classes) : machine_(machine), classes_(classes)
{
    static int counter;
    wchar_t name[96];
    swprintf(name, 96, L"Software\\OrbelanTests\\%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), ++counter);
    path_ = name;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &root_, NULL);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the scratch key, status " << status;
        return;
    }
    auto redirect = [&](HKEY predefined, const wchar_t *sub) {
        HKEY key;
        if (RegCreateKeyExW(root_, sub, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot create a scratch subkey";
            return;
        }
        LONG result = RegOverridePredefKey(predefined, key);
        EXPECT_EQ(result, ERROR_SUCCESS) << "RegOverridePredefKey";
        RegCloseKey(key);
    };
    // The machine and classes roots first: they are created through the
    // real HKEY_CURRENT_USER handle held in root_.
    if (machine_)
        redirect(HKEY_LOCAL_MACHINE, L"HKLM");
    if (classes_)
        redirect(HKEY_CLASSES_ROOT, L"HKCR");
    redirect(HKEY_CURRENT_USER, L"HKCU");
}

ScratchRegistry::~ScratchRegistry()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    if (machine_)
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    if (classes_)
        RegOverridePredefKey(HKEY_CLASSES_ROOT, NULL);
    if (root_)
        RegCloseKey(root_);
    DeleteTree(HKEY_CURRENT_USER, path_);
}

bool ScratchRegistry::Adopt(const std::wstring &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (path + L"\\HKCU").c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegOverridePredefKey(HKEY_CURRENT_USER, key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

static void RemoveFolder(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

TempFolder::TempFolder()
{
    static int counter;
    wchar_t temp[MAX_PATH], name[MAX_PATH + 64];
    GetTempPathW(MAX_PATH, temp);
    swprintf(name, MAX_PATH + 64, L"%lsorbelan-%lu-%lu-%d", temp, GetCurrentProcessId(), GetTickCount(), ++counter);
    path_ = name;
    if (!CreateDirectoryW(path_.c_str(), NULL))
        ADD_FAILURE() << "cannot create " << Narrow(path_);
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    previous_ = current;
    SetCurrentDirectoryW(path_.c_str());
}

TempFolder::~TempFolder()
{
    SetCurrentDirectoryW(previous_.c_str());
    RemoveFolder(path_);
}

std::string ReadFileBytes(const std::wstring &path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::wstring &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << Narrow(path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    EXPECT_EQ(written, bytes.size());
}

std::vector<std::string> ReadLines(const std::wstring &path, bool *crlf)
{
    std::string bytes = ReadFileBytes(path);
    std::vector<std::string> lines;
    bool allCrlf = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            allCrlf = false;
            break;
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        else
            allCrlf = false;
        lines.push_back(line);
        start = end + 1;
    }
    if (crlf)
        *crlf = allCrlf;
    return lines;
}

std::string Narrow(const std::wstring &text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(size, 0);
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], size, NULL, NULL);
    return out;
}

std::wstring Widen(const std::string &utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), NULL, 0);
    std::wstring out(size, 0);
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &out[0], size);
    return out;
}

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return path;
}
