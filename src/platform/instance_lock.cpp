#include "platform/instance_lock.h"

namespace corvantis {

std::string InstanceLock::Refusal(const std::string& settingsFolder) const {
    std::string text = "Corvantis is already running";
    if (m_otherProcess > 0) {
        text += " (process " + std::to_string(m_otherProcess) + ")";
    }
    return text + " with the settings in " + settingsFolder + "; this copy ends.";
}

}  // namespace corvantis
