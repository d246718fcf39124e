// A JSON string literal for a UTF-8 text.
#pragma once

#include <string>

namespace kaf_tool {

std::string JsonQuote(const std::string& utf8);

}  // namespace kaf_tool
