// Registry fixtures: writing keys and values, reading them back whole.
#include "test_support.h"

#include "store/status_store.h"

RegValue Binary(const std::string &bytes)
{
    RegValue value;
    value.type = REG_BINARY;
    value.data = bytes;
    return value;
}

RegValue Dword(DWORD number)
{
    RegValue value;
    value.type = REG_DWORD;
    value.data.assign((const char *)&number, 4);
    return value;
}

RegValue Utf8Binary(const std::wstring &text)
{
    return Binary(Narrow(text));
}

void PutKey(HKEY root, const std::wstring &path, const RegValues &values, DWORD options)
{
    HKEY key;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL);
    ASSERT_EQ(status, ERROR_SUCCESS) << "creating " << Narrow(path);
    for (const auto &value : values) {
        status = RegSetValueExW(key, value.first.c_str(), 0, value.second.type,
                                (const BYTE *)value.second.data.data(), (DWORD)value.second.data.size());
        EXPECT_EQ(status, ERROR_SUCCESS) << "setting " << Narrow(value.first);
    }
    RegCloseKey(key);
}

static RegValues ReadValues(HKEY key)
{
    RegValues values;
    for (DWORD index = 0;; index++) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, NULL, &type, NULL, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, 0);
        nameLength = 16384;
        RegEnumValueW(key, index, name, &nameLength, NULL, &type, (BYTE *)&data[0], &size);
        data.resize(size);
        RegValue value;
        value.type = type;
        value.data = data;
        values[name] = value;
    }
    return values;
}

RegTree ReadTree(HKEY root, const std::wstring &path)
{
    RegTree tree;
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    for (DWORD index = 0;; index++) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
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
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring AccountKey(const std::wstring &icq, const wchar_t *leaf)
{
    wchar_t path[512];
    EXPECT_TRUE(AccountKeyPath(icq.c_str(), leaf, path, 512)) << "account key path of " << Narrow(icq);
    return path;
}

std::wstring ListKeyPath(const std::wstring &icq)
{
    return AccountKey(icq, L"CustomStatusList");
}

RegValues StatusValues(const std::wstring &name, const std::wstring &text, DWORD line, DWORD on)
{
    return {{L"Description", Utf8Binary(text)}, {L"LineNumber", Dword(line)},
            {L"Name", Utf8Binary(name)}, {L"On", Dword(on)}};
}
