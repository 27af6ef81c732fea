#pragma once
// The other running instances of the program. Starting the program while it
// is resident starts a second, complete instance; this service tells them
// apart so that one window never runs a trigger macro twice.

namespace kv::os {

class Instances {
public:
    virtual ~Instances() = default;
    // Whether another instance of the program was running when this one
    // started.
    virtual bool othersRunningAtStart() = 0;
    // Takes the role of the one instance that watches for trigger windows if
    // no running instance holds it; true while this instance holds it. The
    // role ends with the instance that holds it.
    virtual bool claimWatcher() = 0;
    // Asks the instance that was resident at this one's start to bring its
    // manager window to the front; false when none answered.
    virtual bool showResidentManager() { return false; }
};

}  // namespace kv::os
