#include "json_check.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace kaf_tool_test {

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    Json Document() {
        Json value = Value();
        if (Peek() != '\0') Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& why) {
        throw std::runtime_error(why + " at offset " + std::to_string(i_));
    }
    // The next character after white space, '\0' at the end.
    char Peek() {
        while (i_ < s_.size() && std::strchr(" \n\t\r", s_[i_])) ++i_;
        return i_ < s_.size() ? s_[i_] : '\0';
    }
    void Expect(char c) {
        if (Peek() != c) Fail(std::string("expected '") + c + "'");
        ++i_;
    }
    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (i_ >= s_.size()) Fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return out;
            if (c < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            char e = i_ < s_.size() ? s_[i_++] : '\0';
            const char* plain = std::strchr("\"\\/bfnrt", e);
            if (e == 'u' && i_ + 4 <= s_.size()) {
                unsigned code = static_cast<unsigned>(std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16));
                i_ += 4;
                out += code < 0x80 ? static_cast<char>(code) : '?';
            } else if (e && plain) {
                out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else {
                Fail("bad escape");
            }
        }
    }
    // The members of an object or the items of an array, up to `close`.
    void Members(Json& v, char close) {
        ++i_;
        if (Peek() == close) {
            ++i_;
            return;
        }
        do {
            if (close == ']') {
                v.items.push_back(Value());
                continue;
            }
            std::string key = String();
            Expect(':');
            if (v.fields.count(key)) Fail("duplicate key " + key);
            v.fields[key] = Value();
        } while (Peek() == ',' && ++i_);
        Expect(close);
    }
    Json Value() {
        Json v;
        char c = Peek();
        if (c == '{' || c == '[') {
            v.kind = c == '{' ? Json::Object : Json::Array;
            Members(v, c == '{' ? '}' : ']');
        } else if (c == '"') {
            v.kind = Json::String;
            v.text = String();
        } else if (s_.compare(i_, 4, "true") == 0 || s_.compare(i_, 5, "false") == 0) {
            v.kind = Json::Bool;
            v.boolean = c == 't';
            i_ += v.boolean ? 4 : 5;
        } else if (s_.compare(i_, 4, "null") == 0) {
            i_ += 4;
        } else {
            // A number as JSON writes it: no leading zeros, no bare dot.
            size_t start = i_;
            if (c == '-') ++i_;
            if (i_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[i_]))) Fail("bad value");
            if (s_[i_] == '0' && i_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_ + 1]))) {
                Fail("leading zero");
            }
            char* end = nullptr;
            v.kind = Json::Number;
            v.number = std::strtod(s_.c_str() + start, &end);
            i_ = static_cast<size_t>(end - s_.c_str());
        }
        return v;
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
    static const Json missing;
    auto found = fields.find(key);
    return found == fields.end() ? missing : found->second;
}

bool ParseJson(const std::string& text, Json* value, std::string* error) {
    try {
        *value = Parser(text).Document();
        return true;
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}

}  // namespace kaf_tool_test
