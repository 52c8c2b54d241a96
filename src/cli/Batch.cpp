// Batches (see Batch.h).
//
// Each worker has two pipes: the parent writes the index of the next input
// into one, the worker answers through the other with frames: a 32-bit
// length, then a kind byte, the input index and, for a page, its encoded
// outcome. A worker takes a new input only when it has answered the last
// one, so the work spreads by itself over fast and slow pages. The parent
// keeps what arrives ahead of the input being handed on, and starts an input
// only while it is fewer than kInputsAhead × jobs inputs ahead, so that a
// slow input does not make the others pile up. A worker that ends without
// finishing its input (a crash) fails that input with status 3 and is
// replaced. Workers end with _exit, leaving the parent's buffered output and
// its files alone.
#include "cli/Batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <thread>
#include <vector>

#include "cli/OutcomeCodec.h"

namespace cli {

namespace {

constexpr size_t kInputsAhead = 4;
constexpr size_t kFrameHeader = 4;
constexpr char kPageFrame = 'P';
constexpr char kEndFrame = 'E';
constexpr size_t kReadChunk = size_t{1} << 16;

void RunHere(size_t count, const InputRecogniser& recognise, OutcomeSink& sink) {
  for (size_t input = 0; input < count; ++input) {
    bool going = true;
    recognise(input, [&](PageOutcome&& outcome) {
      if (going) going = sink.TakePage(input, std::move(outcome));
    });
    if (!going || !sink.EndInput(input)) return;
  }
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Reads exactly `size` bytes; false at the end of the pipe or on an error.
bool ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    const ssize_t got = ::read(fd, data, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

void PutU32(std::string& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(value >> shift));
}

uint32_t GetU32(const char* bytes) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
  return value;
}

std::string Frame(char kind, size_t input, const std::string& body) {
  std::string frame;
  PutU32(frame, static_cast<uint32_t>(1 + 4 + body.size()));
  frame.push_back(kind);
  PutU32(frame, static_cast<uint32_t>(input));
  return frame + body;
}

// The loop of a worker process: inputs in, frames out, until the parent
// closes the task pipe.
[[noreturn]] void WorkerMain(int tasks, int results, const InputRecogniser& recognise) {
  char index[4];
  while (ReadAll(tasks, index, sizeof index)) {
    const size_t input = GetU32(index);
    bool parentListens = true;
    recognise(input, [&](PageOutcome&& outcome) {
      if (!parentListens) return;
      const std::string frame = Frame(kPageFrame, input, EncodeOutcome(outcome));
      parentListens = WriteAll(results, frame.data(), frame.size());
    });
    const std::string end = Frame(kEndFrame, input, "");
    if (!parentListens || !WriteAll(results, end.data(), end.size())) ::_exit(kExitUsage);
  }
  ::_exit(kExitSuccess);
}

struct Worker {
  pid_t Pid = -1;
  int Tasks = -1;    // parent writes input indices
  int Results = -1;  // parent reads frames
  std::string Received;
  std::optional<size_t> Input;  // the input it is working on
};

struct InputState {
  std::deque<PageOutcome> Pages;
  bool Ended = false;
};

class WorkerPool {
 public:
  WorkerPool(size_t count, int32_t jobs, const InputRecogniser& recognise, OutcomeSink& sink)
      : count_(count), jobs_(static_cast<size_t>(jobs)), recognise_(recognise), sink_(sink) {}

  void Run() {
    // A worker that is gone must not take this process with it when it
    // is written to.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    RunWorkers();
    ::sigaction(SIGPIPE, &previous, nullptr);
  }

 private:
  void RunWorkers() {
    for (size_t j = 0; j < jobs_ && j < count_; ++j)
      if (!Spawn()) break;
    if (workers_.empty()) {  // no process could be started: do the work here
      RunHere(count_, recognise_, sink_);
      return;
    }
    while (true) {
      ReplaceLost();
      Dispatch();
      if (!AnyBusy() && (stopping_ || next_ == count_)) break;
      WaitForFrames();
      HandOver();
    }
    HandOver();
    Shutdown();
  }

  bool Spawn() {
    int tasks[2], results[2];
    if (::pipe2(tasks, O_CLOEXEC) != 0) return false;
    if (::pipe2(results, O_CLOEXEC) != 0) {
      ::close(tasks[0]);
      ::close(tasks[1]);
      return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (const Worker& other : workers_) {
        ::close(other.Tasks);
        ::close(other.Results);
      }
      ::close(tasks[1]);
      ::close(results[0]);
      WorkerMain(tasks[0], results[1], recognise_);
    }
    ::close(tasks[0]);
    ::close(results[1]);
    if (pid < 0) {
      ::close(tasks[1]);
      ::close(results[0]);
      return false;
    }
    Worker worker;
    worker.Pid = pid;
    worker.Tasks = tasks[1];
    worker.Results = results[0];
    workers_.push_back(std::move(worker));
    return true;
  }

  bool AnyBusy() const {
    for (const Worker& worker : workers_)
      if (worker.Input) return true;
    return false;
  }

  void Dispatch() {
    for (Worker& worker : workers_) {
      if (worker.Pid < 0 || worker.Input || stopping_ || next_ == count_ ||
          next_ >= front_ + kInputsAhead * jobs_)
        continue;
      std::string index;
      PutU32(index, static_cast<uint32_t>(next_));
      if (!WriteAll(worker.Tasks, index.data(), index.size())) {
        Lost(worker);  // gone while idle: the input goes to another worker
        continue;
      }
      worker.Input = next_;
      inputs_[next_] = InputState();  // its outcomes are collected from now on
      ++next_;
    }
  }

  void WaitForFrames() {
    std::vector<pollfd> fds;
    for (const Worker& worker : workers_)
      if (worker.Pid >= 0 && worker.Input) fds.push_back(pollfd{worker.Results, POLLIN, 0});
    if (fds.empty()) return;
    if (::poll(fds.data(), fds.size(), -1) < 0) return;  // interrupted: look again
    for (const pollfd& ready : fds) {
      if (ready.revents == 0) continue;
      for (Worker& worker : workers_)
        if (worker.Pid >= 0 && worker.Results == ready.fd) Receive(worker);
    }
  }

  void Receive(Worker& worker) {
    char chunk[kReadChunk];
    const ssize_t got = ::read(worker.Results, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) return;
    if (got <= 0) {
      Lost(worker);
      return;
    }
    worker.Received.append(chunk, static_cast<size_t>(got));
    size_t at = 0;
    while (worker.Received.size() - at >= kFrameHeader) {
      const size_t length = GetU32(worker.Received.data() + at);
      if (length < 5) {
        Lost(worker);
        return;
      }
      if (worker.Received.size() - at - kFrameHeader < length) break;
      const char* frame = worker.Received.data() + at + kFrameHeader;
      const size_t input = GetU32(frame + 1);
      if (!worker.Input || input != *worker.Input) {
        Lost(worker);
        return;
      }
      if (frame[0] == kEndFrame) {
        inputs_[input].Ended = true;
        worker.Input.reset();
      } else {
        PageOutcome outcome;
        if (!DecodeOutcome(std::string(frame + 5, length - 5), outcome)) {
          Lost(worker);
          return;
        }
        inputs_[input].Pages.push_back(std::move(outcome));
      }
      at += kFrameHeader + length;
    }
    worker.Received.erase(0, at);
  }

  // The worker is gone or talks nonsense: its input fails, it is ended.
  void Lost(Worker& worker) {
    if (worker.Pid < 0) return;
    ::kill(worker.Pid, SIGKILL);
    int status = 0;
    ::waitpid(worker.Pid, &status, 0);
    if (worker.Input) {
      PageOutcome failed;
      failed.Status = kExitInternal;
      failed.Messages = "pellarocr-cli: the worker process recognising it ended unexpectedly";
      if (WIFSIGNALED(status)) failed.Messages += " (signal " + std::to_string(WTERMSIG(status)) + ")";
      failed.Messages += "\n";
      InputState& state = inputs_[*worker.Input];
      state.Pages.push_back(std::move(failed));
      state.Ended = true;
    }
    ::close(worker.Tasks);
    ::close(worker.Results);
    worker = Worker();
  }

  void ReplaceLost() {
    const size_t before = workers_.size();
    std::erase_if(workers_, [](const Worker& worker) { return worker.Pid < 0; });
    for (size_t lost = workers_.size(); lost < before && next_ < count_ && !stopping_; ++lost)
      if (!Spawn()) break;
    if (workers_.empty() && next_ < count_ && !stopping_) {
      // Workers cannot be started any more: fail the inputs not started.
      for (; next_ < count_; ++next_) {
        PageOutcome failed;
        failed.Status = kExitInternal;
        failed.Messages = "pellarocr-cli: no worker process could be started\n";
        inputs_[next_].Pages.push_back(std::move(failed));
        inputs_[next_].Ended = true;
      }
    }
  }

  // Hands on what has arrived for the input in front, and moves on past
  // inputs that have ended.
  void HandOver() {
    while (!stopping_) {
      const auto found = inputs_.find(front_);
      if (found == inputs_.end()) return;
      InputState& state = found->second;
      while (!state.Pages.empty() && !stopping_) {
        PageOutcome outcome = std::move(state.Pages.front());
        state.Pages.pop_front();
        stopping_ = !sink_.TakePage(front_, std::move(outcome));
      }
      if (stopping_ || !state.Ended) return;
      stopping_ = !sink_.EndInput(front_);
      inputs_.erase(found);
      ++front_;
    }
  }

  void Shutdown() {
    for (Worker& worker : workers_) {
      if (worker.Input) ::kill(worker.Pid, SIGKILL);
      ::close(worker.Tasks);  // an idle worker sees the end and leaves
    }
    for (Worker& worker : workers_) {
      ::waitpid(worker.Pid, nullptr, 0);
      ::close(worker.Results);
    }
    workers_.clear();
  }

  size_t count_;
  size_t jobs_;
  const InputRecogniser& recognise_;
  OutcomeSink& sink_;
  std::vector<Worker> workers_;
  std::map<size_t, InputState> inputs_;
  size_t next_ = 0;   // the next input to start
  size_t front_ = 0;  // the next input to hand on
  bool stopping_ = false;
};

}  // namespace

void RunBatch(size_t count, int32_t jobs, const InputRecogniser& recognise, OutcomeSink& sink) {
  if (jobs <= 1 || count <= 1) {
    RunHere(count, recognise, sink);
    return;
  }
  WorkerPool(count, jobs, recognise, sink).Run();
}

int32_t AvailableCores() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int32_t>(cores) : 1;
}

}  // namespace cli
