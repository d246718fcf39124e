#include "json_check.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace kaf_tool_test {

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    Json Document() {
        Json value = Value();
        Space();
        if (i_ != s_.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& why) {
        throw std::runtime_error(why + " at offset " + std::to_string(i_));
    }
    void Space() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
    }
    void Expect(char c) {
        Space();
        if (i_ >= s_.size() || s_[i_] != c) Fail(std::string("expected '") + c + "'");
        ++i_;
    }
    bool Literal(const char* word) {
        size_t n = std::string(word).size();
        if (s_.compare(i_, n, word) != 0) return false;
        i_ += n;
        return true;
    }
    std::string StringBody() {
        Expect('"');
        std::string out;
        while (i_ < s_.size() && s_[i_] != '"') {
            unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (i_ >= s_.size()) Fail("cut escape");
            char e = s_[i_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    if (i_ + 4 > s_.size()) Fail("cut \\u escape");
                    unsigned code = static_cast<unsigned>(std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16));
                    i_ += 4;
                    if (code < 0x80) out += static_cast<char>(code);
                    else out += '?';
                    break;
                }
                default: Fail("bad escape");
            }
        }
        if (i_ >= s_.size()) Fail("unterminated string");
        ++i_;
        return out;
    }
    Json Value() {
        Space();
        if (i_ >= s_.size()) Fail("missing value");
        Json v;
        char c = s_[i_];
        if (c == '{') {
            v.kind = Json::Object;
            ++i_;
            Space();
            if (i_ < s_.size() && s_[i_] == '}') {
                ++i_;
                return v;
            }
            for (;;) {
                Space();
                std::string key = StringBody();
                Expect(':');
                if (v.fields.count(key)) Fail("duplicate key " + key);
                v.fields[key] = Value();
                Space();
                if (i_ < s_.size() && s_[i_] == ',') {
                    ++i_;
                    continue;
                }
                Expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Json::Array;
            ++i_;
            Space();
            if (i_ < s_.size() && s_[i_] == ']') {
                ++i_;
                return v;
            }
            for (;;) {
                v.items.push_back(Value());
                Space();
                if (i_ < s_.size() && s_[i_] == ',') {
                    ++i_;
                    continue;
                }
                Expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Json::String;
            v.text = StringBody();
            return v;
        }
        if (Literal("true") || Literal("false")) {
            v.kind = Json::Bool;
            v.boolean = s_[i_ - 1] == 'e' && s_[i_ - 2] == 'u';
            return v;
        }
        if (Literal("null")) return v;
        size_t start = i_;
        if (s_[i_] == '-') ++i_;
        if (i_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[i_]))) Fail("bad value");
        if (s_[i_] == '0' && i_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_ + 1]))) {
            Fail("leading zero");
        }
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || std::string(".eE+-").find(s_[i_]) != std::string::npos)) ++i_;
        v.kind = Json::Number;
        v.number = std::strtod(s_.substr(start, i_ - start).c_str(), nullptr);
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
