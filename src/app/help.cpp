#include "app/help.hpp"

namespace kv::app {

void openHelpTopic(os::System& sys, const std::string& topic) {
    sys.shell.open("file:///" + sys.programDirectory + "Keyvale.html#" + topic);
}

}  // namespace kv::app
