#pragma once
// What the script page (the advanced-macro editor on the wizard) needs from
// the wizard that hosts it.

#include <string>

#include "os/os.hpp"

namespace kv::authoring {

class ScriptPageHost {
public:
    virtual ~ScriptPageHost() = default;
    // Shows the text in the hint window while hints are on, and returns
    // once the user has closed it; does nothing while hints are off.
    virtual void showHint(const std::string& text) = 0;
    virtual os::System& system() = 0;
};

}  // namespace kv::authoring
