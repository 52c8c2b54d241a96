// A message log in an unnamed temporary file (see MessageLog.h).
#include "cli/MessageLog.h"

#include <unistd.h>

namespace cli {

MessageLog::MessageLog() : file_(std::tmpfile()) {}

MessageLog::~MessageLog() {
  if (file_) std::fclose(file_);
}

std::string MessageLog::Take() {
  if (!file_) return {};
  std::string text;
  std::fflush(file_);
  std::rewind(file_);
  char chunk[4096];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file_)) > 0;) text.append(chunk, got);
  std::rewind(file_);
  if (::ftruncate(fileno(file_), 0) != 0) std::clearerr(file_);
  return text;
}

}  // namespace cli
