#include "json_text.h"

#include <cstdio>

namespace kaf_tool {

std::string JsonQuote(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;  // UTF-8 bytes pass through unchanged
                }
        }
    }
    return out + "\"";
}

}  // namespace kaf_tool
