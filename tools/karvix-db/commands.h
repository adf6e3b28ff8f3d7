// The commands of karvix-db, each writing its output to `out` and its
// errors to `err` and returning the process exit code: 0 done, 1 failed (or
// check found faults), 2 usage error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace karvixdb {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace karvixdb
