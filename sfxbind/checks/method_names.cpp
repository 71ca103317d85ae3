#include "sfxbind/checks/method_names.h"

namespace sfxbind {

std::string method_label(uint16_t method) {
  const char* name = nullptr;
  switch (method) {
    case 0: name = "stored"; break;
    case 1: name = "shrunk"; break;
    case 2:
    case 3:
    case 4:
    case 5: name = "reduced"; break;
    case 6: name = "imploded"; break;
    case 7: name = "tokenized"; break;
    case 8: name = "deflate"; break;
    case 9: name = "Deflate64"; break;
    case 10: name = "library implode"; break;
    case 12: name = "BZip2"; break;
    case 14: name = "LZMA"; break;
    case 20:
    case 93: name = "Zstandard"; break;
    case 95: name = "XZ"; break;
    case 98: name = "PPMd"; break;
    case 99: name = "AES encryption"; break;
  }
  return name ? std::to_string(method) + " (" + name + ")" : std::to_string(method);
}

}  // namespace sfxbind
