#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kivora::democard {

// A value or the reason there is none. Nothing in the generator throws across its API.
template <class T> struct Result {
    std::optional<T> value;
    std::string error;

    static Result success(T v) { return Result { std::move(v), {} }; }
    static Result failure(std::string why) { return Result { std::nullopt, std::move(why) }; }
    explicit operator bool() const { return value.has_value(); }
};

} // namespace kivora::democard
