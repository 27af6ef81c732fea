// Dates and times in the user's formats.

#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

std::string Win32Locale::formatNow(DateTimeFormat format) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t buf[256] = {};
    int n = 0;
    switch (format) {
        case DateTimeFormat::ShortDate:
            n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::LongDate:
            n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::ShortTime:
            n = GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::LongTime:
            n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 256);
            break;
    }
    return n > 0 ? narrow(buf) : std::string();
}

}  // namespace kv::os::win32
