#pragma once

#include <string_view>

namespace quillo {

// Strict UTF-8 check: rejects overlong forms, surrogates and code points past U+10FFFF.
bool isValidUtf8(std::string_view bytes);

} // namespace quillo
