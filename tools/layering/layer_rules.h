// The include rules of the library's layers, checked over the unit manifest
// that the build writes (cmake/ZeluUnits.cmake) and the sources' #include
// lines. docs/architecture.md gives the rules in prose.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zelu::layering {

enum class FileKind { kHeader, kInstalled, kInternal, kGenerated, kSource, kTest, kBenchmark };

struct UnitFile {
  std::string unit;
  FileKind kind;
};

struct Unit {
  std::string folder;  // relative to the source root, e.g. "zelu/platform/cstring"
  std::set<std::string> depends;
};

struct Manifest {
  std::map<std::string, Unit> units;
  std::map<std::string, UnitFile> files;  // by path relative to the source root
};

// Parses the manifest text; malformed lines are reported in `errors`.
Manifest ParseManifest(const std::string& text, std::vector<std::string>& errors);

// The zelu/... paths that a source text includes, in order.
std::vector<std::string> IncludedPaths(const std::string& source);

// Reads a file relative to the source root; nullopt when it does not exist.
using ReadFile = std::function<std::optional<std::string>(const std::string& path)>;

// Every rule broken by the manifest and the files it names, plus the extra
// files (outside any unit: tools, fuzz targets, examples, or files under
// zelu/ that no unit declares). One message per fault; empty when the layers
// hold.
std::vector<std::string> CheckLayers(const Manifest& manifest, const std::vector<std::string>& extra_files,
                                     const ReadFile& read);

}  // namespace zelu::layering
