#include "layer_rules.h"

#include <algorithm>
#include <sstream>

namespace zelu::layering {
namespace {

enum class Layer { kPlatform, kFamily, kTesting };

// The one family that may use another.
const std::set<std::pair<std::string, std::string>> kFamilyExceptions = {{"email_address", "str_token"}};

Layer LayerOf(const Unit& unit) {
  if (unit.folder.rfind("zelu/platform/", 0) == 0) return Layer::kPlatform;
  if (unit.folder == "zelu/testing") return Layer::kTesting;
  return Layer::kFamily;
}

const char* LayerName(Layer layer) {
  switch (layer) {
    case Layer::kPlatform: return "platform";
    case Layer::kFamily: return "family";
    case Layer::kTesting: return "testing";
  }
  return "?";
}

std::optional<FileKind> KindFromName(const std::string& name) {
  static const std::map<std::string, FileKind> kinds = {
      {"header", FileKind::kHeader},       {"installed", FileKind::kInstalled}, {"internal", FileKind::kInternal},
      {"generated", FileKind::kGenerated}, {"source", FileKind::kSource},       {"test", FileKind::kTest},
      {"benchmark", FileKind::kBenchmark}};
  const auto found = kinds.find(name);
  if (found == kinds.end()) return std::nullopt;
  return found->second;
}

bool IsTestCode(FileKind kind) { return kind == FileKind::kTest || kind == FileKind::kBenchmark; }
bool IsPublic(FileKind kind) { return kind == FileKind::kHeader || kind == FileKind::kInstalled; }
bool IsUnitPrivate(const std::string& path) { return path.find("/internal/") != std::string::npos; }

std::string Folder(const std::string& path) {
  std::string folder = path.substr(0, path.rfind('/'));
  const auto internal = folder.find("/internal");
  return internal == std::string::npos ? folder : folder.substr(0, internal);
}

// Every unit that `start` reaches through its declared dependencies.
std::set<std::string> Reachable(const Manifest& manifest, const std::string& start) {
  std::set<std::string> seen;
  std::vector<std::string> pending = {start};
  while (!pending.empty()) {
    const std::string name = pending.back();
    pending.pop_back();
    const auto unit = manifest.units.find(name);
    if (unit == manifest.units.end()) continue;
    for (const std::string& dependency : unit->second.depends) {
      if (seen.insert(dependency).second) pending.push_back(dependency);
    }
  }
  return seen;
}

// The nodes of one cycle of `graph`, or an empty list.
std::vector<std::string> FindCycle(const std::map<std::string, std::set<std::string>>& graph) {
  enum class Mark { kOpen, kDone };
  std::map<std::string, Mark> marks;
  std::vector<std::string> path;
  std::function<bool(const std::string&)> visit = [&](const std::string& node) {
    marks[node] = Mark::kOpen;
    path.push_back(node);
    const auto edges = graph.find(node);
    if (edges != graph.end()) {
      for (const std::string& next : edges->second) {
        const auto mark = marks.find(next);
        if (mark != marks.end() && mark->second == Mark::kOpen) {
          path.push_back(next);
          return true;
        }
        if (mark == marks.end() && visit(next)) return true;
      }
    }
    marks[node] = Mark::kDone;
    path.pop_back();
    return false;
  };
  for (const auto& [node, edges] : graph) {
    if (marks.count(node) == 0 && visit(node)) {
      const auto first = std::find(path.begin(), path.end(), path.back());
      return {first, path.end()};
    }
  }
  return {};
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : separator) + part;
  return joined;
}

class Checker {
 public:
  Checker(const Manifest& manifest, const ReadFile& read) : manifest_(manifest), read_(read) {}

  void CheckDeclarations() {
    std::map<std::string, std::set<std::string>> graph;
    for (const auto& [name, unit] : manifest_.units) {
      graph[name] = unit.depends;
      if (name == "base" && !unit.depends.empty()) Fail("unit base depends on nothing of ours");
      for (const std::string& dependency : unit.depends) CheckDependency(name, unit, dependency);
    }
    if (const auto cycle = FindCycle(graph); !cycle.empty()) Fail("units depend on each other in a cycle: " + Join(cycle, " -> "));
  }

  void CheckUnitFile(const std::string& path, const UnitFile& file) {
    if (file.kind == FileKind::kGenerated) return;
    const auto text = read_(path);
    if (!text) {
      Fail(path + ": declared by unit " + file.unit + " but missing");
      return;
    }
    for (const std::string& included : IncludedPaths(*text)) CheckInclude(path, file, included);
  }

  void CheckExtraFile(const std::string& path) {
    const auto text = read_(path);
    if (!text) return;
    if (path.rfind("zelu/", 0) == 0) {
      Fail(path + ": not declared by any unit (add it to its folder's zelu_add_unit)");
      return;
    }
    const bool is_tool = path.rfind("tools/", 0) == 0 || path.rfind("examples/", 0) == 0;
    for (const std::string& included : IncludedPaths(*text)) {
      const auto owner = manifest_.files.find(included);
      if (owner == manifest_.files.end()) {
        Fail(path + ": includes " + included + ", which no unit declares");
      } else if (is_tool && !IsPublic(owner->second.kind) && owner->second.kind != FileKind::kGenerated) {
        Fail(path + ": includes " + included + ", which is not a public header");
      }
    }
  }

  void CheckFolderCycles() {
    if (const auto cycle = FindCycle(folder_graph_); !cycle.empty()) {
      Fail("folders include each other in a cycle: " + Join(cycle, " -> "));
    }
  }

  std::vector<std::string> TakeErrors() { return std::move(errors_); }

 private:
  void Fail(std::string message) { errors_.push_back(std::move(message)); }

  const Unit* Find(const std::string& name) const {
    const auto unit = manifest_.units.find(name);
    return unit == manifest_.units.end() ? nullptr : &unit->second;
  }

  void CheckDependency(const std::string& name, const Unit& unit, const std::string& dependency_name) {
    const Unit* dependency = Find(dependency_name);
    if (dependency == nullptr) {
      Fail("unit " + name + " depends on " + dependency_name + ", which is not a unit");
      return;
    }
    const Layer from = LayerOf(unit);
    const Layer to = LayerOf(*dependency);
    const bool upward = from == Layer::kPlatform && to != Layer::kPlatform;
    const bool sideways = from == Layer::kFamily && to == Layer::kFamily &&
                          kFamilyExceptions.count({name, dependency_name}) == 0;
    const bool into_testing = from != Layer::kTesting && to == Layer::kTesting;
    if (upward || sideways || into_testing) {
      Fail("unit " + name + " (" + LayerName(from) + ") may not depend on " + dependency_name + " (" +
           LayerName(to) + ")");
    }
  }

  void CheckInclude(const std::string& path, const UnitFile& file, const std::string& included) {
    const auto owner_entry = manifest_.files.find(included);
    if (owner_entry == manifest_.files.end()) {
      Fail(path + ": includes " + included + ", which no unit declares");
      return;
    }
    const UnitFile& owner = owner_entry->second;
    // Tests sit beside their unit but stand above every unit: their includes
    // make no folder edges.
    if (!IsTestCode(file.kind) && Folder(path) != Folder(included)) {
      folder_graph_[Folder(path)].insert(Folder(included));
    }
    if (IsPublic(file.kind) && !IsPublic(owner.kind) && owner.kind != FileKind::kGenerated) {
      Fail(path + ": a public header includes " + included + ", which is not installed");
    }
    if (owner.unit == file.unit) return;
    const Unit* unit = Find(file.unit);
    if (unit == nullptr) return;  // reported with the declarations
    if (IsUnitPrivate(included) && !IsTestCode(file.kind)) {
      Fail(path + ": includes " + included + ", private to unit " + owner.unit);
    }
    if (IsTestCode(file.kind)) {
      std::set<std::string> allowed = Reachable(manifest_, file.unit);
      allowed.insert("testing");
      const std::set<std::string> testing = Reachable(manifest_, "testing");
      allowed.insert(testing.begin(), testing.end());
      if (allowed.count(owner.unit) == 0) {
        Fail(path + ": a test of unit " + file.unit + " includes " + included + " of unit " + owner.unit +
             ", which the unit does not reach");
      }
      return;
    }
    if (unit->depends.count(owner.unit) == 0) {
      Fail(path + ": includes " + included + " of unit " + owner.unit + ", not in the DEPENDS of unit " + file.unit);
    }
  }

  const Manifest& manifest_;
  const ReadFile& read_;
  std::map<std::string, std::set<std::string>> folder_graph_;
  std::vector<std::string> errors_;
};

}  // namespace

Manifest ParseManifest(const std::string& text, std::vector<std::string>& errors) {
  Manifest manifest;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string record;
    std::string unit;
    if (!(words >> record)) continue;
    words >> unit;
    if (record == "unit") {
      words >> manifest.units[unit].folder;
    } else if (record == "depends") {
      for (std::string dependency; words >> dependency;) manifest.units[unit].depends.insert(dependency);
    } else if (record == "file") {
      std::string kind_name;
      std::string path;
      words >> kind_name >> path;
      const auto kind = KindFromName(kind_name);
      if (!kind || path.empty()) {
        errors.push_back("manifest: bad line: " + line);
        continue;
      }
      const auto [entry, added] = manifest.files.emplace(path, UnitFile{unit, *kind});
      if (!added && entry->second.unit != unit) {
        errors.push_back(path + ": declared by units " + entry->second.unit + " and " + unit);
      }
    } else {
      errors.push_back("manifest: bad line: " + line);
    }
  }
  return manifest;
}

std::vector<std::string> IncludedPaths(const std::string& source) {
  std::vector<std::string> paths;
  std::istringstream lines(source);
  std::string line;
  const auto skip_blanks = [&](std::size_t at) { return line.find_first_not_of(" \t", at); };
  while (std::getline(lines, line)) {
    std::size_t at = skip_blanks(0);
    if (at == std::string::npos || line[at] != '#') continue;
    at = skip_blanks(at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0) continue;
    at = skip_blanks(at + 7);
    if (at == std::string::npos || (line[at] != '<' && line[at] != '"')) continue;
    const std::size_t end = line.find(line[at] == '<' ? '>' : '"', at + 1);
    if (end == std::string::npos) continue;
    std::string path = line.substr(at + 1, end - at - 1);
    if (path.rfind("zelu/", 0) == 0) paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<std::string> CheckLayers(const Manifest& manifest, const std::vector<std::string>& extra_files,
                                     const ReadFile& read) {
  Checker checker(manifest, read);
  checker.CheckDeclarations();
  for (const auto& [path, file] : manifest.files) checker.CheckUnitFile(path, file);
  for (const std::string& path : extra_files) {
    if (manifest.files.count(path) == 0) checker.CheckExtraFile(path);
  }
  checker.CheckFolderCycles();
  return checker.TakeErrors();
}

}  // namespace zelu::layering
