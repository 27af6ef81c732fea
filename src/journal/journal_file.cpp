#include "journal/journal_file.hpp"

namespace kv::journal {

namespace {

constexpr char kMagic[4] = {'K', 'V', 'J', '1'};
constexpr std::uint16_t kFlagKeyStrokesOnly = 0x1;
constexpr std::uint8_t kKindKey = 0;
constexpr std::uint8_t kKindMouse = 1;
constexpr std::uint32_t kKnownKeyFlags = os::kKeyExtended | os::kKeyUp;
constexpr std::uint32_t kKnownMouseFlags = kMouseLeftDown | kMouseLeftUp | kMouseRightDown | kMouseRightUp |
                                           kMouseMiddleDown | kMouseMiddleUp | kMouseWheel | kMouseHWheel;
constexpr std::int32_t kMaxCoordinate = 65535;

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Reads little-endian fields from a span whose length the caller has checked.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    std::uint32_t take(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= std::uint32_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
        pos_ += static_cast<std::size_t>(n);
        return v;
    }
    std::int32_t takeSigned() { return static_cast<std::int32_t>(take(4)); }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

bool validKey(const os::InputEvent& e) {
    return e.vk >= 1 && e.vk <= 0xFE && (e.keyFlags & ~kKnownKeyFlags) == 0 && e.x == 0 && e.y == 0 &&
           e.mouseFlags == 0 && e.wheelDelta == 0;
}

bool validMouse(const os::InputEvent& e) {
    const bool wheel = (e.mouseFlags & (kMouseWheel | kMouseHWheel)) != 0;
    return e.vk == 0 && e.scan == 0 && e.keyFlags == 0 && e.x >= 0 && e.x <= kMaxCoordinate && e.y >= 0 &&
           e.y <= kMaxCoordinate && (e.mouseFlags & ~kKnownMouseFlags) == 0 && (wheel || e.wheelDelta == 0);
}

}  // namespace

bool recordable(const os::InputEvent& e, bool keyStrokesOnly) {
    if (e.kind == os::InputEvent::Kind::Key) return validKey(e);
    return !keyStrokesOnly && validMouse(e);
}

std::string encodeRecording(const Recording& r) {
    std::string out(kMagic, sizeof kMagic);
    out.reserve(kHeaderSize + r.events.size() * kRecordSize);
    put(out, kFormatVersion, 2);
    put(out, r.keyStrokesOnly ? kFlagKeyStrokesOnly : 0, 2);
    put(out, static_cast<std::uint32_t>(r.events.size()), 4);
    for (const os::InputEvent& e : r.events) {
        put(out, e.kind == os::InputEvent::Kind::Key ? kKindKey : kKindMouse, 1);
        put(out, 0, 1);
        put(out, e.vk, 2);
        put(out, e.scan, 2);
        put(out, 0, 2);
        put(out, e.time, 4);
        put(out, e.keyFlags, 4);
        put(out, static_cast<std::uint32_t>(e.x), 4);
        put(out, static_cast<std::uint32_t>(e.y), 4);
        put(out, e.mouseFlags, 4);
        put(out, static_cast<std::uint32_t>(e.wheelDelta), 4);
    }
    return out;
}

std::optional<Recording> decodeRecording(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, 4) != std::string_view(kMagic, 4)) return std::nullopt;
    Reader header(bytes.substr(4, kHeaderSize - 4));
    const std::uint32_t version = header.take(2);
    const std::uint32_t flags = header.take(2);
    const std::uint64_t count = header.take(4);
    if (version != kFormatVersion || (flags & ~kFlagKeyStrokesOnly) != 0) return std::nullopt;
    // 64-bit, so a huge count cannot wrap round to the real size.
    if (bytes.size() != kHeaderSize + count * kRecordSize) return std::nullopt;

    Recording r;
    r.keyStrokesOnly = (flags & kFlagKeyStrokesOnly) != 0;
    r.events.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        Reader in(bytes.substr(kHeaderSize + i * kRecordSize, kRecordSize));
        os::InputEvent e;
        const std::uint32_t kind = in.take(1);
        const std::uint32_t reserved1 = in.take(1);
        e.vk = static_cast<std::uint16_t>(in.take(2));
        e.scan = static_cast<std::uint16_t>(in.take(2));
        const std::uint32_t reserved2 = in.take(2);
        e.time = in.take(4);
        e.keyFlags = in.take(4);
        e.x = in.takeSigned();
        e.y = in.takeSigned();
        e.mouseFlags = in.take(4);
        e.wheelDelta = in.takeSigned();
        if (reserved1 != 0 || reserved2 != 0) return std::nullopt;
        if (kind == kKindKey) {
            e.kind = os::InputEvent::Kind::Key;
        } else if (kind == kKindMouse) {
            e.kind = os::InputEvent::Kind::Mouse;
        } else {
            return std::nullopt;
        }
        if (!recordable(e, r.keyStrokesOnly)) return std::nullopt;
        r.events.push_back(e);
    }
    return r;
}

}  // namespace kv::journal
