#include "authoring/hints.hpp"

#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::authoring {

void Hints::show(const std::string& text) {
    if (!store::Store(sys_.files, sys_.storePath).readBool(store::kMain, "Show Hints", true)) return;
    if (boxLeftUnticked_) view_.tickShowHints();
    boxLeftUnticked_ = false;
    view_.showModal(text);
}

void Hints::closed(bool showHintsChecked) {
    boxLeftUnticked_ = !showHintsChecked;
    if (!showHintsChecked) {
        sys_.pump.processMessages();
        store::Store st(sys_.files, sys_.storePath);
        st.writeBool(store::kMain, "Show Hints", false);
    }
    host_.setShowHintsTick(showHintsChecked);
}

}  // namespace kv::authoring
