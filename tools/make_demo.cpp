// Creates a complete demo installation in the given directory, so that the
// three programs can be seen working on real-looking data.
#include <cstdio>
#include <string>

#include "demo_data.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
    return 2;
  }
  demo::Installation inst;
  std::string error = demo::make(argv[1], inst);
  if (!error.empty()) {
    std::fprintf(stderr, "ormida-demo: %s\n", error.c_str());
    return 1;
  }
  std::printf("Демонстрационная база создана: %s\n", inst.directory.c_str());
  std::printf("  ключевое слово тестов: %s\n", inst.keyWord.c_str());
  std::printf("  пароль администратора: %s\n", inst.adminPassword.c_str());
  std::printf("  пароль пользователя:   %s\n", inst.userPassword.c_str());
  std::printf("  библиотека тестов:     %s\n", inst.library.c_str());
  for (const auto& t : inst.tests) std::printf("    %s.orm\n", t.c_str());
  std::printf("  файл результатов:      Stat/%s.rez\n", inst.resultFile.c_str());
  return 0;
}
