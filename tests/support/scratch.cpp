// Scratch registry, temporary folders, files, a web server and registry data.
#include "test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

// A name no other scratch key or folder has, in this run or another.
static std::wstring UniqueName()
{
    static int counter;
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) + L"-" +
           std::to_wstring(++counter);
}

ScratchRegistry::ScratchRegistry(const std::wstring &adopt)
    : path_(adopt.empty() ? L"Software\\OrbelanTests\\" + UniqueName() : adopt), owned_(adopt.empty())
{
    // HKEY_CURRENT_USER last: the others are made through the real one.
    for (auto redirect : {std::make_pair(HKEY_LOCAL_MACHINE, L"\\HKLM"), std::make_pair(HKEY_CLASSES_ROOT, L"\\HKCR"),
                          std::make_pair(HKEY_CURRENT_USER, L"\\HKCU")}) {
        HKEY key;
        LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + redirect.second).c_str(), 0, NULL, 0,
                                      KEY_ALL_ACCESS, NULL, &key, NULL);
        if (status == ERROR_SUCCESS) {
            status = RegOverridePredefKey(redirect.first, key);
            RegCloseKey(key);
        }
        EXPECT_EQ(status, ERROR_SUCCESS) << "scratch key " << Narrow(path_ + redirect.second);
    }
}

ScratchRegistry::~ScratchRegistry()
{
    for (HKEY predefined : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT})
        RegOverridePredefKey(predefined, NULL);
    if (owned_)
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

TempFolder::TempFolder(const std::wstring &adopt)
    : path_(adopt.empty() ? (std::filesystem::temp_directory_path() / (L"orbelan-" + UniqueName())).wstring() : adopt),
      previous_(std::filesystem::current_path()), owned_(adopt.empty())
{
    EXPECT_TRUE(!owned_ || CreateDirectoryW(path_.c_str(), NULL)) << "cannot create " << Narrow(path_);
    SetCurrentDirectoryW(path_.c_str());
}

TempFolder::~TempFolder()
{
    SetCurrentDirectoryW(previous_.c_str());
    std::error_code ignored; // a file still open stays behind in %TEMP%
    if (owned_)
        std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::wstring &path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring &path, const std::string &bytes, Caller caller)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    if (!(file << bytes).flush())
        ADD_FAILURE_AT(caller.file, caller.line) << "cannot write " << Narrow(path);
}

std::vector<std::wstring> FileNames(const std::wstring &folder)
{
    std::vector<std::wstring> names;
    std::error_code missing;
    for (const auto &entry : std::filesystem::directory_iterator(folder, missing))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ReadLines(const std::wstring &path)
{
    std::istringstream text(ReadFileBytes(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line.substr(0, line.size() - (!line.empty() && line.back() == '\r')));
    return lines;
}

std::string Narrow(const std::wstring &text)
{
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL), 0);
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], (int)out.size(), NULL, NULL);
    return out;
}

std::wstring Widen(const std::string &utf8)
{
    std::wstring out(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), NULL, 0), 0);
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &out[0], (int)out.size());
    return out;
}

std::wstring TestProgram()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    return path;
}

std::wstring ExeFolder()
{
    return std::filesystem::path(TestProgram()).parent_path();
}

std::wstring WinePath(const char *unixPath)
{
    // Wine shows the root of the Linux file system as drive Z:.
    std::wstring path = L"Z:" + Widen(unixPath);
    for (wchar_t &c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

bool WaitUntil(const std::function<bool()> &done, DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (done())
            return true;
        Sleep(50);
    }
    return done();
}

WebServer::WebServer(int port, const char *site)
{
    // A folder of this server alone, even beside the leftovers of a run
    // that was ended halfway.
    std::string unixFolder = "/tmp/orbelan-http-" + Narrow(UniqueName());
    folder_ = WinePath(unixFolder.c_str());
    EXPECT_TRUE(CreateDirectoryW(folder_.c_str(), NULL));
    EXPECT_TRUE(CreateDirectoryW((folder_ + L"\\www").c_str(), NULL));
    std::wstring command = L"/usr/bin/python3 " + Widen(ORBELAN_SOURCE_DIR) + L"/tests/version_server.py " +
                           Widen(unixFolder) + (site ? L" " + Widen(site) : L"") +
                           (port ? L" --port " + std::to_wstring(port) : L"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Wine runs a Unix program detached: there is no handle to wait on.
    EXPECT_TRUE(CreateProcessW(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    // A fixed port another server holds is waited for up to a minute.
    WaitUntil([this] { return (port_ = atoi(ReadFileBytes(folder_ + L"\\port").c_str())) != 0; }, 65000);
    EXPECT_NE(port_, 0) << "the HTTP server did not start";
    EXPECT_TRUE(!port || port_ == port) << "the HTTP server listens on " << port_ << ", not on " << port;
}

WebServer::~WebServer()
{
    // It looks for the file every tenth of a second, and says when it has
    // stopped listening.
    WriteFileBytes(folder_ + L"\\stop", "");
    WaitUntil([this] { return FileExists(folder_ + L"\\stopped"); }, 10000);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::wstring WebServer::Serve(const std::wstring &name, const std::string &bytes)
{
    WriteFileBytes(folder_ + L"\\www\\" + name, bytes);
    return Url(name);
}

std::vector<std::string> WebServer::Requests() const
{
    return ReadLines(folder_ + L"\\requests");
}

std::wstring WebServer::Url(const std::wstring &name) const
{
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/" + name;
}

/* ---- Registry data ------------------------------------------------------ */

void PutKey(HKEY root, const std::wstring &path, const RegValues &values, DWORD options, Caller caller)
{
    HKEY key;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE_AT(caller.file, caller.line) << "creating " << Narrow(path) << ", status " << status;
        return;
    }
    for (const auto &value : values) {
        status = RegSetValueExW(key, value.first.c_str(), 0, value.second.type,
                                (const BYTE *)value.second.data.data(), (DWORD)value.second.data.size());
        if (status != ERROR_SUCCESS)
            ADD_FAILURE_AT(caller.file, caller.line) << "setting " << Narrow(value.first) << ", status " << status;
    }
    RegCloseKey(key);
}

static RegValues ReadValues(HKEY key)
{
    RegValues values;
    DWORD longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &longestName, &longestData, NULL, NULL);
    std::wstring name(longestName + 1, 0);
    std::string data(longestData, 0);
    for (DWORD index = 0;; index++) {
        DWORD nameLength = longestName + 1, type = 0, size = longestData;
        if (RegEnumValueW(key, index, &name[0], &nameLength, NULL, &type, (BYTE *)&data[0], &size) != ERROR_SUCCESS)
            break;
        values[name.substr(0, nameLength)] = {type, data.substr(0, size)};
    }
    return values;
}

RegTree ReadTree(HKEY root, const std::wstring &path)
{
    RegTree tree;
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    wchar_t name[256];
    for (DWORD index = 0, length = 256; RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, NULL) ==
                                        ERROR_SUCCESS; index++, length = 256) {
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            tree[name] = ReadValues(sub);
            RegCloseKey(sub);
        }
    }
    RegCloseKey(key);
    return tree;
}

bool KeyExists(HKEY root, const std::wstring &path)
{
    HKEY key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS && RegCloseKey(key) == ERROR_SUCCESS;
}

std::wstring AccountKey(const std::wstring &icq, const wchar_t *leaf)
{
    wchar_t path[512];
    EXPECT_TRUE(AccountKeyPath(icq.c_str(), leaf, path, 512)) << "account key path of " << Narrow(icq);
    return path;
}

RegValues StatusValues(const std::wstring &name, const std::wstring &text, DWORD line, DWORD on)
{
    return {{L"Description", Utf8Binary(text)}, {L"LineNumber", Dword(line)},
            {L"Name", Utf8Binary(name)}, {L"On", Dword(on)}};
}

void PutAccount(const std::wstring &icq, std::initializer_list<std::pair<int, RegValues>> statuses, DWORD options)
{
    PutKey(HKEY_CURRENT_USER, AccountKey(icq));
    PutKey(HKEY_CURRENT_USER, ListKeyPath(icq), {}, options);
    for (const auto &status : statuses)
        PutKey(HKEY_CURRENT_USER, ListKeyPath(icq) + L"\\" + std::to_wstring(status.first), status.second, options);
}

DWORD TryRunSystemProgram(const wchar_t *program, const std::wstring &arguments)
{
    wchar_t folder[MAX_PATH];
    (lstrcmpiW(program, L"regedit.exe") ? GetSystemDirectoryW : GetWindowsDirectoryW)(folder, MAX_PATH);
    // Wine's reg.exe has been seen to hang, seldom, after its work, and
    // twice in a row under the full suite's load: one that does not end in
    // time is ended (by Process) and run again, up to three times.
    for (int attempt = 0; attempt < 3; attempt++) {
        Process process;
        if (!process.Start(std::wstring(folder) + L"\\" + program, L"", arguments))
            return (DWORD)-1;
        DWORD code = process.Wait(15000);
        if (code != STILL_ACTIVE)
            return code;
    }
    return STILL_ACTIVE;
}

DWORD RunSystemProgram(const wchar_t *program, const std::wstring &arguments, Caller caller)
{
    DWORD code = TryRunSystemProgram(program, arguments);
    if (code == STILL_ACTIVE || code == (DWORD)-1) {
        ADD_FAILURE_AT(caller.file, caller.line) << Narrow(program) << " " << Narrow(arguments) << " did not run to its end";
        return (DWORD)-1;
    }
    return code;
}
