// check_layers SOURCE_ROOT MANIFEST: checks the library's include rules and
// prints one line per fault; exits 1 when any rule is broken.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "layer_rules.h"

namespace {

std::optional<std::string> ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every C++ file under the folders whose includes are checked.
std::vector<std::string> SourceFiles(const std::filesystem::path& root) {
  std::vector<std::string> files;
  for (const char* folder : {"zelu", "tools", "fuzz", "examples"}) {
    if (!std::filesystem::exists(root / folder)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
      const auto extension = entry.path().extension();
      if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp")) {
        files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
      }
    }
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: check_layers SOURCE_ROOT MANIFEST\n";
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const auto manifest_text = ReadText(argv[2]);
  if (!manifest_text) {
    std::cerr << "check_layers: cannot read " << argv[2] << "\n";
    return 2;
  }
  std::vector<std::string> errors;
  const auto manifest = zelu::layering::ParseManifest(*manifest_text, errors);
  const auto faults = zelu::layering::CheckLayers(manifest, SourceFiles(root),
                                                  [&](const std::string& path) { return ReadText(root / path); });
  errors.insert(errors.end(), faults.begin(), faults.end());
  for (const std::string& error : errors) std::cout << "layering: " << error << "\n";
  std::cout << manifest.units.size() << " units, " << manifest.files.size() << " files, " << errors.size()
            << " faults\n";
  return errors.empty() ? 0 : 1;
}
