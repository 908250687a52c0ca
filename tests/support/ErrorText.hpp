// The text of the std::runtime_error an action throws, so that tests can compare exact error messages.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace kv::test {

// "<no error>" when the action returns normally.
inline std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

} // namespace kv::test
