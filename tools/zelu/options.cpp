#include "options.h"

#include <algorithm>
#include <charconv>

#include "command.h"

namespace zelu::tool {
namespace {

const OptionSpec kHelp{'h', "help", false};
const OptionSpec kVersion{0, "version", false};

class OptionReader {
 public:
  OptionReader(const std::vector<std::string>& arguments, std::initializer_list<OptionSpec> specs)
      : arguments_(arguments), specs_(specs) {
    specs_.push_back(kHelp);
    specs_.push_back(kVersion);
  }

  ParsedOptions Read() {
    for (index_ = 0; index_ < arguments_.size(); ++index_) {
      const std::string& argument = arguments_[index_];
      if (argument == "--") {
        parsed_.operands.insert(parsed_.operands.end(), arguments_.begin() + static_cast<std::ptrdiff_t>(index_) + 1,
                                arguments_.end());
        break;
      }
      if (argument.starts_with("--")) {
        ReadLong(argument);
      } else if (argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9')) {
        ReadShort(argument);
      } else {
        parsed_.operands.push_back(argument);
      }
    }
    if (parsed_.Has("help")) throw HelpRequested{};
    if (parsed_.Has("version")) throw VersionRequested{};
    return std::move(parsed_);
  }

 private:
  const OptionSpec* Find(std::string_view long_name) const {
    const auto found = std::find_if(specs_.begin(), specs_.end(),
                                    [&](const OptionSpec& spec) { return spec.long_name == long_name; });
    return found == specs_.end() ? nullptr : &*found;
  }

  const OptionSpec* Find(char short_name) const {
    const auto found = std::find_if(specs_.begin(), specs_.end(),
                                    [&](const OptionSpec& spec) { return spec.short_name == short_name; });
    return found == specs_.end() ? nullptr : &*found;
  }

  // The next argument as the value of `name`.
  std::string FollowingValue(std::string_view name) {
    if (index_ + 1 >= arguments_.size()) throw UsageError("option " + std::string(name) + " needs a value");
    return arguments_[++index_];
  }

  void ReadLong(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* spec = Find(std::string_view(name));
    if (spec == nullptr) throw UsageError("unknown option " + Quoted(argument));
    if (!spec->takes_value) {
      if (equals != std::string::npos) throw UsageError("option --" + name + " takes no value");
      parsed_.given.emplace_back(spec->long_name, "");
    } else if (equals != std::string::npos) {
      parsed_.given.emplace_back(spec->long_name, argument.substr(equals + 1));
    } else {
      parsed_.given.emplace_back(spec->long_name, FollowingValue("--" + name));
    }
  }

  void ReadShort(const std::string& argument) {
    for (std::size_t at = 1; at < argument.size(); ++at) {
      const OptionSpec* spec = Find(argument[at]);
      if (spec == nullptr) throw UsageError("unknown option " + Quoted(std::string("-") + argument[at]));
      if (!spec->takes_value) {
        parsed_.given.emplace_back(spec->long_name, "");
        continue;
      }
      const std::string rest = argument.substr(at + 1);
      parsed_.given.emplace_back(spec->long_name,
                                 rest.empty() ? FollowingValue(std::string("-") + argument[at]) : rest);
      return;
    }
  }

  const std::vector<std::string>& arguments_;
  std::vector<OptionSpec> specs_;
  std::size_t index_ = 0;
  ParsedOptions parsed_;
};

}  // namespace

bool ParsedOptions::Has(std::string_view long_name) const {
  return std::any_of(given.begin(), given.end(), [&](const auto& option) { return option.first == long_name; });
}

std::optional<std::string> ParsedOptions::Value(std::string_view long_name) const {
  for (auto option = given.rbegin(); option != given.rend(); ++option) {
    if (option->first == long_name) return option->second;
  }
  return std::nullopt;
}

ParsedOptions ParseOptions(const std::vector<std::string>& arguments, std::initializer_list<OptionSpec> specs) {
  return OptionReader(arguments, specs).Read();
}

int ParseIntArgument(std::string_view text, std::string_view what) {
  int value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    throw UsageError(std::string(what) + " is not a 32-bit decimal integer: " + Quoted(text));
  }
  return value;
}

}  // namespace zelu::tool
