#pragma once
// The recorded-stream file of a recording macro: a small binary format of our own.
//
//   header, 12 bytes:  "KVJ1"  version u16 (1)  flags u16 (bit 0: keys only)  count u32
//   count records of 32 bytes each:
//     kind u8 (0 key, 1 mouse)  reserved u8 (0)  vk u16  scan u16  reserved u16 (0)
//     gap u32 (ms since the previous event)  keyFlags u32  x i32  y i32  mouseFlags u32  wheel i32
//
// All integers little-endian. A file is accepted only when its size is exactly
// the header plus count records and every field is one a recording can hold,
// so a truncated or damaged file is refused as a whole.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/os.hpp"

namespace kv::journal {

// MOUSEEVENTF_* button and wheel bits a recording may hold.
inline constexpr std::uint32_t kMouseLeftDown = 0x0002;
inline constexpr std::uint32_t kMouseLeftUp = 0x0004;
inline constexpr std::uint32_t kMouseRightDown = 0x0008;
inline constexpr std::uint32_t kMouseRightUp = 0x0010;
inline constexpr std::uint32_t kMouseMiddleDown = 0x0020;
inline constexpr std::uint32_t kMouseMiddleUp = 0x0040;
inline constexpr std::uint32_t kMouseWheel = 0x0800;
inline constexpr std::uint32_t kMouseHWheel = 0x1000;

inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::size_t kRecordSize = 32;
inline constexpr std::uint16_t kFormatVersion = 1;

struct Recording {
    bool keyStrokesOnly = false;
    // Each event's time is its gap in milliseconds after the previous event
    // (the first event's gap is 0 when recorded).
    std::vector<os::InputEvent> events;
    bool operator==(const Recording&) const = default;
};

// Whether the reader accepts the event in a recording (of keys only, or not).
bool recordable(const os::InputEvent& event, bool keyStrokesOnly);

std::string encodeRecording(const Recording& recording);
// Nothing when the bytes are not a complete, well-formed recording.
std::optional<Recording> decodeRecording(std::string_view bytes);

}  // namespace kv::journal
