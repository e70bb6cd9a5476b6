#include "options.h"

#include <algorithm>
#include <charconv>

#include "command.h"

namespace zelu::tool {
namespace {

const KnownOption kHelp{'h', "help", false};
const KnownOption kVersion{0, "version", false};

class OptionReader {
 public:
  OptionReader(const std::vector<std::string>& arguments, std::initializer_list<KnownOption> known_options)
      : arguments_(arguments), known_(known_options) {
    known_.push_back(kHelp);
    known_.push_back(kVersion);
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
  const KnownOption* Find(std::string_view long_name) const {
    const auto found = std::find_if(known_.begin(), known_.end(),
                                    [&](const KnownOption& known) { return known.long_name == long_name; });
    return found == known_.end() ? nullptr : &*found;
  }

  const KnownOption* Find(char short_name) const {
    const auto found = std::find_if(known_.begin(), known_.end(),
                                    [&](const KnownOption& known) { return known.short_name == short_name; });
    return found == known_.end() ? nullptr : &*found;
  }

  // The next argument as the value of `name`.
  std::string FollowingValue(std::string_view name) {
    if (index_ + 1 >= arguments_.size()) throw UsageError("option " + std::string(name) + " needs a value");
    return arguments_[++index_];
  }

  void ReadLong(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const KnownOption* known = Find(std::string_view(name));
    if (known == nullptr) throw UsageError("unknown option " + Quoted(argument));
    if (!known->takes_value) {
      if (equals != std::string::npos) throw UsageError("option --" + name + " takes no value");
      parsed_.given.emplace_back(known->long_name, "");
    } else if (equals != std::string::npos) {
      parsed_.given.emplace_back(known->long_name, argument.substr(equals + 1));
    } else {
      parsed_.given.emplace_back(known->long_name, FollowingValue("--" + name));
    }
  }

  void ReadShort(const std::string& argument) {
    for (std::size_t at = 1; at < argument.size(); ++at) {
      const KnownOption* known = Find(argument[at]);
      if (known == nullptr) throw UsageError("unknown option " + Quoted(std::string("-") + argument[at]));
      if (!known->takes_value) {
        parsed_.given.emplace_back(known->long_name, "");
        continue;
      }
      const std::string rest = argument.substr(at + 1);
      parsed_.given.emplace_back(known->long_name,
                                 rest.empty() ? FollowingValue(std::string("-") + argument[at]) : rest);
      return;
    }
  }

  const std::vector<std::string>& arguments_;
  std::vector<KnownOption> known_;
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

ParsedOptions ParseOptions(const std::vector<std::string>& arguments, std::initializer_list<KnownOption> known_options) {
  return OptionReader(arguments, known_options).Read();
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
