#pragma once
// Drives the real Macros.exe from outside, as a user and the system would:
// a focused target window with an edit control, a low-level keyboard hook
// that records every key event, macros.ini in the Windows directory, a fresh
// program directory, hot keys pressed with keybd_event, and windows found by
// caption and operated with window messages.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "journal/journal_file.hpp"
#include "store/macro.hpp"

namespace e2e {

// UTF-8 <-> UTF-16: the tests' text is UTF-8, the calls they make are the wide ones.
std::wstring utf16(const std::string& utf8);
std::string utf8(const std::wstring& utf16);

// A [Macro<slot>] section of the store.
std::string macroSection(int slot, const std::string& name, int kind, int hotKey, const std::string& fileName,
                         const std::string& extra = "");
// One line "Key=value" of a macro's section, the key as the store's table names it.
std::string macroLine(kv::store::MacroField field, const std::string& value);

// The text of a store: [Main] with the entry count and mainKeys (whole
// lines), then the sections. By default the first run is over, so the
// program starts to the tray; without FirstRun ("") the manager window shows.
std::string store(int entries, const std::string& sections = "",
                  const std::string& mainKeys = "FirstRun=0\r\n");

// The hidden tray form of the program's process pid, or nullptr.
HWND trayForm(DWORD pid);

// A whole file's bytes, empty when it cannot be read (paths are UTF-8).
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

// Ctrl+Alt+<key> as a stored hot-key value.
inline int ctrlAlt(char key) {
    return 0xC000 + key;
}

// A keystroke recording (a .dat file's bytes) that takes 10 s at its recorded
// speed: 2000 events 5 ms apart, Z held throughout, and ten letters in turn
// that are not the hot keys' (with the harness's Ctrl and Alt down for a hot
// key, a replayed J would start a macro).
std::string longRecording(const char* letters = "ABCDEFGHIM");

// A keystroke recording built event by event: each press or release comes
// gap milliseconds after the one before it (the first at once), with the
// layout's scan code of its key.
class KeystrokeRecording {
public:
    KeystrokeRecording& key(std::uint16_t vk, bool up, std::uint32_t gap = 5);
    // Pressed, then released.
    KeystrokeRecording& tap(std::uint16_t vk, std::uint32_t gap = 5) {
        return key(vk, false, gap).key(vk, true, gap);
    }
    // The .dat file's bytes.
    std::string bytes() const;

private:
    kv::journal::Recording recording_{true, {}};
};

// What a shell link (.lnk) holds. The path is read from the link's item
// list, which Wine keeps in Unicode (its location block holds only ANSI).
struct LinkFields {
    std::string description, path, workingDirectory, arguments, iconFile;
    int showCommand = 0, iconIndex = -1;
    WORD hotKey = 0;
};
// False while the file is missing or not yet a whole link.
bool readLink(const std::string& file, LinkFields& out);

struct KeyRecord {
    DWORD vk;
    bool down;
    DWORD scan;
    bool extended;
    bool injectedByKeyvale;
    // The event's time stamp (GetTickCount), given when it was sent.
    DWORD time = 0;
    // When the hook saw it (QueryPerformanceCounter): a wait that pumps a
    // long stream of input notices a key later than the hook saw it.
    LONGLONG seen = 0;
};

// Stands in for the task bar's notification area while it lives:
// Shell_NotifyIcon hands its requests to the first window of this class, as
// WM_COPYDATA with the request in dwData. Without it, removing the tray icon
// waits for a shell that is not there.
struct NotificationArea {
    static inline int adds = 0;
    static inline int deletes = 0;
    // The window that added the last icon.
    static inline HWND from = nullptr;
    HWND window = nullptr;
    NotificationArea();
    ~NotificationArea();
    NotificationArea(const NotificationArea&) = delete;
    NotificationArea& operator=(const NotificationArea&) = delete;
};

class Harness {
public:
    Harness();
    ~Harness();

    // A fresh program directory holding a copy of Macros.exe, with a trailing
    // backslash. Paths, captions and texts the harness takes and gives are UTF-8.
    const std::string& programDir() const { return programDir_; }
    // From now on the program runs from this folder (with a trailing
    // backslash), one the test prepared, instead of the fresh one.
    void useProgramDir(const std::string& dir) {
        removeProgramDir();
        programDir_ = dir;
    }
    std::string storePath() const;
    void writeStore(const std::string& text);
    std::string readStore() const;
    // A key of [Macro<slot>] as the platform's (wide) profile functions read it, "(none)" when missing.
    std::string storeValue(int slot, const char* key) const;
    void writeProgramFile(const std::string& name, const std::string& bytes);
    std::string readProgramFile(const std::string& name) const;
    bool programFileExists(const std::string& name) const;

    // Starts Macros.exe from the program directory with the arguments.
    void start(const std::string& arguments = "");
    bool running();
    // For a failure's message: the exit code of an ended program, or the
    // class and caption of each of its top-level windows.
    std::string state();
    // Ends the program, as a user's log-off would, so that it can be started again.
    void stop();
    DWORD processId() const { return process_.dwProcessId; }
    // Waits for the program to exit; false on time-out.
    bool waitForExit(std::chrono::milliseconds timeout);
    // The program's processor time (user and kernel) in milliseconds. Under
    // Wine, GetProcessTimes of another process lags or stands still while
    // the asking process does not pump; the Linux process's own account in
    // /proc (10 ms steps) is used there, GetProcessTimes elsewhere.
    double processorMs();
    // Where processorMs() reads from: "/proc" or "GetProcessTimes".
    const char* processorSource() { return unixPid() ? "/proc" : "GetProcessTimes"; }
    // The hot keys are registered once the program has finished starting.
    void waitUntilIdle();

    // Presses and releases key with the modifiers (VK_CONTROL, VK_MENU, VK_SHIFT).
    void pressHotKey(std::vector<BYTE> modifiers, BYTE key, std::chrono::milliseconds holdModifiers = {});
    void keyDown(BYTE vk);
    void keyUp(BYTE vk);
    // Presses and releases a key, then pumps a little: the harness's keyboard
    // hook runs on this thread.
    void tap(BYTE vk);
    // Letters (either case) and blanks, typed as their keys; a click posted
    // afterwards would otherwise overtake them (posted messages come first).
    void typeLetters(const std::string& letters);
    // Clicks the dialog's visible button, radio button or check box with
    // this caption, else its own button of that caption even while hidden
    // (BM_CLICK), and lets the program take it; false, and a test failure,
    // when the dialog has none.
    bool press(HWND dialog, const std::string& caption,
               std::chrono::milliseconds settle = std::chrono::milliseconds(400));

    // Pumps messages until the condition holds or the time-out passes,
    // looking at it at least every step.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                 std::chrono::milliseconds step = std::chrono::milliseconds(25));
    void pumpFor(std::chrono::milliseconds duration);

    // The harness's own focused window and its edit control.
    HWND target() const { return target_; }
    // The edit control's text in the code page (editText) or as UTF-8.
    std::string editText() const;
    std::string editTextUtf8() const;
    // Types the text as Unicode input into the focused control, as an input
    // method or an on-screen keyboard does.
    void sendText(const std::string& text);
    void clearEdit();
    void focusTarget();

    // The clipboard's Unicode text (UTF-8), as the driver puts it there and
    // reads it back; "(none)" when it holds no text.
    static void setClipboardText(const std::string& text);
    static std::string clipboardText();

    // A visible dialog of the program with this caption, or nullptr.
    HWND findDialog(const std::string& caption) const;
    // The texts of a dialog's static controls, joined by newlines.
    static std::string dialogText(HWND dialog);
    static void clickButton(HWND dialog, const std::string& caption);

    const std::vector<KeyRecord>& keys() const;
    // The key events Keyvale injected, as "v1+ v1- ..." with hexadecimal
    // virtual keys, + for a press and - for a release.
    std::string injectedKeys() const;
    // The text of the keys Keyvale pressed, as UTF-8: Unicode input
    // (VK_PACKET, the character in the scan code) and the layout's keys.
    std::string typedByHook() const;
    // The keys Keyvale pressed and did not release ("" when none).
    std::string stillHeld() const;
    // Waits until a replay types into the focused target, then presses Esc
    // and lets a second and a half pass; false when no replay typed.
    bool escapeAReplay();
    void clearKeys();
    // A prefix just created is still starting its services when the first
    // test runs, and the low-level hook misses events meanwhile: waits (up to
    // 20 s) until a key this process sends reaches the hook.
    bool hookSeesKeys();
    // Removes (false) or installs again (true) the low-level keyboard hook,
    // for a benchmark that must not count its cost.
    static void keyboardHook(bool on);
    // Wine keeps the low-level hook of a killed program first in the chain,
    // where it passes no event on: every older hook (this one) then misses
    // every key. Installed again, this hook comes before it. Called after
    // every kill of the program.
    static void hookFirstAgain();
    // Sets the text of the first edit control of a dialog.
    static void setDialogEdit(HWND dialog, const std::string& text);

private:
    void removeProgramDir();
    // The Linux process id of the program under Wine, 0 when there is none;
    // looked up once per start.
    unsigned long unixPid();
    std::string programDir_;
    PROCESS_INFORMATION process_{};
    unsigned long unixPid_ = 0;
    DWORD unixPidOf_ = 0;  // the Windows process id unixPid_ was looked up for
    HWND target_ = nullptr;
    HWND edit_ = nullptr;
};

}  // namespace e2e
