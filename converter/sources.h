#pragma once
// Where the readers find the files a question refers to (a picture beside a
// GIFT file, an image inside a content package), and how a question takes
// its picture from the images its text names.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bank.h"

namespace converter {

// The bytes of a file named relative to the question's source, or nothing
// when there is none (or the name would leave the source's folder).
using Fetch = std::function<std::optional<std::vector<std::uint8_t>>(const std::string& relative)>;

// A relative name that stays inside its folder: no absolute path, no "..",
// every part a safe file name. `why` gets the message to show.
bool safeRelativePath(std::string_view path, std::string* why = nullptr);
// Files beside `dir` (a directory; empty: the working directory).
Fetch filesIn(const std::string& dir);
// "a/b/c.xml" + "img/x.png" -> "a/b/img/x.png" ("./" parts dropped).
std::string joinRelative(const std::string& dir, const std::string& relative);

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);
// Replaces the file as a whole: a write that fails leaves it as it was.
bool writeFile(const std::string& path, std::string_view bytes);

// The first image of `sources` that is found and is a picture becomes the
// question's picture ("data:" addresses decoded, others fetched); images not
// found, not pictures or beyond the first are noted.
void takePicture(Question& q, const std::vector<std::string>& sources, const Fetch& fetch);

}  // namespace converter
