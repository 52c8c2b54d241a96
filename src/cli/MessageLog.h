// The messages of one page, collected instead of printed: the command line's
// message hooks write into the log's file, and the batch prints what a page
// left there together with the page's outcome, in input order, from
// whichever process recognised it.
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

  // Where the hooks write; standard error when no temporary file could be
  // made.
  std::FILE* File() const { return file_ ? file_ : stderr; }
  // What was written since the last call, and an empty log.
  std::string Take();

 private:
  std::FILE* file_;
};

}  // namespace cli
