#include "store/script_text.hpp"

#include "store/profile.hpp"

namespace kv::store {

std::string joinScriptLines(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    forEachLine(bytes, [&](std::string_view line) {
        out += line;
        out += "\r\n";
    });
    return out;
}

}  // namespace kv::store
