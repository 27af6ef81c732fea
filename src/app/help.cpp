#include "app/help.hpp"

namespace kv::app {

namespace {

bool keptAsIs(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != 0 &&
           std::string_view("-._~/:!$&'()*+,;=@").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string fileUrl(std::string_view path, std::string_view anchor) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    if (path.starts_with("\\\\"))
        path.remove_prefix(2);
    else
        url += '/';
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            url += '/';
        } else if (keptAsIs(c)) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    if (!anchor.empty()) {
        url += '#';
        url += anchor;
    }
    return url;
}

void openHelpTopic(os::System& sys, const std::string& topic) {
    sys.shell.open(fileUrl(sys.programDirectory + "Keyvale.html", topic));
}

}  // namespace kv::app
