#include "tests/malformed/case_runner.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "fuzz/harness.h"

namespace {

bool write_all(int fd, const void* data, size_t size) {
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, static_cast<const char*>(data) + done, size - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool read_all(int fd, void* data, size_t size) {
  for (size_t done = 0; done < size;) {
    ssize_t n = read(fd, static_cast<char*>(data) + done, size - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool send_text(int fd, const std::string& text) {
  uint64_t size = text.size();
  return write_all(fd, &size, sizeof size) && write_all(fd, text.data(), text.size());
}

bool receive_text(int fd, std::string& text) {
  uint64_t size;
  if (!read_all(fd, &size, sizeof size)) return false;
  text.resize(size);
  return read_all(fd, text.data(), size);
}

// A field of /proc/self/status in KiB, or -1.
long status_kib(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
  return -1;
}

// The run itself, in a process of its own. The report holds fields separated
// by zero bytes (names may hold anything else).
[[noreturn]] void run_and_report(RunFolder& folder, const std::string& program_bytes, int out) {
  cap_output_files();
  // Start the peak at the current size, so the growth is this run's alone.
  std::ofstream("/proc/self/clear_refs") << "5";
  long before = status_kib("VmRSS");
  RunOutcome outcome = folder.extract(program_bytes);
  long peak = status_kib("VmHWM");
  std::string report = std::to_string(outcome.exit_status) + '\0' + std::to_string(outcome.files_counted) +
                       '\0' + outcome.message + '\0' +
                       std::to_string(before < 0 || peak < 0 ? 0 : peak - before) + '\0' +
                       (read_file_bytes(folder.program()) == program_bytes ? "1" : "0") + '\0';
  for (const std::string& stray : folder.strays()) report += stray + '\0';
  write_all(out, report.data(), report.size());
  _exit(0);
}

// One case: the run's process, watched up to the deadline. Answers what the
// parent turns into a CaseResult: "<how it ended>\0<seconds>\0<report>".
std::string watch_case(RunFolder& folder, const std::string& program_bytes) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return std::string("no pipe") + '\0' + "0" + '\0';
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    run_and_report(folder, program_bytes, pipe_ends[1]);
  }
  close(pipe_ends[1]);

  std::string report;
  bool timed_out = false;
  for (;;) {
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int wait_ms = static_cast<int>((kCaseDeadlineSeconds - elapsed) * 1000);
    pollfd p{pipe_ends[0], POLLIN, 0};
    if (wait_ms <= 0 || poll(&p, 1, wait_ms) == 0) {
      timed_out = true;
      kill(child, SIGKILL);
      break;
    }
    char chunk[4096];
    ssize_t n = read(pipe_ends[0], chunk, sizeof chunk);
    if (n <= 0) break;
    report.append(chunk, static_cast<size_t>(n));
  }
  close(pipe_ends[0]);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  folder.clean();

  std::string how = "reported";
  if (timed_out)
    how = "deadline passed";
  else if (WIFSIGNALED(wait_status))
    how = "signal " + std::to_string(WTERMSIG(wait_status));
  else if (WEXITSTATUS(wait_status) != 0)
    how = "process exit status " + std::to_string(WEXITSTATUS(wait_status));  // a sanitizer report
  return how + '\0' + std::to_string(seconds) + '\0' + report;
}

// Forks each case from a process made before the suite's memory grows: under
// AddressSanitizer a fork costs in proportion to the forking process's memory.
class CaseServer {
 public:
  CaseServer() {
    int requests[2], answers[2];
    if (pipe(requests) != 0 || pipe(answers) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(requests[1]);
      close(answers[0]);
      serve(requests[0], answers[1]);
    }
    close(requests[0]);
    close(answers[1]);
    to_server_ = requests[1];
    from_server_ = answers[0];
    signal(SIGPIPE, SIG_IGN);  // a server gone is a failed case, not the end of the suite
  }
  ~CaseServer() {
    close(to_server_);
    close(from_server_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool run(const std::string& program_bytes, std::string& answer) {
    return send_text(to_server_, program_bytes) && receive_text(from_server_, answer);
  }

 private:
  [[noreturn]] static void serve(int in, int out) {
    {
      RunFolder folder;
      std::string program_bytes;  // reused, so the server's memory stays as it is
      while (receive_text(in, program_bytes) && send_text(out, watch_case(folder, program_bytes))) {
      }
    }
    _exit(0);
  }

  pid_t pid_ = -1;
  int to_server_ = -1;
  int from_server_ = -1;
};

std::vector<std::string> split_fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t zero; (zero = text.find('\0', from)) != std::string::npos; from = zero + 1)
    fields.push_back(text.substr(from, zero - from));
  return fields;
}

}  // namespace

CaseResult run_case(const std::string& program_bytes) {
  static CaseServer server;
  CaseResult result;
  std::string answer;
  if (!server.run(program_bytes, answer)) {
    result.ending = "case server gone";
    return result;
  }
  std::vector<std::string> fields = split_fields(answer);
  result.seconds = std::stod(fields[1]);
  // how, seconds, then the report: status, files, message, memory, program intact, strays.
  if (fields[0] != "reported") {
    result.ending = fields[0];
  } else if (fields.size() < 7) {
    result.ending = "no report";
  } else {
    RunOutcome outcome;
    outcome.exit_status = std::stoi(fields[2]);
    outcome.files_counted = std::stoi(fields[3]);
    outcome.message = fields[4];
    result.exit_status = outcome.exit_status;
    result.files_counted = outcome.files_counted;
    result.peak_growth_kib = std::stol(fields[5]);
    result.program_intact = fields[6] == "1";
    result.strays.assign(fields.begin() + 7, fields.end());
    result.ending = extraction_ending(outcome);
    result.specified = !result.ending.empty();
    if (!result.specified) result.ending = "unspecified: " + outcome.message;
  }
  return result;
}

EndingTally::~EndingTally() {
  int total = 0;
  std::string table;
  for (const auto& [ending, count] : counts_) {
    total += count;
    table += "  " + std::to_string(count) + "  " + ending + "\n";
  }
  std::printf("[ outcomes ] %s: %d cases\n%s", group_.c_str(), total, table.c_str());
  std::fflush(stdout);
  std::string property;
  for (const auto& [ending, count] : counts_) property += ending + "=" + std::to_string(count) + "; ";
  ::testing::Test::RecordProperty("outcomes", property);
}
