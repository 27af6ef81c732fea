// The per-user installer: msiexec installs Keyvale without elevation, the
// program starts from its Start-menu shortcut and runs a macro, and a
// reinstall, an upgrade and an uninstall leave the user's macros alone.

#include <gtest/gtest.h>

#include "harness.hpp"
// After windows.h, which harness.hpp brings.
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>

using namespace std::chrono_literals;

namespace {

// A package path from the environment, in Windows form; empty when unset.
std::string packagePath(const char* variable) {
    const char* v = std::getenv(variable);
    std::string s = v ? v : "";
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string shellFolder(int csidl) {
    char buf[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

// Runs msiexec of this prefix with the arguments, pumping while it works; its exit code.
DWORD msiexec(e2e::Harness& h, const std::string& arguments) {
    std::string cmd = "msiexec.exe " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return GetLastError();
    h.waitFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 120s);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// The product codes of the installed products named Keyvale, as the
// installed-programs list shows them: one entry each.
std::vector<std::string> keyvaleProducts() {
    std::vector<std::string> found;
    char code[39];
    for (DWORD i = 0; MsiEnumProductsA(i, code) == ERROR_SUCCESS; ++i) {
        char name[256] = {};
        DWORD n = sizeof name;
        if (MsiGetProductInfoA(code, INSTALLPROPERTY_INSTALLEDPRODUCTNAME, name, &n) == ERROR_SUCCESS &&
            std::string(name) == "Keyvale")
            found.push_back(code);
    }
    return found;
}

std::string productInfo(const std::string& code, const char* property) {
    char text[256] = {};
    DWORD n = sizeof text;
    MsiGetProductInfoA(code.c_str(), property, text, &n);
    return text;
}

// Each installed Keyvale as "version, publisher, context".
std::vector<std::string> installedProducts() {
    std::vector<std::string> found;
    for (const std::string& code : keyvaleProducts()) {
        char version[64] = {};
        DWORD n = sizeof version;
        const bool perUser =
            MsiGetProductInfoExA(code.c_str(), nullptr, MSIINSTALLCONTEXT_USERUNMANAGED,
                                 INSTALLPROPERTY_VERSIONSTRING, version, &n) == ERROR_SUCCESS;
        found.push_back(productInfo(code, INSTALLPROPERTY_VERSIONSTRING) + ", " +
                        productInfo(code, INSTALLPROPERTY_PUBLISHER) +
                        (perUser ? ", per user" : ", not per user"));
    }
    return found;
}

// The resident Keyvale started from the shortcut: its process, once its tray form exists.
HANDLE findResident(std::string& image) {
    HWND tray = FindWindowExA(nullptr, nullptr, "TKeyvale", nullptr);
    DWORD pid = 0;
    if (!tray || !GetWindowThreadProcessId(tray, &pid)) return nullptr;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    char path[MAX_PATH] = {};
    DWORD n = MAX_PATH;
    if (process && QueryFullProcessImageNameA(process, 0, path, &n)) image = path;
    return process;
}

}  // namespace

TEST(Installer, InstallsPerUserRunsFromTheStartMenuAndUninstallKeepsTheMacros) {
    const std::string msi = packagePath("KV_PACKAGE_MSI");
    const std::string rebuilt = packagePath("KV_REBUILT_MSI");
    const std::string newer = packagePath("KV_NEWER_MSI");
    for (const std::string* p : {&msi, &rebuilt, &newer}) {
        ASSERT_TRUE(!p->empty() && exists(*p))
            << "no installer package at '" << *p << "': scripts/package builds build/package/Keyvale.msi";
    }
    const std::string version = std::getenv("KV_PACKAGE_VERSION") ? std::getenv("KV_PACKAGE_VERSION") : "";
    const std::string newerVersion = std::getenv("KV_NEWER_VERSION") ? std::getenv("KV_NEWER_VERSION") : "";

    e2e::Harness h;
    // What an interrupted run left installed goes first.
    for (const std::string& code : keyvaleProducts()) ASSERT_EQ(msiexec(h, "/x " + code + " /qn"), 0u);
    const std::string dir = shellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Keyvale\\";
    const std::string lnk = shellFolder(CSIDL_PROGRAMS) + "\\Keyvale.lnk";

    ASSERT_EQ(msiexec(h, "/i \"" + msi + "\" /qn"), 0u);
    EXPECT_EQ(installedProducts(), std::vector<std::string>{version + ", Keyvale, per user"});
    for (const char* f : {"Macros.exe", "Keyvale.html", "Keyvalefaq.html"})
        EXPECT_TRUE(exists(dir + f)) << dir + f;
    ASSERT_TRUE(exists(lnk)) << lnk;
    if (const char* home = std::getenv("HOME")) {
        EXPECT_FALSE(exists("Z:" + std::string(home) +
                            "\\.local\\share\\applications\\wine\\Programs\\Keyvale.desktop"))
            << "the shortcut reached the Linux menus";
    }

    // A script macro, its data file beside the program, where the program
    // keeps data while its folder takes new files.
    const std::string store =
        e2e::store(1, e2e::macroSection(1, "Greeting", 4, e2e::ctrlAlt('K'), "Greeting.key"));
    h.writeStore(store);
    std::ofstream(dir + "Greeting.key", std::ios::binary) << "installed";

    h.focusTarget();
    ShellExecuteA(nullptr, "open", lnk.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    HANDLE resident = nullptr;
    std::string image;
    ASSERT_TRUE(h.waitFor([&] { return (resident = findResident(image)) != nullptr; }, 20s))
        << "the shortcut started no Keyvale";
    EXPECT_EQ(image, dir + "Macros.exe");
    h.pumpFor(1500ms);  // the hot keys are registered once it has started
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "installed"; }, 15s)) << h.editText();
    PostMessageA(FindWindowExA(nullptr, nullptr, "TKeyvale", nullptr), WM_COMMAND, 8 /* Exit */, 0);
    EXPECT_TRUE(h.waitFor([&] { return WaitForSingleObject(resident, 0) == WAIT_OBJECT_0; }, 10s));
    CloseHandle(resident);
    const std::string storeAfterRun = h.readStore();

    // A rebuilt package of the same version and a newer one each replace the
    // installed product: one entry in the list, the macros untouched.
    ASSERT_EQ(msiexec(h, "/i \"" + rebuilt + "\" /qn"), 0u);
    EXPECT_EQ(installedProducts(), std::vector<std::string>{version + ", Keyvale, per user"});
    ASSERT_EQ(msiexec(h, "/i \"" + newer + "\" /qn"), 0u);
    EXPECT_EQ(installedProducts(), std::vector<std::string>{newerVersion + ", Keyvale, per user"});
    EXPECT_TRUE(exists(dir + "Macros.exe"));
    EXPECT_TRUE(exists(lnk));
    EXPECT_EQ(e2e::readFile(dir + "Greeting.key"), "installed");
    EXPECT_EQ(h.readStore(), storeAfterRun);
    // The older package does not go over the newer one.
    EXPECT_NE(msiexec(h, "/i \"" + msi + "\" /qn"), 0u);
    EXPECT_EQ(installedProducts(), std::vector<std::string>{newerVersion + ", Keyvale, per user"});

    ASSERT_EQ(msiexec(h, "/x \"" + newer + "\" /qn"), 0u);
    EXPECT_TRUE(installedProducts().empty());
    for (const char* f : {"Macros.exe", "Keyvale.html", "Keyvalefaq.html"})
        EXPECT_FALSE(exists(dir + f)) << dir + f;
    EXPECT_FALSE(exists(lnk));
    EXPECT_EQ(e2e::readFile(dir + "Greeting.key"), "installed") << "uninstall took the macro's data file";
    EXPECT_EQ(h.readStore(), storeAfterRun) << "uninstall touched macros.ini";

    DeleteFileA((dir + "Greeting.key").c_str());
    RemoveDirectoryA(dir.c_str());
}
