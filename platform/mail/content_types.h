// MIME type of a file to attach, from its name's extension (a short table of
// the kinds the operator attaches; application/octet-stream otherwise).
#pragma once

#include <string>

namespace mail {

std::string contentTypeForFileName(const std::string& fileName);

}  // namespace mail
