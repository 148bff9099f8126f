#pragma once
// IMS QTI 2.1: single assessmentItem files and IMS content packages (a zip
// file, or its imsmanifest.xml with the files beside it) read into a bank.
#include <string>
#include <string_view>

#include "bank.h"
#include "sources.h"

namespace converter {

// One assessmentItem; `where` names it in messages (its file), `fetch`
// finds the images it names relative to it. An item with one interaction
// the frames can hold becomes a question; other interactions, several of
// them or none make it a skipped question. Malformed XML, or an interaction
// whose response is not declared, makes it unreadable.
Bank readQtiItem(std::string_view bytes, const std::string& where, const Fetch& fetch = {});

// A content package: the items its manifest lists, in order, each read as
// above with the package's files. Errors name the file inside the package.
Bank readQtiPackage(const std::string& path);

// The files of a package: in a zip file or in the manifest's folder.
// Names are relative to the package's root ("items/q1.xml").
class PackageFiles {
 public:
  virtual ~PackageFiles() = default;
  virtual std::optional<std::vector<std::uint8_t>> read(const std::string& name) = 0;
  // Why a read was refused rather than missing (a file too big); empty if none was.
  virtual std::string refusal() const { return {}; }
};
Bank readQtiPackage(PackageFiles& files);

// "items/q.xml" + "../img/a.png" -> "img/a.png"; nothing for a name that
// leaves the package or is absolute.
std::optional<std::string> packagePath(const std::string& from, const std::string& relative);

}  // namespace converter
