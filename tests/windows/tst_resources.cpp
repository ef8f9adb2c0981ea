// A program's resources as Explorer reads them (Properties -> Details, the
// icon), and its manifest, each value printed; an installer's version alone:
//   tst_resources PROGRAM.exe DESCRIPTION [--version-only]
// The product, the company and the version are the build's (CMake's).
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

int g_failures = 0;

void check(bool ok, const std::wstring &what, const std::wstring &value)
{
    std::printf("%s %ls: %ls\n", ok ? "ok  " : "FAIL", what.c_str(), value.c_str());
    g_failures += ok ? 0 : 1;
}

std::wstring wide(const char *utf8)
{
    std::wstring text(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), int(text.size()));
    text.pop_back();
    return text;
}

// A value of the version's first (its only) language.
std::wstring versionText(std::vector<char> &info, const wchar_t *name)
{
    WORD *language = nullptr;
    UINT size = 0;
    if (info.empty() || !VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&language), &size)
        || size < 2 * sizeof(WORD))
        return L"(no translation)";
    wchar_t path[100];
    swprintf(path, 100, L"\\StringFileInfo\\%04x%04x\\%ls", language[0], language[1], name);
    wchar_t *value = nullptr;
    return VerQueryValueW(info.data(), path, reinterpret_cast<void **>(&value), &size) && size > 0
        ? std::wstring(value)
        : L"(none)";
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    const bool versionOnly = argc == 4 && std::wstring(argv[3]) == L"--version-only";
    if ((argc != 3 && !versionOnly) || std::wstring(argv[1]).size() < 5) {
        std::fprintf(stderr, "usage: tst_resources PROGRAM.exe DESCRIPTION [--version-only]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    std::vector<char> info(GetFileVersionInfoSizeW(program.c_str(), nullptr));
    if (!info.empty() && !GetFileVersionInfoW(program.c_str(), 0, DWORD(info.size()), info.data()))
        info.clear();
    check(!info.empty(), L"version resource", program);
    const std::wstring version = wide(VX_VERSION_TEXT);
    const std::pair<const wchar_t *, std::wstring> rows[] = {
        {L"ProductName", wide(VX_PRODUCT_NAME)},     {L"CompanyName", wide(VX_COMPANY_NAME)},
        {L"FileDescription", argv[2]},               {L"FileVersion", version},
        {L"ProductVersion", version},                {L"OriginalFilename", program},
        {L"InternalName", versionOnly ? program : program.substr(0, program.size() - 4)},
        {L"LegalCopyright", wide(VX_COPYRIGHT)}};
    for (const auto &[name, expected] : rows) {
        const std::wstring value = versionText(info, name);
        check(value == expected, name, value);
    }
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT size = 0;
    const bool hasFixed = !info.empty() && VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &size)
        && size >= sizeof *fixed;
    const DWORD high = MAKELONG(VX_VERSION_MINOR, VX_VERSION_MAJOR), low = MAKELONG(0, VX_VERSION_PATCH);
    wchar_t numbers[40] = L"(none)";
    if (hasFixed)
        swprintf(numbers, 40, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                 HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    check(hasFixed && fixed->dwFileVersionMS == high && fixed->dwFileVersionLS == low
              && fixed->dwProductVersionMS == high && fixed->dwProductVersionLS == low,
          L"version numbers", numbers);
    if (versionOnly)
        return g_failures == 0 ? 0 : 1;

    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // Explorer shows the first icon group; Qt gives the window the one named IDI_ICON1.
    std::wstring first = L"(none)";
    if (module)
        EnumResourceNamesW(
            module, RT_GROUP_ICON,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) -> BOOL {
                *reinterpret_cast<std::wstring *>(out) = IS_INTRESOURCE(name) ? L"a number" : name;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&first));
    check(first == L"IDI_ICON1", L"first icon group", first);
    HRSRC found = module ? FindResourceW(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char *bytes = loaded ? static_cast<const char *>(LockResource(loaded)) : nullptr;
    const std::string manifest = bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
    for (const char *setting : {"level=\"asInvoker\"", ">PerMonitorV2", ">true/pm<", ">true</longPathAware>"})
        check(manifest.find(setting) != std::string::npos, L"manifest", wide(setting));
    if (module)
        FreeLibrary(module);
    return g_failures == 0 ? 0 : 1;
}
