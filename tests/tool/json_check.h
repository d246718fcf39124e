// A small strict JSON reader, to check what `--json` prints.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kaf_tool_test {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const;
    const Json& operator[](size_t index) const { return items.at(index); }
};

// Parses the whole text; false (with the position in *error) when it is not
// exactly one JSON value.
bool ParseJson(const std::string& text, Json* value, std::string* error);

}  // namespace kaf_tool_test
