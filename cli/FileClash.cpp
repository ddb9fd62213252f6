#include "cli/FileClash.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <tuple>

namespace {

// A file by device and inode, or a directory entry by its directory's
// device and inode and its name.
using Place = std::tuple<dev_t, ino_t, std::string>;

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void AddEntry(const std::string& path, std::set<Place>* places) {
  struct stat directory {};
  if (stat(DirectoryOf(path).c_str(), &directory) == 0) places->emplace(directory.st_dev, directory.st_ino, NameOf(path));
}

// Every place writing to or reading from path touches.
std::set<Place> PlacesOf(const std::string& path) {
  std::set<Place> places;
  struct stat file {};
  if (stat(path.c_str(), &file) == 0) places.emplace(file.st_dev, file.st_ino, "");
  AddEntry(path, &places);
  // Through a symbolic link the rename would replace the link, but a reader
  // of the link reads the file behind it: that file's entry counts too.
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) AddEntry(resolved, &places);
  return places;
}

bool Overlap(const std::set<Place>& a, const std::set<Place>& b) {
  for (const Place& place : a)
    if (b.count(place) != 0) return true;
  return false;
}

}  // namespace

bool SameDestination(const std::string& a, const std::string& b) { return Overlap(PlacesOf(a), PlacesOf(b)); }

Failure CheckNoClash(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs, bool inPlace) {
  std::vector<std::set<Place>> inputPlaces, outputPlaces;
  for (const NamedPath& input : inputs) inputPlaces.push_back(PlacesOf(input.path));
  for (size_t o = 0; o < outputs.size(); ++o) {
    outputPlaces.push_back(PlacesOf(outputs[o].path));
    for (size_t i = 0; i < inputs.size(); ++i) {
      if (!Overlap(outputPlaces[o], inputPlaces[i])) continue;
      bool sameImage = inputs[i].image >= 0 && inputs[i].image == outputs[o].image;
      if (inPlace && sameImage) continue;
      std::string hint = sameImage ? "; give another name, or --in-place to replace the input on purpose"
                                          : "; give another name";
      return Fail(kExitUsage, outputs[o].path + ": " + outputs[o].role + " would overwrite " + inputs[i].role + " " +
                                  inputs[i].path + hint);
    }
    for (size_t p = 0; p < o; ++p)
      if (Overlap(outputPlaces[o], outputPlaces[p]))
        return Fail(kExitUsage, outputs[o].path + ": " + outputs[o].role + " and " + outputs[p].role + " " +
                                    outputs[p].path + " name the same file; give each its own name");
  }
  return {};
}
