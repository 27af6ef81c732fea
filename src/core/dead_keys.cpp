#include "core/dead_keys.hpp"

#include <array>
#include <utility>

namespace kv {

char16_t combiningMarkOf(char16_t c) {
    // The characters the layouts give their dead keys; some layouts give
    // the ASCII one (' " ^ ~ `), others the spacing accent.
    static constexpr std::array<std::pair<char16_t, char16_t>, 19> kMarks{{
        {u'`', 0x0300},   {0x00B4, 0x0301}, {u'\'', 0x0301},  {u'^', 0x0302},   {0x02C6, 0x0302},
        {u'~', 0x0303},   {0x02DC, 0x0303}, {0x00AF, 0x0304}, {0x02D8, 0x0306}, {0x02D9, 0x0307},
        {0x00A8, 0x0308}, {u'"', 0x0308},   {0x00B0, 0x030A}, {0x02DA, 0x030A}, {0x02DD, 0x030B},
        {0x02C7, 0x030C}, {0x00B8, 0x0327}, {0x02DB, 0x0328}, {0x0385, 0x0344},
    }};
    if (c >= 0x0300 && c <= 0x036F) return c;
    for (const auto& [spacing, mark] : kMarks)
        if (spacing == c) return mark;
    return 0;
}

std::u16string afterDeadKey(char16_t dead, std::u16string_view next, std::optional<char16_t> composed) {
    if (next == u" ") return std::u16string(1, dead);
    if (composed) return std::u16string(1, *composed);
    std::u16string both(1, dead);
    both += next;
    return both;
}

}  // namespace kv
