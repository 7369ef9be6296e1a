#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// Where tests keep the files they make: MORVA_TEST_TMP when it is set, else
// a folder in the build tree (never a shared system folder, so two builds
// running their suites at once do not meet).
// The folder is made when it is not there yet.
inline std::filesystem::path TestFilesRoot() {
  const char* given = std::getenv("MORVA_TEST_TMP");
  const std::filesystem::path root = given && *given ? std::filesystem::path(given) : std::filesystem::path(MORVA_TEST_ROOT);
  std::filesystem::create_directories(root);
  return root;
}

// A fresh, empty folder of that name under the root, for one test's files.
inline std::filesystem::path FreshTestFolder(const std::string& name) {
  const std::filesystem::path folder = TestFilesRoot() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}
