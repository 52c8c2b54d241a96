// A batch: the inputs of a run recognised in worker processes, their
// outcomes handed on in input order. The engine's state belongs to the
// process, so parallel recognitions need processes: the workers are forked
// from the process that has started the engine and share its loaded library.
// An input may have several pages; each page has its own outcome, and a
// page or an input that fails (even a worker that dies) leaves the others
// going.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/Recognition.h"
#include "cli/ExitStatus.h"

namespace cli {

// What became of one page of an input; page 0 stands for the whole input
// when it could not be opened at all.
struct PageOutcome {
  int32_t PageNumber = 0;
  int32_t PageCount = 0;  // the pages of its input; 0 when it could not be opened
  int Status = kExitSuccess;
  std::string Messages;                   // lines for standard error, each ending in '\n'
  std::optional<app::PageResult> Result;  // when the page was recognised
};

using PageEmitter = std::function<void(PageOutcome&&)>;
// Recognises input `index`, handing over the outcome of each of its pages in
// page order.
using InputRecogniser = std::function<void(size_t index, const PageEmitter& emit)>;

// Takes the outcomes in input order, and the pages of an input in page
// order. Returning false stops the batch: no further input is started and
// nothing more is handed over.
class OutcomeSink {
 public:
  virtual ~OutcomeSink() = default;
  virtual bool TakePage(size_t input, PageOutcome&& outcome) = 0;
  virtual bool EndInput(size_t input) = 0;
};

// Recognises inputs 0 … count-1 in `jobs` worker processes, or in this
// process when one job is asked for or there is one input.
void RunBatch(size_t count, int32_t jobs, const InputRecogniser& recognise, OutcomeSink& sink);

// The number of processors this process may run on.
int32_t AvailableCores();

}  // namespace cli
