// Installing this build into a scratch prefix, which every installation test starts from.
#pragma once

#include "support/Process.hpp"

namespace kv::testsupport {

// `cmake --install` of this build into the prefix: of one component, or of what installs by default ("").
inline CommandResult install(const std::string& component, const fs::path& prefix) {
    return run("env -u DESTDIR " + quote(VANTOR_CMAKE_COMMAND) + " --install " + quote(VANTOR_BUILD_DIR) +
               (component.empty() ? "" : " --component " + component) + " --prefix " + quote(prefix));
}

} // namespace kv::testsupport
