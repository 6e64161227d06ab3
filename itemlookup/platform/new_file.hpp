// A new, empty file under a name no other file has, readable as any file the user creates:
// the demo database is built under it and renamed into place.
#pragma once

#include <filesystem>
#include <string>

namespace itemlookup::platform {

// `stem` followed by a few characters chosen to make the name unused; empty with `failure`
// naming the reason when no such file can be created.
std::filesystem::path create_new_file(const std::filesystem::path& stem, std::string& failure);

}  // namespace itemlookup::platform
