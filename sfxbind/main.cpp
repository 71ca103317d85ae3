// sfxbind: makes a self-extractor from a folder, a ZIP archive or another
// self-extractor.
#include <iostream>

#include "sfxbind/byte_fields.h"
#include "sfxbind/embedded_stub.h"
#include "sfxbind/run_binding.h"

int main(int argc, char** argv) {
  using namespace sfxbind;
  Options options;
  try {
    options = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const BindError& e) {
    std::cerr << "sfxbind: " << e.what() << '\n';
    return kFailed;
  }
  if (options.help) {
    print_help(std::cout, embedded_stub());
    return kBound;
  }
  if (options.version) {
    print_version(std::cout, embedded_stub());
    return kBound;
  }
  return run_binding(options, embedded_stub(), std::cout, std::cerr);
}
