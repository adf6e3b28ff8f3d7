#include "platform/mail/content_types.h"

#include <utility>

namespace mail {

std::string contentTypeForFileName(const std::string& fileName) {
  static constexpr std::pair<const char*, const char*> kTypes[] = {
      {"txt", "text/plain"},        {"htm", "text/html"},
      {"html", "text/html"},        {"csv", "text/csv"},
      {"pdf", "application/pdf"},
      {"zip", "application/zip"},   {"doc", "application/msword"},
      {"xls", "application/vnd.ms-excel"},
      {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"rtf", "application/rtf"},   {"xml", "application/xml"},
      {"wav", "audio/wav"},         {"mp3", "audio/mpeg"},
      {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},
      {"png", "image/png"},         {"gif", "image/gif"},
      {"bmp", "image/bmp"},         {"ics", "text/calendar"},
      {"gz", "application/gzip"},
  };
  std::size_t dot = fileName.rfind('.');
  std::size_t slash = fileName.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "application/octet-stream";
  std::string ext = fileName.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  for (const auto& [e, type] : kTypes)
    if (ext == e) return type;
  return "application/octet-stream";
}

}  // namespace mail
