// A message log in memory (see MessageLog.h), through a stdio stream whose
// writes append to a string.
#include "cli/MessageLog.h"

#include <sys/types.h>

namespace cli {

namespace {

ssize_t Append(void* cookie, const char* data, size_t size) {
  static_cast<std::string*>(cookie)->append(data, size);
  return static_cast<ssize_t>(size);
}

}  // namespace

MessageLog::MessageLog() {
  cookie_io_functions_t functions{};
  functions.write = Append;
  file_ = ::fopencookie(&text_, "w", functions);
}

MessageLog::~MessageLog() {
  if (file_) std::fclose(file_);
}

std::string MessageLog::Take() {
  if (file_) std::fflush(file_);
  std::string text;
  text.swap(text_);
  return text;
}

}  // namespace cli
