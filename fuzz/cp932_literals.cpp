// cp932_literals IN OUT: copies a UTF-8 source file, writing every non-ASCII
// character as the octal escapes of its code page 932 bytes. GCC turns the
// literals of the program into CP932 by -fexec-charset; clang cannot, so the
// clang fuzz build compiles these copies instead. Octal escapes (always three
// digits) never run into the next character, and in comments they are just
// text. The output is plain ASCII, so no trail byte 0x5C can ever be taken
// for a backslash. (A raw string literal would keep the escapes as text; the
// converted sources hold none with Japanese in it.)
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not one.
size_t Utf8Length(const std::string& s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

void PutOctal(std::string& out, unsigned char b) {
  char buf[5];
  std::snprintf(buf, sizeof buf, "\\%03o", b);
  out += buf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cp932_literals IN OUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cp932_literals: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The same conversion GCC's -fexec-charset=CP932//TRANSLIT makes.
  iconv_t cd = iconv_open("CP932//TRANSLIT", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "cp932_literals: iconv has no CP932\n");
    return 1;
  }
  std::string out;
  out.reserve(src.size() * 2);
  for (size_t i = 0; i < src.size();) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    size_t n = c < 0x80 ? 0 : Utf8Length(src, i);
    if (n == 0) {  // ASCII, or a byte that is no UTF-8: as it is
      out.push_back(src[i]);
      ++i;
      continue;
    }
    char from[4];
    for (size_t k = 0; k < n; ++k) from[k] = src[i + k];
    char to[16];
    char* inp = from;
    size_t inLeft = n;
    char* outp = to;
    size_t outLeft = sizeof to;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      out.push_back('?');  // what the transliteration gives for the unknown
    } else {
      for (char* p = to; p < outp; ++p) PutOctal(out, static_cast<unsigned char>(*p));
    }
    i += n;
  }
  iconv_close(cd);
  std::ofstream os(argv[2], std::ios::binary | std::ios::trunc);
  os.write(out.data(), static_cast<std::streamsize>(out.size()));
  os.close();
  if (!os) {
    std::fprintf(stderr, "cp932_literals: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
