// Our store against the platform's own profile functions: the same
// operations give the same values, and writes the same bytes.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/utf8.hpp"
#include "harness.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"
#include "store/store.hpp"

namespace {

using kv::os::win32::narrow;
using kv::os::win32::widen;

struct StoreDifferential : ::testing::Test {
    kv::os::win32::Win32Files files;
    std::string dir, ours, theirs;
    bool utf16 = false;  // files seeded as the platform keeps a Unicode profile

    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        dir = narrow(tmp) + "kvdiff" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryW(widen(dir).c_str(), nullptr);
        ours = dir + "ours.ini";
        theirs = dir + "theirs.ini";
        files.remove(ours);
        files.remove(theirs);
    }
    void TearDown() override {
        flush();
        files.remove(ours);
        files.remove(theirs);
        RemoveDirectoryW(widen(dir).c_str());
    }
    // Empties the platform's cache of the file, so it reads the disk afresh.
    void flush() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, widen(theirs).c_str()); }
    void seed(const std::string& text) {
        const std::string bytes = utf16 ? "\xFF\xFE" + kv::utf8ToUtf16Le(text) : text;
        files.write(ours, bytes);
        files.write(theirs, bytes);
        flush();
    }
    std::string bytes(const std::string& path) {
        flush();
        return files.read(path).value_or("<missing>");
    }
    std::string theirRead(const std::string& section, const std::string& key, const char* def) {
        std::wstring buf(2048, L'\0');
        const DWORD n = GetPrivateProfileStringW(widen(section).c_str(), widen(key).c_str(),
                                                 widen(def).c_str(), buf.data(), 1024, widen(theirs).c_str());
        buf.resize(n);
        return narrow(buf);
    }
    void write(const char* section, const char* key, const std::string& value) {
        kv::store::Store(files, ours).writeString(section, key, value);
        ASSERT_TRUE(WritePrivateProfileStringW(widen(section).c_str(), widen(key).c_str(),
                                               widen(value).c_str(), widen(theirs).c_str()));
    }
    void erase(const char* section) {
        kv::store::Store(files, ours).eraseSection(section);
        WritePrivateProfileStringW(widen(section).c_str(), nullptr, nullptr, widen(theirs).c_str());
    }
    void expectSameRead(const std::string& section, const std::string& key) {
        EXPECT_EQ(kv::store::Store(files, ours).readString(section, key, "<default>"),
                  theirRead(section, key, "<default>"))
            << "[" << section << "] " << key;
    }
};

// Every operation on a file in the code page and on one in UTF-16LE.
struct EveryEncoding : StoreDifferential, ::testing::WithParamInterface<bool> {
    void SetUp() override {
        StoreDifferential::SetUp();
        utf16 = GetParam();
    }
};

// Text the code page of the test prefix (Windows-1252) holds, and text only
// a Unicode file can.
const std::string kFits = "Zo\u00EB \u20AC";
const std::string kUnicode = "\u041E\u0442\u0447\u0451\u0442 \u5831\u544A \U0001F600";

}  // namespace

INSTANTIATE_TEST_SUITE_P(StoreDifferential, EveryEncoding, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Utf16" : "CodePage"; });

TEST_P(EveryEncoding, ReadsOfHandWrittenFiles) {
    const std::string longValue(1500, 'v');
    seed(
        "[Main]\r\n"
        "Entries = 3 \r\n"
        "  FirstRun=0\r\n"
        "Quoted=\"a b\"\r\n"
        "Half=\"open\r\n"
        "NoEquals\r\n"
        "Dup=one\r\n"
        "DUP=two\r\n"
        "Long=" +
        longValue +
        "\r\n"
        "Empty=\r\n"
        "\r\n"
        "[ Macro1 ]\r\n"
        "Name=First Macro  \r\n"
        "HotKey=0xC04B\r\n"
        "[macro1]\r\n"
        "Trigger=shadowed\r\n"
        "[Macro2]\n"
        "Name=lf only\n"
        "Other=" +
        (utf16 ? kUnicode : kFits) + "\n");
    for (const char* key :
         {"Entries", "firstrun", "Quoted", "Half", "NoEquals", "Dup", "Long", "Empty", "Missing"})
        expectSameRead("main", key);
    for (const char* key : {"Name", "HotKey", "Trigger"}) expectSameRead("MACRO1", key);
    expectSameRead("Macro2", "Name");
    expectSameRead("Macro2", "Other");
    expectSameRead("Nowhere", "Name");
}

TEST_P(EveryEncoding, WriteSequencesGiveTheSameBytes) {
    seed(e2e::store(1, "[Macro1]\r\nName=One\r\nType=4\r\n", ""));
    write("Main", "Entries", "2");
    write("main", "FirstRun", "0");
    write("Macro2", "Name", "Two");
    write("MACRO2", "type", "1");
    write("Macro1", "NAME", "Renamed");
    write("Macro1", "Trigger", "");
    write("Position", "Width", "421");
    erase("macro1");
    write("Macro1", "Name", "Back");
    erase("Missing");
    write("Macro2", "FileName", "C:\\Program Files\\x.exe");
    write("Macro2", "Trigger", utf16 ? kUnicode : kFits);
    EXPECT_EQ(bytes(ours), bytes(theirs));
    for (const char* key : {"Entries", "FirstRun"}) expectSameRead("Main", key);
    for (const char* key : {"Name", "Type", "FileName", "Trigger"}) expectSameRead("Macro2", key);
    expectSameRead("Macro1", "Trigger");
}

TEST_P(EveryEncoding, DeletionShiftGivesTheSameBytes) {
    seed(e2e::store(3,
                    "[Macro1]\r\nName=A\r\nType=1\r\n[Macro2]\r\nName=B\r\nType=2\r\n"
                    "[Macro3]\r\nName=C\r\nType=3\r\nSpeed=2\r\n",
                    ""));
    // The shift as a sequence of plain writes, done by both.
    for (const char* key : {"Name", "Type", "Speed"}) {
        const std::string v = theirRead("Macro3", key, key == std::string("Speed") ? "1" : "");
        write("Macro2", key, v);
    }
    erase("Macro3");
    write("Main", "Entries", "2");
    EXPECT_EQ(bytes(ours), bytes(theirs));
}

TEST_F(StoreDifferential, WritesIntoAMissingFileCreateTheSameFile) {
    write("Main", "Entries", "1");
    write("Macro1", "Name", "New");
    EXPECT_EQ(bytes(ours), bytes(theirs));
}

TEST_F(StoreDifferential, AValueOutsideTheCodePageTurnsTheFileUtf16AndThePlatformReadsItAll) {
    seed(e2e::store(2, "[Macro1]\r\nName=" + kFits + "\r\nType=4\r\n[Macro2]\r\nName=B\r\n", ""));
    kv::store::Store(files, ours).writeString("Macro2", "Name", kUnicode);
    const std::string switched = bytes(ours);
    ASSERT_TRUE(switched.starts_with("\xFF\xFE"));
    files.write(theirs, switched);
    flush();
    expectSameRead("Main", "Entries");
    for (const char* key : {"Name", "Type"}) expectSameRead("Macro1", key);
    EXPECT_EQ(theirRead("Macro2", "Name", ""), kUnicode);
    // From here on both keep it as UTF-16, byte for byte.
    write("Macro3", "Name", kFits);
    erase("Macro1");
    EXPECT_EQ(bytes(ours), bytes(theirs));
}
