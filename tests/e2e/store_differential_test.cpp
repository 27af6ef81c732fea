// Our store against the platform's own profile functions: the same
// operations give the same values, and writes the same bytes.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness.hpp"
#include "os/win32/win32_os.hpp"
#include "store/store.hpp"

namespace {

struct StoreDifferential : ::testing::Test {
    kv::os::win32::Win32Files files;
    std::string dir, ours, theirs;

    void SetUp() override {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = std::string(tmp) + "kvdiff" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        ours = dir + "ours.ini";
        theirs = dir + "theirs.ini";
        DeleteFileA(ours.c_str());
        DeleteFileA(theirs.c_str());
    }
    void TearDown() override {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());  // flush the platform's cache
        DeleteFileA(ours.c_str());
        DeleteFileA(theirs.c_str());
        RemoveDirectoryA(dir.c_str());
    }
    void seed(const std::string& text) {
        files.write(ours, text);
        files.write(theirs, text);
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());
    }
    std::string bytes(const std::string& path) {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());
        return files.read(path).value_or("<missing>");
    }
    std::string theirRead(const char* section, const char* key, const char* def) {
        std::string buf(2048, '\0');
        const DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), 1024, theirs.c_str());
        buf.resize(n);
        return buf;
    }
    void write(const char* section, const char* key, const char* value) {
        kv::store::Store(files, ours).writeString(section, key, value);
        ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, theirs.c_str()));
    }
    void erase(const char* section) {
        kv::store::Store(files, ours).eraseSection(section);
        WritePrivateProfileStringA(section, nullptr, nullptr, theirs.c_str());
    }
    void expectSameRead(const char* section, const char* key) {
        EXPECT_EQ(kv::store::Store(files, ours).readString(section, key, "<default>"),
                  theirRead(section, key, "<default>"))
            << "[" << section << "] " << key;
    }
};

}  // namespace

TEST_F(StoreDifferential, ReadsOfHandWrittenFiles) {
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
        "Name=lf only\n");
    for (const char* key :
         {"Entries", "firstrun", "Quoted", "Half", "NoEquals", "Dup", "Long", "Empty", "Missing"})
        expectSameRead("main", key);
    for (const char* key : {"Name", "HotKey", "Trigger"}) expectSameRead("MACRO1", key);
    expectSameRead("Macro2", "Name");
    expectSameRead("Nowhere", "Name");
}

TEST_F(StoreDifferential, WriteSequencesGiveTheSameBytes) {
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
    EXPECT_EQ(bytes(ours), bytes(theirs));
    for (const char* key : {"Entries", "FirstRun"}) expectSameRead("Main", key);
    for (const char* key : {"Name", "Type", "FileName"}) expectSameRead("Macro2", key);
    expectSameRead("Macro1", "Trigger");
}

TEST_F(StoreDifferential, DeletionShiftGivesTheSameBytes) {
    seed(e2e::store(3,
                    "[Macro1]\r\nName=A\r\nType=1\r\n[Macro2]\r\nName=B\r\nType=2\r\n"
                    "[Macro3]\r\nName=C\r\nType=3\r\nSpeed=2\r\n",
                    ""));
    // The shift as a sequence of plain writes, done by both.
    for (const char* key : {"Name", "Type", "Speed"}) {
        const std::string v = theirRead("Macro3", key, key == std::string("Speed") ? "1" : "");
        write("Macro2", key, v.c_str());
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
