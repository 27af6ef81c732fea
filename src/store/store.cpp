#include "store/store.hpp"

#include <algorithm>

#include "core/error.hpp"
#include "core/utf8.hpp"
#include "store/profile.hpp"

namespace kv::store {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> parseInteger(std::string_view t) {
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        std::string_view digits = t.substr(2);
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(v);
    }
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    std::int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::string temporaryPath(os::Files& files, const std::string& path) {
    return files.temporaryName(path);
}

bool replaceFileContent(os::Files& files, const std::string& path, std::string_view bytes) {
    const std::string temp = temporaryPath(files, path);
    if (files.write(temp, bytes) && files.replace(temp, path)) return true;
    files.remove(temp);
    return false;
}

namespace {

std::string readStore(os::Files& files, const std::string& path) {
    if (auto bytes = files.read(path)) return std::move(*bytes);
    // A file that exists but cannot be read is not an empty store.
    if (files.exists(path)) throw UnreadableStore(path);
    return std::string();
}

void checkNoLineBreak(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value) {
    const auto breaks = [](std::string_view t) {
        return std::any_of(t.begin(), t.end(), [](char c) { return c == '\r' || c == '\n'; });
    };
    if (breaks(section) || breaks(key) || breaks(value))
        throw Error("Unable to write to " + path + ": the value of " + std::string(key) +
                    " holds a line break");
}

}  // namespace

std::unique_ptr<os::FileLock> Store::hold() const {
    auto held = files_.lock(path_);
    if (!held) throw Error("Unable to write to " + path_);
    return held;
}

DecodedText Store::load() const {
    return decodeStoreFile(files_, readStore(files_, path_));
}

void Store::save(const std::string& text, TextEncoding was) {
    // ASCII in a store of the code page is written as it stands, not copied.
    const bool asItStands = was == TextEncoding::CodePage && isAscii(text);
    if (!replaceFileContent(
            files_, path_,
            asItStands ? std::string_view(text) : std::string_view(encodeStoreFile(files_, text, was))))
        throw Error("Unable to write to " + path_);
}

StoreSnapshot::StoreSnapshot(const Store& store) {
    DecodedText decoded = store.load();
    index_ = std::make_shared<const ProfileIndex>(std::move(decoded.text));
    encoding_ = decoded.encoding;
}

StoreSnapshot::StoreSnapshot(const Store& store, ReadingCache& cache) {
    os::Files& files = store.files_;
    const std::optional<os::FileStamp> stamp = files.stamp(store.path_);
    const os::Millis now = cache.clock_.now();
    const bool sameFile = cache.files == &files && cache.path == store.path_;
    if (!(stamp && cache.index && sameFile && cache.stamp == stamp &&
          now - cache.readAt < cache.kTrustStamp)) {
        std::string bytes = readStore(files, store.path_);
        if (!cache.index || !sameFile || cache.bytes != bytes) {
            DecodedText decoded = decodeStoreFile(files, bytes);
            cache.index = std::make_shared<const ProfileIndex>(std::move(decoded.text));
            cache.encoding = decoded.encoding;
            cache.bytes = std::move(bytes);
        }
        cache.files = &files;
        cache.path = store.path_;
        cache.stamp = stamp;
        cache.readAt = now;
    }
    index_ = cache.index;
    encoding_ = cache.encoding;
}

StoreSnapshot::~StoreSnapshot() = default;

std::string StoreSnapshot::readString(std::string_view section, std::string_view key,
                                      std::string_view def) const {
    if (auto v = index_->get(section, key)) return std::string(*v);
    return std::string(readableDefault(def));
}

std::int32_t StoreSnapshot::readInt(std::string_view section, std::string_view key, std::int32_t def) const {
    auto v = index_->get(section, key);
    return v ? parseInteger(*v).value_or(def) : def;
}

void StoreSnapshot::readKeys(std::string_view section, std::span<const std::string_view> keys,
                             std::span<std::optional<std::string_view>> values) const {
    index_->getKeys(section, keys, values);
}

void Store::apply(const StoreSnapshot& read, const std::vector<ByteChange>& changes) {
    if (changes.empty()) return;
    const std::string& from = read.index().bytes();
    std::size_t size = from.size();
    for (const ByteChange& c : changes) size = size - (c.end - c.begin) + c.text.size();
    std::string out;
    out.reserve(size);
    std::size_t at = 0;
    for (const ByteChange& c : changes) {
        out.append(from, at, c.begin - at);
        out += c.text;
        at = c.end;
    }
    out.append(from, at, std::string::npos);
    save(out, read.encoding());
}

std::string Store::readString(std::string_view section, std::string_view key, std::string_view def) const {
    return StoreSnapshot(*this).readString(section, key, def);
}

std::int32_t Store::readInt(std::string_view section, std::string_view key, std::int32_t def) const {
    return StoreSnapshot(*this).readInt(section, key, def);
}

bool Store::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInt(section, key, def ? 1 : 0) != 0;
}

void Store::writeString(std::string_view section, std::string_view key, std::string_view value) {
    checkNoLineBreak(path_, section, key, value);
    const auto held = hold();
    DecodedText file = load();
    ProfileText text(std::move(file.text));
    text.set(section, key, value);
    save(text.bytes(), file.encoding);
}

void Store::writeInt(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void Store::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void Store::eraseSection(std::string_view section) {
    const auto held = hold();
    DecodedText file = load();
    ProfileText text(std::move(file.text));
    if (text.eraseSection(section)) save(text.bytes(), file.encoding);
}

}  // namespace kv::store

namespace kv::store {

void Store::Edit::writeString(std::string_view section, std::string_view key, std::string_view value) {
    checkNoLineBreak(path_, section, key, value);
    text_.set(section, key, value);
}

void Store::Edit::writeInt(std::string_view section, std::string_view key, std::int32_t value) {
    text_.set(section, key, std::to_string(value));
}

void Store::Edit::writeBool(std::string_view section, std::string_view key, bool value) {
    text_.set(section, key, value ? "1" : "0");
}

void Store::Edit::eraseSection(std::string_view section) {
    text_.eraseSection(section);
}

void Store::Edit::eraseKey(std::string_view section, std::string_view key) {
    text_.eraseKey(section, key);
}

void Store::Edit::readKeys(std::string_view section, std::span<const std::string_view> keys,
                           std::span<std::optional<std::string_view>> values) const {
    text_.viewKeys(section, keys, values);
}

void Store::Edit::writeKeys(std::string_view section,
                            std::span<const std::pair<std::string_view, std::string_view>> values) {
    for (const auto& [key, value] : values) checkNoLineBreak(path_, section, key, value);
    text_.setKeys(section, values);
}

std::string Store::Edit::readString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    if (auto v = text_.get(section, key)) return std::move(*v);
    return std::string(readableDefault(def));
}

std::int32_t Store::Edit::readInt(std::string_view section, std::string_view key, std::int32_t def) const {
    auto v = text_.view(section, key);
    return v ? parseInteger(*v).value_or(def) : def;
}

void Store::edit(const std::function<void(Edit&)>& changes) {
    const auto held = hold();
    DecodedText file = load();
    ProfileText text(std::move(file.text));
    Edit e(text, path_);
    changes(e);
    const std::string after = text.bytes();
    if (after != text.original()) save(after, file.encoding);
}

}  // namespace kv::store
