#include "core/Result.h"

#include <cstring>
#include <utility>

Result Result::failure(std::string error, int code) {
    Result r;
    r.ok = false;
    r.error = std::move(error);
    r.code = code;
    return r;
}

Result Result::fromErrno(int code) {
    return failure(SystemErrorText(code), code);
}

std::string SystemErrorText(int code) {
    if (const char* text = strerrordesc_np(code))
        return text;
    return "Unknown error " + std::to_string(code);
}
