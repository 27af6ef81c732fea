#pragma once
// The macro store: one profile file, parsed into one model by every reading
// (afresh, except where a ReadingCache is given) and replaced whole and
// atomically by every write.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "os/os.hpp"
#include "store/text_encoding.hpp"

namespace kv::store {

// The store's file exists but cannot be read (held by another program, a
// read error). Unlike a missing file it is not an empty store: nothing may
// be written on the strength of such a read.
class UnreadableStore : public Error {
public:
    explicit UnreadableStore(const std::string& path) : Error("Unable to read from " + path) {}
};

// Integer text as the store reads it: optional sign and decimal digits, or
// "0x"/"0X" and hexadecimal digits when longer than two characters (up to
// eight digits, wrapping to a signed 32-bit value). Anything else yields
// nothing.
std::optional<std::int32_t> parseInteger(std::string_view text);

class Store {
public:
    Store(os::Files& files, std::string path) : files_(files), path_(std::move(path)) {}

    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    std::int32_t readInt(std::string_view section, std::string_view key, std::int32_t def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Every read raises UnreadableStore when the file exists but cannot be read.
    // Each write raises "Unable to write to %s" when the file cannot be
    // written, and refuses a line break in a name or value, which would add
    // lines of its own to the file. A failed write leaves the file as it was.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void eraseSection(std::string_view section);

    // Several changes that go to the file together, in one replacement: a
    // crash or a refused write leaves either all of them or none.
    class Edit {
    public:
        void writeString(std::string_view section, std::string_view key, std::string_view value);
        void writeInt(std::string_view section, std::string_view key, std::int32_t value);
        void writeBool(std::string_view section, std::string_view key, bool value);
        void eraseSection(std::string_view section);
        void eraseKey(std::string_view section, std::string_view key);
        // Reads of the same reading of the file that the changes apply to,
        // with the changes made so far.
        std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
        std::int32_t readInt(std::string_view section, std::string_view key, std::int32_t def) const;
        // Several keys of one section in one pass over it; nothing for a
        // missing key. The values read stay valid during the edit.
        void readKeys(std::string_view section, std::span<const std::string_view> keys,
                      std::span<std::optional<std::string_view>> values) const;
        void writeKeys(std::string_view section,
                       std::span<const std::pair<std::string_view, std::string_view>> values);

    private:
        friend class Store;
        Edit(class ProfileText& text, const std::string& path) : text_(text), path_(path) {}
        class ProfileText& text_;
        const std::string& path_;
    };
    void edit(const std::function<void(Edit&)>& changes);

    // A change of the file as a snapshot read it: bytes [begin, end) of its
    // text become text.
    struct ByteChange {
        std::size_t begin = 0, end = 0;
        std::string text;
    };
    // Writes the bytes the snapshot read with the changes (in file order, not
    // overlapping) in one replacement, or nothing when there are none: for a
    // change of a few lines of a large file, leaving every other byte as read.
    // The snapshot must be of this store, read while the caller holds it.
    void apply(const class StoreSnapshot& read, const std::vector<ByteChange>& changes);

    const std::string& path() const { return path_; }

    // The store's lock among the copies of Keyvale, for a reading that a
    // write will follow (every write here takes it too, nesting): nothing
    // another copy writes can fall between them. Raises "Unable to write to
    // %s" when another copy keeps it.
    std::unique_ptr<os::FileLock> hold() const;

private:
    friend class StoreSnapshot;
    // The file's text; empty for a missing file.
    DecodedText load() const;
    void save(const std::string& text, TextEncoding was);

    os::Files& files_;
    std::string path_;
};

class ProfileIndex;

// The last reading of a store, for a reader that only reads and reads often
// (the window-trigger watcher, four times a second): it is reused while the
// file's size and write time stay as they were, for at most two seconds by
// the system's clock, which bound what a change that keeps both (a file
// system with coarse times) can hide. A reading whose bytes are the ones
// parsed last time reuses that parse. Owned by its one reader.
class ReadingCache {
public:
    static constexpr os::Millis kTrustStamp = 2000;
    explicit ReadingCache(os::Pump& clock) : clock_(clock) {}

private:
    friend class StoreSnapshot;
    os::Pump& clock_;
    std::string bytes;
    std::shared_ptr<const ProfileIndex> index;
    TextEncoding encoding = TextEncoding::CodePage;
    const os::Files* files = nullptr;
    std::string path;
    std::optional<os::FileStamp> stamp;
    os::Millis readAt = 0;
};

// The store as read once: for an operation that reads many keys (a scan of
// all macros), so that the file is read and parsed once per operation.
class StoreSnapshot {
public:
    // The file is read and parsed.
    explicit StoreSnapshot(const Store& store);
    // The cache's last reading is reused while the file is unchanged.
    StoreSnapshot(const Store& store, ReadingCache& cache);
    ~StoreSnapshot();
    StoreSnapshot(const StoreSnapshot&) = delete;
    StoreSnapshot& operator=(const StoreSnapshot&) = delete;

    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    std::int32_t readInt(std::string_view section, std::string_view key, std::int32_t def) const;
    // Several keys of one section in one pass over it, as readString returns
    // them; nothing for a missing key. The views live as long as the snapshot.
    void readKeys(std::string_view section, std::span<const std::string_view> keys,
                  std::span<std::optional<std::string_view>> values) const;

    // Where sections and keys are, for changes of single lines (Store::apply).
    const ProfileIndex& index() const { return *index_; }
    TextEncoding encoding() const { return encoding_; }

private:
    std::shared_ptr<const ProfileIndex> index_;
    TextEncoding encoding_ = TextEncoding::CodePage;
};

// Replaces the file's content so that a crash at any moment leaves either the
// old or the new content: a complete, flushed temporary file beside it, then
// a rename over it. The file is never written in place. Returns false when
// that fails; the old file is then untouched and the temporary file gone.
bool replaceFileContent(os::Files& files, const std::string& path, std::string_view bytes);

// The temporary file a replacement of the file writes first: a name of this
// process's own, so that two copies replacing one file never share one.
std::string temporaryPath(os::Files& files, const std::string& path);

}  // namespace kv::store
