// The messages of one page, collected instead of printed: the command line's
// message hooks write into the log's stream, and the batch prints what a
// page left there together with the page's outcome, in input order, from
// whichever process recognised it. The stream writes into memory, so every
// worker process has a log of its own.
#pragma once

#include <cstdio>
#include <string>

namespace cli {

class MessageLog {
 public:
  MessageLog();
  ~MessageLog();
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  // Where the hooks write; standard error when the stream could not be
  // made.
  std::FILE* File() const { return file_ ? file_ : stderr; }
  // What was written since the last call.
  std::string Take();

 private:
  std::string text_;
  std::FILE* file_;
};

}  // namespace cli
