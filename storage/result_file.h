#pragma once
// Result files "Stat/<name>.rez" of a base directory, their template
// "ObrazRez.rez", their listing, and the companion files of separately
// stored objects of tests ("<test>.emb").
#include <cstdint>
#include <string>
#include <vector>

#include "store.h"
#include "tables_central.h"
#include "tables_results.h"

namespace results {

// base + "Stat/" + name + ".rez"; the base is joined as stored.
std::string path(const std::string& base, const std::string& name);
std::string rezTestName(const std::string& base, const std::string& name);  // path + "\!RezTest"
std::string rezDtlName(const std::string& base, const std::string& name);   // path + "\!RezDtl"
std::string templatePath(const std::string& base);                          // base + "ObrazRez.rez"

// Makes the template: a result file with both tables and no records.
int createTemplate(const std::string& base, store::ErrorInfo* error = nullptr);
// Makes the result file `name` by copying the template; without a template
// its two tables are created empty. Creates "Stat/" when it is missing.
int create(const std::string& base, const std::string& name, store::ErrorInfo* error = nullptr);

struct Listed {
  std::string name;      // the file name without ".rez" ("" for "Stat/.rez")
  std::string fileName;  // as on disk
  std::int32_t date = 0; // day number of the last change
  std::int32_t time = 0;
  std::int64_t sizeK = 0;  // size / 1000
};
// Every file of "Stat/" matching "*.rez" (any letter case), by name.
std::vector<Listed> list(const std::string& base);

// The two tables of one result file.
class ResultFile {
 public:
  ResultFile();
  // Opens both tables; a missing file is created first (from the template
  // when there is one).
  int open(const std::string& base, const std::string& name, int mode = store::Shared);
  void close();
  // Adds the result in `rez` and, when `withDetail`, its detail in `dtl`, in
  // one transaction.
  int add(bool withDetail);
  const store::ErrorInfo& error() const { return error_; }

  tables::RezTest rez;
  tables::RezDtl dtl;
  store::Table rezT, dtlT;

 private:
  store::ErrorInfo error_;
};

// Registers a result file in the catalogue AllRez (code: last + 1).
int catalogue(store::Table& allRez, tables::AllRez& rec, const std::string& nameCp1251,
              const std::string& pathCp1251, std::int32_t libraryCode);

// Companion file of a test's separately stored objects.
std::string embPath(const std::string& testPath);                          // x.orm -> x.emb
std::string embPart(const std::string& testPath, std::uint16_t codeVop);   // x.emb\!12
bool parseEmbPart(const std::string& part, std::string& file, std::uint16_t& codeVop);
// VOP:OBJECTDOC holds 64 characters, too few for most absolute paths, so it
// may name the part relative to the test's library directory
// ("Информатика.emb\!6"); this gives the part's full name either way.
// `objectDoc` is the field's CP1251 text; the result is a UTF-8 file name.
std::string resolveEmbPart(const std::string& objectDoc, const std::string& libraryDir);
int writeEmb(const std::string& part, const std::vector<std::uint8_t>& bytes, const std::string& fileNameCp1251,
             const std::string& typeCp1251, store::ErrorInfo* error = nullptr);
int readEmb(const std::string& part, tables::Emb& out, store::ErrorInfo* error = nullptr);
int removeEmb(const std::string& part, store::ErrorInfo* error = nullptr);

}  // namespace results
