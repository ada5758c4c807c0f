// Encodes and decodes a large attachment: the work of sending and of opening
// a mail with a big file attached. Prints figures; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "message/base64.h"

using namespace fennel;
using fennel::bench::Seconds;

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kRounds = 5;

// Best time of a few rounds of work().
template <typename Work>
double Best(Work work) {
  double best = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    work();
    best = std::min(best, Seconds(t0));
  }
  return best;
}

void Report(const char* what, double seconds, size_t textBytes, size_t dataBytes) {
  std::printf("  %-36s %7.3f s  %6.0f MB/s of base64 text  %6.0f MB/s of data\n", what, seconds,
              textBytes / kMB / seconds, dataBytes / kMB / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  std::string data(mb * 1024 * 1024, '\0');
  uint32_t seed = 1;
  for (char& c : data) {
    seed = seed * 1664525 + 1013904223;
    c = static_cast<char>(seed >> 24);
  }

  // One call for the whole file: the result is fresh memory each time, so
  // this figure includes the kernel handing out its pages.
  std::string text;
  double encode = Best([&] { text = Base64Encode(data); });

  // As a mail sender writes a body: 57 bytes give one 76-character line.
  std::string sent;
  sent.reserve(data.size() / 57 * 78 + 80);
  double encodeLines = Best([&] {
    sent.clear();
    for (size_t i = 0; i < data.size(); i += 57) {
      sent += Base64Encode(std::string_view(data).substr(i, 57));
      sent += "\r\n";
    }
  });

  // Pieces of about 1 MB (a multiple of 3, so they join into the same text)
  // into a reused buffer: the codec alone.
  constexpr size_t kPiece = (1 << 20) - 1;
  std::string pieces;
  pieces.reserve(text.size());
  double encodePieces = Best([&] {
    pieces.clear();
    for (size_t i = 0; i < data.size(); i += kPiece) {
      pieces += Base64Encode(std::string_view(data).substr(i, kPiece));
    }
  });

  // The body as it travels: 76 characters and CR LF per line.
  std::string body;
  body.reserve(text.size() / 76 * 78 + 80);
  for (size_t i = 0; i < text.size(); i += 76) {
    body.append(text, i, 76);
    body += "\r\n";
  }

  std::string out;
  double whole = Best([&] {
    out.clear();
    Base64Decoder d;
    d.DecodeAppend(body, out);
  });
  bool wholeOk = out == data;

  // As a mail reader feeds it: one line at a time, CR kept, LF gone.
  std::vector<char> buf(data.size() + 64);
  size_t got = 0;
  double lines = Best([&] {
    Base64Decoder d;
    got = 0;
    for (size_t i = 0; i < body.size(); i += 78) {
      size_t len = std::min<size_t>(77, body.size() - i);
      int n = d.Decode(body.data() + i, len, buf.data() + got, buf.size() - got);
      if (n < 0) break;
      got += static_cast<size_t>(n);
    }
  });
  bool linesOk = got == data.size() && std::equal(data.begin(), data.end(), buf.begin());

  double plain = Best([&] {
    out.clear();
    Base64Decoder d;
    d.DecodeAppend(text, out);
  });
  bool plainOk = out == data;

  std::printf("base64: %zu MB of data, %.1f MB of text in 76-character lines, best of %d\n", mb,
              body.size() / kMB, kRounds);
  Report("encode, one call (fresh memory)", encode, text.size(), data.size());
  Report("encode, 57-byte lines with CR LF", encodeLines, sent.size(), data.size());
  Report("encode, 1 MB pieces", encodePieces, pieces.size(), data.size());
  Report("decode, one buffer with CR LF", whole, body.size(), data.size());
  Report("decode, 77-byte lines", lines, body.size(), data.size());
  Report("decode, one buffer without breaks", plain, text.size(), data.size());
  if (sent != body || pieces != text) std::printf("  (the encodings differ)\n");
  if (!wholeOk || !linesOk || !plainOk) std::printf("  (decoded bytes differ from the data)\n");
  return 0;
}
