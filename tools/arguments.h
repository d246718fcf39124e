// Command-line parsing shared by the commands: options in the forms
// --name=value, --name value and -x value, flags, positional arguments, and
// numbers in C strtod syntax. Every problem throws a UsageError.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace kaf_tool {

struct OptionSpec {
    const char* name;        // "--repeat"
    const char* shortName;   // "-p", or nullptr
    bool takesValue;
};

struct Arguments {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // (long name, value) in command-line order

    bool Has(const std::string& name) const;
    // The last value given for the option, or nullptr.
    const std::string* Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
};

// Splits the arguments. "--" ends the options; a lone "-" is positional.
Arguments ParseArguments(const std::vector<std::string>& args, std::initializer_list<OptionSpec> rules);

// A whole text in strtod syntax ("1e12", "-0.5", "nan", "inf"), surrounding
// blanks allowed. `what` names the value in the message.
double ParseNumber(const std::string& text, const std::string& what);
// Comma-separated numbers.
std::vector<double> ParseNumberList(const std::string& text, const std::string& what);
// A decimal integer within [minimum, maximum].
int64_t ParseInteger(const std::string& text, const std::string& what, int64_t minimum, int64_t maximum);

std::string ToLower(std::string text);

}  // namespace kaf_tool
