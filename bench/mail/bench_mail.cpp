// Loading and saving mail messages against a plain read and write of the same
// bytes (the floor), for a small message and one with a 4 MB attachment.
// Prints operations per second and the ratio to the floor.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "platform/mail/message.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs fn repeatedly for about `seconds`; returns operations per second.
double rate(double seconds, const std::function<void()>& fn) {
  fn();  // warm
  long n = 0;
  auto start = Clock::now();
  double elapsed = 0;
  do {
    fn();
    ++n;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  return n / elapsed;
}

void run(const char* title, const std::string& src, const std::string& dst, double seconds) {
  std::size_t size = std::filesystem::file_size(src);
  double floor = rate(seconds, [&] { writeAll(dst, readAll(src)); });
  double same = rate(seconds, [&] {
    mail::TmsMessage m;
    m.loadFromFile(src);
    m.saveToFile(dst);
  });
  double read = rate(seconds, [&] {
    mail::TmsMessage m;
    m.loadFromFile(src);
    volatile std::size_t n = m.bodyLines().size() + m.headerValue("Subject").size();
    (void)n;
  });
  double changed = rate(seconds, [&] {
    mail::TmsMessage m;
    m.loadFromFile(src);
    m.insertBodyLine("Forwarded Message:  Originally from: someone");
    m.addHeaderLine("X-KarvixForward: True");
    m.saveToFile(dst);
  });
  std::printf("%s (%zu bytes)\n", title, size);
  std::printf("  plain read + write        %10.0f /s\n", floor);
  std::printf("  load + save unchanged     %10.0f /s  costs %.2f plain copies\n", same, floor / same);
  std::printf("  load + body + Subject     %10.0f /s  costs %.2f plain copies\n", read, floor / read);
  std::printf("  load + forward + save     %10.0f /s  costs %.2f plain copies\n", changed, floor / changed);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "kx-bench-mail";
  std::filesystem::create_directories(dir);

  std::string small = std::string(KX_MAIL_FIXTURES) + "/outlook_mixed_attachments.eml";
  run("client message with two small files", small, (dir / "small.eml").string(), seconds);

  // The same message with a 4 MB attachment of random bytes, base64 lines of 76.
  std::string original = readAll(small);
  std::mt19937 rng(42);
  static const char* kB64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string b64;
  for (std::size_t i = 0; i < (4u << 20) / 3 * 4; ++i) {
    b64 += kB64[rng() & 63];
    if (i % 76 == 75) b64 += "\r\n";
  }
  std::string marker = "Content-Transfer-Encoding: base64\r\n\r\n";
  std::size_t at = original.find(marker) + marker.size();
  std::string big = original.substr(0, at) + b64 + "\r\n" + original.substr(original.find("\r\n--_004_", at));
  std::string bigPath = (dir / "big-src.eml").string();
  writeAll(bigPath, big);
  run("the same with a 4 MB attachment", bigPath, (dir / "big.eml").string(), seconds);

  std::filesystem::remove_all(dir);
  return 0;
}
