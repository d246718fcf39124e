#include "arguments.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "tool_error.h"

namespace kaf_tool {

namespace {

const OptionSpec* FindRule(std::initializer_list<OptionSpec> rules, const std::string& name) {
    for (const OptionSpec& rule : rules) {
        if (name == rule.name || (rule.shortName && name == rule.shortName)) return &rule;
    }
    return nullptr;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

bool Arguments::Has(const std::string& name) const { return Value(name) != nullptr; }

const std::string* Arguments::Value(const std::string& name) const {
    const std::string* found = nullptr;
    for (const auto& option : options) {
        if (option.first == name) found = &option.second;
    }
    return found;
}

std::vector<std::string> Arguments::Values(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& option : options) {
        if (option.first == name) values.push_back(option.second);
    }
    return values;
}

Arguments ParseArguments(const std::vector<std::string>& args, std::initializer_list<OptionSpec> rules) {
    Arguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.positional.insert(parsed.positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        bool attached = false;
        size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            attached = true;
        }
        const OptionSpec* rule = FindRule(rules, name);
        if (!rule && arg[1] != '-') {
            // A short option with its value attached: -pNAME=VALUE.
            rule = FindRule(rules, arg.substr(0, 2));
            if (rule && rule->takesValue) {
                value = arg.substr(2);
                attached = true;
            } else {
                rule = nullptr;
            }
        }
        if (!rule) throw UsageError("unknown option " + name);
        if (!rule->takesValue) {
            if (attached) throw UsageError(std::string("option ") + rule->name + " takes no value");
        } else if (!attached) {
            if (i + 1 >= args.size()) throw UsageError(std::string("option ") + rule->name + " needs a value");
            value = args[++i];
        }
        parsed.options.emplace_back(rule->name, value);
    }
    return parsed;
}

double ParseNumber(const std::string& text, const std::string& what) {
    std::string trimmed = Trim(text);
    const char* begin = trimmed.c_str();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(begin, &end);
    // Overflow gives +-HUGE_VAL (infinity), underflow a tiny value or zero:
    // both are what the number means in strtod's terms, so ERANGE is accepted.
    if (trimmed.empty() || end != begin + trimmed.size()) {
        throw UsageError(what + ": '" + text + "' is not a number");
    }
    return value;
}

std::vector<double> ParseNumberList(const std::string& text, const std::string& what) {
    std::vector<double> values;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        values.push_back(ParseNumber(text.substr(start, comma - start), what));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return values;
}

int64_t ParseInteger(const std::string& text, const std::string& what, int64_t minimum, int64_t maximum) {
    std::string trimmed = Trim(text);
    const char* begin = trimmed.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (trimmed.empty() || end != begin + trimmed.size() || errno == ERANGE) {
        throw UsageError(what + ": '" + text + "' is not a whole number");
    }
    if (value < minimum || value > maximum) {
        throw UsageError(what + " must lie between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
                         " (got " + trimmed + ")");
    }
    return value;
}

std::string ToLower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace kaf_tool
